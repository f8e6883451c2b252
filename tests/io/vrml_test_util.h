// Helpers of the reader tests: a loader over a text, and whole-file loads.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "io/scene_loader.h"
#include "scene/scene3d.h"
#include "support/recorder.h"

// A loader whose buffer holds `text` (not zero-terminated).
inline void set_buffer(Scene& L, const std::string& text)
{
    L.release_buffer();
    L.m_buf = new char[text.size() + 1];
    std::memcpy(L.m_buf, text.data(), text.size());
    L.m_len = (int32_t)text.size();
    L.m_pos = 0;
}

// Writes `text` as `name` in the current folder and reads it with
// load_buffer + read_file into `scene`; the result of read_file, or -1 when
// the file could not be read back.
inline int load_text(SCENE3D& scene, const std::string& text, const std::string& name = "t.wrl")
{
    write_whole_file(name, text);
    Scene L;
    if (!L.load_buffer(name.c_str(), scene)) return -1;
    return L.read_file(scene);
}

inline std::vector<int> index_of(const OBJECT3D& o)
{
    return o.m_index ? std::vector<int>(o.m_index, o.m_index + o.nbindex) : std::vector<int>();
}

// The names of the scene's objects, in order.
inline std::vector<std::string> names_of(const SCENE3D& s)
{
    std::vector<std::string> names;
    for (int i = 0; i < s.nbobjects; ++i) names.push_back(s.m_objects[i] ? s.m_objects[i]->m_name : "(null)");
    return names;
}
using Names = std::vector<std::string>;

// A scratch folder as the current one, a recorder and a scene to load into.
struct VrmlLoad : ::testing::Test {
    ScratchDir dir;
    RecordingReporter rec;
    SCENE3D s;
};
