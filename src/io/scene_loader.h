// The loader of one file: reads it whole into one buffer and keeps the
// tokenizer's state for the VRML readers.
#pragma once
#include <cstdint>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <string>

#include "math/vec3.h"

class SCENE3D;
class OBJECT3D;
class ListsAhead;
namespace vrml {
struct VTree;
}

// First sizes of the temporary arrays shared by the readers. A list longer
// than its array makes the array grow: the only limit is memory. When the
// memory runs out the reader shows a message naming the file and the line,
// and the file ends there with the objects read so far.
constexpr int QV_TMP_VERTICES = 300000;      // Vec3 entries (also colours, key values)
constexpr int QV_TMP_TEXVERTICES = 300000;   // (s, t) pairs
constexpr int QV_TMP_INDICES = 100000;       // index entries
constexpr int QV_TMP_VALUES = 10000;         // single floats (shininess, keys)

// One growable temporary array: raw storage, not value-initialised.
class TempBlock {
public:
    TempBlock(size_t first_bytes) : m_first(first_bytes) {}
    TempBlock(const TempBlock&) = delete;
    TempBlock& operator=(const TempBlock&) = delete;
    ~TempBlock() { std::free(m_data); }

    template <class T>
    T* as() const { return static_cast<T*>(m_data); }
    // Entries of type T that fit now (within the limit of the arrays).
    template <class T>
    size_t capacity() const { return std::min(m_bytes, limit()) / sizeof(T); }
    // Room for at least n entries of type T, the content kept. Grows to
    // twice its size at least, so that filling it entry by entry stays
    // linear. false when the memory runs out (the block is unchanged).
    template <class T>
    bool reserve(size_t n) { return n <= capacity<T>() || grow(n, sizeof(T)); }

    // Largest size any temporary array may take (set_reader_temp_limit).
    static size_t& limit_ref()
    {
        static size_t limit = SIZE_MAX;
        return limit;
    }
    static size_t limit() { return limit_ref(); }

private:
    bool grow(size_t n, size_t size);
    void* m_data = nullptr;
    size_t m_bytes = 0;
    size_t m_first;
};

// The shared temporary arrays (process-wide); their storage may move when
// they grow, so take their address again after every list.
struct ReaderTemp {
    TempBlock vertices{sizeof(Vec3) * QV_TMP_VERTICES};
    TempBlock texvertices{sizeof(TexVertex) * QV_TMP_TEXVERTICES};
    TempBlock indices{sizeof(int32_t) * (QV_TMP_INDICES + 1)};
    TempBlock values{sizeof(float) * QV_TMP_VALUES};
};
ReaderTemp& reader_temp();
// Largest size in bytes any temporary array may grow to (0: no limit but
// the memory); a growth beyond it fails as when the memory runs out.
// Returns the previous limit.
size_t set_reader_temp_limit(size_t bytes);

// Progress of long loads: called with the file name and the percentage of
// its bytes read, once a load has taken `after` (about half a second), then
// at every 5 percent or more, and with 100 at the end of such a load. One
// file at a time (an inlined file or a level reports for itself). Installs
// fn (empty: none) for the calling thread's loads and returns the previous one. The callback may process
// window events; it must not start another load.
using LoadProgressFn = std::function<void(const std::string& file, int percent)>;
LoadProgressFn set_load_progress(LoadProgressFn fn,
                                 std::chrono::milliseconds after = std::chrono::milliseconds(500));

// VRML files from this size on (in bytes) have their layout looked at on a
// second thread while the read starts (when a second thread is allowed,
// set_second_thread). Returns the previous size.
int32_t set_layout_look_aside(int32_t bytes);

// Largest size a compressed scene file may inflate to, in bytes; larger
// ones are refused as decompression bombs. Returns the previous limit.
size_t set_inflate_limit(size_t bytes);

class Scene {
public:
    char* m_buf = nullptr;        // whole file, not zero-terminated
    char* m_scr_buf = nullptr;    // companion script, handed to the scene
    FILE* m_file = nullptr;
    FILE* m_scr_file = nullptr;
    std::string m_filename;
    int32_t m_len = 0;
    int32_t m_scr_len = 0;
    int32_t m_pos = 0;
    char* m_word = nullptr;       // 512 bytes, zero-terminated current token
    int32_t m_comments = 0;
    int32_t m_depth = 0;
    int32_t m_def_depth = 0;
    Vec3 m_top_translation;

    // Position in m_buf of the first character of the last token read.
    int32_t m_tok_start = 0;
    // Set when a list could not be read whole (the memory ran out): the
    // reading of this file stops.
    int32_t m_abort = 0;
    // Set by load_buffer when the file was opened but its content could
    // not be taken (a damaged compressed file): the message was shown.
    int32_t m_read_error = 0;
    // The file was compressed; m_buf holds its inflated content.
    int32_t m_inflated = 0;
    // Load progress: tokens left before the next look at the clock, start
    // of the load and last percentage reported (-1: none yet).
    int32_t m_tick_countdown = 4096;
    int32_t m_last_percent = -1;
    std::chrono::steady_clock::time_point m_load_start;
    // Folder of m_filename ("" when none): relative names resolve there.
    std::string m_folder;
    // The loader whose WWWInline opened this one, or null.
    Scene* m_parent = nullptr;
    // Set on the outermost loader once the overflow message was shown.
    int32_t m_overflow_reported = 0;
    // Set from another thread when the read under way is no longer wanted:
    // the readers then stop as at the end of the file (see stop_if_unwanted).
    // The loaders of inlined files stop with the loader that opened them.
    const std::atomic<bool>* m_unwanted = nullptr;
    // Number lists of this buffer read ahead on another thread, or null.
    ListsAhead* m_ahead = nullptr;
    // m_buf is a private mapping of the file of this length (else new[]).
    size_t m_mapped_len = 0;
    // Mapped pages below this position were given back (see release_read_pages).
    int32_t m_released_to = 0;

