// quorvel --export OUT IN [--time S]: opens IN as the command line opens
// every file and writes its scene, as it stands S seconds after opening,
// in the format of OUT's extension (glTF 2.0, OBJ, STL, PLY). Says on
// stdout how many objects and triangles were written.
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>

#include "app/cli.h"
#include "base/report.h"
#include "io/export.h"
#include "io/formats.h"
#include "io/lod.h"
#include "io/open.h"
#include "scene/scene3d.h"
#include "scene/scene_animation.h"

int cli_export(int argc, char** argv)
{
    // argv[1] is --export.
    const char* out = nullptr;
    const char* in = nullptr;
    double seconds = 0.0;
    bool extra = false;
    for (int i = 2; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--time")) {
            if (!take_time_option(i, argc, argv, seconds)) return k_exit_failed;
        } else if (!out) {
            out = argv[i];
        } else if (!in) {
            in = argv[i];
        } else {
            extra = true;
        }
    }
    if (!out || !in || extra) {
        std::fprintf(stderr, "usage: quorvel --export OUT IN [--time SECONDS]   (OUT ends with %s)\n",
                     export_extensions_text().c_str());
        return k_exit_failed;
    }
    StderrReporter rep;
    // A name that says no format is refused before the input is read.
    if (!export_format_for(out)) {
        std::fprintf(stderr, "quorvel: cannot export to %s: the name must end with one of %s\n", out,
                     export_extensions_text().c_str());
        return k_exit_failed;
    }
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    OpenResult r = open_for_command_line(in, scene, lod, nullptr);
    int rc = k_exit_failed;
    ExportSummary summary;
    if (r == OpenResult::Lod) {
        std::fprintf(stderr, "quorvel: %s is a level-of-detail set, which is not exported: export its levels' files\n", in);
    } else if (r != OpenResult::Scene || !scene) {
        std::fprintf(stderr, "quorvel: %s could not be read\n", in);
    } else {
        // A world that moves is written as it stands at that time.
        if (scene->m_animation) scene->m_animation->evaluate(*scene, seconds);
        if (export_scene(*scene, out, &summary)) {   // a failed write has said why
            std::printf("%s: %d objects, %lld triangles\n", out, summary.objects, summary.triangles);
            rc = rep.written_status();
        }
    }
    current_scene() = nullptr;
    return rc;
}
