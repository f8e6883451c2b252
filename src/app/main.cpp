// The program: the command-line modes run here without loading the GUI
// libraries; the viewer window lives in a module beside the executable,
// loaded only when a window is wanted.
#include <dlfcn.h>
#include <limits.h>
#include <unistd.h>

#include <cstdio>
#include <string>
#include <vector>

#include "app/cli.h"
#include "app/memory.h"

namespace {
std::string executable_folder()
{
    char buf[PATH_MAX];
    ssize_t n = readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return ".";
    std::string path(buf, (size_t)n);
    size_t slash = path.rfind('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}
} // namespace

int main(int argc, char** argv)
{
    prefer_large_heap_pages(!is_snapshot_mode(argc, argv));
    if (is_cli_mode(argc, argv)) return run_cli(argc, argv);

    // The window: one scene file at most, and a display to show it on.
    std::string file, refused;
    if (!window_arguments(argc, argv, file, refused)) {
        std::fprintf(stderr, "quorvel: unknown option or extra argument: %s\n", refused.c_str());
        // The help, on the error stream.
        std::fflush(stdout);
        dup2(STDERR_FILENO, STDOUT_FILENO);
        char help[] = "--help";
        char* help_argv[] = {argv[0], help, nullptr};
        run_cli(2, help_argv);
        std::fflush(stdout);
        return k_exit_failed;
    }
    std::string why;
    if (!display_available(why)) {
        std::fprintf(stderr, "quorvel: %s\n", why.c_str());
        return k_exit_failed;
    }
    std::vector<char*> window_argv{argv[0]};
    if (!file.empty()) window_argv.push_back(file.data());
    window_argv.push_back(nullptr);

    // Beside the program in a build folder; once installed, in the
    // program's own library folder (found from the program's folder).
    const std::string folder = executable_folder();
    std::string module = folder + "/libquorvel-gui.so";
#ifdef QV_MODULE_FROM_BIN
    if (access(module.c_str(), F_OK) != 0) module = folder + "/" QV_MODULE_FROM_BIN "/libquorvel-gui.so";
#endif
    void* handle = dlopen(module.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle) {
        std::fprintf(stderr, "quorvel: cannot load the viewer window: %s\n", dlerror());
        return 1;
    }
    using GuiMain = int (*)(int, char**);
    auto gui_main = reinterpret_cast<GuiMain>(dlsym(handle, "quorvel_gui_main"));
    if (!gui_main) {
        std::fprintf(stderr, "quorvel: %s has no viewer entry point\n", module.c_str());
        return 1;
    }
    return gui_main((int)window_argv.size() - 1, window_argv.data());
}
