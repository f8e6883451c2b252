// Worlds that move: clocks, interpolators and routes read by the scene-graph
// reader, evaluated at given times after opening.
#include <gtest/gtest.h>

#include <cmath>
#include <random>

#include "io/readers.h"
#include "scene/scene3d.h"
#include "scene/scene_animation.h"
#include "scene/view_fit.h"
#include "support/invariants.h"
#include "support/recorder.h"
#include "vrml_test_util.h"

namespace {
const std::string k_v2 = "#VRML V2.0 utf8\n";

// The moving box of the real-world sample: x from -5 to 5 and back in 4 s.
const std::string k_mover = k_v2 +
    "Viewpoint { position 0 0 20 }\n"
    "DEF Mover Transform { translation -5 0 0\n"
    "  children Shape { appearance Appearance { material Material { diffuseColor 0 0.8 0 } }\n"
    "                   geometry Box { size 1 1 1 } } }\n"
    "DEF Clock TimeSensor { cycleInterval 4 loop TRUE }\n"
    "DEF Path PositionInterpolator { key [ 0 0.5 1 ] keyValue [ -5 0 0, 5 0 0, -5 0 0 ] }\n"
    "ROUTE Clock.fraction_changed TO Path.set_fraction\n"
    "ROUTE Path.value_changed TO Mover.set_translation\n";

const OBJECT3D* first_with_faces(const SCENE3D& s)
{
    for (int i = 0; i < s.nbobjects; ++i)
        if (s.m_objects[i] && s.m_objects[i]->nbface > 0) return s.m_objects[i];
    return nullptr;
}

// Where the object's local point p lands in the world.
Vec3 placed(const OBJECT3D& o, Vec3 p)
{
    if (!o.m_has_matrix) return p;
    const float* m = o.m_matrix;
    return Vec3(m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12], m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13],
                m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]);
}

Vec3 centre_at(SCENE3D& s, double t)
{
    s.m_animation->evaluate(s, t);
    const OBJECT3D* o = first_with_faces(s);
    Vec3 c;
    for (int i = 0; i < o->nbpts; ++i) c += placed(*o, o->m_vertices[i]);
    return c * (1.f / (float)o->nbpts);
}

void expect_near(const Vec3& a, const Vec3& b)
{
    EXPECT_NEAR(a.x, b.x, 1e-4);
    EXPECT_NEAR(a.y, b.y, 1e-4);
    EXPECT_NEAR(a.z, b.z, 1e-4);
}

int notes_with(const SCENE3D& s, const std::string& part)
{
    int n = 0;
    for (const std::string& l : s.m_not_read) n += l.find(part) != std::string::npos;
    return n;
}
} // namespace

using WorldAnim = VrmlLoad;

TEST_F(WorldAnim, RoutedTransformMovesItsObjectWithoutNewPoints)
{
    ASSERT_EQ(load_text(s, k_mover), 1);
    ASSERT_TRUE(s.m_animation);
    const OBJECT3D* box = first_with_faces(s);
    ASSERT_TRUE(box);
    const Vec3* points = box->m_vertices;
    // Points stay below the Transform; the placement moves them.
    EXPECT_NEAR(box->m_o_max_xyz.x, 0.5f, 1e-5);
    EXPECT_NEAR(centre_at(s, 0).x, -5.f, 1e-4);
    EXPECT_NEAR(centre_at(s, 1).x, 0.f, 1e-4);
    EXPECT_NEAR(centre_at(s, 2).x, 5.f, 1e-4);
    EXPECT_NEAR(centre_at(s, 3).x, 0.f, 1e-4);
    EXPECT_NEAR(centre_at(s, 6).x, 5.f, 1e-4);   // the loop goes round again
    // Any order of times gives the same state for the same time.
    EXPECT_NEAR(centre_at(s, 1).x, 0.f, 1e-4);
    EXPECT_EQ(box->m_vertices, points);
    EXPECT_EQ(box->m_needs_rebuild, 0);
    // The seed's camera path gets nothing from it: the move is applied once.
    EXPECT_EQ(box->m_anim, nullptr);
    EXPECT_TRUE(s.m_animation->changes_after(1e6));
    // Framing sees the whole path, whatever the time shown.
    Vec3 mn, mx;
    ASSERT_TRUE(scene_world_box(s, mn, mx));
    EXPECT_NEAR(mn.x, -5.5f, 1e-4);
    EXPECT_NEAR(mx.x, 5.5f, 1e-4);
    EXPECT_NEAR(mx.y, 0.5f, 1e-4);
}

