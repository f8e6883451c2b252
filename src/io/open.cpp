#include "io/open.h"

#include <condition_variable>
#include <cstring>
#include <mutex>
#include <thread>
#include <new>

#include "io/formats.h"
#include "io/import_assimp.h"
#include "io/lod.h"
#include "io/readers.h"
#include "io/scene_loader.h"
#include "base/report.h"
#include "scene/scene3d.h"

namespace {
bool starts_with(const Scene& L, const char* s)
{
    size_t n = std::strlen(s);
    return (size_t)L.m_len >= n && std::memcmp(L.m_buf, s, n) == 0;
}

bool ends_with(const std::string& path, const char* ext)
{
    size_t n = std::strlen(ext);
    return path.size() >= n && path.compare(path.size() - n, n, ext) == 0;
}

// Runs a reader; when the memory runs out while it fills its objects, the
// file is refused with a message naming it (the scene is only changed once
// a reader has read its whole file).
template <class Reader>
int guarded(Scene& loader, Reader reader)
{
    try {
        return reader();
    } catch (const std::bad_alloc&) {
        MessageBoxF("Not enough memory to read %s (line %d); it is not read", loader.m_filename.c_str(),
                    loader.line_at(loader.m_pos));
        return 0;
    }
}

int run_reader(int (*reader)(Scene&, SCENE3D&), Scene& loader, SCENE3D& scene)
{
    return guarded(loader, [&] { return reader(loader, scene); });
}

// Ends the progress of a load that reported some (the VRML loop does it
// itself; the other readers end here).
bool progress_done(Scene& loader)
{
    loader.progress_done();
    return true;
}

// The name whose extension chooses the reader: a compressed file is named
// by what it holds (".wrl.gz" as ".wrl", ".wrz" as ".wrl").
std::string content_name(const std::string& path)
{
    std::string name = path;
    if (ends_with(name, ".gz") || ends_with(name, ".GZ")) name.resize(name.size() - 3);
    if (ends_with(name, ".wrz")) name.replace(name.size() - 4, 4, ".wrl");
    if (ends_with(name, ".WRZ")) name.replace(name.size() - 4, 4, ".WRL");
    return name;
}

int run_finish(SCENE3D& scene, const FinishFn& finish) { return finish ? finish(scene) : 1; }

// The format the mesh library reads this file as (by its first bytes, then
// by its name), or null when it is one of ours or unknown.
const FileFormat* library_format(const Scene& loader, const std::string& path)
{
    const FileFormat* f = detect_format(loader.m_buf, loader.m_len > 0 ? (size_t)loader.m_len : 0, content_name(path));
    return f && f->reader == FormatReader::Library ? f : nullptr;
}

int read_library_file(Scene& loader, SCENE3D& scene, const FileFormat& format)
{
    return guarded(loader, [&] { return read_with_library(loader, scene, format); });
}

// The finishing steps once the file has been read into the scene: the
// file's buffer is given back first, so that it is not held beside the
// normals and GL data the finishing steps add.
int finish_read(Scene& loader, SCENE3D& scene, const FinishFn& finish)
{
    loader.release_buffer();
    return run_finish(scene, finish);
}

// A read on a thread of its own leaves the current scene to the thread
// that collects it.
thread_local bool t_publish_scene = true;

void replace_scene(std::unique_ptr<SCENE3D>& scene, std::unique_ptr<SCENE3D> fresh)
{
    scene = std::move(fresh);
    if (t_publish_scene) current_scene() = scene.get();
}
} // namespace