    Scene();
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    // 1 when the file was read, 0 when it could not be opened.
    int load_buffer(const char* path, SCENE3D& scene);
    // 1 when a companion script (base name + ".scr") was read and attached.
    int load_script(SCENE3D& scene);
    // 1 after a VRML file was parsed, 0 when refused.
    int read_file(SCENE3D& scene);

    // A file name from the scene file, made openable: relative names are
    // taken in the folder of the scene file, then resolve_path applies;
    // failing that, the file of the same base name beside the scene file,
    // in any letter case (resolve_beside).
    std::string resolve(const std::string& name) const;
    // Frees m_buf, however it was obtained.
    void release_buffer();
    // Gives back the mapped pages of the file well behind the reading
    // position, so that a load does not hold the whole file: they are read
    // from the file again (the same bytes) if a reader goes back.
    void release_read_pages() { release_pages_before(m_pos); }
    void release_pages_before(int32_t pos);
    // Gives back every mapped page of the file (a read is over).
    void release_all_pages();
    // 1-based line of the file at position pos. Counting resumes from the
    // last position asked for, so that messages along a file cost one pass.
    int line_at(int32_t pos) const;
    mutable int32_t m_line_cache_pos = 0;
    mutable int m_line_cache_line = 1;
    mutable const char* m_line_cache_buf = nullptr;
    // A list that began at position `at` could not get the memory it needs:
    // message box naming the list, the file and the line; the file ends.
    void refuse_list(const char* list, int32_t at);
    // Load progress: looks at the clock and reports when it is time to.
    void progress_tick();
    // Reports 100 when this load reported progress before.
    void progress_done();
    // When the read is no longer wanted (m_unwanted here or on a loader
    // above): the position goes to the end, the token is emptied, m_abort
    // is set, and true is returned.
    bool stop_if_unwanted()
    {
        return (m_unwanted || m_parent) && stop_when_unwanted();
    }

private:
    // What a scene held before a read, so that the read can be undone.
    struct SceneMark {
        int32_t objects;
        size_t lights, textures, not_read;
        Vec3 max, min, center;
    };
    static SceneMark mark_scene(const SCENE3D& scene);
    static void rewind_scene(SCENE3D& scene, const SceneMark& mark);
    bool stop_when_unwanted();
    // tree: the file's node tree when it was read already (null: read it).
    int read_as_scene_graph(SCENE3D& scene, int version, vrml::VTree* tree = nullptr);
    // The object readers' loop; returns the last reader's result.
    int read_objects(SCENE3D& scene, int version);
    // After that loop: the check for shapes the readers passed over, the
    // check for a file cut short, the end of the load.
    int finish_objects(SCENE3D& scene, int version, const SceneMark& mark, int more, int geometry_nodes);
    // A large file: its layout is looked at on a second thread while this
    // one starts the read its version most often needs.
    int read_while_looking(SCENE3D& scene, int version);
    // That start, beside the look; returns the look's answer (the file is
    // in the object readers' layout) once the look's thread has ended.
    bool start_while_looking(SCENE3D& scene, int version, vrml::VTree& tree, int& more, int& geometry_nodes);
};

// Tokenizer
void next_token(Scene& loader);
// Line feeds in [b, e), sixteen bytes at a time.
int64_t count_line_feeds(const char* b, const char* e);
void next_token2(OBJECT3D& obj, Scene& loader);
void skip_line(Scene& loader);

// Number lists for the readers: numbers (words converted in place in the
// buffer, without copies) until the token "]". Words that are not numbers
// read as 0, and so do brackets other than "]". Result: 1 at "]", 0 at the
// end of the buffer (the list is incomplete), -1 when the memory ran out
// (message shown, the file ends). n receives the count read. obj is the
// object whose lines are counted (VRML 2.0 variant), null for the VRML 1.0
// variant.
// Lists of any length, into a shared temporary array that grows as needed
// (an int list always leaves room for one more entry, a closing -1):
int read_float_list(Scene& loader, OBJECT3D* obj, TempBlock& dst, int& n, const char* list);
int read_int_list(Scene& loader, OBJECT3D* obj, TempBlock& dst, int& n, const char* list);
// Lists stored "at most cap": values beyond cap are read and dropped.
int read_float_list(Scene& loader, OBJECT3D* obj, float* dst, int cap, int& n);
int read_int_list(Scene& loader, OBJECT3D* obj, int32_t* dst, int cap, int& n);

// The readers: 1 when another object follows, 0 at the end of the file.
int read_vrml1_object(OBJECT3D& obj, SCENE3D& scene, Scene& loader);
int read_vrml2_object(OBJECT3D& obj, SCENE3D& scene, Scene& loader);
