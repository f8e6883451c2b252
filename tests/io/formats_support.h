// Helpers for the tests of the non-VRML readers: a loader over given bytes,
// a consistency check of what a reader built, and the truncation and
// mutation sweeps every reader must survive.
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <functional>
#include <memory>
#include <random>
#include <string>

#include "io/scene_loader.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"
#include "support/invariants.h"
#include "support/recorder.h"

namespace fmt_test {

// A loader whose buffer holds `bytes`, as load_buffer leaves it.
inline std::unique_ptr<Scene> loader_for(const std::string& bytes, const std::string& filename = "test")
{
    auto L = std::make_unique<Scene>();
    L->m_buf = new char[bytes.size() + 1];
    if (!bytes.empty()) std::memcpy(L->m_buf, bytes.data(), bytes.size());
    L->m_len = (int32_t)bytes.size();
    L->m_filename = filename;
    size_t slash = filename.find_last_of('/');
    L->m_folder = slash == std::string::npos ? std::string() : filename.substr(0, slash);
    return L;
}

// Every array agrees with its count and every index names something real.
inline void expect_consistent(const OBJECT3D& o)
{
    ASSERT_EQ(check_object(o), "");
    ASSERT_GE(o.nbpts, 0);
    ASSERT_GE(o.nbindex, 0);
    ASSERT_EQ(o.nbpts > 0, o.m_vertices != nullptr);
    ASSERT_EQ(o.nbindex > 0, o.m_index != nullptr);
    int faces = 0;
    for (int k = 0; k < o.nbindex; ++k) {
        int v = o.m_index[k];
        if (v == -1) {
            ++faces;
            continue;
        }
        ASSERT_TRUE(o.valid_vertex(v)) << "entry " << k << " = " << v;
        if (o.normalindex) {
            ASSERT_GE(o.normalindex[k], 0);
            ASSERT_LT(o.normalindex[k], o.nbnormal);
        }
        // A texture number beyond the coordinates is allowed (an X mesh with
        // fewer coordinates than vertices): the corner is checked where drawn.
        if (o.texindex) {
            ASSERT_GE(o.texindex[k], 0);
        }
    }
    if (o.nbindex > 0) {
        ASSERT_EQ(o.m_index[o.nbindex - 1], -1);
    }
    ASSERT_EQ(faces, o.nbface);
    if (o.m_materialindex) {
        for (int f = 0; f < o.nbface; ++f)
            ASSERT_TRUE(o.m_materialindex[f] >= 0 && o.m_materialindex[f] < o.nbmaterial);
    }
}

using ReaderFn = std::function<int(Scene&, SCENE3D&)>;

// Runs the reader over bytes on a scene holding one marker object. A
// refusal must say so in a message box and leave the marker alone; an
// acceptance must leave consistent objects.
inline void run_checked(const ReaderFn& reader, const std::string& bytes)
{
    RecordingReporter rec;
    SCENE3D scene;
    auto* marker = new OBJECT3D();
    marker->m_name = "marker";
    scene.add_object(marker);
    auto L = loader_for(bytes);
    int ok = reader(*L, scene);
    if (!ok) {
        ASSERT_EQ(scene.nbobjects, 1);
        ASSERT_EQ(scene.m_objects[0], marker);
        return;
    }
    ASSERT_EQ(check_scene(scene), "");
    for (int i = 0; i < scene.nbobjects; ++i) {
        ASSERT_NE(scene.m_objects[i], nullptr);
        ASSERT_NO_FATAL_FAILURE(expect_consistent(*scene.m_objects[i]));
    }
}

// Runs the reader over `text` on a scene holding one marker object and
// expects a refusal: one message box starting with `prefix` and holding
// `reason`, and the marker left alone with no display lists marked built.
inline void expect_refused(const ReaderFn& reader, const std::string& text, const std::string& filename,
                           const char* prefix, const char* reason)
{
    SCOPED_TRACE(text.substr(0, 60));
    RecordingReporter rec;
    SCENE3D scene;
    auto* marker = new OBJECT3D();
    scene.add_object(marker);
    auto L = loader_for(text, filename);
    EXPECT_EQ(reader(*L, scene), 0);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text.rfind(prefix, 0), 0u) << rec.boxes[0].text;
    EXPECT_NE(rec.boxes[0].text.find(reason), std::string::npos) << rec.boxes[0].text;
    EXPECT_EQ(scene.nbobjects, 1);
    EXPECT_EQ(scene.m_objects[0], marker);
    EXPECT_EQ(scene.m_lists_built, 0);
}

// Every prefix of the sample, then seeded random mutations of it: bytes
// replaced by random ones, by digits, signs and separators, and spans cut out or repeated.
inline void sweep(const ReaderFn& reader, const std::string& sample, unsigned seed, int rounds)
{
    for (size_t len = 0; len <= sample.size(); ++len) {
        SCOPED_TRACE("prefix " + std::to_string(len));
        ASSERT_NO_FATAL_FAILURE(run_checked(reader, sample.substr(0, len)));
    }
    std::mt19937 rng(seed);
    static const char kPick[] = "0123456789-+.e ;,{}\"\n9";
    for (int r = 0; r < rounds; ++r) {
        std::string b = sample;
        int edits = 1 + (int)(rng() % 4);
        for (int e = 0; e < edits && !b.empty(); ++e) {
            size_t at = rng() % b.size();
            switch (rng() % 4) {
            case 0: b[at] = (char)(rng() & 0xff); break;
            case 1: b[at] = kPick[rng() % (sizeof kPick - 1)]; break;
            case 2: b.erase(at, 1 + rng() % 16); break;
            default: b.insert(at, b.substr(at, 1 + rng() % 16)); break;
            }
        }
        SCOPED_TRACE("mutation round " + std::to_string(r));
        ASSERT_NO_FATAL_FAILURE(run_checked(reader, b));
    }
}

} // namespace fmt_test