TEST_F(WorldAnim, StillWorldsKeepTheirPointsPlaced)
{
    ASSERT_EQ(load_text(s, k_v2 + "DEF T Transform { translation 3 0 0 children Shape { geometry Box { } } }\n"
                                  "DEF C TimeSensor { loop TRUE }\n"),
              1);
    EXPECT_FALSE(s.m_animation);   // no route: nothing to play
    const OBJECT3D* box = first_with_faces(s);
    ASSERT_TRUE(box);
    EXPECT_EQ(box->m_has_matrix, 0);
    EXPECT_NEAR(box->m_o_max_xyz.x, 4.f, 1e-5);
}

TEST_F(WorldAnim, OrientationTakesTheShortArcAndColoursBlend)
{
    const std::string text = k_v2 +
        "DEF T Transform { children Shape { appearance Appearance { material DEF M Material { } }\n"
        "  geometry Box { } } }\n"
        "DEF C TimeSensor { cycleInterval 2 loop FALSE }\n"
        "DEF R OrientationInterpolator { key [ 0 1 ] keyValue [ 0 1 0 0, 0 1 0 4.71238898 ] }\n"
        "DEF K ColorInterpolator { key [ 0 1 ] keyValue [ 1 0 0, 0 0 1 ] }\n"
        "ROUTE C.fraction_changed TO R.set_fraction\n"
        "ROUTE C.fraction_changed TO K.set_fraction\n"
        "ROUTE R.value_changed TO T.set_rotation\n"
        "ROUTE K.value_changed TO M.set_diffuseColor\n";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_TRUE(s.m_animation);
    const OBJECT3D* o = first_with_faces(s);
    ASSERT_TRUE(o && o->T_diffuseColor);
    s.m_animation->evaluate(s, 0.0);
    EXPECT_NEAR(o->T_diffuseColor[0].x, 1.f, 1e-5);
    EXPECT_NEAR(o->T_diffuseColor[0].z, 0.f, 1e-5);
    EXPECT_NEAR(placed(*o, Vec3(1, 0, 0)).x, 1.f, 1e-4);
    s.m_animation->evaluate(s, 1.0);
    // 270 degrees one way is 90 the other: half way is -45 about y.
    Vec3 p = placed(*o, Vec3(1, 0, 0));
    EXPECT_NEAR(p.x, std::sqrt(0.5f), 1e-4);
    EXPECT_NEAR(p.z, std::sqrt(0.5f), 1e-4);
    EXPECT_NEAR(o->T_diffuseColor[0].x, 0.5f, 1e-5);
    EXPECT_NEAR(o->T_diffuseColor[0].z, 0.5f, 1e-5);
    EXPECT_EQ(o->m_needs_rebuild, 1);   // materials are compiled into the list
    // A clock without loop stops at its last value and stays there.
    s.m_animation->evaluate(s, 5.0);
    p = placed(*o, Vec3(1, 0, 0));
    EXPECT_NEAR(p.x, 0.f, 1e-4);
    EXPECT_NEAR(p.z, 1.f, 1e-4);
    EXPECT_NEAR(o->T_diffuseColor[0].z, 1.f, 1e-5);
    EXPECT_FALSE(s.m_animation->changes_after(2.5));
    EXPECT_TRUE(s.m_animation->changes_after(1.5));
}

TEST_F(WorldAnim, ClockStartStopAndEnabled)
{
    auto world = [](const std::string& clock) {
        return k_v2 + "DEF T Transform { children Shape { geometry Box { } } }\n"
                      "DEF C TimeSensor { " + clock + " }\n"
                      "DEF P PositionInterpolator { key [ 0 1 ] keyValue [ 0 0 0, 10 0 0 ] }\n"
                      "ROUTE C.fraction_changed TO P.set_fraction\nROUTE P.value_changed TO T.translation\n";
    };
    {
        SCENE3D a;
        ASSERT_EQ(load_text(a, world("cycleInterval 10 startTime 2 loop TRUE")), 1);
        EXPECT_NEAR(centre_at(a, 1).x, 0.f, 1e-4);   // not started: the file's value
        EXPECT_NEAR(centre_at(a, 7).x, 5.f, 1e-4);
    }
    {
        SCENE3D b;
        ASSERT_EQ(load_text(b, world("cycleInterval 10 loop TRUE stopTime 4")), 1);
        EXPECT_NEAR(centre_at(b, 3).x, 3.f, 1e-4);
        EXPECT_NEAR(centre_at(b, 9).x, 4.f, 1e-4);   // stopped: its last value stays
        EXPECT_FALSE(b.m_animation->changes_after(4.5));
    }
    {
        SCENE3D c;
        ASSERT_EQ(load_text(c, world("cycleInterval 10 loop TRUE enabled FALSE")), 1);
        EXPECT_NEAR(centre_at(c, 5).x, 0.f, 1e-4);
        EXPECT_FALSE(c.m_animation->has_clocks());
    }
}

