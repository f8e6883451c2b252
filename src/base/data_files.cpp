#include "base/data_files.h"

#include <sys/stat.h>
#include <unistd.h>

#include "base/file_lookup.h"

// Set by the build: the data folder of the source tree, and the share folder
// as seen from the folder of the installed executable.
#ifndef QV_SOURCE_DATA_DIR
#define QV_SOURCE_DATA_DIR ""
#endif
#ifndef QV_DATA_FROM_BIN
#define QV_DATA_FROM_BIN "../share/quorvel"
#endif

namespace {
bool is_file(const std::string& p)
{
    struct stat st;
    return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISREG(st.st_mode);
}

bool is_folder(const std::string& p)
{
    struct stat st;
    return !p.empty() && ::stat(p.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

std::string executable_folder()
{
    char buf[4096];
    ssize_t n = ::readlink("/proc/self/exe", buf, sizeof buf - 1);
    if (n <= 0) return {};
    std::string path(buf, (size_t)n);
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? std::string() : path.substr(0, slash);
}
} // namespace

std::string installed_data_folder()
{
    std::string exe = executable_folder();
    if (exe.empty()) return {};
    std::string dir = exe + "/" + QV_DATA_FROM_BIN;
    return is_folder(dir) ? dir : std::string();
}

std::string source_data_folder()
{
    std::string dir = QV_SOURCE_DATA_DIR;
    return is_folder(dir) ? dir : std::string();
}

std::string find_data_file(const std::string& name, const std::string& folder)
{
    if (name.empty()) return {};
    std::string here = resolve_path(folder.empty() ? name : folder + "/" + name);
    if (is_file(here)) return here;
    // Only a bare file name is looked for in the program's folders.
    if (name.find('/') != std::string::npos) return {};
    for (const std::string& dir : {installed_data_folder(), source_data_folder()}) {
        if (dir.empty()) continue;
        std::string p = dir + "/" + name;
        if (is_file(p)) return p;
    }
    return {};
}

std::string data_file_or_name(const std::string& name, const std::string& folder)
{
    std::string p = find_data_file(name, folder);
    return p.empty() ? name : p;
}
