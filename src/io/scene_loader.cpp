// The loader: reads a scene file whole, attaches its companion script and
// cuts a VRML file into objects for the VRML 1.0 and 2.0 readers.
#include "io/scene_loader.h"

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <condition_variable>
#include <exception>
#include <mutex>
#include <new>
#include <thread>

#include <zlib.h>

#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include "io/cut_short.h"
#include "io/list_ahead.h"
#include "base/file_lookup.h"
#include "io/vrml_graph.h"
#include "io/vrml_tree.h"
#include "base/cformat.h"
#include "base/report.h"
#include "image/texture.h"
#include "scene/compile_prep.h"
#include "scene/scene3d.h"

namespace {
// Files from this size on have their layout looked at on a second thread
// (see read_while_looking).
std::atomic<int32_t> g_look_aside_bytes{1 << 20};
size_t g_inflate_limit = size_t(1) << 30;   // 1 GiB
// Each thread shows the progress of its own loads: a file read on a thread
// of its own shows none.
LoadProgressFn& progress_fn()
{
    thread_local LoadProgressFn fn;
    return fn;
}
} // namespace

int32_t set_layout_look_aside(int32_t bytes)
{
    int32_t old = g_look_aside_bytes;
    g_look_aside_bytes = bytes;
    return old;
}

ReaderTemp& reader_temp()
{
    // Lives as long as the process; the arrays get their first size when a
    // reader first asks for room.
    static ReaderTemp t;
    return t;
}

size_t set_reader_temp_limit(size_t bytes)
{
    size_t old = TempBlock::limit_ref();
    TempBlock::limit_ref() = bytes ? bytes : SIZE_MAX;
    return old == SIZE_MAX ? 0 : old;
}

bool TempBlock::grow(size_t n, size_t size)
{
    if (n > SIZE_MAX / size / 2) return false;
    if (n * size > limit()) return false;
    size_t want = std::min(std::max({n * size, m_bytes * 2, m_first}), limit());
    if (want <= m_bytes) return true;   // under a limit lower than the block
    void* p = std::realloc(m_data, want);
    if (!p) return false;
    m_data = p;
    m_bytes = want;
    return true;
}

thread_local std::chrono::milliseconds g_progress_after(500);

LoadProgressFn set_load_progress(LoadProgressFn fn, std::chrono::milliseconds after)
{
    g_progress_after = after;
    LoadProgressFn old = std::move(progress_fn());
    progress_fn() = std::move(fn);
    return old;
}

size_t set_inflate_limit(size_t bytes)
{
    size_t old = g_inflate_limit;
    g_inflate_limit = bytes;
    return old;
}

Scene::Scene()
{
    m_word = new char[512];
    std::strcpy(m_word, "L");
}

Scene::~Scene()
{
    release_buffer();
    delete[] m_scr_buf;   // only when the scene did not take it
    delete[] m_word;
    if (m_file) std::fclose(m_file);
    if (m_scr_file) std::fclose(m_scr_file);
}

namespace {
// Reads the whole open file f; null (and len 0) when it cannot be read or
// is too large for the 32-bit positions of the tokenizer.
char* read_all(FILE* f, int32_t& len)
{
    len = 0;
    if (std::fseek(f, 0, SEEK_END) != 0) return nullptr;
    long size = std::ftell(f);
    if (size < 0 || size > INT_MAX - 16) return nullptr;
    std::rewind(f);
    char* buf = new (std::nothrow) char[(size_t)size + 1];
    if (!buf) return nullptr;
    size_t got = size ? std::fread(buf, 1, (size_t)size, f) : 0;
    len = (int32_t)got;
    return buf;
}
} // namespace

void Scene::release_buffer()
{
    if (m_mapped_len) munmap(m_buf, m_mapped_len);
    else if (m_inflated) std::free(m_buf);
    else delete[] m_buf;
    m_buf = nullptr;
    m_mapped_len = 0;
    m_released_to = 0;
    m_inflated = 0;
    m_len = 0;
    m_line_cache_pos = 0;
    m_line_cache_line = 1;
}

