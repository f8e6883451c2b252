// Whether the window could open at all, asked before the window module and
// its toolkit are loaded: without a display the toolkit would end the
// process with an abort.
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstddef>
#include <cstdlib>
#include <cstring>
#include <string>

#include "app/cli.h"

namespace {
const char* env(const char* name)
{
    const char* v = std::getenv(name);
    return v && *v ? v : nullptr;
}

// Connects to a local socket; `abstract` uses the Linux abstract namespace.
bool socket_answers(const std::string& path, bool abstract)
{
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    const size_t offset = abstract ? 1 : 0;
    if (path.size() + offset >= sizeof addr.sun_path) return false;
    std::memcpy(addr.sun_path + offset, path.data(), path.size());
    const socklen_t len = (socklen_t)(offsetof(sockaddr_un, sun_path) + offset + path.size() + (abstract ? 0 : 1));
    const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return false;
    const bool ok = connect(fd, reinterpret_cast<const sockaddr*>(&addr), len) == 0;
    close(fd);
    return ok;
}

bool wayland_answers(const char* name)
{
    std::string path = name;
    if (path[0] != '/') {
        const char* dir = env("XDG_RUNTIME_DIR");
        if (!dir) return false;
        path = std::string(dir) + "/" + path;
    }
    return socket_answers(path, false);
}

// DISPLAY is [host]:number[.screen]. A local server listens on the socket of
// its number; a remote one is taken on trust.
bool x11_answers(const char* display)
{
    const std::string d = display;
    const size_t colon = d.rfind(':');
    if (colon == std::string::npos) return false;
    const std::string host = d.substr(0, colon);
    if (!host.empty() && host != "unix" && host[0] != '/') return true;
    std::string number = d.substr(colon + 1);
    number = number.substr(0, number.find('.'));
    if (number.empty() || number.find_first_not_of("0123456789") != std::string::npos) return false;
    const std::string path = "/tmp/.X11-unix/X" + number;
    return socket_answers(path, true) || socket_answers(path, false);
}
} // namespace

bool display_available(std::string& why)
{
    why.clear();
    // A platform chosen by hand that is neither X11 nor Wayland (offscreen,
    // a framebuffer) needs no display server.
    if (const char* qpa = env("QT_QPA_PLATFORM")) {
        const std::string p = qpa;
        if (p.rfind("xcb", 0) != 0 && p.rfind("wayland", 0) != 0) return true;
    }
    const char* wayland = env("WAYLAND_DISPLAY");
    const char* x11 = env("DISPLAY");
    if (wayland && wayland_answers(wayland)) return true;
    if (x11 && x11_answers(x11)) return true;
    why = "no display: the window needs X11 or Wayland; use --snapshot OUT.bmp FILE to render without one";
    return false;
}
