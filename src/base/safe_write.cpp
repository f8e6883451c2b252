#include "base/safe_write.h"

#include <fcntl.h>
#include <limits.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "base/cformat.h"
#include "base/report.h"

namespace safe_write_faults {
namespace {
struct Planned {
    int left = 0;   // runs until the failure; 0: none planned
    int error = 0;
};
Planned g_planned[(int)Step::Count];
} // namespace

void fail(Step step, int nth, int error)
{
    g_planned[(int)step] = {nth, error};
}

void reset()
{
    for (Planned& p : g_planned) p = {};
}

// True (with errno set) when this run of `step` is the one to fail.
static bool now(Step step)
{
    Planned& p = g_planned[(int)step];
    if (p.left <= 0 || --p.left > 0) return false;
    errno = p.error;
    return true;
}
} // namespace safe_write_faults

namespace {
using safe_write_faults::Step;

// Error texts in English whatever the locale, like every other message.
std::string why(int err)
{
    const char* d = strerrordesc_np(err);
    return d ? d : qv_format("error %d", err);
}

// The stream's file: every byte handed to it is written, or the first
// error is kept and the stream reports the failure.
struct Sink {
    int fd = -1;
    int error = 0;
    long long written = 0;
};

ssize_t sink_write(void* cookie, const char* buf, size_t n)
{
    auto* s = static_cast<Sink*>(cookie);
    size_t done = 0;
    while (done < n) {
        ssize_t k;
        if (safe_write_faults::now(Step::Write)) k = -1;
        else k = ::write(s->fd, buf + done, n - done);
        if (k < 0 && errno == EINTR) continue;
        if (k <= 0) {
            if (!s->error) s->error = k < 0 ? errno : ENOSPC;
            return 0;
        }
        done += (size_t)k;
        s->written += k;
    }
    return (ssize_t)done;
}

int sink_close(void* cookie)
{
    auto* s = static_cast<Sink*>(cookie);
    int r = 0;
    if (safe_write_faults::now(Step::Close)) {
        if (!s->error) s->error = errno;
        ::close(s->fd);
        r = -1;
    } else if (::close(s->fd) != 0) {
        if (!s->error) s->error = errno;
        r = -1;
    }
    s->fd = -1;
    return r;
}

std::string folder_of(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

// The folder as the messages name it: the current one by its full name.
std::string shown_folder(const std::string& folder)
{
    if (folder != ".") return folder;
    char buf[PATH_MAX];
    return ::getcwd(buf, sizeof buf) ? std::string(buf) : folder;
}

std::string base_of(const std::string& path)
{
    size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Creates a new, empty file beside `target`; its name in `tmp`.
int create_beside(const std::string& target, std::string& tmp)
{
    static unsigned counter = 0;
    const std::string folder = folder_of(target);
    std::string base = base_of(target).substr(0, 200);
    for (int attempt = 0; attempt < 100; ++attempt) {
        tmp = folder + "/." + base + qv_format(".%ld.%u.tmp", (long)::getpid(), counter++);
        if (safe_write_faults::now(Step::Create)) return -1;
        int fd = ::open(tmp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST) return fd;
    }
    return -1;
}

// Appends the bytes of `old_path` from `from` on to the stream.
bool copy_tail(const std::string& old_path, long long from, FILE* f)
{
    int fd = ::open(old_path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd < 0) return false;
    char buf[65536];
    bool ok = true;
    for (long long at = from;;) {
        ssize_t k = ::pread(fd, buf, sizeof buf, at);
        if (k < 0 && errno == EINTR) continue;
        if (k < 0) ok = false;
        if (k <= 0) break;
        if (std::fwrite(buf, 1, (size_t)k, f) != (size_t)k) {
            ok = false;
            break;
        }
        at += k;
    }
    ::close(fd);
    return ok;
}

void sync_folder(const std::string& folder)
{
    int fd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd < 0) return;
    ::fsync(fd);   // the rename is done: a failure here loses nothing already written
    ::close(fd);
}

class Failure {
public:
    Failure(const std::string& path, const SafeWriteOptions& o, bool existed)
        : m_path(path), m_options(o), m_existed(existed)
    {
    }
    int operator()(bool created, const std::string& what) const
    {
        const std::string& first = created ? m_options.write_failure : m_options.create_failure;
        std::string text = first.empty() ? "Cannot write " + m_path : first;
        text += "\n" + what + ".";
        if (created) text += m_existed ? " The file " + m_path + " is unchanged." : " Nothing was written.";
        MessageBox(text);
        return 0;
    }

private:
    const std::string& m_path;
    const SafeWriteOptions& m_options;
    bool m_existed;
};

// A device or a pipe: written in place, there is no file to keep.
int write_in_place(const std::string& path, const std::function<bool(FILE*)>& fill, const Failure& failed)
{
    int fd = ::open(path.c_str(), O_WRONLY | O_CLOEXEC | O_NONBLOCK);
    if (fd < 0) return failed(false, "opening " + path + " failed: " + why(errno));
    int flags = ::fcntl(fd, F_GETFL);
    if (flags >= 0) ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK);
    FILE* f = ::fdopen(fd, "wb");
    if (!f) {
        ::close(fd);
        return failed(false, "opening " + path + " failed: " + why(errno));
    }
    bool ok = fill(f) && !std::ferror(f);
    ok = std::fclose(f) == 0 && ok;
    if (!ok) return failed(false, "writing to " + path + " failed: " + why(errno));
    return 1;
}

} // namespace