namespace {
// A private, read-only mapping of the whole open file: no copy of large
// files, and pages already read can be given back (nothing writes to them,
// so they read the same again). Null when the file cannot be mapped.
char* map_all(FILE* f, int32_t& len, size_t& mapped)
{
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 || st.st_size > INT_MAX - 16)
        return nullptr;
    void* p = mmap(nullptr, (size_t)st.st_size, PROT_READ, MAP_PRIVATE, fileno(f), 0);
    if (p == MAP_FAILED) return nullptr;
    len = (int32_t)st.st_size;
    mapped = (size_t)st.st_size;
    return static_cast<char*>(p);
}
} // namespace

namespace {
// Inflates the gzip members in [src, src + len) into a new block (malloc).
// Null with the reason when the data is damaged, ends too early, needs more
// memory than there is or inflates beyond `limit`.
char* inflate_gzip(const unsigned char* src, size_t len, size_t limit, int32_t& out_len, std::string& why)
{
    out_len = 0;
    limit = std::min<size_t>(limit, INT_MAX - 16);
    // The last four bytes give the inflated size modulo 2^32: a good first
    // size for the block when it is a plausible one.
    size_t cap = 1 << 16;
    if (len >= 18) {
        uint32_t hint = (uint32_t)src[len - 4] | (uint32_t)src[len - 3] << 8 | (uint32_t)src[len - 2] << 16 |
                        (uint32_t)src[len - 1] << 24;
        if (hint > 0 && hint <= limit) cap = hint + 1;   // + 1: the end is seen without a second block
    }
    cap = std::min(cap, limit + 1);
    char* out = static_cast<char*>(std::malloc(cap));
    if (!out) {
        why = "there is not enough memory to inflate it";
        return nullptr;
    }
    z_stream z{};
    if (inflateInit2(&z, 15 + 16) != Z_OK) {
        std::free(out);
        why = "there is not enough memory to inflate it";
        return nullptr;
    }
    z.next_in = const_cast<unsigned char*>(src);
    z.avail_in = (uInt)len;
    size_t used = 0;
    for (;;) {
        if (used == cap) {
            if (cap > limit) {
                why = qv_format("it inflates to more than %zu MB, beyond what a scene file may hold", limit >> 20);
                break;
            }
            size_t bigger = std::min(cap * 2, limit + 1);
            char* p = static_cast<char*>(std::realloc(out, bigger));
            if (!p) {
                why = "there is not enough memory to inflate it";
                break;
            }
            out = p;
            cap = bigger;
        }
        z.next_out = reinterpret_cast<unsigned char*>(out + used);
        z.avail_out = (uInt)std::min<size_t>(cap - used, UINT_MAX);
        const uInt before = z.avail_out;
        int r = inflate(&z, Z_NO_FLUSH);
        used += before - z.avail_out;
        if (r == Z_STREAM_END) {
            // Another member may follow; anything else after the stream
            // (padding) is ignored.
            if (z.avail_in >= 2 && z.next_in[0] == 0x1F && z.next_in[1] == 0x8B) {
                inflateReset(&z);
                continue;
            }
            if (used > limit) {
                why = qv_format("it inflates to more than %zu MB, beyond what a scene file may hold", limit >> 20);
                break;
            }
            inflateEnd(&z);
            out_len = (int32_t)used;
            return out;
        }
        if (r == Z_OK) continue;
        if (r == Z_BUF_ERROR && z.avail_out == 0) continue;   // the block is full: grow it
        if (r == Z_BUF_ERROR) why = "the compressed data ends too early (the file is cut short)";
        else if (r == Z_MEM_ERROR) why = "there is not enough memory to inflate it";
        else why = std::string("the compressed data is damaged (") + (z.msg ? z.msg : "invalid data") + ")";
        break;
    }
    inflateEnd(&z);
    std::free(out);
    return nullptr;
}
} // namespace

