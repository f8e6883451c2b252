// quorvel --save-binary OUT IN: opens IN as the document open does, prepares
// it as compiling the display lists does (object order with transparent
// objects last, pick ids, the normals that lit objects get) and writes it
// in the binary scene format: the same bytes as "Save as..." right after
// IN was opened in the viewer.
#include <cstdio>
#include <memory>
#include <string>

#include "app/cli.h"
#include "io/lod.h"
#include "io/open.h"
#include "io/readers.h"
#include "scene/compile_prep.h"
#include "base/report.h"
#include "scene/scene3d.h"


int cli_save_binary(int argc, char** argv)
{
    if (argc < 4) {
        std::fprintf(stderr, "usage: quorvel --save-binary OUT.wrb IN\n");
        return k_exit_failed;
    }
    const char* out = argv[2];
    const char* in = argv[3];
    StderrReporter rep;
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    OpenResult r = open_for_command_line(in, scene, lod, [](SCENE3D& s) {
        prepare_scene_for_compile(s);
        return 1;
    });
    int rc = k_exit_failed;
    if (r != OpenResult::Scene || !scene) {
        std::fprintf(stderr, "quorvel: %s could not be read\n", in);
    } else if (save_binary(out, *scene)) {   // a failed write has said why
        rc = rep.written_status();
    }
    current_scene() = nullptr;
    return rc;
}
