// quorvel --dump FILE: loads FILE as the document open does, prepares it as
// compiling the display lists does (object order, pick ids, normals) and
// writes "vrml.out" in the current folder.
#include <cstdio>
#include <memory>
#include <string>

#include "app/cli.h"
#include "io/lod.h"
#include "io/open.h"
#include "scene/compile_prep.h"
#include "base/report.h"
#include "scene/scene3d.h"


int cli_dump(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: quorvel --dump FILE\n");
        return k_exit_failed;
    }
    StderrReporter rep;
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    OpenResult r = open_for_command_line(argv[2], scene, lod, [](SCENE3D& s) {
        prepare_scene_for_compile(s);
        return 1;
    });
    int rc = k_exit_failed;
    if (r == OpenResult::Lod) {
        std::fprintf(stderr, "quorvel: a level-of-detail set has no single scene to dump\n");
    } else if (r == OpenResult::Scene && scene) {
        // A failed write has said why; what the load reported decides otherwise.
        if (dump_scene(*scene, "vrml.out")) rc = rep.written_status();
    }
    current_scene() = nullptr;
    return rc;
}