int Scene::load_buffer(const char* path, SCENE3D& scene)
{
    m_read_error = 0;
    if (!path) return 0;
    m_filename = path;
    size_t slash = m_filename.find_last_of('/');
    m_folder = slash == std::string::npos ? std::string() : m_filename.substr(0, slash);
    m_file = open_regular_file(path);
    if (!m_file) return 0;
    SetStatusText("Read scene:%s", path);
    m_load_start = std::chrono::steady_clock::now();
    m_last_percent = -1;
    int32_t len = 0;
    size_t mapped = 0;
    char* buf = map_all(m_file, len, mapped);
    if (!buf) buf = read_all(m_file, len);
    std::fclose(m_file);
    m_file = nullptr;
    if (!buf) return 0;
    release_buffer();   // a loader used twice gets a buffer of the right size
    m_buf = buf;
    m_len = len;
    m_mapped_len = mapped;
    m_pos = 0;
    // Compressed files (gzip, whatever their name) are inflated in memory
    // first; every reader then sees the text as if it had been stored so.
    if (m_len >= 2 && (unsigned char)m_buf[0] == 0x1F && (unsigned char)m_buf[1] == 0x8B) {
        std::string why;
        int32_t out_len = 0;
        char* text = inflate_gzip(reinterpret_cast<const unsigned char*>(m_buf), (size_t)m_len, g_inflate_limit,
                                  out_len, why);
        release_buffer();
        if (!text) {
            MessageBoxF("File %s is a compressed file that cannot be read: %s", m_filename.c_str(), why.c_str());
            m_read_error = 1;
            return 0;
        }
        m_buf = text;
        m_len = out_len;
        m_inflated = 1;
    }
    load_script(scene);
    return 1;
}

void Scene::release_pages_before(int32_t pos)
{
    // A quarter of a megabyte behind the position stays, for the look-backs
    // of the readers; pages go back four megabytes at a time.
    constexpr int32_t k_keep = 256 << 10, k_step = 4 << 20;
    if (!m_mapped_len) return;
    const int32_t page = (int32_t)sysconf(_SC_PAGESIZE);
    if (pos < m_released_to) {
        // Read again from further back (a second pass, a body read again):
        // release from here on.
        m_released_to = pos / page * page;
        return;
    }
    int32_t to = (pos - k_keep) / page * page;
    if (to - m_released_to < k_step) return;
    madvise(m_buf + m_released_to, (size_t)(to - m_released_to), MADV_DONTNEED);
    m_released_to = to;
}

void Scene::release_all_pages()
{
    if (!m_mapped_len) return;
    // Pages a reader mapped again behind another one, or the last stretch
    // of the file, would stay held with the loader.
    madvise(m_buf, m_mapped_len, MADV_DONTNEED);
    const int32_t page = (int32_t)sysconf(_SC_PAGESIZE);
    m_released_to = (int32_t)std::min<size_t>(m_mapped_len, (size_t)m_len) / page * page;
}

void Scene::progress_tick()
{
    m_tick_countdown = 4096;
    if (stop_if_unwanted()) return;
    release_read_pages();
    const LoadProgressFn& fn = progress_fn();
    if (!fn || m_len <= 0) return;
    if (m_last_percent < 0 && std::chrono::steady_clock::now() - m_load_start < g_progress_after)
        return;
    int percent = (int)((int64_t)std::min(m_pos, m_len) * 100 / m_len);
    if (m_last_percent >= 0 && percent < m_last_percent + 5) return;
    m_last_percent = percent;
    fn(m_filename, percent);
}

void Scene::progress_done()
{
    const LoadProgressFn& fn = progress_fn();
    if (fn && m_last_percent >= 0 && m_last_percent < 100) {
        m_last_percent = 100;
        fn(m_filename, 100);
    }
}

int Scene::load_script(SCENE3D& scene)
{
    std::string path = m_filename;
    // A compressed "house.wrl.gz" has the script of "house.wrl".
    if (m_inflated && path.size() > 3 && (path.ends_with(".gz") || path.ends_with(".GZ")))
        path.resize(path.size() - 3);
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
    path += ".scr";
    m_scr_file = open_regular_file(path.c_str());
    if (!m_scr_file) m_scr_file = open_regular_file(resolve_path(path).c_str());
    if (!m_scr_file) return 0;
    SetStatusTextRaw(path);
    int32_t len = 0;
    char* buf = read_all(m_scr_file, len);
    std::fclose(m_scr_file);
    m_scr_file = nullptr;
    if (!buf) return 0;
    // A scene keeps the first script it was given: the script of an inlined
    // file does not replace the one of the file that inlines it.
    if (scene.m_script) {
        delete[] buf;
        return 0;
    }
    m_scr_buf = nullptr;
    scene.m_script = buf;
    scene.m_script_len = len;
    m_scr_len = len;
    return 1;
}

std::string Scene::resolve(const std::string& name) const
{
    return resolve_beside(m_folder, name);
}