TEST_F(WorldAnim, NestedTransformsComposeAndScalarsReachTransparency)
{
    const std::string text = k_v2 +
        "Transform { scale 2 2 2 children [\n"
        "  DEF Outer Transform { children Transform { translation 1 0 0 children\n"
        "    DEF Inner Transform { children Shape { appearance Appearance { material DEF M Material { } }\n"
        "      geometry Box { size 0.1 0.1 0.1 } } } } } ] }\n"
        "DEF C TimeSensor { cycleInterval 1 loop TRUE }\n"
        "DEF P PositionInterpolator { key [ 0 1 ] keyValue [ 0 0 0, 0 10 0 ] }\n"
        "DEF Q PositionInterpolator { key [ 0 1 ] keyValue [ 0 0 0, 0 0 10 ] }\n"
        "DEF A ScalarInterpolator { key [ 0 1 ] keyValue [ 0 1 ] }\n"
        "ROUTE C.fraction_changed TO P.set_fraction\nROUTE C.fraction_changed TO Q.set_fraction\n"
        "ROUTE C.fraction_changed TO A.set_fraction\n"
        "ROUTE P.value_changed TO Outer.set_translation\nROUTE Q.value_changed TO Inner.set_translation\n"
        "ROUTE A.value_changed TO M.set_transparency\n";
    ASSERT_EQ(load_text(s, text), 1);
    Vec3 c = centre_at(s, 0.5);
    // scale 2 x (outer (0,5,0) + fixed (1,0,0) + inner (0,0,5)).
    EXPECT_NEAR(c.x, 2.f, 1e-4);
    EXPECT_NEAR(c.y, 10.f, 1e-4);
    EXPECT_NEAR(c.z, 10.f, 1e-4);
    const OBJECT3D* o = first_with_faces(s);
    EXPECT_NEAR(o->m_transparency, 0.5f, 1e-5);
    EXPECT_EQ(o->m_transparent, 1);
}

TEST_F(WorldAnim, CoordinatesAndNormalsFollowTheirInterpolators)
{
    const std::string text = k_v2 +
        "Shape { geometry IndexedFaceSet { coord DEF Co Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] }\n"
        "  normal DEF No Normal { vector [ 0 0 1 ] } normalPerVertex FALSE coordIndex [ 0 1 2 -1 ] } }\n"
        "DEF C TimeSensor { cycleInterval 2 loop TRUE }\n"
        "DEF CI CoordinateInterpolator { key [ 0 1 ] keyValue [ 0 0 0, 1 0 0, 0 1 0,  0 0 0, 3 0 0, 0 1 0 ] }\n"
        "DEF NI NormalInterpolator { key [ 0 1 ] keyValue [ 0 0 1, 1 0 0 ] }\n"
        "ROUTE C.fraction_changed TO CI.set_fraction\nROUTE CI.value_changed TO Co.set_point\n"
        "ROUTE C.fraction_changed TO NI.set_fraction\nROUTE NI.value_changed TO No.set_vector\n";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_TRUE(s.m_animation);
    OBJECT3D* o = s.m_objects[0];
    ASSERT_EQ(o->nbpts, 3);
    o->m_needs_rebuild = 0;
    s.m_animation->evaluate(s, 1.0);
    EXPECT_NEAR(o->m_vertices[1].x, 2.f, 1e-5);
    EXPECT_NEAR(o->m_o_max_xyz.x, 2.f, 1e-5);
    ASSERT_EQ(o->nbnormal, 1);
    EXPECT_NEAR(o->m_normals[0].x, std::sqrt(0.5f), 1e-4);   // renormalised
    EXPECT_NEAR(o->m_normals[0].z, std::sqrt(0.5f), 1e-4);
    EXPECT_EQ(o->m_needs_rebuild, 1);
}

