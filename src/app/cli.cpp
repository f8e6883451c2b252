#include "app/cli.h"

#include <cstdio>
#include <cstring>

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
} // namespace

bool is_cli_mode(int argc, char** argv)
{
    if (argc < 2) return false;
    if (!std::strcmp(argv[1], "--help") || !std::strcmp(argv[1], "-h") || !std::strcmp(argv[1], "--version"))
        return true;
    for (const CliMode& m : k_modes)
        if (!std::strcmp(argv[1], m.flag)) return true;
    return false;
}

int run_cli(int argc, char** argv)
{
    for (const CliMode& m : k_modes)
        if (!std::strcmp(argv[1], m.flag)) return m.run(argc, argv);
    if (!std::strcmp(argv[1], "--version")) {
        std::printf("quorvel version 1.73\n");
        return 0;
    }
    std::printf("usage: quorvel [FILE]            open FILE (or an empty scene) in a window\n");
    for (const CliMode& m : k_modes) std::printf("       quorvel %s\n", m.usage);
    std::printf("       quorvel --version        print the version\n");
    return 0;
}
