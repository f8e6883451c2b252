#include "base/file_lookup.h"

#include <dirent.h>
#include <fcntl.h>
#include <unistd.h>
#include <sys/stat.h>

#include <algorithm>
#include <vector>

namespace {

bool exists(const std::string& p)
{
    struct stat st;
    return !p.empty() && ::stat(p.c_str(), &st) == 0;
}

bool iequal(const std::string& a, const char* b)
{
    size_t n = a.size();
    for (size_t i = 0; i < n; ++i) {
        char x = a[i], y = b[i];
        if (y == 0) return false;
        if (x >= 'A' && x <= 'Z') x = (char)(x - 'A' + 'a');
        if (y >= 'A' && y <= 'Z') y = (char)(y - 'A' + 'a');
        if (x != y) return false;
    }
    return b[n] == 0;
}

// Entry of folder dir (ending in '/', or empty for the current folder) whose
// name equals comp without regard to case; empty when none.
std::string match_in(const std::string& dir, const std::string& comp)
{
    DIR* d = ::opendir(dir.empty() ? "." : dir.c_str());
    if (!d) return {};
    std::string best;
    while (dirent* e = ::readdir(d)) {
        if (iequal(comp, e->d_name) && (best.empty() || best > e->d_name)) best = e->d_name;
    }
    ::closedir(d);
    return best;
}

} // namespace

std::string resolve_path(const std::string& name)
{
    if (name.empty() || exists(name)) return name;
    std::string slashed = name;
    std::replace(slashed.begin(), slashed.end(), '\\', '/');
    if (slashed != name && exists(slashed)) return slashed;

    // Component by component.
    std::string built;
    size_t pos = 0;
    if (slashed[0] == '/') {
        built = "/";
        pos = 1;
    }
    while (pos <= slashed.size()) {
        size_t end = slashed.find('/', pos);
        if (end == std::string::npos) end = slashed.size();
        std::string comp = slashed.substr(pos, end - pos);
        bool last = end == slashed.size();
        if (comp.empty() || comp == "." || comp == "..") {
            if (!comp.empty()) built += comp;
        } else if (exists(built + comp)) {
            built += comp;
        } else {
            std::string m = match_in(built, comp);
            if (m.empty()) return name;
            built += m;
        }
        if (last) break;
        if (built.empty() || built.back() != '/') built += '/';
        pos = end + 1;
    }
    return exists(built) ? built : name;
}

std::string resolve_beside(const std::string& folder, const std::string& name)
{
    if (name.empty()) return name;
    const bool absolute = name[0] == '/';
    const std::string full = (absolute || folder.empty()) ? name : folder + "/" + name;
    std::string found = resolve_path(full);
    if (exists(found)) return found;
    const size_t cut = name.find_last_of("/\\");
    const std::string base = cut == std::string::npos ? name : name.substr(cut + 1);
    if (base.empty() || base == "." || base == "..") return full;
    const std::string dir = folder.empty() ? std::string() : folder + "/";
    if (exists(dir + base)) return dir + base;
    std::string m = match_in(dir, base);
    return m.empty() ? full : dir + m;
}

FILE* open_regular_file(const char* path)
{
    if (!path) return nullptr;
    int fd = ::open(path, O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) return nullptr;
    struct stat st;
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        ::close(fd);
        return nullptr;
    }
    int flags = ::fcntl(fd, F_GETFL);
    if (flags != -1) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    FILE* f = ::fdopen(fd, "rb");
    if (!f) ::close(fd);
    return f;
}
