// quorvel [FILE] [--size WxH] [--file PATH] --command ID ... [--snapshot OUT.bmp]
//
// Batch use of the view: FILE (or a new, empty scene) in a view without a
// window of W x H pixels, the commands run by id in the order given, exactly
// as the menu runs them, then the snapshot of the final state when asked.
// Modal dialogs answer OK with the values they open with; a file chooser
// answers the PATH of a --file given just before its command, or counts as
// cancelled; modeless windows and timers are not shown or started. Needs no
// display server: the frame is drawn into an off-screen context.
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

#include "app/cli.h"
#include "image/texture.h"
#include "io/lod.h"
#include "render/gl_state.h"
#include "render/headless_gl.h"
#include "render/snapshot.h"
#include "scene/scene3d.h"
#include "view/behaviour.h"
#include "view/commands.h"
#include "view/document.h"
#include "view/headless_host.h"

namespace {
struct ScriptStep {
    int id = 0;
    std::optional<std::string> file;   // the answer of its file chooser
};

struct Script {
    std::string scene;
    std::string snapshot;
    int w = 800, h = 600;
    std::vector<ScriptStep> steps;
};

bool parse_id(const char* text, int& id)
{
    errno = 0;
    char* end = nullptr;
    long v = std::strtol(text, &end, 10);
    if (errno || end == text || *end || v <= 0 || v > 0x7fffffff) return false;
    id = (int)v;
    return true;
}

// Reads the whole command line; on a mistake says why and gives false.
bool parse(int argc, char** argv, Script& s)
{
    std::optional<std::string> pending_file;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        const bool has_value = i + 1 < argc;
        if (!std::strcmp(a, "--size")) {
            if (!has_value || !parse_size(argv[++i], s.w, s.h)) {
                std::fprintf(stderr, "quorvel: --size wants WIDTHxHEIGHT, for example 800x600\n");
                return false;
            }
        } else if (!std::strcmp(a, "--snapshot")) {
            if (!has_value || !s.snapshot.empty()) {
                std::fprintf(stderr, "quorvel: --snapshot wants one OUT.bmp\n");
                return false;
            }
            s.snapshot = argv[++i];
        } else if (!std::strcmp(a, "--file")) {
            if (!has_value || pending_file) {
                std::fprintf(stderr, "quorvel: --file wants a PATH, followed by the --command that asks for it\n");
                return false;
            }
            pending_file = argv[++i];
        } else if (!std::strcmp(a, "--command")) {
            ScriptStep step;
            if (!has_value || !parse_id(argv[++i], step.id)) {
                std::fprintf(stderr, "quorvel: --command wants a numeric command id\n");
                return false;
            }
            if (!find_command(step.id)) {
                std::fprintf(stderr, "quorvel: unknown command id %d\n", step.id);
                return false;
            }
            step.file = std::move(pending_file);
            pending_file.reset();
            s.steps.push_back(std::move(step));
        } else if (a[0] == '-' && a[1] == '-') {
            std::fprintf(stderr, "quorvel: unknown option %s (see quorvel --help)\n", a);
            return false;
        } else if (s.scene.empty()) {
            s.scene = a;
        } else {
            std::fprintf(stderr, "quorvel: only one scene file may be given (%s, %s)\n", s.scene.c_str(), a);
            return false;
        }
    }
    if (pending_file) {
        std::fprintf(stderr, "quorvel: --file %s is not followed by a --command\n", pending_file->c_str());
        return false;
    }
    return true;
}

} // namespace

bool is_script_mode(int argc, char** argv)
{
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--command") || !std::strcmp(argv[i], "--file") ||
            !std::strcmp(argv[i], "--size") || !std::strcmp(argv[i], "--snapshot"))
            return true;
    }
    return false;
}

int cli_script(int argc, char** argv)
{
    Script script;
    if (!parse(argc, argv, script)) return k_exit_failed;

    StderrReporter rep;
    // Destroyed in reverse order: the view and the document (whose scene
    // frees its GL lists and textures) go while the context still exists.
    HeadlessGL gl;
    if (!gl.create(script.w, script.h)) {
        std::fprintf(stderr, "quorvel: cannot create an off-screen OpenGL context: %s\n", gl.error().c_str());
        return 1;
    }
    CQuorvelDoc doc;
    HeadlessHost host(&gl);
    ViewBehaviour view(doc, host);
    host.attach(&view);
    view.OnContextCreated(k_default_clear_rgb);

    if (script.scene.empty()) {
        doc.OnNewDocument();
    } else {
        OpenResult r = doc.OpenForCommandLine(script.scene, [&view](SCENE3D& s) { return view.FinishScene(s); });
        if ((r != OpenResult::Scene && r != OpenResult::Lod) || !doc.scene()) {
            std::fprintf(stderr, "quorvel: cannot open the scene %s\n", script.scene.c_str());
            return k_exit_failed;
        }
        if (LODSET* set = doc.lod()) finish_lod_gl(*set);
        // Dumps and data files of a command-line run stay in the current
        // folder, as --dump writes them.
        doc.m_folder.clear();
    }
    view.OnSize(script.w, script.h);
    view.SceneChanged();
    const int messages_after_open = rep.messages();

    for (const ScriptStep& step : script.steps) {
        host.clear_queued_file();
        if (step.file) host.queue_file(*step.file);
        run_command(view, step.id);
    }
    host.clear_queued_file();

    // A message from a command means it could not do its work (a save that
    // failed, a dialog's refusal); messages of the open only mean the file
    // was not read whole.
    const int rc = rep.messages() > messages_after_open ? k_exit_failed : rep.written_status();
    if (!script.snapshot.empty()) {
        int w = 0, h = 0;
        std::vector<uint8_t> rgb = host.read_frame(w, h);
        CTexture image;
        if (!image_from_frame(rgb, w, h, image)) {
            std::fprintf(stderr, "quorvel: snapshot failed: Unable to save client\n");
            return k_exit_failed;
        }
        if (!image.SaveFile(script.snapshot)) {
            return k_exit_failed;
        }
        std::printf("%s: %dx%d\n", script.snapshot.c_str(), w, h);
    }
    return rc;
}
