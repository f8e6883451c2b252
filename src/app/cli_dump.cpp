// quorvel --dump FILE: loads FILE as the document open does, prepares it as
// compiling the display lists does (object order, pick ids, normals) and
// writes "vrml.out" in the current folder.
#include <cstdio>
#include <memory>
#include <string>

#include "app/cli.h"
#include "io/open.h"
#include "scene/compile_prep.h"
#include "scene/report.h"
#include "scene/scene3d.h"

namespace {
class StderrReporter : public Reporter {
public:
    void message_box(const std::string& text, const std::string&) override
    {
        std::fprintf(stderr, "quorvel: %s%s", text.c_str(), (!text.empty() && text.back() == '\n') ? "" : "\n");
    }
};
} // namespace

int cli_dump(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: quorvel --dump FILE\n");
        return 2;
    }
    StderrReporter rep;
    Reporter* prev = set_reporter(&rep);
    std::unique_ptr<SCENE3D> scene;
    bool ok = open_document(argv[2], scene, [](SCENE3D& s) {
        prepare_scene_for_compile(s);
        return 1;
    });
    int rc = 1;
    if (ok) {
        if (dump_scene(*scene, "vrml.out")) rc = 0;
        else std::fprintf(stderr, "quorvel: cannot write vrml.out\n");
    }
    set_reporter(prev);
    current_scene() = nullptr;
    return rc;
}
