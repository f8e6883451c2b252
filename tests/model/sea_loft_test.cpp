#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "base/data_files.h"
#include "model/extrude.h"
#include "model/loft.h"
#include "model/sea.h"
#include "model/solids.h"
#include "scene/compile_prep.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"
#include "support/invariants.h"
#include "support/recorder.h"

TEST(DataFiles, CurrentFolderFirstThenTheProgramsData)
{
    ScratchDir dir;
    for (const char* name : {"sphere_01.wrl", "meteo.wrl", "socle.wrl", "mer_quad.jpg", "water_quad.jpg",
                             "mer_texture.jpg", "arbre.jpg", "pirogue_pattern_quad_1.bmp"}) {
        std::string p = find_data_file(name);
        EXPECT_EQ(p, source_data_folder() + "/" + name);
    }
    write_whole_file(dir.file("meteo.wrl"), "#VRML V1.0 ascii\n");
    EXPECT_EQ(find_data_file("meteo.wrl"), "meteo.wrl");
    EXPECT_EQ(find_data_file("no_such_file.wrl"), "");
    EXPECT_EQ(find_data_file("sub/meteo.wrl"), "");
}

TEST(Sea, SceneAndFallingSphere)
{
    RecordingReporter rec;
    SCENE3D scene;
    OBJECT3D* old = new OBJECT3D();
    MakeTriangle(*old, "old", Vec3(), Vec3(1, 1, 1));
    scene.add_object(old);
    ASSERT_EQ(SeaScene(scene), 4);   // the old object is gone
    EXPECT_TRUE(rec.boxes.empty());
    EXPECT_EQ(check_scene(scene), "");
    OBJECT3D& sea = *scene.m_objects[kSeaWater];
    EXPECT_EQ(sea.m_name, "Mer");
    EXPECT_EQ(sea.nbpts, 10000);
    EXPECT_EQ(sea.nbface, 99 * 99);
    // Calm sea at t = 0: still on the lines x = 0 and z = 0; texture from the scaled points.
    for (int i = 0; i < sea.nbpts; ++i) {
        const Vec3& v = sea.m_vertices[i];
        if (v.x == 0 || v.z == 0) {
            ASSERT_EQ(v.y, 0.f) << i;
        }
        ASSERT_EQ(sea.texvertex[i].s, (v.x + 10) * 0.01f);
    }
    EXPECT_FLOAT_EQ(sea.m_vertices[9999].x, 108.9f);
    ASSERT_NE(sea.m_texture, nullptr);
    EXPECT_NE(scene.get_texture(*sea.m_texture), nullptr);
    EXPECT_EQ(sea.m_transparency, 0.5f);

    OBJECT3D& sphere = *scene.m_objects[kSeaSphere];
    EXPECT_EQ(sphere.m_dyn_translation, Vec3(50, 10, 50));
    EXPECT_EQ(sphere.m_dynamic, 1);
    EXPECT_EQ(sphere.T_specularColor[0], Vec3(1, 1, 1));
    OBJECT3D& cloud = *scene.m_objects[kSeaCloud];
    EXPECT_FLOAT_EQ(cloud.T_diffuseColor[0].z, 0.94901961f);
    const OBJECT3D& base = *scene.m_objects[kSeaBase];
    EXPECT_EQ(base.T_specularColor[0], Vec3(0, 0, 0));

    // Rebuilding the lists puts the transparent sea and sphere last: the
    // animation still moves them, and leaves the cloud alone.
    order_objects_for_compile(scene);
    ASSERT_EQ(scene.m_objects[0], &cloud);
    const float cloud_y = cloud.m_vertices[0].y;
    // One unit per tick; the tick that brings the sphere below 2 starts the rings.
    for (int tick = 1; tick <= 9; ++tick) {
        AnimateSea(scene, 0.1 * tick);
        EXPECT_EQ(sphere.m_dyn_translation.y, 10.f - tick);
        EXPECT_EQ(sea_state().impact, tick == 9 ? 1 : 0) << tick;
    }
    EXPECT_NEAR(sea_state().t0, 0.9, 1e-9);
    EXPECT_EQ(cloud.m_vertices[0].y, cloud_y);
    EXPECT_NE(sea.m_vertices[5050].y, 0.f);
    for (int tick = 10; tick <= 40; ++tick) AnimateSea(scene, 0.1 * (tick % 31));
    EXPECT_EQ(sphere.m_dyn_translation.y, -30.f);   // it keeps falling

    // Another scene is not the sea's.
    SCENE3D other;
    OBJECT3D* t = new OBJECT3D();
    MakeTriangle(*t, "t", Vec3(), Vec3(1, 1, 1));
    other.add_object(t);
    AnimateSea(other, 1.0);
    EXPECT_EQ(t->m_vertices[2], Vec3(1, 1, 0));
    EXPECT_EQ(sphere.m_dyn_translation.y, -30.f);
}