int Scene::line_at(int32_t pos) const
{
    if (pos > m_len) pos = m_len;
    if (pos < 0) pos = 0;
    if (pos < m_line_cache_pos || m_line_cache_pos > m_len || m_line_cache_buf != m_buf) {
        m_line_cache_buf = m_buf;
        m_line_cache_pos = 0;
        m_line_cache_line = 1;
    }
    int line = m_line_cache_line + (int)count_line_feeds(m_buf + m_line_cache_pos, m_buf + pos);
    m_line_cache_pos = pos;
    m_line_cache_line = line;
    return line;
}

void Scene::refuse_list(const char* list, int32_t at)
{
    MessageBoxF("Not enough memory to read the list %s of %s at line %d; the rest of the file is not read", list,
                m_filename.c_str(), line_at(at));
    m_abort = 1;
    m_pos = m_len;
    m_word[0] = 0;
}

int Scene::read_file(SCENE3D& scene)
{
    m_comments = 0;
    m_depth = 0;
    if (m_len < 7 || std::memcmp(m_buf, "#VRML V", 7) != 0) {
        MessageBoxF("File %s is not a vrml one", m_filename.c_str());
        return 0;
    }
    int version = 0;
    if (m_len >= 10 && !std::memcmp(m_buf, "#VRML V1.0", 10)) version = 1;
    else if (m_len >= 10 && !std::memcmp(m_buf, "#VRML V2.0", 10)) version = 2;
    else {
        MessageBox("Invalid vrml version");
        return 0;
    }
    m_pos = 0;
    m_abort = 0;
    if (m_len >= g_look_aside_bytes && second_thread_allowed()) return read_while_looking(scene, version);
    // Files laid out otherwise than one object per DEF'd node or marker
    // are read as a scene graph, so that no shape is lost.
    int geometry_nodes = 0;
    if (!vrml::object_layout_file(*this, version, &geometry_nodes)) return read_as_scene_graph(scene, version);
    const SceneMark mark = mark_scene(scene);
    int more = read_objects(scene, version);
    return finish_objects(scene, version, mark, more, geometry_nodes);
}

int Scene::read_objects(SCENE3D& scene, int version)
{
    m_pos = 0;
    m_abort = 0;
    std::strcpy(m_word, "L");
    Scene* root = this;
    while (root->m_parent) root = root->m_parent;
    int more = 1;
    while (m_word[0] && more == 1) {
        if (stop_if_unwanted()) break;
        if (scene.nbobjects + scene.m_nbboxes >= scene.m_capacity) {
            if (!root->m_overflow_reported) MessageBox("** Scene::read_file : overflow");
            root->m_overflow_reported = 1;
            break;
        }
        // The object takes its slot before it is read, so that the objects of
        // an inlined file come after it.
        OBJECT3D* obj = new OBJECT3D();
        int slot = scene.nbobjects;
        scene.add_object(obj);
        try {
            more = version == 1 ? read_vrml1_object(*obj, scene, *this) : read_vrml2_object(*obj, scene, *this);
        } catch (const std::bad_alloc&) {
            // The memory ran out while an array of the object was being
            // replaced: the object cannot be trusted, not even to be freed.
            // An empty one takes its place and the file ends here.
            MessageBoxF("Not enough memory to read %s at line %d; the rest of the file is not read",
                        m_filename.c_str(), line_at(m_pos));
            obj = new OBJECT3D();
            scene.m_objects[slot] = obj;
            more = 0;
            m_abort = 1;
        }
        obj->m_tmp_vertices = nullptr;
        obj->m_tmp_texvertex = nullptr;
        obj->m_tmp_index = nullptr;
        obj->compute_bounds();
        obj->compute_center();
        scene.compute_world_bounds(slot);
        if (--m_tick_countdown < 0) progress_tick();
    }
    return more;
}