TEST_F(WorldAnim, RoutesInsideProtoInstancesMoveTheirOwnNodes)
{
    const std::string text = k_v2 +
        "PROTO Spinner [ field SFVec3f at 0 0 0 ] {\n"
        "  Transform { translation IS at children [\n"
        "    DEF Body Transform { children Shape { geometry Box { size 0.2 0.2 0.2 } } }\n"
        "    DEF Clock TimeSensor { cycleInterval 2 loop TRUE }\n"
        "    DEF Lift PositionInterpolator { key [ 0 1 ] keyValue [ 0 0 0, 0 4 0 ] } ]\n"
        "    ROUTE Clock.fraction_changed TO Lift.set_fraction\n"
        "    ROUTE Lift.value_changed TO Body.set_translation } }\n"
        "Spinner { at -3 0 0 }\nSpinner { at 3 0 0 }\n";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_TRUE(s.m_animation);
    s.m_animation->evaluate(s, 1.0);
    int moved = 0;
    for (int i = 0; i < s.nbobjects; ++i) {
        const OBJECT3D* o = s.m_objects[i];
        if (!o || o->nbface == 0) continue;
        Vec3 c = placed(*o, Vec3());
        EXPECT_NEAR(c.y, 2.f, 1e-4) << i;
        EXPECT_NEAR(std::fabs(c.x), 3.f, 1e-4) << i;
        ++moved;
    }
    EXPECT_EQ(moved, 2);
}

TEST_F(WorldAnim, BadRoutesAreEachReportedWithTheirLineAndTheRestPlays)
{
    const std::string text = k_v2 +
        "DEF T Transform { children Shape { appearance Appearance { material DEF M Material { } }\n"   // 2
        "  geometry IndexedFaceSet { coord DEF Co Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] } coordIndex [ 0 1 2 -1 ] } } }\n"
        "DEF C TimeSensor { cycleInterval 4 loop TRUE }\n"                                                  // 4
        "DEF Z TimeSensor { cycleInterval 0 loop TRUE }\n"                                                  // 5
        "DEF P PositionInterpolator { key [ 0 1 ] keyValue [ 0 0 0, 8 0 0 ] }\n"                           // 6
        "DEF Short PositionInterpolator { key [ 0 0.5 1 ] keyValue [ 0 0 0, 1 1 1 ] }\n"                  // 7
        "DEF CI CoordinateInterpolator { key [ 0 1 ] keyValue [ 0 0 0, 1 0 0, 0 0 0, 1 0 0 ] }\n"          // 8
        "DEF TS TouchSensor { }\n"                                                                          // 9
        "ROUTE C.fraction_changed TO P.set_fraction\n"                                                      // 10
        "ROUTE P.value_changed TO T.set_translation\n"                                                      // 11
        "ROUTE Nowhere.value_changed TO T.set_translation\n"                                                // 12
        "ROUTE P.value_changed TO T.set_wobble\n"                                                           // 13
        "ROUTE P.value_changed TO M.set_diffuseColor\n"                                                     // 14
        "ROUTE C.fraction_changed TO Short.set_fraction\n"                                                  // 15
        "ROUTE C.fraction_changed TO CI.set_fraction\n"                                                     // 16
        "ROUTE CI.value_changed TO Co.set_point\n"                                                          // 17
        "ROUTE T.translation_changed TO T.set_scale\n"                                                      // 18
        "ROUTE TS.isActive TO C.set_enabled\n"                                                              // 19
        "ROUTE TS.touchTime TO C.set_startTime\n";                                                          // 20
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_TRUE(s.m_animation);
    EXPECT_EQ(notes_with(s, "line 12: no node named Nowhere"), 1);
    EXPECT_EQ(notes_with(s, "line 13: Transform has no field set_wobble"), 1);
    EXPECT_EQ(notes_with(s, "line 14: value_changed (SFVec3f) does not match set_diffuseColor (SFColor)"), 1);
    EXPECT_EQ(notes_with(s, "Short at line 7: 3 keys for 2 key values"), 1);
    EXPECT_EQ(notes_with(s, "Z at line 5: cycleInterval 0 is not positive"), 1);
    EXPECT_EQ(notes_with(s, "CI at line 8: 2 points for a Coordinate of 3"), 1);
    EXPECT_EQ(notes_with(s, "line 18 closes a cycle"), 1);
    EXPECT_EQ(notes_with(s, "(TouchSensor): not animated"), 1);   // what is not played: listed once
    // One box gathers the faults; traces carry every line.
    EXPECT_EQ(rec.boxes.size(), 1u);
    EXPECT_NE(rec.boxes[0].text.find("line 12"), std::string::npos);
    EXPECT_NE(rec.boxes[0].text.find("line 18"), std::string::npos);
    // The good routes still play; the cycle passes once: the scale takes
    // the translation, not its own echo.
    s.m_animation->evaluate(s, 2.0);
    const OBJECT3D* o = first_with_faces(s);
    Vec3 p = placed(*o, Vec3(0, 1, 0));
    EXPECT_NEAR(p.x, 4.f, 1e-4);
    EXPECT_NEAR(p.y, 0.f, 1e-4);   // scale (4, 0, 0)
    EXPECT_NEAR(o->m_vertices[1].x, 1.f, 1e-5);   // the refused interpolator left the points
}

