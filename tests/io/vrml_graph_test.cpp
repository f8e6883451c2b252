// Files laid out as exporters write them: every shape is read, placed by
// the transforms that enclose it, in its own colours, and what is passed
// over is reported with its line.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "io/readers.h"
#include "scene/compile_prep.h"
#include "scene/scene3d.h"
#include "scene/view_fit.h"
#include "support/invariants.h"
#include "support/recorder.h"
#include "formats_support.h"
#include "vrml_test_util.h"

namespace {
const std::string k_v2 = "#VRML V2.0 utf8\n";
const std::string k_v1 = "#VRML V1.0 ascii\n";

long long triangles(const SCENE3D& s)
{
    long long t = 0;
    for (int i = 0; i < s.nbobjects; ++i)
        if (s.m_objects[i] && !s.m_objects[i]->m_wireframe) t += s.m_objects[i]->nbindex - 3LL * s.m_objects[i]->nbface;
    return t;
}

Vec3 box_min(const SCENE3D& s)
{
    Vec3 mn, mx;
    scene_world_box(s, mn, mx);
    return mn;
}
Vec3 box_max(const SCENE3D& s)
{
    Vec3 mn, mx;
    scene_world_box(s, mn, mx);
    return mx;
}

void expect_near(const Vec3& a, const Vec3& b)
{
    EXPECT_NEAR(a.x, b.x, 1e-3);
    EXPECT_NEAR(a.y, b.y, 1e-3);
    EXPECT_NEAR(a.z, b.z, 1e-3);
}

const std::string k_square = "geometry IndexedFaceSet { coord Coordinate { point [ -1 -1 0, 1 -1 0, 1 1 0, -1 1 0 ] }"
                             " coordIndex [ 0 1 2 3 -1 ] }";
} // namespace

using VrmlGraph = VrmlLoad;