namespace {
// Reads `path` into `s` by the first bytes of the file; true when the scene
// was read and finished.
bool read_document(const std::string& path, SCENE3D& s, const FinishFn& finish)
{
    Scene loader;
    if (!loader.load_buffer(path.c_str(), s)) {
        // A file that was found but could not be taken has had its message.
        if (!loader.m_read_error) MessageBox("File not found");
        return false;
    }
    // A reader that refuses the file has said why; no other reader tries it.
    if (const FileFormat* f = library_format(loader, path))
        return read_library_file(loader, s, *f) && progress_done(loader) && finish_read(loader, s, finish);
    if (starts_with(loader, "xof"))
        return run_reader(read_x_file, loader, s) && progress_done(loader) && finish_read(loader, s, finish);
    if (starts_with(loader, "CODE"))
        return run_reader(read_building_file, loader, s) && progress_done(loader) && finish_read(loader, s, finish);
    if (loader.m_len > 0 && loader.m_buf[0] == ' ')
        return run_reader(read_grid_file, loader, s) && progress_done(loader) && finish_read(loader, s, finish);
    if (starts_with(loader, "POINTS")) {
        if (!run_reader(read_point_set, loader, s)) return false;
        progress_done(loader);
        // The point-set reader may have compiled its list itself.
        return s.m_lists_built || run_finish(s, finish);
    }
    if (!loader.read_file(s)) {
        MessageBox("Document : unable to build OpenGL lists");
        return false;
    }
    return finish_read(loader, s, finish) != 0;
}
} // namespace

bool open_document(const std::string& path, std::unique_ptr<SCENE3D>& scene, const FinishFn& finish)
{
    // The file is read into a scene of its own; the caller's scene is only
    // replaced once the read has succeeded.
    auto fresh = std::make_unique<SCENE3D>();
    if (!read_document(path, *fresh, finish)) return false;
    replace_scene(scene, std::move(fresh));
    return true;
}

OpenResult open_by_extension(const std::string& path, std::unique_ptr<SCENE3D>& scene,
                             std::unique_ptr<LODSET>& lod, const FinishFn& finish)
{
    if (path.empty()) return OpenResult::Nothing;
    Scene loader;
    // The file is read for a fresh scene, which also keeps the script.
    auto fresh = std::make_unique<SCENE3D>();
    if (!loader.load_buffer(path.c_str(), *fresh)) {
        // A file that was found but could not be taken has had its message;
        // the scene stays.
        if (loader.m_read_error) return OpenResult::Failed;
        SetStatusTextRaw("NOM INCONNU");
        return OpenResult::NotFound;
    }
    SCENE3D& s = *fresh;
    OpenResult result = OpenResult::Failed;
    auto done = [&](int ok) {
        if (ok) progress_done(loader);
        if (ok && run_finish(s, finish)) result = OpenResult::Scene;
    };
    const std::string name = content_name(path);
    if (const FileFormat* f = library_format(loader, path)) {
        done(read_library_file(loader, s, *f));
        // Read whole: the scene takes the caller's place; refused: it stays.
        if (result != OpenResult::Failed) replace_scene(scene, std::move(fresh));
        return result;
    }
    if (ends_with(name, ".WRL") || ends_with(name, ".wrl")) done(loader.read_file(s));
    if (ends_with(name, ".x") || ends_with(name, ".X")) done(run_reader(read_x_file, loader, s));
    if (ends_with(name, ".ign") || ends_with(name, ".IGN")) done(run_reader(read_building_file, loader, s));
    if (ends_with(name, ".igz")) done(run_reader(read_grid_file, loader, s));
    if (ends_with(name, ".LOD") || ends_with(name, ".lod")) {
        auto set = std::make_unique<LODSET>();
        if (guarded(loader, [&] { return read_lod_script(loader, *set); })) {
            lod = std::move(set);
            result = OpenResult::Lod;
        }
    }
    bool points = false;
    if (starts_with(loader, "POINTS") && run_reader(read_point_set, loader, s)) {
        points = true;
        if (s.m_lists_built || run_finish(s, finish)) result = OpenResult::Scene;
    }
    if (!points && ends_with(name, ".wrb"))
        done(guarded(loader, [&] {
            return loader.m_inflated ? load_binary_buffer(loader.m_buf, (size_t)loader.m_len, path.c_str(), s)
                                     : load_binary(path.c_str(), s);
        }));
    // A refused file leaves the caller's scene as it was.
    if (result != OpenResult::Failed) replace_scene(scene, std::move(fresh));
    return result;
}

