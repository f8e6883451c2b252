// The small modal dialogs of the view's commands: "Focale", "Viewpoints",
// "Open IGN File" and "Objects". Each request holds the values the dialog
// shows when it opens; the host edits them and answers OK or Cancel; the
// command then does what OK asks with the values it finds.
#pragma once
#include <string>
#include <vector>

#include "view/view_host.h"

class SCENE3D;
class ViewBehaviour;

// "Focale": field 1082, the field-of-view angle in degrees.
struct FocaleRequest : DialogRequest {
    FocaleRequest() : DialogRequest("Focale") {}
    double fovy = 45.0;
};

// "Viewpoints": list 1049 holds the names of the objects that have a
// viewpoint, in object order. Choosing entry e moves the camera to that
// viewpoint at once (through `choose`) while the dialog is open.
struct ViewpointsRequest : DialogRequest {
    ViewpointsRequest() : DialogRequest("Viewpoints") {}
    std::vector<std::string> names;
    std::vector<int> objects;   // object index of each entry
    int choice = -1;            // entry chosen, -1 for none
    ViewBehaviour* view = nullptr;
    // Camera of entry e, the view redrawn with erasing; false when e names
    // no entry.
    bool choose(int e);
};

// "Open IGN File": a placeholder; its button fills list 1074 with "TOTO" and
// "TUTU". Nothing follows OK but keeping the current text.
struct IgnFileRequest : DialogRequest {
    IgnFileRequest() : DialogRequest("Open IGN File") {}
    std::vector<std::string> entries;   // 1074
    std::string text;                   // the list's current text
    int a = 0, b = 0;                   // 1071, 1072
    // Button 1075.
    void fill();
};

// "Objects": a placeholder list 1040 of two rows; nothing in the scene
// changes whichever way it closes.
struct ObjectsRequest : DialogRequest {
    ObjectsRequest() : DialogRequest("Objects") {}
    std::vector<std::string> columns{"Type", "Kind", "Kind"};
    std::vector<std::string> rows{"TEST", "TUTU"};
    std::string h = "TEST";             // 1042
    std::string v, size;                // 1043, 1044
};

// The camera (and field of view) of the viewpoint of `object`.
// false (camera unchanged) when the object has none.
bool camera_to_viewpoint(SCENE3D& scene, int object);
