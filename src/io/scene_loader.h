// The loader of one file: reads it whole into one buffer and keeps the
// tokenizer's state for the VRML readers.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "math/vec3.h"

class SCENE3D;
class OBJECT3D;

// Capacities of the temporary arrays shared by the readers. A node list
// longer than its array is refused: the reader shows a message naming the
// list, the limit and the line, and the file ends there.
constexpr int QV_TMP_VERTICES = 300000;      // Vec3 entries (also colours, key values)
constexpr int QV_TMP_TEXVERTICES = 300000;   // (s, t) pairs
constexpr int QV_TMP_INDICES = 100000;       // index entries
constexpr int QV_TMP_VALUES = 10000;         // single floats (shininess, keys)

// The shared temporary arrays (process-wide, allocated on first use).
struct ReaderTemp {
    Vec3* vertices;
    TexVertex* texvertices;
    int32_t* indices;    // one spare entry for a closing -1
    float* values;
};
ReaderTemp& reader_temp();

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
    // Set when a list overflowed: the reading of this file stops.
    int32_t m_abort = 0;
    // Folder of m_filename ("" when none): relative names resolve there.
    std::string m_folder;
    // The loader whose WWWInline opened this one, or null.
    Scene* m_parent = nullptr;
    // Set on the outermost loader once the overflow message was shown.
    int32_t m_overflow_reported = 0;
    // m_buf is a private mapping of the file of this length (else new[]).
    size_t m_mapped_len = 0;

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
    // taken in the folder of the scene file, then resolve_path applies.
    std::string resolve(const std::string& name) const;
    // Frees m_buf, however it was obtained.
    void release_buffer();
    // 1-based line of the file at position pos.
    int line_at(int32_t pos) const;
    // Refuses an over-long list that began at position `at` (message box
    // naming the list, the limit and the line) and ends the file.
    void refuse_list(const char* list, int limit, int32_t at);
};

// Tokenizer
void next_token(Scene& loader);
void next_token2(OBJECT3D& obj, Scene& loader);
void skip_line(Scene& loader);

// Number lists for the readers: numbers (words converted in place in the
// buffer, without copies) until the token "]". Words that are not numbers
// read as 0, and so do brackets other than "]". Result: 1 at "]", 0 at the
// end of the buffer (the list is incomplete), -1 when more than cap values
// came (the list is refused with a message and the file ends). n receives
// the count read. With list null, values beyond cap are dropped instead
// (lists stored "at most cap"). obj is the object whose lines are counted (VRML 2.0
// variant), null for the VRML 1.0 variant.
int read_float_list(Scene& loader, OBJECT3D* obj, float* dst, int cap, int& n, const char* list);
int read_int_list(Scene& loader, OBJECT3D* obj, int32_t* dst, int cap, int& n, const char* list);

// The readers: 1 when another object follows, 0 at the end of the file.
int read_vrml1_object(OBJECT3D& obj, SCENE3D& scene, Scene& loader);
int read_vrml2_object(OBJECT3D& obj, SCENE3D& scene, Scene& loader);
