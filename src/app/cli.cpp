#include "app/cli.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "io/scene_loader.h"

StderrReporter::StderrReporter() : m_prev(set_reporter(this)) {}
StderrReporter::~StderrReporter() { set_reporter(m_prev); }

void StderrReporter::message_box(const std::string& text, const std::string&)
{
    std::fprintf(stderr, "quorvel: %s%s", text.c_str(), (!text.empty() && text.back() == '\n') ? "" : "\n");
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
    {"--snapshot", cli_snapshot, "--snapshot OUT.bmp [--size WxH] FILE  render FILE to a BMP"},
};

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

bool is_cli_mode(int argc_in, char** argv_in)
{
    bool progress;
    std::vector<char*> args = without_progress(argc_in, argv_in, progress);
    const int argc = (int)args.size() - 1;
    char** argv = args.data();
    if (argc < 2) return false;
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h")) return true;
    for (const CliMode& m : k_modes)
        if (!std::strcmp(argv[1], m.flag)) return true;
    return false;
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
    for (const CliMode& m : k_modes)
        if (!std::strcmp(argv[1], m.flag)) return m.run(argc, argv);
    std::printf("usage: quorvel [FILE]\n");
    for (const CliMode& m : k_modes) std::printf("       quorvel %s\n", m.usage);
    std::printf("       --progress with any of these: show the progress of long loads on stderr\n");
    return 0;
}
