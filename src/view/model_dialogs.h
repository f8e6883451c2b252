// The modal dialogs of the modelling commands, as the values they show and
// return. The Qt shell draws them (controls named ctl<id>); a host without
// windows answers OK with the values they open with.
#pragma once
#include <string>
#include <vector>

#include "view/view_host.h"

class SCENE3D;

// "Dialog_mesh" (resource 141): the grid's point counts, control 1039 along
// x and control 1038 along z, both 10 when it opens.
struct MeshDialogRequest : DialogRequest {
    MeshDialogRequest() : DialogRequest("Dialog_mesh") {}
    static constexpr const char* kLabel = "Mesh n*p";
    static constexpr int kCtlN = 1039;
    static constexpr int kCtlP = 1038;
    int n = 10;
    int p = 10;
};

// "Extrude" (resource 144): one line per scene object in both lists
// ("Object Section", control 1053; "Curve", control 1054), selections -1
// (none) when it opens. OK is the button "Extrude Curve"; the button
// "Extrude Vector" (control 1076) has no action of its own.
struct ExtrudeDialogRequest : DialogRequest {
    ExtrudeDialogRequest() : DialogRequest("Extrude") {}
    static constexpr int kCtlSection = 1053;
    static constexpr int kCtlCurve = 1054;
    static constexpr int kCtlVector = 1076;
    std::vector<std::string> lines;   // "%4d %s": index and name
    int section = -1;
    int curve = -1;
};
// The lines of the Extrude dialog's lists for a scene.
std::vector<std::string> extrude_dialog_lines(const SCENE3D& scene);