int write_file_safely(const std::string& path_in, const std::function<bool(FILE*)>& fill,
                      const SafeWriteOptions& options)
{
    std::string path = path_in;
    struct stat st;
    bool existed = ::lstat(path.c_str(), &st) == 0;
    if (existed && S_ISLNK(st.st_mode)) {
        // The file the link names is the one replaced; the link stays.
        if (char* real = ::realpath(path.c_str(), nullptr)) {
            path = real;
            std::free(real);
        }
        existed = ::stat(path.c_str(), &st) == 0;
    }
    Failure failed(path_in, options, existed);
    if (path.empty()) return failed(false, "no file name was given");
    const std::string folder = shown_folder(folder_of(path));
    if (existed && S_ISDIR(st.st_mode)) return failed(false, path_in + " is a folder");
    if (existed && !S_ISREG(st.st_mode)) return write_in_place(path, fill, failed);

    std::string tmp;
    int fd = create_beside(path, tmp);
    if (fd < 0) {
        int e = errno;
        struct stat fs;
        if (e == ENOENT || e == ENOTDIR || ::stat(folder.c_str(), &fs) != 0)
            return failed(false, "the folder " + folder + " does not exist");
        if (e == EACCES || e == EPERM || e == EROFS)
            return failed(false, "no permission to create a file in the folder " + folder + " (" + why(e) + ")");
        return failed(false, "a new file cannot be created in the folder " + folder + ": " + why(e));
    }
    if (existed) {
        // The new file takes the place of the old one with its permissions.
        ::fchmod(fd, st.st_mode & 07777);
        if (::fchown(fd, st.st_uid, st.st_gid) != 0) { /* not the owner: keeps ours */ }
    }
    auto* sink = new Sink{fd, 0, 0};
    FILE* f = ::fopencookie(sink, "wb", cookie_io_functions_t{nullptr, sink_write, nullptr, sink_close});
    if (!f) {
        int e = errno;
        ::close(fd);
        ::unlink(tmp.c_str());
        delete sink;
        return failed(false, "a new file cannot be opened in the folder " + folder + ": " + why(e));
    }
    std::setvbuf(f, nullptr, _IOFBF, 1 << 16);

    // Each step runs only when every earlier one succeeded; `stage` names
    // the first that did not.
    const char* stage = nullptr;
    int err = 0;
    if (!fill(f) || std::fflush(f) != 0 || std::ferror(f)) stage = "writing";
    if (!stage && options.keep_tail && existed) {
        if ((long long)st.st_size > sink->written && (!copy_tail(path, sink->written, f) || std::fflush(f) != 0))
            stage = "writing";
    }
    if (!stage) {
        if (safe_write_faults::now(Step::Sync) || ::fsync(sink->fd) != 0) {
            stage = "flushing to the disk";
            err = errno;
        }
    }
    if (std::fclose(f) != 0 && !stage) stage = "closing the new file";
    if (stage && !err) err = sink->error ? sink->error : (errno ? errno : EIO);
    delete sink;
    if (!stage) {
        if (safe_write_faults::now(Step::Rename) || ::rename(tmp.c_str(), path.c_str()) != 0) {
            err = errno;
            ::unlink(tmp.c_str());
            return failed(true, "replacing " + path_in + " in the folder " + folder + " failed: " + why(err));
        }
        sync_folder(folder);
        return 1;
    }
    ::unlink(tmp.c_str());
    return failed(true, std::string(stage) + " in the folder " + folder + " failed: " + why(err));
}