OpenResult open_for_command_line(const std::string& path, std::unique_ptr<SCENE3D>& scene,
                                 std::unique_ptr<LODSET>& lod, const FinishFn& finish)
{
    const std::string name = content_name(path);
    if (ends_with(name, ".wrb") || ends_with(name, ".LOD") || ends_with(name, ".lod")) {
        OpenResult r = open_by_extension(path, scene, lod, finish);
        if (r == OpenResult::NotFound) MessageBox("File not found");
        return r;
    }
    return open_document(path, scene, finish) ? OpenResult::Scene : OpenResult::Failed;
}

// ------------------------------------------------------------ on a thread

struct BackgroundOpen::Shared {
    std::mutex mutex;
    std::condition_variable changed;
    HeldReporter held;
    SCENE3D* to_finish = nullptr;   // a read scene that waits for its finishing steps
    bool finish_done = false;
    int finish_result = 0;
    bool done = false;
    OpenResult result = OpenResult::Failed;
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
};

BackgroundOpen::BackgroundOpen(const std::string& path) : m_shared(std::make_shared<Shared>())
{
    std::shared_ptr<Shared> sh = m_shared;
    m_thread = std::thread([sh, path] {
        set_thread_reporter(&sh->held);
        t_publish_scene = false;
        // The finishing steps need the collecting thread's GL context: the
        // read scene is handed over and this thread waits for their result.
        FinishFn finish = [&sh](SCENE3D& s) {
            std::unique_lock<std::mutex> lock(sh->mutex);
            sh->to_finish = &s;
            sh->finish_done = false;
            sh->changed.notify_all();
            sh->changed.wait(lock, [&] { return sh->finish_done; });
            return sh->finish_result;
        };
        OpenResult r = OpenResult::Failed;
        try {
            r = open_for_command_line(path, sh->scene, sh->lod, finish);
        } catch (const std::bad_alloc&) {
            MessageBoxF("Not enough memory to read %s; it is not read", path.c_str());
            sh->scene.reset();
            sh->lod.reset();
        }
        set_thread_reporter(nullptr);
        std::lock_guard<std::mutex> lock(sh->mutex);
        sh->result = r;
        sh->done = true;
        sh->changed.notify_all();
    });
}

BackgroundOpen::~BackgroundOpen()
{
    if (!m_thread.joinable()) return;
    // Never collected: the read is finished without GL and dropped.
    {
        std::unique_lock<std::mutex> lock(m_shared->mutex);
        while (!m_shared->done) {
            if (m_shared->to_finish) {
                m_shared->to_finish = nullptr;
                m_shared->finish_result = 0;
                m_shared->finish_done = true;
                m_shared->changed.notify_all();
            }
            m_shared->changed.wait(lock, [&] { return m_shared->done || m_shared->to_finish; });
        }
    }
    m_thread.join();
}

OpenResult BackgroundOpen::collect(std::unique_ptr<SCENE3D>& scene, std::unique_ptr<LODSET>& lod,
                                   const FinishFn& finish)
{
    if (!m_thread.joinable()) return OpenResult::Failed;
    Shared& sh = *m_shared;
    Reporter& to = reporter();
    std::unique_lock<std::mutex> lock(sh.mutex);
    for (;;) {
        sh.changed.wait(lock, [&] { return sh.done || sh.to_finish; });
        // What the reader said so far comes first, in its order.
        lock.unlock();
        sh.held.deliver(to);
        lock.lock();
        if (sh.done) break;
        SCENE3D* s = sh.to_finish;
        sh.to_finish = nullptr;
        lock.unlock();
        int r = finish ? finish(*s) : 1;
        lock.lock();
        sh.finish_result = r;
        sh.finish_done = true;
        sh.changed.notify_all();
    }
    lock.unlock();
    m_thread.join();
    sh.held.deliver(to);
    const OpenResult r = sh.result;
    if (sh.scene) {
        scene = std::move(sh.scene);
        current_scene() = scene.get();
    }
    if (sh.lod) lod = std::move(sh.lod);
    return r;
}