// Broken animated worlds: read and evaluated at any time without a crash,
// and the objects keep their invariants.
TEST(WorldAnimRobustness, SurvivesTruncationsAndMutations)
{
    ScratchDir dir;
    RecordingReporter rec;
    const std::string text = k_mover +
        "DEF M2 Transform { children Shape { appearance Appearance { material DEF Mat Material { } }\n"
        "  geometry IndexedFaceSet { coord DEF Co Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] } coordIndex [ 0 1 2 -1 ] } } }\n"
        "DEF O OrientationInterpolator { key [ 0 1 ] keyValue [ 0 1 0 0, 1 0 0 3 ] }\n"
        "DEF K ColorInterpolator { key [ 0 1 ] keyValue [ 1 0 0, 0 0 1 ] }\n"
        "DEF CI CoordinateInterpolator { key [ 0 1 ] keyValue [ 0 0 0, 1 0 0, 0 1 0, 0 0 0, 2 0 0, 0 2 0 ] }\n"
        "ROUTE Clock.fraction_changed TO O.set_fraction\nROUTE O.value_changed TO M2.set_rotation\n"
        "ROUTE Clock.fraction_changed TO K.set_fraction\nROUTE K.value_changed TO Mat.set_diffuseColor\n"
        "ROUTE Clock.fraction_changed TO CI.set_fraction\nROUTE CI.value_changed TO Co.set_point\n";
    std::mt19937 rng(27);
    for (int round = 0; round < 160; ++round) {
        std::string b = text;
        if (round < 40) b = b.substr(0, b.size() * (size_t)round / 40);
        else
            for (int k = 0; k < 4; ++k) {
                static const char k_bytes[] = "{}[]. 0-9eE\n#\"TOx";
                b[rng() % b.size()] = k_bytes[rng() % (sizeof k_bytes - 1)];
            }
        SCENE3D s;
        load_text(s, b);
        if (s.m_animation)
            for (double t : {0.0, 0.5, 1.0, 3.99, 1e9, -1.0}) s.m_animation->evaluate(s, t);
        for (int i = 0; i < s.nbobjects; ++i) {
            if (!s.m_objects[i]) continue;
            EXPECT_EQ(check_object(*s.m_objects[i]), "") << round;
        }
    }
}

TEST_F(WorldAnim, ViewpointsFollowTheirRoutesAndTheTransformsAbove)
{
    const std::string text = k_v2 +
        "DEF Rig Transform { children [ DEF V Viewpoint { position 0 0 10 } Shape { geometry Box { } } ] }\n"
        "Transform { translation 0 5 0 children USE Rig }\n"
        "DEF C TimeSensor { cycleInterval 2 loop TRUE }\n"
        "DEF P PositionInterpolator { key [ 0 1 ] keyValue [ 0 0 0, 4 0 0 ] }\n"
        "DEF Q PositionInterpolator { key [ 0 1 ] keyValue [ 0 0 10, 0 0 30 ] }\n"
        "ROUTE C.fraction_changed TO P.set_fraction\nROUTE P.value_changed TO Rig.set_translation\n"
        "ROUTE C.fraction_changed TO Q.set_fraction\nROUTE Q.value_changed TO V.set_position\n";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_TRUE(s.m_animation);
    s.m_animation->evaluate(s, 1.0);
    std::vector<Vec3> eyes;
    for (int i = 0; i < s.nbobjects; ++i)
        if (s.m_objects[i] && s.m_objects[i]->m_viewpoint) eyes.push_back(s.m_objects[i]->m_viewpoint->position);
    ASSERT_EQ(eyes.size(), 2u);   // the Rig and its USE
    expect_near(eyes[0], Vec3(2, 0, 20));
    expect_near(eyes[1], Vec3(2, 5, 20));
}