TEST(Sweeps, CurveExtrusionAndStoredChoices)
{
    OBJECT3D sec, curve, out;
    const Vec3 tri[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    const Vec3 path[2] = {{0, 0, 0}, {0, 0, 5}};
    const int32_t f[4] = {0, 1, 2, -1};
    sec.take_points(tri);
    sec.take_faces(f);
    curve.take_points(path);
    ASSERT_EQ(ExtrudeCurve(out, sec, curve), 1);
    EXPECT_EQ(out.nbpts, 6);
    EXPECT_EQ(out.nbface, 3);
    EXPECT_EQ(std::vector<int32_t>(out.m_index + 10, out.m_index + 15), (std::vector<int32_t>{2, 0, 3, 5, -1}));
    EXPECT_EQ(out.m_vertices[5], Vec3(0, 1, 5));
    OBJECT3D empty;
    EXPECT_EQ(ExtrudeCurve(out, sec, empty), 0);

    SCENE3D scene;
    EXPECT_EQ(AddExtrude(scene), 0);   // nothing chosen
    OBJECT3D* s = new OBJECT3D();
    s->take_points(tri);
    s->take_faces(f);
    scene.add_object(s);
    scene.m_extrude_section = 0;
    scene.m_extrude_curve = 7;   // names no object
    EXPECT_EQ(AddExtrude(scene), 0);
    scene.m_extrude_curve = -1;
    ASSERT_EQ(AddExtrude(scene), 1);
    EXPECT_EQ(scene.m_objects[1]->m_name, "Extrude");
    EXPECT_EQ(scene.m_objects[1]->m_vertices[4], Vec3(1, 0, 1));
    scene.m_extrude_curve = 0;
    ASSERT_EQ(AddExtrude(scene), 1);
    EXPECT_EQ(scene.m_objects[2]->m_name, "Extrude_curve");
    EXPECT_EQ(scene.m_objects[2]->nbpts, 9);
}

TEST(Sweeps, LoftGivesTwoHullSkins)
{
    RecordingReporter rec;
    SCENE3D scene;
    ASSERT_EQ(AddLoft(scene), 2);
    const OBJECT3D& outer = *scene.m_objects[0];
    const OBJECT3D& inner = *scene.m_objects[1];
    for (const OBJECT3D* o : {&outer, &inner}) {
        EXPECT_EQ(o->m_name, "Bateau");
        EXPECT_EQ(o->nbpts, 63);
        EXPECT_EQ(o->nbface, 48);
        EXPECT_EQ(check_object(*o), "");
        ASSERT_NE(o->m_texture, nullptr);
    }
    EXPECT_EQ(scene.m_textures.size(), 1u);   // one pattern for both skins
    EXPECT_EQ(std::vector<int32_t>(outer.m_index, outer.m_index + 5), (std::vector<int32_t>{0, 1, 10, 9, -1}));
    EXPECT_EQ(std::vector<int32_t>(inner.m_index, inner.m_index + 5), (std::vector<int32_t>{0, 9, 10, 1, -1}));
    // Widest station (8.5, 1.3): x = 2.3 * 8 = 18.4; the outer skin 0.2 higher.
    EXPECT_FLOAT_EQ(inner.m_vertices[9 * 3 + 8].x, 18.4f);
    EXPECT_EQ(inner.m_vertices[9 * 6].z, 172.f);
    for (int i = 0; i < 63; ++i) EXPECT_FLOAT_EQ(outer.m_vertices[i].y - inner.m_vertices[i].y, 0.2f);
    EXPECT_FLOAT_EQ(inner.texvertex[0].s, 2 * 0.02f);   // (-8 + 10) * 0.02
    EXPECT_TRUE(rec.boxes.empty());
}

TEST(Sweeps, PanoramaReplacesTheSingleObjectAndLimitsWalking)
{
    SCENE3D scene;
    OBJECT3D* old = new OBJECT3D();
    MakeTriangle(*old, "old", Vec3(), Vec3(1, 1, 1));
    scene.add_object(old);
    ASSERT_EQ(AddPanorama(scene, ""), 1);
    ASSERT_EQ(scene.nbobjects, 1);
    const OBJECT3D& p = *scene.m_objects[0];
    EXPECT_EQ(p.m_name, "pano");
    EXPECT_EQ(p.nbpts, 60);
    EXPECT_EQ(p.nbtexvertex, 62);
    EXPECT_EQ(check_object(p), "");
    // Bottom ring at y = -15 after the move, top ring at 15; axis at z = 20.
    EXPECT_NEAR(p.m_vertices[0].y, -15, 1e-5);
    EXPECT_NEAR(p.m_vertices[30].y, 15, 1e-5);
    EXPECT_NEAR(p.m_vertices[0].x, 20, 1e-5);
    EXPECT_NEAR(p.m_vertices[0].z, 20, 1e-5);
    // Seam quad texture corners: (29/30, 0), (29/30, 1), (1, 1), (1, 0).
    const int k = p.nbindex - 5;
    const float u = 29.f / 30.f;
    const TexVertex want[4] = {{u, 0}, {u, 1}, {1, 1}, {1, 0}};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(p.texvertex[p.texindex[k + c]].s, want[c].s) << c;
        EXPECT_EQ(p.texvertex[p.texindex[k + c]].t, want[c].t) << c;
    }
    EXPECT_EQ(scene.m_collision, 1);
    EXPECT_EQ(scene.m_collision_off, 0);

    struct Walk {
        Vec3 pos;
        bool ok;
    } walks[] = {
        {{16.9f, 0, -20}, true}, {{17.1f, 0, -20}, false}, {{0, 3, -20}, true}, {{0, -3.1f, -20}, false},
    };
    for (const Walk& w : walks) EXPECT_EQ(panorama_accepts(scene, w.pos), w.ok) << w.pos.x << " " << w.pos.y;

    // A second panorama replaces the first; two objects are both kept.
    ASSERT_EQ(AddPanorama(scene, ""), 1);
    EXPECT_EQ(scene.nbobjects, 1);
    OBJECT3D* more = new OBJECT3D();
    MakeTriangle(*more, "more", Vec3(), Vec3(1, 1, 1));
    scene.add_object(more);
    ASSERT_EQ(AddPanorama(scene, ""), 1);
    EXPECT_EQ(scene.nbobjects, 3);
}
