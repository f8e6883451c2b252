#include "app/cli.h"
#include "render/outline_tess.h"

#include <cmath>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "io/formats.h"
#include "base/cformat.h"
#include "io/scene_loader.h"

StderrReporter::StderrReporter() : m_prev(set_reporter(this)) {}
StderrReporter::~StderrReporter() { set_reporter(m_prev); }

void StderrReporter::message_box(const std::string& text, const std::string&)
{
    ++m_messages;
    if (!m_written.insert(text).second) return;
    std::fprintf(stderr, "quorvel: %s%s", text.c_str(), (!text.empty() && text.back() == '\n') ? "" : "\n");
}

bool parse_size(const char* text, int& w, int& h)
{
    int a = 0, b = 0;
    char x = 0, extra = 0;
    if (std::sscanf(text, "%d%c%d%c", &a, &x, &b, &extra) != 3 || (x != 'x' && x != 'X')) return false;
    if (a <= 0 || b <= 0 || a > 16384 || b > 16384) return false;
    w = a;
    h = b;
    return true;
}

bool parse_seconds(const char* text, double& seconds)
{
    if (!text || !*text) return false;
    const char* end = text + std::strlen(text);
    const char* stop = nullptr;
    double v = qv_strtod(text, end, &stop);
    if (stop != end || !std::isfinite(v) || v < 0.0 || v > 366.0 * 86400.0) return false;
    seconds = v;
    return true;
}

bool take_time_option(int& i, int argc, char** argv, double& seconds)
{
    if (i + 1 >= argc || !parse_seconds(argv[i + 1], seconds)) {
        std::fprintf(stderr, "quorvel: --time wants a number of seconds, for example 1.5\n");
        return false;
    }
    ++i;
    return true;
}

namespace {
struct CliMode {
    const char* flag;
    int (*run)(int, char**);
    const char* usage;
};

const CliMode k_modes[] = {
    {"--info", cli_info, "--info FILE            load FILE and print a summary"},
    {"--dump", cli_dump, "--dump FILE            load FILE and write vrml.out here"},
    {"--save-binary", cli_save_binary, "--save-binary OUT IN   convert IN to the binary scene format"},
    {"--export", cli_export, "--export OUT IN [--time S]  write IN's scene (as it is S seconds after opening) as glTF 2.0 (.glb, .gltf), OBJ, STL or PLY"},
    {"--snapshot", cli_snapshot, "--snapshot OUT.bmp [--size WxH] [--time S] FILE  render FILE (as it is S seconds after opening) to a BMP (a PNG when OUT ends in .png)"},
    {"--thumbnail", cli_thumbnail, "--thumbnail IN OUT.png SIZE [--time S]  render IN framed into a SIZE x SIZE PNG with a transparent background"},
};

const CliMode* fixed_mode(int argc, char** argv)
{
    if (argc < 2) return nullptr;
    for (const CliMode& m : k_modes) {
        if (std::strcmp(argv[1], m.flag)) continue;
        // "--snapshot OUT FILE" keeps its own mode; with commands or file
        // answers it is the snapshot of a script.
        if (m.run == cli_snapshot)
            for (int i = 2; i < argc; ++i)
                if (!std::strcmp(argv[i], "--command") || !std::strcmp(argv[i], "--file")) return nullptr;
        return &m;
    }
    return nullptr;
}

// The arguments without "--progress" (which may stand anywhere), null
// terminated; `progress` tells whether it was there.
std::vector<char*> without_progress(int argc, char** argv, bool& progress)
{
    std::vector<char*> args;
    progress = false;
    for (int i = 0; i < argc; ++i) {
        if (i > 0 && !std::strcmp(argv[i], "--progress")) progress = true;
        else args.push_back(argv[i]);
    }
    args.push_back(nullptr);
    return args;
}
} // namespace