int Scene::finish_objects(SCENE3D& scene, int version, const SceneMark& mark, int more, int geometry_nodes)
{
    // Shapes the object readers passed over: the file is read again as a
    // scene graph, so that none is lost. (A file cut short inside a shape
    // keeps what the object readers made of it.)
    if (!m_abort && m_depth <= 0) {
        int made = 0;
        for (int i = mark.objects; i < scene.nbobjects; ++i)
            if (scene.m_objects[i] && scene.m_objects[i]->nbface > 0) ++made;
        if (made < geometry_nodes) {
            Trace("%s: the object reader kept %d of %d shapes; read again as a scene graph", m_filename.c_str(), made,
                  geometry_nodes);
            rewind_scene(scene, mark);
            m_pos = 0;
            m_depth = 0;
            m_def_depth = 0;
            m_top_translation = Vec3();
            return read_as_scene_graph(scene, version);
        }
    }
    // The readers stop quietly at the end of the buffer, wherever it falls;
    // a read already ended with a message needs no second one.
    if (!m_abort && (!m_word[0] || more != 1)) check_cut_short(*this);
    progress_done();
    release_all_pages();
    SetStatusText("End Read %s", m_filename.c_str());
    return 1;
}

int Scene::read_as_scene_graph(SCENE3D& scene, int version, vrml::VTree* tree)
{
    if (!tree) m_abort = 0;
    vrml::read_scene_graph(*this, scene, version, tree);
    if (!m_abort) check_cut_short(*this);
    progress_done();
    release_all_pages();
    SetStatusText("End Read %s", m_filename.c_str());
    return 1;
}

namespace {
// The layout test of a file (vrml::object_layout_file) on a thread of its
// own, on a view of the loader's buffer: a position and a token of its
// own. Its messages wait for the answer. When the answer lets the read
// started beside it stand, the thread goes on reading number lists ahead
// of it (`ahead`).
class LayoutLook {
public:
    // unwanted_if_ours: what makes the read started beside it unwanted.
    LayoutLook(const Scene& L, int version, bool unwanted_if_ours, ListsAhead& ahead)
    {
        m_view.m_buf = L.m_buf;
        m_view.m_len = L.m_len;
        m_view.m_filename = L.m_filename;
        m_view.m_folder = L.m_folder;
        // Pages the look has passed go back: the read beside it maps them
        // again as it comes to them, and the file is never held whole.
        m_view.m_mapped_len = L.m_mapped_len;
        m_thread = std::thread([this, version, unwanted_if_ours, &ahead] {
            Reporter* before = set_thread_reporter(&m_held);
            std::vector<vrml::NumberListSpan> lists;
            try {
                m_ours = vrml::object_layout_file(m_view, version, &m_geometry, &lists);
            } catch (...) {
                m_error = std::current_exception();
            }
            set_thread_reporter(before);
            const bool stands = !m_error && m_ours != unwanted_if_ours;
            if (!stands) m_unwanted.store(true);
            {
                std::lock_guard<std::mutex> lock(m_mutex);
                m_answered = true;
            }
            m_answer.notify_all();
            if (!stands) return;
            // The reader is behind: what it has not read yet stays mapped.
            m_view.m_mapped_len = 0;
            try {
                ahead.run(m_view, std::move(lists));
            } catch (const std::bad_alloc&) {
                // The reader reads the rest itself.
            }
        });
    }
    ~LayoutLook()
    {
        if (m_thread.joinable()) m_thread.join();
        m_view.m_buf = nullptr;   // the loader's
        m_view.m_len = 0;
        m_view.m_mapped_len = 0;
    }
    LayoutLook(const LayoutLook&) = delete;
    LayoutLook& operator=(const LayoutLook&) = delete;

    const std::atomic<bool>& unwanted() const { return m_unwanted; }
    // Waits for the thread's end (after ListsAhead::stop, at most one list).
    void join()
    {
        if (m_thread.joinable()) m_thread.join();
    }
    // Waits for the answer and hands the look's messages on.
    bool ours(int& geometry_nodes)
    {
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_answer.wait(lock, [this] { return m_answered; });
        }
        m_held.deliver(reporter());
        if (m_error) std::rethrow_exception(m_error);
        geometry_nodes = m_geometry;
        return m_ours;
    }

private:
    Scene m_view;
    HeldReporter m_held;
    std::atomic<bool> m_unwanted{false};
    std::mutex m_mutex;
    std::condition_variable m_answer;
    bool m_answered = false;
    bool m_ours = false;
    int m_geometry = 0;
    std::exception_ptr m_error;
    std::thread m_thread;
};

