#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <random>
#include <memory>
#include <string>
#include <vector>

#include "io/open.h"
#include "io/readers.h"
#include "scene/compile_prep.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"
#include "support/recorder.h"

namespace {

OBJECT3D* triangle(const char* name = "tri")
{
    auto* o = new OBJECT3D();
    o->m_name = name;
    o->nbpts = 3;
    o->m_vertices = new Vec3[3]{{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    o->nbindex = 4;
    o->m_index = new int32_t[4]{0, 1, 2, -1};
    o->nbface = 1;
    o->nbnormal = 1;
    o->m_normals = new Vec3[1]{{0, 0, 1}};
    o->normalindex = new int32_t[4]{0, 0, 0, -1};
    o->nbmaterial = 1;
    o->T_ambientColor = new Vec3[1]{{0.1f, 0.2f, 0.3f}};
    o->T_diffuseColor = new Vec3[1]{{0.4f, 0.5f, 0.6f}};
    o->T_specularColor = new Vec3[1]{{0.7f, 0.8f, 0.9f}};
    o->T_emissive = new Vec3[1]{{0.01f, 0.02f, 0.03f}};
    o->T_shininess = new float[1]{0.25f};
    o->m_nb_ambient = o->m_nb_diffuse = o->m_nb_specular = o->m_nb_emissive = o->m_nb_shininess = 1;
    return o;
}

int32_t word_at(const std::string& bytes, size_t off)
{
    uint32_t v = 0;
    for (int i = 3; i >= 0; --i) v = (v << 8) | (unsigned char)bytes[off + (size_t)i];
    return (int32_t)v;
}

void put_word(std::string& bytes, size_t off, int32_t value)
{
    uint32_t v = (uint32_t)value;
    for (int i = 0; i < 4; ++i) bytes[off + (size_t)i] = (char)((v >> (8 * i)) & 0xff);
}

// A scene with a marker object, to show that a refused file leaves it alone.
void add_marker(SCENE3D& s)
{
    auto* o = new OBJECT3D();
    o->m_name = "marker";
    s.add_object(o);
}

bool scene_untouched(const SCENE3D& s)
{
    return s.nbobjects == 1 && s.m_objects[0] && s.m_objects[0]->m_name == "marker" && !s.m_objects[1];
}

// Saves the scene and loads the file back into `back`.
void round_trip(const ScratchDir& dir, SCENE3D& s, SCENE3D& back)
{
    ASSERT_EQ(save_binary(dir.file("rt.wrb").c_str(), s), 1);
    ASSERT_EQ(load_binary(dir.file("rt.wrb").c_str(), back), 1);
}

// A sample of two objects: a quad with normals and material, then a
// nameless object without vertices.
std::string sample_bytes(const ScratchDir& dir)
{
    SCENE3D s;
    OBJECT3D* q = triangle("quad");
    delete[] q->m_vertices;
    q->nbpts = 4;
    q->m_vertices = new Vec3[4]{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    delete[] q->m_index;
    delete[] q->normalindex;
    q->nbindex = 9;
    q->m_index = new int32_t[9]{0, 1, 2, -1, 0, 2, 3, 3, -1};
    q->normalindex = new int32_t[9]{0, 0, 0, -1, 0, 0, 0, 0, -1};
    q->nbface = 2;
    s.add_object(q);
    s.add_object(new OBJECT3D());
    std::string path = dir.file("sample.wrb");
    EXPECT_EQ(save_binary(path.c_str(), s), 1);
    return read_whole_file(path);
}

} // namespace

TEST(BinaryFormat, OneTriangleSceneIs220BytesInFileOrder)
{
    ScratchDir dir;
    SCENE3D s;
    s.add_object(triangle());
    ASSERT_EQ(save_binary(dir.file("t.wrb").c_str(), s), 1);
    std::string b = read_whole_file(dir.file("t.wrb"));
    ASSERT_EQ(b.size(), 220u);
    EXPECT_EQ(word_at(b, 0), 1);     // N
    EXPECT_EQ(word_at(b, 4), 3);     // nbpts
    EXPECT_EQ(word_at(b, 8), 1);     // nbface
    EXPECT_EQ(word_at(b, 12), 4);    // nbindex
    EXPECT_EQ(word_at(b, 16), 1);    // nbnormal
    EXPECT_EQ(word_at(b, 20), 1);    // nbmaterial
    EXPECT_EQ(std::string(b.data() + 24), "tri");
    EXPECT_EQ(b.substr(24 + 3, 61), std::string(61, '\0'));
    float x1;
    std::memcpy(&x1, b.data() + 88 + 12, 4);   // second vertex x
    EXPECT_EQ(x1, 1.0f);
    EXPECT_EQ(word_at(b, 124), 0);   // index
    EXPECT_EQ(word_at(b, 136), -1);
    EXPECT_EQ(word_at(b, 164), -1);  // last normal index entry
    float shin;
    std::memcpy(&shin, b.data() + 216, 4);
    EXPECT_EQ(shin, 0.25f);
}

TEST(BinaryFormat, RoundTripKeepsGeometryNormalsAndFirstMaterial)
{
    ScratchDir dir;
    RecordingReporter rec;
    SCENE3D s;
    OBJECT3D* a = triangle("first");
    // Two materials in memory: only the first is stored, the count is kept.
    delete[] a->T_diffuseColor;
    a->T_diffuseColor = new Vec3[2]{{0.4f, 0.5f, 0.6f}, {9, 9, 9}};
    a->m_nb_diffuse = 2;
    a->nbmaterial = 2;
    s.add_object(a);
    s.add_object(new OBJECT3D());   // no vertices: five counts only
    ASSERT_EQ(save_binary(dir.file("r.wrb").c_str(), s), 1);
    EXPECT_EQ(read_whole_file(dir.file("r.wrb")).size(), 220u + 20u);

    SCENE3D back;
    ASSERT_EQ(load_binary(dir.file("r.wrb").c_str(), back), 1);
    EXPECT_TRUE(rec.boxes.empty());
    ASSERT_EQ(back.nbobjects, 2);
    const OBJECT3D& o = *back.m_objects[0];
    EXPECT_EQ(o.m_name, "first");
    ASSERT_EQ(o.nbpts, 3);
    EXPECT_EQ(o.m_vertices[2], Vec3(0, 1, 0));
    ASSERT_EQ(o.nbindex, 4);
    EXPECT_EQ(o.m_index[3], -1);
    EXPECT_EQ(o.nbface, 1);
    ASSERT_EQ(o.nbnormal, 1);
    EXPECT_EQ(o.m_normals[0], Vec3(0, 0, 1));
    EXPECT_EQ(o.normalindex[2], 0);
    EXPECT_EQ(o.normalindex[3], -1);
    EXPECT_EQ(o.nbmaterial, 2);
    EXPECT_EQ(*o.ambient(0), Vec3(0.1f, 0.2f, 0.3f));
    EXPECT_EQ(*o.diffuse(1), Vec3(0.4f, 0.5f, 0.6f));   // never past the single entry
    EXPECT_EQ(*o.emissive(0), Vec3(0.01f, 0.02f, 0.03f));
    EXPECT_EQ(*o.shininess(0), 0.25f);
    EXPECT_EQ(o.m_texture_mode, -1);
    EXPECT_EQ(o.m_o_max_xyz, Vec3(1, 1, 0));   // bounds computed on load

    const OBJECT3D& e = *back.m_objects[1];
    EXPECT_EQ(e.nbpts, 0);
    EXPECT_EQ(e.m_vertices, nullptr);
    EXPECT_EQ(e.nbmaterial, 0);
}

TEST(BinaryFormat, LoadReplacesTheObjectsKeeps63NameCharactersAndComputesBounds)
{
    ScratchDir dir;
    SCENE3D s;
    OBJECT3D* o = triangle(std::string(80, 'n').c_str());
    const float nan = std::numeric_limits<float>::quiet_NaN();
    o->m_vertices[0] = Vec3(nan, -4.f, 2.f);
    o->m_vertices[1] = Vec3(-3.f, nan, 7.f);
    o->m_vertices[2] = Vec3(5.f, 1.f, nan);
    s.add_object(o);
    SCENE3D back;
    add_marker(back);
    add_marker(back);
    ASSERT_NO_FATAL_FAILURE(round_trip(dir, s, back));
    ASSERT_EQ(back.nbobjects, 1);
    EXPECT_EQ(back.m_objects[1], nullptr);
    EXPECT_EQ(back.m_objects[0]->m_name, std::string(63, 'n'));
    // The box compute_bounds gives, NaN coordinates included.
    o->compute_bounds();
    EXPECT_EQ(back.m_objects[0]->m_o_max_xyz, o->m_o_max_xyz);
    EXPECT_EQ(back.m_objects[0]->m_o_min_xyz, o->m_o_min_xyz);
    EXPECT_EQ(back.m_objects[0]->m_o_max_xyz, Vec3(5, 1, 7));
}

TEST(BinaryFormat, NormalsWithoutTheirIndexAreLeftOutSoTheFileReadsBack)
{
    ScratchDir dir;
    RecordingReporter rec;
    SCENE3D s;
    OBJECT3D* o = triangle();
    delete[] o->normalindex;
    o->normalindex = nullptr;   // a Normal node without normalIndex
    o->nbnormal = 3;
    delete[] o->m_normals;
    o->m_normals = new Vec3[3];
    s.add_object(o);
    // The same with a normal index that names a normal that does not exist.
    OBJECT3D* p = triangle();
    p->normalindex[1] = 5;
    s.add_object(p);
    SCENE3D back;
    ASSERT_NO_FATAL_FAILURE(round_trip(dir, s, back));
    EXPECT_TRUE(rec.boxes.empty());
    for (int i = 0; i < 2; ++i) {
        EXPECT_EQ(back.m_objects[i]->nbnormal, 0);
        EXPECT_EQ(back.m_objects[i]->m_normals, nullptr);
        EXPECT_EQ(back.m_objects[i]->normalindex, nullptr);
        EXPECT_EQ(back.m_objects[i]->nbindex, 4);
    }
}

TEST(BinaryFormat, IndexTheReaderWouldRefuseIsSavedWithoutTheUndrawableCorners)
{
    ScratchDir dir;
    RecordingReporter rec;
    SCENE3D s;
    // A corner naming vertex 7 of 3, and a last face without its -1; the
    // normal index goes with the corners.
    OBJECT3D* o = triangle();
    delete[] o->m_index;
    delete[] o->normalindex;
    o->nbindex = 8;
    o->m_index = new int32_t[8]{0, 7, 1, 2, -1, 2, 1, 0};
    o->nbnormal = 2;
    delete[] o->m_normals;
    o->m_normals = new Vec3[2]{{0, 0, 1}, {0, 0, -1}};
    o->normalindex = new int32_t[8]{0, 1, 0, 0, -1, 1, 1, 1};
    s.add_object(o);
    // Faces but no vertices at all (an index before any coordinates).
    auto* bare = new OBJECT3D();
    bare->nbindex = 5;
    bare->m_index = new int32_t[5]{0, 1, 2, 3, -1};
    bare->nbface = 1;
    s.add_object(bare);

    SCENE3D back;
    round_trip(dir, s, back);
    EXPECT_TRUE(rec.boxes.empty());
    ASSERT_EQ(back.nbobjects, 2);
    const OBJECT3D& a = *back.m_objects[0];
    ASSERT_EQ(a.nbindex, 8);
    EXPECT_EQ(std::vector<int32_t>(a.m_index, a.m_index + 8), (std::vector<int32_t>{0, 1, 2, -1, 2, 1, 0, -1}));
    EXPECT_EQ(a.nbface, 2);
    ASSERT_EQ(a.nbnormal, 2);
    EXPECT_EQ(std::vector<int32_t>(a.normalindex, a.normalindex + 8),
              (std::vector<int32_t>{0, 0, 0, -1, 1, 1, 1, -1}));
    const OBJECT3D& b = *back.m_objects[1];
    EXPECT_EQ(b.nbpts, 0);
    EXPECT_EQ(b.nbindex, 0);
    EXPECT_EQ(b.nbface, 0);
}

TEST(BinaryFormat, MissingFileFailsSilentlyUnwritablePathSaysWhy)
{
    ScratchDir dir;
    RecordingReporter rec;
    SCENE3D s;
    add_marker(s);
    EXPECT_EQ(load_binary(dir.file("absent.wrb").c_str(), s), 0);
    EXPECT_EQ(load_binary(dir.path().c_str(), s), 0);   // a folder
    rec.boxes.clear();
    EXPECT_EQ(save_binary(dir.file("no/such/dir.wrb").c_str(), s), 0);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "Cannot write " + dir.file("no/such/dir.wrb") + "\nthe folder " +
                                     dir.file("no/such") + " does not exist.");
    EXPECT_TRUE(scene_untouched(s));
}

TEST(BinaryFormat, BytesAfterTheAnnouncedObjectsAreIgnored)
{
    ScratchDir dir;
    std::string bytes = sample_bytes(dir);   // two objects
    put_word(bytes, 0, 1);
    for (const std::string& extra : {std::string(), std::string("\0\0\0", 3)}) {
        write_whole_file(dir.file("more.wrb"), bytes + extra);
        RecordingReporter rec;
        SCENE3D s;
        ASSERT_EQ(load_binary(dir.file("more.wrb").c_str(), s), 1);
        EXPECT_TRUE(rec.boxes.empty());
        ASSERT_EQ(s.nbobjects, 1);
        EXPECT_EQ(s.m_objects[0]->nbpts, 4);
    }
}

TEST(BinaryFormat, DamagedFilesAreRefusedWithTheReason)
{
    ScratchDir dir;
    std::string good = sample_bytes(dir);
    ASSERT_EQ(good.size(), 4u + 20 + 64 + 48 + 36 + 12 + 36 + 52 + 20);
    struct Case {
        const char* what;
        size_t offset;
        int32_t value;
        const char* reason;
    };
    const size_t rec0 = 4;
    const size_t index0 = rec0 + 20 + 64 + 48;
    const size_t nindex0 = index0 + 36 + 12;
    const Case cases[] = {
        {"negative N", 0, -1, "negative object count -1"},
        {"N beyond capacity", 0, 20001, "more than the 20000 a scene holds"},
        {"N beyond file", 0, 1000, "1000 objects announced"},
        {"negative nbpts", rec0, -3, "negative vertex count -3"},
        {"huge nbpts", rec0, 0x7fffffff, "need"},
        {"negative nbindex", rec0 + 8, -9, "negative index count -9"},
        {"huge nbnormal", rec0 + 12, 100000000, "need"},
        {"negative nbmaterial", rec0 + 16, -1, "negative material count -1"},
        // Costs no bytes in the file, but the dump writes five lines per material.
        {"huge nbmaterial", rec0 + 16, 0x3f800000, "material count 1065353216 is more than the 300000"},
        {"face count", rec0 + 4, 3, "face count 3 but the index holds 2 faces"},
        {"vertex out of range", index0 + 8, 4, "index entry 2 names vertex 4 but the object has 4 vertices"},
        {"index below -1", index0, -2, "index entry 0 names vertex -2"},
        {"unterminated index", index0 + 32, 1, "does not end with -1"},
        {"normal out of range", nindex0 + 4, 1, "normal index entry 1 names normal 1 but the object has 1 normals"},
        {"normal index misaligned", nindex0 + 12, 0, "normal index entry 3 is 0 where the face index closes"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        std::string bad = good;
        put_word(bad, c.offset, c.value);
        write_whole_file(dir.file("bad.wrb"), bad);
        RecordingReporter rec;
        SCENE3D s;
        add_marker(s);
        EXPECT_EQ(load_binary(dir.file("bad.wrb").c_str(), s), 0);
        ASSERT_EQ(rec.boxes.size(), 1u);
        EXPECT_EQ(rec.boxes[0].text.rfind("Invalid binary scene file: ", 0), 0u) << rec.boxes[0].text;
        EXPECT_NE(rec.boxes[0].text.find(c.reason), std::string::npos) << rec.boxes[0].text;
        EXPECT_TRUE(scene_untouched(s));
    }
    // Unterminated name.
    std::string bad = good;
    for (int i = 0; i < 64; ++i) bad[rec0 + 20 + (size_t)i] = 'x';
    write_whole_file(dir.file("bad.wrb"), bad);
    RecordingReporter rec;
    SCENE3D s;
    EXPECT_EQ(load_binary(dir.file("bad.wrb").c_str(), s), 0);
    EXPECT_TRUE(rec.has_box_containing("name is not terminated"));
    EXPECT_EQ(s.nbobjects, 0);
}

TEST(BinaryFormat, EveryTruncationIsRefusedAndLeavesTheSceneAlone)
{
    ScratchDir dir;
    std::string good = sample_bytes(dir);
    for (size_t len = 0; len < good.size(); ++len) {
        SCOPED_TRACE(len);
        write_whole_file(dir.file("cut.wrb"), good.substr(0, len));
        RecordingReporter rec;
        SCENE3D s;
        add_marker(s);
        EXPECT_EQ(load_binary(dir.file("cut.wrb").c_str(), s), 0);
        EXPECT_TRUE(rec.has_box_containing("Invalid binary scene file: "));
        EXPECT_TRUE(scene_untouched(s));
    }
}

namespace {
// Loads bytes; when accepted, every object must be self-consistent.
void load_and_check(const ScratchDir& dir, const std::string& bytes)
{
    write_whole_file(dir.file("m.wrb"), bytes);
    RecordingReporter rec;
    SCENE3D s;
    add_marker(s);
    int ok = load_binary(dir.file("m.wrb").c_str(), s);
    if (!ok) {
        ASSERT_EQ(rec.boxes.size(), 1u);
        ASSERT_TRUE(scene_untouched(s));
        return;
    }
    ASSERT_TRUE(rec.boxes.empty());
    for (int i = 0; i < s.nbobjects; ++i) {
        const OBJECT3D& o = *s.m_objects[i];
        int faces = 0;
        for (int k = 0; k < o.nbindex; ++k) {
            int v = o.m_index[k];
            if (v == -1) {
                ++faces;
                continue;
            }
            ASSERT_TRUE(o.valid_vertex(v));
            if (o.normalindex) {
                ASSERT_LT(o.normalindex[k], o.nbnormal);
            }
        }
        ASSERT_EQ(faces, o.nbface);
    }
}
} // namespace

TEST(BinaryFormat, RandomMutationsAndCountsNeverBreakTheReader)
{
    ScratchDir dir;
    std::string good = sample_bytes(dir);
    std::mt19937 rng(20261208);
    // Byte mutations anywhere.
    for (int round = 0; round < 400; ++round) {
        std::string b = good;
        int n = 1 + (int)(rng() % 4);
        for (int i = 0; i < n; ++i) b[rng() % b.size()] = (char)(rng() & 0xff);
        load_and_check(dir, b);
    }
    // Random values in the count fields (N and both objects' five counts).
    const size_t rec1 = good.size() - 20;
    const size_t count_offsets[] = {0, 4, 8, 12, 16, 20, rec1, rec1 + 4, rec1 + 8, rec1 + 12, rec1 + 16};
    for (int round = 0; round < 400; ++round) {
        std::string b = good;
        size_t off = count_offsets[rng() % std::size(count_offsets)];
        int32_t v;
        switch (rng() % 4) {
        case 0: v = (int32_t)rng(); break;                   // anything
        case 1: v = (int32_t)(rng() % 64) - 8; break;        // small, maybe negative
        case 2: v = INT32_MAX - (int32_t)(rng() % 4); break; // overflow bait
        default: v = INT32_MIN + (int32_t)(rng() % 4); break;
        }
        put_word(b, off, v);
        load_and_check(dir, b);
    }
}


TEST(BinaryFormat, ConvertedSceneHoldsTheCompiledOrderAndNormals)
{
    // What the command-line conversion writes: the scene as the document
    // open leaves it once the display lists are prepared.
    ScratchDir dir;
    write_whole_file(dir.file("s.wrl"),
                     "#VRML V2.0 utf8\n"
                     "DEF Glass Transform { children [ Shape {\n"
                     "  appearance Appearance { material Material { diffuseColor 0 0 1 transparency 0.5 } }\n"
                     "  geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
                     "    coordIndex [ 0 1 2 -1 ] } } ] }\n"
                     "DEF Wall Transform { children [ Shape {\n"
                     "  appearance Appearance { material Material { diffuseColor 1 0 0 } }\n"
                     "  geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 2 0 0, 2 2 0, 0 2 0 ] }\n"
                     "    coordIndex [ 0 1 2 3 -1 0 2 1 -1 ] } } ] }\n");
    RecordingReporter rec;
    std::unique_ptr<SCENE3D> scene;
    ASSERT_TRUE(open_document(dir.file("s.wrl"), scene, [](SCENE3D& s) { return prepare_scene_for_compile(s); }));
    ASSERT_EQ(save_binary(dir.file("s.wrb").c_str(), *scene), 1);
    SCENE3D back;
    ASSERT_EQ(load_binary(dir.file("s.wrb").c_str(), back), 1);
    ASSERT_EQ(back.nbobjects, scene->nbobjects);
    int wall = -1, glass = -1;
    for (int i = 0; i < back.nbobjects; ++i) {
        if (back.m_objects[i]->m_name == "Wall") wall = i;
        if (back.m_objects[i]->m_name == "Glass") glass = i;
    }
    ASSERT_GE(wall, 0);
    EXPECT_EQ(glass, back.nbobjects - 1);   // the transparent object is drawn last
    const OBJECT3D& w = *back.m_objects[wall];
    EXPECT_EQ(w.nbface, 2);
    ASSERT_EQ(w.nbnormal, 2);   // one face normal per face, built as compiling does
    EXPECT_EQ(w.m_normals[0], Vec3(0, 0, 1));
    EXPECT_EQ(w.m_normals[1], Vec3(0, 0, -1));
    EXPECT_EQ(std::vector<int32_t>(w.normalindex, w.normalindex + 9),
              (std::vector<int32_t>{0, 0, 0, 0, -1, 1, 1, 1, -1}));
    EXPECT_EQ(*w.diffuse(0), Vec3(1, 0, 0));
    // Saving the loaded scene again gives the same bytes.
    ASSERT_EQ(save_binary(dir.file("again.wrb").c_str(), back), 1);
    EXPECT_EQ(read_whole_file(dir.file("again.wrb")), read_whole_file(dir.file("s.wrb")));
}

TEST(BinaryFormat, SampleConvertedFromTheHouseSceneReopens)
{
    RecordingReporter rec;
    SCENE3D s;
    ASSERT_EQ(load_binary(source_path("samples/house.wrb").c_str(), s), 1);
    EXPECT_TRUE(rec.boxes.empty());
    ASSERT_EQ(s.nbobjects, 6);
    const char* names[] = {"Ground", "House", "Roof", "Door"};
    for (int i = 0; i < 4; ++i) {
        SCOPED_TRACE(names[i]);
        const OBJECT3D& o = *s.m_objects[i];
        EXPECT_EQ(o.m_name, names[i]);
        EXPECT_EQ(o.nbnormal, o.nbface);   // face normals of the compiled objects
        EXPECT_EQ(o.nbmaterial, 1);
    }
    EXPECT_EQ(s.m_objects[1]->nbpts, 10);
    EXPECT_EQ(s.m_objects[1]->nbface, 6);
    EXPECT_EQ(s.m_objects[5]->nbpts, 0);
}