bool window_arguments(int argc, char** argv, std::string& file, std::string& refused)
{
    file.clear();
    refused.clear();
    bool files_only = false;
    for (int i = 1; i < argc; ++i) {
        const char* a = argv[i];
        if (!files_only && !std::strcmp(a, "--")) {
            files_only = true;
            continue;
        }
        // The window takes one scene file; every option it knows is a mode of
        // its own (above), so any other option is a mistake.
        if (!files_only && a[0] == '-' && a[1] && std::strcmp(a, "--progress")) {
            refused = a;
            return false;
        }
        if (!files_only && !std::strcmp(a, "--progress")) continue;
        if (!file.empty()) {
            refused = a;
            return false;
        }
        file = a;
    }
    return true;
}

bool is_snapshot_mode(int argc_in, char** argv_in)
{
    bool progress;
    std::vector<char*> args = without_progress(argc_in, argv_in, progress);
    const CliMode* m = fixed_mode((int)args.size() - 1, args.data());
    return m && (m->run == cli_snapshot || m->run == cli_thumbnail);
}

bool is_cli_mode(int argc_in, char** argv_in)
{
    bool progress;
    std::vector<char*> args = without_progress(argc_in, argv_in, progress);
    const int argc = (int)args.size() - 1;
    char** argv = args.data();
    if (argc < 2) return false;
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--version"))
        return true;
    return fixed_mode(argc, argv) || is_script_mode(argc, argv);
}

int run_cli(int argc_in, char** argv_in)
{
    bool progress;
    std::vector<char*> args = without_progress(argc_in, argv_in, progress);
    const int argc = (int)args.size() - 1;
    char** argv = args.data();
    // Long loads say how far they are, one line per step on stderr.
    if (progress)
        set_load_progress([](const std::string& file, int percent) {
            std::fprintf(stderr, "quorvel: reading %s: %d%%\n", file.c_str(), percent);
        });
    // Text shapes are filled by the render layer's tessellator, also
    // where nothing is drawn (--info, --dump, --save-binary).
    install_outline_tessellator();
    if (const CliMode* m = fixed_mode(argc, argv)) return m->run(argc, argv);
    if (!std::strcmp(argv[1], "--version")) {
        std::printf("quorvel version 1.73\n");
        return k_exit_whole;
    }
    if (std::strcmp(argv[1], "--help") && std::strcmp(argv[1], "-h") && is_script_mode(argc, argv))
        return cli_script(argc, argv);
    std::printf("usage: quorvel [FILE]            open FILE (or an empty scene) in a window\n");
    std::printf("       quorvel --version        print the version\n");
    std::printf("       quorvel --help | -h      print this help\n");
    for (const CliMode& m : k_modes) std::printf("       quorvel %s\n", m.usage);
    std::printf("       quorvel [FILE] [--size WxH] [--file PATH] --command ID [--command ID ...] [--snapshot OUT.bmp]\n"
                "           open FILE (or a new scene) in a W x H view without a window (800x600 by\n"
                "           default), run the menu commands by id in order, then save the final\n"
                "           frame as a BMP; --file PATH answers the file chooser of the command\n"
                "           that follows it (without it a chooser counts as cancelled); dialogs\n"
                "           take the values they open with. An unknown id is refused before\n"
                "           anything runs; see the exit status below.\n");
    std::printf("       --progress with any of these: show the progress of long loads on stderr\n");
    std::printf("       --fit with --snapshot: frame the whole scene, whatever the file's viewpoint;\n"
                "       a snapshot whose name ends in .png is written as a PNG picture\n");
    std::printf("\nfile formats read (by their first bytes, else by their name):\n%s", formats_help_text().c_str());
    std::printf("\nexit status:\n"
                "  0  FILE was read whole without a message and the output was written\n"
                "  2  FILE was read and the output written, but a reader reported something\n"
                "     (content dropped, file cut short, parts not read; the messages are on stderr)\n"
                "  1  nothing could be opened or written, or the command line is wrong\n");
    return k_exit_whole;
}