// Holds the calling thread's messages for the life of the scope.
class HoldMessages {
public:
    HoldMessages() : m_before(set_thread_reporter(&m_held)) {}
    ~HoldMessages() { release(); }
    HoldMessages(const HoldMessages&) = delete;
    HoldMessages& operator=(const HoldMessages&) = delete;
    // Gives the thread its reporter back; the held messages are shown
    // (keep) or forgotten.
    void release(bool keep = false)
    {
        if (m_released) return;
        m_released = true;
        set_thread_reporter(m_before);
        if (keep) m_held.deliver(reporter());
    }

private:
    HeldReporter m_held;
    Reporter* m_before;
    bool m_released = false;
};
} // namespace

bool Scene::stop_when_unwanted()
{
    for (const Scene* s = this; s; s = s->m_parent)
        if (s->m_unwanted && s->m_unwanted->load(std::memory_order_relaxed)) {
            m_abort = 1;
            m_pos = m_len;
            m_word[0] = 0;
            return true;
        }
    return false;
}

bool Scene::start_while_looking(SCENE3D& scene, int version, vrml::VTree& tree, int& more, int& geometry_nodes)
{
    const bool graph_first = version == 1;
    // Lists are read ahead in the manner of the read started: the node
    // tree's (comments skipped, no line counts) or the VRML 2.0 object
    // reader's.
    ListsAhead ahead(!graph_first, graph_first ? 1 : 0);
    LayoutLook look(*this, version, graph_first, ahead);
    struct Beside {
        Scene& L;
        ListsAhead& ahead;
        ~Beside()
        {
            L.m_unwanted = nullptr;
            L.m_ahead = nullptr;
            ahead.stop();
        }
    } beside{*this, ahead};
    m_unwanted = &look.unwanted();
    m_ahead = &ahead;
    if (graph_first) {
        m_pos = 0;
        vrml::parse_tree(*this, tree, false);
    } else {
        more = read_objects(scene, version);
    }
    m_ahead = nullptr;
    ahead.stop();
    const bool ours = look.ours(geometry_nodes);
    look.join();
    return ours;
}

int Scene::read_while_looking(SCENE3D& scene, int version)
{
    // VRML 2.0 files are most often in the object readers' layout; large
    // VRML 1.0 files from elsewhere most often not, and their node tree is
    // read first. When the look says otherwise the read stops there, and
    // what it made and said is forgotten.
    const bool graph_first = version == 1;
    const SceneMark mark = mark_scene(scene);
    Scene* root = this;
    while (root->m_parent) root = root->m_parent;
    const int32_t overflow_reported = root->m_overflow_reported;
    vrml::VTree tree;
    int more = 0, geometry_nodes = 0;
    HoldMessages hold;
    bool ours;
    try {
        ours = start_while_looking(scene, version, tree, more, geometry_nodes);
    } catch (...) {
        rewind_scene(scene, mark);
        throw;
    }
    const bool stands = ours != graph_first;
    hold.release(stands);
    if (stands)
        return graph_first ? read_as_scene_graph(scene, version, &tree)
                           : finish_objects(scene, version, mark, more, geometry_nodes);
    rewind_scene(scene, mark);
    root->m_overflow_reported = overflow_reported;
    m_pos = 0;
    m_abort = 0;
    m_depth = 0;
    m_def_depth = 0;
    m_comments = 0;
    m_top_translation = Vec3();
    std::strcpy(m_word, "L");
    if (!graph_first) return read_as_scene_graph(scene, version);
    tree = vrml::VTree();
    more = read_objects(scene, version);
    return finish_objects(scene, version, mark, more, geometry_nodes);
}

Scene::SceneMark Scene::mark_scene(const SCENE3D& scene)
{
    return SceneMark{scene.nbobjects, scene.m_lights.size(), scene.m_textures.size(), scene.m_not_read.size(),
                     scene.m_max, scene.m_min, scene.m_center};
}

void Scene::rewind_scene(SCENE3D& scene, const SceneMark& mark)
{
    while (scene.nbobjects > mark.objects) scene.remove_object(scene.nbobjects - 1);
    while (scene.m_lights.size() > mark.lights) {
        delete scene.m_lights.back();
        scene.m_lights.pop_back();
    }
    while (scene.m_textures.size() > mark.textures) {
        delete scene.m_textures.back();
        scene.m_textures.pop_back();
    }
    scene.m_not_read.resize(mark.not_read);
    scene.m_max = mark.max;
    scene.m_min = mark.min;
    scene.m_center = mark.center;
}