// The small scenes of the real-world folder: triangle count, world box and
// first diffuse colour of the first object with faces.
TEST_F(VrmlGraph, RealWorldLayouts)
{
    std::string dir = source_path("../shared/repro/real-world/");
    if (read_whole_file(dir + "README.md").empty()) GTEST_SKIP() << "NOT RUN: ../shared/repro/real-world is absent";
    const struct {
        const char* file;
        long long tris;
        Vec3 min, max, colour;
    } cases[] = {
        {"01a_four_anonymous_shapes.wrl", 4, {0, 0, 0}, {1, 1, 3}, {0.8f, 0.8f, 0.8f}},
        {"01b_two_anonymous_then_def.wrl", 4, {}, {}, {}},
        {"01c_vrml1_three_separators.wrl", 3, {}, {}, {}},
        {"02a_sibling_transform_overwrites.wrl", 2, {-1, 2, 0}, {1, 4, 0}, {0, 0, 1}},
        {"02b_sibling_material_overwrites.wrl", 2, {-1, -1, 0}, {1, 1, 0}, {0, 0, 1}},
        {"03b_material_USE.wrl", 4, {}, {}, {}},
        {"04a_parent_rotation_dropped.wrl", 2, {-1, 3, 0}, {1, 5, 0}, {1, 0, 0}},
        {"04c_parent_translation_dropped.wrl", 2, {}, {}, {}},
        {"05a_vrml1_DEF_coordinate3.wrl", 2, {}, {}, {}},
        {"05b_vrml1_material_anonymous_separator.wrl", 2, {}, {}, {1, 0, 0}},
        {"07_coord_USE.wrl", 2, {}, {}, {}},
        {"10_x_two_meshes.x", 3, {-3, 0, 0}, {1, 1, 0}, {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.file);
        SCENE3D s;
        std::string path = dir + c.file;
        std::string text = read_whole_file(path);
        int ok = std::string(c.file).find(".x") != std::string::npos
                     ? read_x_file(*fmt_test::loader_for(text, path), s)
                     : load_text(s, text, "t.wrl");
        ASSERT_EQ(ok, 1);
        EXPECT_EQ(triangles(s), c.tris);
        EXPECT_EQ(check_scene(s), "");
        if (!(c.min == Vec3()) || !(c.max == Vec3())) {
            expect_near(box_min(s), c.min);
            expect_near(box_max(s), c.max);
        }
        if (!(c.colour == Vec3()))
            for (int i = 0; i < s.nbobjects; ++i)
                if (s.m_objects[i]->nbface > 0) {
                    ASSERT_NE(s.m_objects[i]->diffuse(0), nullptr);
                    expect_near(*s.m_objects[i]->diffuse(0), c.colour);
                    break;
                }
        EXPECT_TRUE(rec.boxes.empty());
    }
}

// Constructs beyond face lists: object count, triangles and world box.
TEST_F(VrmlGraph, GroupsPrimitivesAndProtos)
{
    const struct {
        const char* what;
        std::string text;
        int objects;
        long long tris;
        Vec3 min, max;
    } cases[] = {
        {"box, scaled and turned", k_v2 + "Transform { rotation 0 1 0 1.5707963 scale 1 2 3 children Shape { geometry Box { size 2 2 2 } } }",
         1, 12, {-3, -2, -1}, {3, 2, 1}},
        {"transform centre and translation compose",
         k_v2 + "Transform { translation 10 0 0 children Transform { center 1 0 0 rotation 0 0 1 3.14159265 children Shape { " +
             k_square + " } } }",
         1, 2, {11, -1, 0}, {13, 1, 0}},
        {"switch: the chosen child only; LOD: the first level",
         k_v2 + "Switch { whichChoice 1 choice [ Shape { geometry Box { } } Shape { " + k_square + " } ] }\n"
                "LOD { level [ Shape { " + k_square + " } Shape { geometry Box { } } ] }\n"
                "Switch { choice Shape { geometry Box { } } }",
         2, 4, {-1, -1, 0}, {1, 1, 0}},
        {"shape USE'd under two transforms",
         k_v2 + "Transform { translation -5 0 0 children DEF S Shape { " + k_square + " } }\n"
                "Transform { translation 5 0 0 children USE S }",
         2, 4, {-6, -1, 0}, {6, 1, 0}},
        {"PROTO instance expanded with its fields",
         k_v2 + "PROTO Tile [ field SFVec3f at 0 0 0 ] { Transform { translation IS at children Shape { " + k_square +
             " } } }\nTile { at 0 5 0 }\nTile { }\n"
             "EXTERNPROTO Far [ field SFFloat x ] \"far.wrl#Far\"\nFar { x 1 }\nROUTE A.b TO C.d",
         2, 4, {-1, -1, 0}, {1, 6, 0}},
        {"elevation grid and extrusion",
         k_v2 + "Shape { geometry ElevationGrid { xDimension 3 zDimension 2 xSpacing 2 zSpacing 1 height [ 0 1 0 0 2 0 ] } }\n"
                "Shape { geometry Extrusion { spine [ 0 0 0, 0 4 0 ] } }",
         2, 4 + 8 + 4, {-1, 0, -1}, {4, 4, 1}},
        {"primitives of both versions",
         k_v1 + "Separator { Cube { width 4 } Sphere { } Cone { } Cylinder { parts SIDES } }",
         4, 12 + 390 + 20 + 18 + 40, {-2, -1, -1}, {2, 1, 1}},
        {"a cylinder of radius 0 keeps its side", k_v2 + "Shape { geometry Cylinder { radius 0 height 4 } }", 1,
         40 + 18 + 18, {0, -2, 0}, {0, 2, 0}},
        {"VRML 1.0 Switch that inherits the enclosing choice",
         k_v1 + "Switch { whichChild 1 Cube { } Switch { whichChild -2 Cube { width 4 } Cube { } } }", 1, 12,
         {-1, -1, -1}, {1, 1, 1}},
        {"faces of fewer than three corners are left out",
         k_v2 + "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0 ] }"
                " coordIndex [ 0 1 -1 0 1 2 -1 2 -1 ] } }",
         1, 1, {0, 0, 0}, {1, 1, 0}},
        {"VRML 1.0 state: transforms accumulate, Separators restore",
         k_v1 + "Separator { Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] } Translation { translation 1 0 0 }\n"
                " Separator { Scale { scaleFactor 2 2 2 } IndexedFaceSet { coordIndex [ 0 1 2 ] } }\n"
                " Translation { translation 1 0 0 } IndexedFaceSet { coordIndex [ 0 1 2 ] } }",
         2, 2, {1, 0, 0}, {3, 2, 0}},
        {"VRML 1.0 nodes USE'd after their Separator was read keep their numbers",
         k_v1 + "Separator {\n"
                " DEF S Separator { DEF C Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
                "  IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] } }\n"
                " Separator { Translation { translation 5 0 0 } USE S }\n"
                " Separator { Translation { translation 0 5 0 } USE C IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] } }\n"
                " DEF D Separator { Coordinate3 { point [ 0 0 -1, 1 0 -1, 0 1 -1 ] } IndexedFaceSet { coordIndex [ 0, 1, 2 ] } }\n"
                " Separator { Translation { translation 0 0 -1 } USE D } }",
         5, 5, {0, 0, -2}, {6, 6, 0}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.what);
        SCENE3D s;
        ASSERT_EQ(load_text(s, c.text), 1);
        int with_faces = 0;
        for (int i = 0; i < s.nbobjects; ++i) with_faces += s.m_objects[i]->nbface > 0;
        EXPECT_EQ(with_faces, c.objects);
        EXPECT_EQ(triangles(s), c.tris);
        expect_near(box_min(s), c.min);
        expect_near(box_max(s), c.max);
        EXPECT_EQ(check_scene(s), "");
        prepare_scene_for_compile(s);
        EXPECT_EQ(check_scene(s), "");
    }
}

TEST_F(VrmlGraph, ColoursBindingsAndNormals)
{
    // Per-face colours become per-face materials; per-vertex ones the mean
    // of each face.
    std::string text = k_v2 + "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }"
                              " coordIndex [ 0 1 2 -1 0 2 3 -1 ] colorPerVertex FALSE"
                              " color Color { color [ 1 0 0, 0 0 1 ] } colorIndex [ 1 0 ] } }\n"
                              "Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0 ] }"
                              " coordIndex [ 0 1 2 ] color Color { color [ 1 0 0, 0 1 0, 0 0 1 ] } } }\n";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_EQ(s.nbobjects, 2);
    const OBJECT3D& a = *s.m_objects[0];
    ASSERT_NE(a.m_materialindex, nullptr);
    EXPECT_EQ(*a.diffuse(a.m_materialindex[0]), Vec3(0, 0, 1));
    EXPECT_EQ(*a.diffuse(a.m_materialindex[1]), Vec3(1, 0, 0));
    expect_near(*s.m_objects[1]->diffuse(0), Vec3(1 / 3.f, 1 / 3.f, 1 / 3.f));

    // VRML 1.0: materials and normals bound per face.
    SCENE3D s1;
    text = k_v1 + "Separator { Material { diffuseColor [ 1 0 0, 0 1 0 ] } MaterialBinding { value PER_FACE }\n"
                  " NormalBinding { value PER_FACE } Normal { vector [ 0 0 1, 0 1 0 ] }\n"
                  " Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0 ] }\n"
                  " IndexedFaceSet { coordIndex [ 0 1 2 -1 0 2 3 -1 ] } }";
    ASSERT_EQ(load_text(s1, text), 1);
    const OBJECT3D& b = *s1.m_objects[0];
    ASSERT_NE(b.normalindex, nullptr);
    EXPECT_EQ(std::vector<int>(b.normalindex, b.normalindex + b.nbindex), (std::vector<int>{0, 0, 0, -1, 1, 1, 1, -1}));
    EXPECT_EQ(*b.diffuse(b.m_materialindex[1]), Vec3(0, 1, 0));

    // A light leaves out its fields: VRML defaults.
    SCENE3D s2;
    ASSERT_EQ(load_text(s2, k_v2 + "DEF L PointLight { location 0 0 5 }\nShape { " + k_square + " }"), 1);
    ASSERT_EQ(s2.m_lights.size(), 1u);
    EXPECT_EQ(s2.m_lights[0]->intensity, 1.f);
    EXPECT_EQ(s2.m_lights[0]->color, Vec3(1, 1, 1));
}

// The list-less shapes of VRML 1.0 files written by Inventor-based tools:
// faces taken from the coordinates in force, strips turned alike.
TEST_F(VrmlGraph, StripsQuadMeshesAndFaceSetsOfVrml1)
{
    // Winding of every face about +z (all faces here lie in z = const).
    auto turns = [](const OBJECT3D& o) {
        std::vector<int> r;
        std::vector<int> idx = index_of(o);
        for (size_t k = 0; k + 2 < idx.size(); ++k) {
            if (k > 0 && idx[k - 1] != -1) continue;
            const Vec3 &a = o.m_vertices[idx[k]], &b = o.m_vertices[idx[k + 1]], &c = o.m_vertices[idx[k + 2]];
            float z = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
            r.push_back(z > 0 ? 1 : z < 0 ? -1 : 0);
        }
        return r;
    };
    const std::string strip6 = " Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0, 1 1 0, 0 2 0, 1 2 0, 5 5 5 ] }\n";
    std::string text = k_v1 + "Separator {" + strip6 + " TriangleStripSet { numVertices [ 6 ] } }\n"
                       "Separator {" + strip6 + " IndexedTriangleStripSet { coordIndex [ 0 1 2 3 -1 2 3 4 5 ] } }\n"
                       "Separator {" + strip6 + " QuadMesh { verticesPerRow 2 verticesPerColumn 3 } }\n"
                       "Separator { Coordinate3 { point [ 9 9 9, 0 0 0, 1 0 0, 1 1 0, 0 1 0, 0 0 1, 1 0 1, 1 1 1 ] }\n"
                       " FaceSet { startIndex 1 numVertices [ 4 -1 ] } }\n"
                       "Separator {" + strip6 + " TriangleStripSet { numVertices [ 4 9 ] } }\n"
                       "LevelOfDetail { screenArea [ 100 ] Cube { } Sphere { } }\n";
    ASSERT_EQ(load_text(s, text), 1);
    EXPECT_TRUE(s.m_not_read.empty()) << s.m_not_read[0];
    ASSERT_EQ(s.nbobjects, 6);
    // Four triangles of one strip, every other one turned back: all face +z.
    EXPECT_EQ(index_of(*s.m_objects[0]), (std::vector<int>{0, 1, 2, -1, 2, 1, 3, -1, 2, 3, 4, -1, 4, 3, 5, -1}));
    EXPECT_EQ(turns(*s.m_objects[0]), (std::vector<int>{1, 1, 1, 1}));
    EXPECT_EQ(turns(*s.m_objects[1]), (std::vector<int>{1, 1, 1, 1}));
    // Rows of the mesh: two quads, turned as the rows run (towards -z).
    EXPECT_EQ(index_of(*s.m_objects[2]), (std::vector<int>{0, 2, 3, 1, -1, 2, 4, 5, 3, -1}));
    // From startIndex on; -1 takes the rest of the coordinates.
    EXPECT_EQ(index_of(*s.m_objects[3]), (std::vector<int>{1, 2, 3, 4, -1, 5, 6, 7, -1}));
    // A strip that runs past the coordinates is left out, the one before stays.
    EXPECT_EQ(s.m_objects[4]->nbface, 2);
    // Only the first level of detail is drawn: the cube.
    EXPECT_EQ(s.m_objects[5]->nbface, 6);

    // A point set from startIndex on, numPoints of them.
    SCENE3D sp;
    ASSERT_EQ(load_text(sp, k_v1 + "Coordinate3 { point [ 9 9 9, 0 0 0, 1 0 0, 1 1 0 ] }\n"
                                   "PointSet { startIndex 2 numPoints 1 }\nPointSet { startIndex 3 numPoints 1e30 }\n"),
              1);
    ASSERT_EQ(sp.nbobjects, 2);
    ASSERT_EQ(sp.m_objects[0]->nbpts, 1);
    EXPECT_EQ(sp.m_objects[0]->m_vertices[0], Vec3(1, 0, 0));
    EXPECT_EQ(sp.m_objects[1]->nbpts, 1);

    // Bindings: materials per strip, texture coordinates through their own
    // index, clockwise files turned over.
    SCENE3D s1;
    text = k_v1 + "Separator { Material { diffuseColor [ 1 0 0, 0 1 0 ] } MaterialBinding { value PER_PART }\n"
                  " ShapeHints { vertexOrdering CLOCKWISE }" + strip6 +
                  " TextureCoordinate2 { point [ 0 0, 1 1 ] }\n"
                  " IndexedTriangleStripSet { coordIndex [ 0 1 2 -1 3 4 5 ] textureCoordIndex [ 1 1 1 -1 0 0 0 ] } }\n";
    ASSERT_EQ(load_text(s1, text), 1);
    ASSERT_EQ(s1.nbobjects, 1);
    const OBJECT3D& o = *s1.m_objects[0];
    ASSERT_NE(o.m_materialindex, nullptr);
    EXPECT_EQ(*o.diffuse(o.m_materialindex[0]), Vec3(1, 0, 0));
    EXPECT_EQ(*o.diffuse(o.m_materialindex[1]), Vec3(0, 1, 0));
    ASSERT_NE(o.texindex, nullptr);
    EXPECT_EQ(std::vector<int>(o.texindex, o.texindex + 3), (std::vector<int>{1, 1, 1}));
    EXPECT_EQ(turns(o), (std::vector<int>{-1, 1}));
}

TEST_F(VrmlGraph, SkippedNodesAreReportedOnceWithTheirLine)
{
    std::string text = k_v2 + "Shape { " + k_square + " }\n";
    for (int i = 0; i < 5000; ++i) text += "# filler line\n";
    text += "Shape { geometry NurbsCurve { order 3 } }\nShape { geometry NurbsCurve { } }\nSound { }\n";
    ASSERT_EQ(load_text(s, text), 1);
    EXPECT_EQ(s.m_not_read, (std::vector<std::string>{"NurbsCurve at line 5003: not read", "Sound at line 5005: not read"}));
    EXPECT_EQ(s.nbobjects, 1);
}

TEST(ViewFit, FramesAScenesThatTheResetCameraMisses)
{
    SCENE3D s;
    auto* o = new OBJECT3D();
    o->nbpts = 2;
    o->m_vertices = new Vec3[2]{Vec3(990, -1, -1), Vec3(1010, 1, 1)};
    s.add_object(o);
    EXPECT_LT(view_coverage(s, *s.m_camera, 45.0, 4.0 / 3.0), 0.01);
    ASSERT_TRUE(frame_scene_if_lost(s, 4.0 / 3.0));
    double c = view_coverage(s, *s.m_camera, 45.0, 4.0 / 3.0);
    EXPECT_GT(c, 0.05);
    EXPECT_LE(c, 1.0);
    EXPECT_NEAR(s.m_camera->position.x, -1000.f, 1e-3);
    // Seen already: the reset camera stays.
    CAMERA3D reset;
    *s.m_camera = reset;
    o->m_vertices[0] = Vec3(-2, -2, -2);
    o->m_vertices[1] = Vec3(2, 2, 2);
    EXPECT_FALSE(frame_scene_if_lost(s, 1.0));
    EXPECT_EQ(s.m_camera->position, Vec3(0, 0, -20));
    EXPECT_TRUE(frame_scene_if_lost(s, 1.0, true));
    SCENE3D empty;
    EXPECT_FALSE(frame_scene_if_lost(empty, 1.0, true));
}

// Every truncation and random damage of a file read as a scene graph
// leaves a consistent scene, in both versions.
TEST(VrmlGraphRobustness, SurvivesTruncationsAndMutations)
{
    ScratchDir dir;
    RecordingReporter rec;
    auto sweep = [](const std::string& text, unsigned seed, int rounds) {
        std::mt19937 rng(seed);
        for (int r = -(int)text.size(); r < rounds; ++r) {
            std::string b = r < 0 ? text.substr(0, (size_t)(-r)) : text;
            for (int e = 0; r >= 0 && e < 3; ++e) {
                size_t at = rng() % b.size();
                if (rng() % 2) b[at] = "0123456789-+.e {}[]\"\n#"[rng() % 22];
                else b.erase(at, 1 + rng() % 12);
            }
            SCOPED_TRACE(b);
            SCENE3D s;
            load_text(s, b);
            ASSERT_EQ(check_scene(s), "");
            prepare_scene_for_compile(s);
            ASSERT_EQ(check_scene(s), "");
        }
    };
    sweep(
                    k_v2 + "PROTO P [ field SFFloat r 1 ] { Shape { geometry Sphere { radius IS r } } }\n"
                           "DEF T Transform { scale 1 2 1 children [ DEF S Shape { appearance Appearance {"
                           " material DEF M Material { diffuseColor 1 0 0 } } geometry IndexedFaceSet {"
                           " coord DEF C Coordinate { point [ 0 0 0, 1 0 0, 1 1 0 ] } coordIndex [ 0 1 2 ]"
                           " color Color { color [ 1 0 0 ] } colorPerVertex FALSE } } P { r 2 } ] }\n"
                           "Switch { whichChoice 0 choice [ USE S ] }\n"
                           "Shape { geometry Extrusion { spine [ 0 0 0, 1 1 0, 2 0 0 ] scale [ 1 1, 2 2, 1 1 ] } }\n"
                           "Shape { geometry ElevationGrid { xDimension 2 zDimension 2 height [ 0 1 2 3 ] } }\n",
                    77, 300);
    sweep(
                    k_v1 + "Separator { DEF C Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0 ] }\n"
                           " Material { diffuseColor [ 1 0 0, 0 1 0 ] } MaterialBinding { value PER_VERTEX_INDEXED }\n"
                           " Transform { rotation 0 0 1 1 } IndexedFaceSet { coordIndex [ 0 1 2 ] materialIndex [ 0 1 0 ] }\n"
                           " Separator { USE C Cube { } IndexedLineSet { coordIndex [ 0 1 2 ] } PointSet { } } }\n",
                    78, 300);
    sweep(k_v1 + "Separator { Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0, 0 2 0 ] }\n"
                 " Material { diffuseColor [ 1 0 0, 0 1 0 ] } MaterialBinding { value PER_VERTEX_INDEXED }\n"
                 " Normal { vector [ 0 0 1 ] } TextureCoordinate2 { point [ 0 0, 1 1 ] }\n"
                 " TriangleStripSet { startIndex 1 numVertices [ 4 ] } FaceSet { numVertices [ 3 -1 ] }\n"
                 " QuadMesh { verticesPerRow 2 verticesPerColumn 2 }\n"
                 " IndexedTriangleStripSet { coordIndex [ 0 1 2 3 -1 4 ] materialIndex [ 1 0 1 ] normalIndex [ 0 ] } }\n",
          79, 300);
}

// "on" says whether a light shines, in every reader: TRUE by default,
// FALSE or 0 off; a word that is neither leaves it on.
TEST_F(VrmlGraph, LightsSayWhetherTheyAreOn)
{
    auto on_flags = [&](const std::string& text) {
        SCENE3D scene;
        EXPECT_EQ(load_text(scene, text), 1);
        std::vector<int> on;
        for (const LIGHT3D* l : scene.m_lights) on.push_back(l->on);
        return on;
    };
    const std::string lights2 = "PointLight { on FALSE } SpotLight { on TRUE } DirectionalLight { }\n";
    // Scene graph, both versions, lights inside groups.
    EXPECT_EQ(on_flags(k_v2 + "Group { children [ " + lights2 + " Shape { " + k_square + " } ] }\n"),
              (std::vector<int>{0, 1, 1}));
    EXPECT_EQ(on_flags(k_v1 + "Separator { PointLight { on FALSE } DirectionalLight { on TRUE } Cube { } }\n"),
              (std::vector<int>{0, 1}));
    // Our own layout, read by the object readers.
    const std::string object2 = "DEF A Transform { children [ Shape { " + k_square + " } ] }\n";
    EXPECT_EQ(on_flags(k_v2 + object2 + lights2 + "PointLight { on 0 } PointLight { on 1 } PointLight { on maybe }\n"),
              (std::vector<int>{0, 1, 1, 0, 1, 1}));
    EXPECT_EQ(on_flags(k_v1 + "DEF A Separator { PointLight { on FALSE } SpotLight { on TRUE } Coordinate3 {"
                              " point [ 0 0 0, 1 0 0, 0 1 0 ] } IndexedFaceSet { coordIndex [ 0 1 2 -1 ] } }\n"),
              (std::vector<int>{0, 1}));
}
