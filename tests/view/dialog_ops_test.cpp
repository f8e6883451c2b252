#include <gtest/gtest.h>

#include <cmath>
#include <functional>

#include "image/texture.h"
#include "render/headless_gl.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"
#include "support/recorder.h"
#include "view/behaviour.h"
#include "view/commands.h"
#include "view/document.h"
#include "view/headless_host.h"
#include "view/object_editor_ops.h"
#include "view/properties_ops.h"
#include "view/small_dialogs.h"

namespace {
// A quad at z = 0 with material colours, and optionally a 2x2 texture.
OBJECT3D* add_quad(SCENE3D& s, const char* name, int tex_depth = 0)
{
    auto* o = new OBJECT3D();
    o->m_name = name;
    o->nbpts = 4;
    o->m_vertices = new Vec3[4]{{0, 0, 0}, {1, 0, 0}, {1, 1, 0}, {0, 1, 0}};
    o->nbindex = 5;
    o->m_index = new int32_t[5]{0, 1, 2, 3, -1};
    o->nbface = 1;
    o->T_ambientColor = new Vec3[1]{{0.2f, 0.4f, 0.6f}};
    o->m_nb_ambient = 1;
    o->m_o_min_xyz = {0, 0, 0};
    o->m_o_max_xyz = {1, 1, 0};
    if (tex_depth) {
        auto* t = new CTexture();
        t->Alloc(2, 2, tex_depth);
        const int bpp = tex_depth / 8;
        const unsigned char px[4] = {255, 40, 41, 42};   // pixel means 255, 40, 41, 42
        for (int k = 0; k < 4; ++k) {
            unsigned char* p = t->data + (k / 2) * t->widthbyte32 + (k % 2) * bpp;
            p[0] = p[1] = p[2] = px[k];
            if (bpp == 4) p[3] = 255;
        }
        s.m_textures.push_back(t);
        o->m_texture = new int32_t((int)s.m_textures.size() - 1);
    }
    s.add_object(o);
    return o;
}

std::vector<int> alphas(const CTexture& t)
{
    std::vector<int> a;
    for (int k = 0; k < 4; ++k) a.push_back(t.data[(k / 2) * t.widthbyte32 + (k % 2) * 4 + 3]);
    return a;
}

// A host whose modal dialogs are answered by the test.
struct ScriptedHost : HeadlessHost {
    using HeadlessHost::HeadlessHost;
    std::function<bool(DialogRequest&)> answer;
    bool run_modal(DialogRequest& r) override
    {
        HeadlessHost::run_modal(r);
        return answer ? answer(r) : true;
    }
    std::vector<std::string> refreshed;
    void refresh_modeless(const std::string& name) override { refreshed.push_back(name); }
};

struct View {
    CQuorvelDoc doc;
    ScriptedHost host;
    std::unique_ptr<ViewBehaviour> view;
    View()
    {
        doc.OnNewDocument();
        view = std::make_unique<ViewBehaviour>(doc, host);
        host.attach(view.get());
    }
    SCENE3D& scene() { return *doc.scene(); }
};
} // namespace

TEST(PropertiesOps, NothingHappensWhereIndexNamesNoObjectOrLight)
{
    SCENE3D empty;
    EXPECT_FALSE(properties_fields(&empty, 0).valid);
    EXPECT_TRUE(properties_fields(&empty, 0).name.empty());
    EXPECT_EQ(set_material_colour(empty, 0, MaterialSlot::Ambient, 0xFF), 0);
    EXPECT_EQ(set_light_colour(empty, 0, 0xFF), 0);
    EXPECT_EQ(light_intensity(empty, 0, 5), 0);
    EXPECT_EQ(apply_transparency(empty, 0, 50), -1);
    EXPECT_EQ(tree_threshold(empty, 0, 80), -1);
    EXPECT_EQ(change_texture(empty, 0, "/nowhere.bmp"), -1);
    EXPECT_EQ(set_displayed(empty, 0, false), 0);

    // Two objects, one light: index 1 has no light; untextured objects keep
    // their transparency.
    SCENE3D s;
    add_quad(s, "a");
    add_quad(s, "b");
    s.add_light(new LIGHT3D{LIGHT_POINT, 1.f, {1, 0, 0}, {}, {}, 1});
    EXPECT_TRUE(properties_fields(&s, 0).has_light);
    PropertiesFields f = properties_fields(&s, 1);
    EXPECT_TRUE(f.valid);
    EXPECT_FALSE(f.has_light);
    EXPECT_TRUE(f.intensity.empty());
    EXPECT_EQ(set_light_colour(s, 1, 0xFF), 0);
    EXPECT_EQ(light_intensity(s, 1, 5), 0);
    EXPECT_EQ(apply_transparency(s, 1, 50), -1);
    EXPECT_EQ(s.get_object(1)->m_transparency, 0.f);
    EXPECT_EQ(light_intensity(s, 0, 3), 1);
    EXPECT_FLOAT_EQ(s.m_lights[0]->intensity, 0.3f);
}

TEST(PropertiesOps, FieldsUseTheirFormats)
{
    SCENE3D s;
    OBJECT3D* o = add_quad(s, "quad");
    add_quad(s, "other")->nbface = 6;
    o->m_transparency = 0.257f;
    s.add_light(new LIGHT3D{LIGHT_POINT, 0.5f, {1, 0.5f, 0}, {1, 2, 3}, {0, 0, -1}, 1});
    const PropertiesFields f = properties_fields(&s, 0);
    EXPECT_EQ(f.spin_max, 1);
    EXPECT_EQ(f.ambient, "0.20 0.40 0.60");
    EXPECT_EQ(f.sw_ambient, 0x00996633u);   // 0.6*255=153, 0.4*255=102, 0.2*255=51
    EXPECT_EQ(f.intensity, "0.50");
    EXPECT_EQ(f.light_location, "1.00 2.00 3.00");
    EXPECT_EQ(f.transparency, "25");
    EXPECT_EQ(f.box_x, " 0.00  1.00");
    EXPECT_EQ(f.face_total, "7");
    EXPECT_EQ(f.names, (std::vector<std::string>{"quad", "other"}));
    EXPECT_EQ(set_material_colour(s, 0, MaterialSlot::Ambient, 0x0000FF), 1);
    EXPECT_EQ(properties_fields(&s, 0).ambient, "1.00 0.00 0.00");
    EXPECT_EQ(o->m_needs_rebuild, 1);
}

TEST(PropertiesOps, TransparencyAndTreeThresholdSetTheTextureAlpha)
{
    for (int depth : {24, 32}) {
        SCENE3D s;
        OBJECT3D* o = add_quad(s, "tex", depth);
        EXPECT_EQ(apply_transparency(s, 0, 50), 0) << depth;
        EXPECT_EQ(alphas(*s.m_textures[0]), (std::vector<int>{127, 127, 127, 127})) << depth;
        EXPECT_FLOAT_EQ(o->m_transparency, 0.5f);
        EXPECT_EQ(tree_threshold(s, 0, 80), 0);
        // Means 255, 40, 41, 42: only a mean above 40 keeps the alpha.
        EXPECT_EQ(alphas(*s.m_textures[0]), (std::vector<int>{204, 0, 204, 204})) << depth;
    }
    EXPECT_EQ(percent_of_text("250"), 100);
    EXPECT_EQ(percent_of_text("-3"), 0);
    EXPECT_EQ(percent_of_text("abc"), 0);
}

TEST(PropertiesOps, NewTextureIsUploadedWithTheOthers)
{
    RecordingReporter rec;
    ScratchDir dir;
    HeadlessGL gl;
    if (!gl.create(64, 64)) GTEST_SKIP() << gl.error();
    View v;
    add_quad(v.scene(), "tex", 24);
    HeadlessHost host(&gl);
    properties_gl_textures(host, v.scene(), 0);   // names for the one texture
    ASSERT_EQ(v.scene().m_nb_texture_names, 1);

    CTexture img;
    img.Alloc(4, 4, 24);
    ASSERT_TRUE(img.SaveFileBMP(dir.file("new.bmp")));
    const int k = change_texture(v.scene(), 0, dir.file("new.bmp"));
    ASSERT_EQ(k, 1);
    EXPECT_EQ(v.scene().get_object(0)->m_texture_name, "new.bmp");
    properties_gl_textures(host, v.scene(), k);   // a texture without a GL name yet
    EXPECT_EQ(v.scene().m_nb_texture_names, 2);
    EXPECT_EQ(change_texture(v.scene(), 0, dir.file("missing.bmp")), -1);
    EXPECT_EQ(*v.scene().get_object(0)->m_texture, 1);
}

TEST(ObjectEditorOps, SlidersAndTexts)
{
    struct Case { float s; int k; float f; };
    for (Case c : {Case{0.10f, 50, 1.f}, Case{0.70f, 50, 1.f}, Case{0.10f, 60, 2.71828f}, Case{0.10f, 40, 0.36788f}})
        EXPECT_NEAR(drag_scale_from_slider(c.s, c.k), c.f, 1e-4) << c.s << " " << c.k;

    SCENE3D s;
    OBJECT3D* o = add_quad(s, "quad");
    o->nbtexvertex = 2;
    o->texvertex = new TexVertex[2]{{0.5f, 0.5f}, {1.f, 1.f}};
    ObjectEditor e;
    EXPECT_EQ(e.texture_u_slider(s, 5), "");   // nothing chosen yet
    EXPECT_FALSE(e.select_object(s, 3));
    ASSERT_TRUE(e.select_object(s, 0));
    EXPECT_EQ(s.m_selected, 0);
    EXPECT_FALSE(e.select_texvertex(s, 2));
    ASSERT_TRUE(e.select_texvertex(s, 0));
    EXPECT_EQ(e.texture_u_slider(s, 5), " 0.60  0.50");
    EXPECT_EQ(e.texture_v_slider(s, -10), " 0.60  0.30");
    EXPECT_EQ(e.scale_range_slider(10), "0.10");
    EXPECT_EQ(e.drag_scale_slider(s, 60), " 2.72  2.72  2.72");
    EXPECT_FLOAT_EQ(s.m_drag_scale.y, std::exp(1.f));

    const ObjectEditorLists l = object_editor_lists(&s, 0);
    EXPECT_EQ(l.objects, (std::vector<std::string>{"  0 quad"}));
    EXPECT_EQ(l.vertices[1], "  1 X:   1.00 Y:   0.00 Z:   0.00");
    EXPECT_EQ(l.faces, (std::vector<std::string>{"   0:    0    1    2    3   -1"}));
    EXPECT_EQ(l.texcoords[0], "  0 X: 0.60 Y: 0.30");
    EXPECT_EQ(l.counts, "NbPts:       4 NbFace:       1 NbIndex:       5 NbNormal:       0");
    EXPECT_EQ(l.tex_rotation, "0.000");   // index 0 gets its transform fields too
}

TEST(ObjectEditorOps, ScaleSizesTheChosenObjectAndTypedTextureTransformsApply)
{
    SCENE3D s;
    add_quad(s, "a");
    OBJECT3D* b = add_quad(s, "b");
    b->echelle = {2.f, 2.f, 2.f};
    ObjectEditor e;
    e.scale_range_slider(10);
    e.drag_scale_slider(s, 60);   // nothing chosen: no object changes
    EXPECT_EQ(s.m_objects[0]->echelle, Vec3(1.f, 1.f, 1.f));
    EXPECT_EQ(b->echelle, Vec3(2.f, 2.f, 2.f));
    EXPECT_FALSE(e.set_texture_transform(s, 1064, "2 3"));
    ASSERT_TRUE(e.select_object(s, 1));
    b->m_needs_rebuild = 0;
    e.drag_scale_slider(s, 60);
    EXPECT_NEAR(b->echelle.x, 2.f * std::exp(1.f), 1e-4);
    EXPECT_EQ(b->m_needs_rebuild, 1);
    e.drag_scale_slider(s, 50);   // back to the size it had when chosen
    EXPECT_EQ(b->echelle, Vec3(2.f, 2.f, 2.f));
    EXPECT_EQ(s.m_objects[0]->echelle, Vec3(1.f, 1.f, 1.f));

    EXPECT_TRUE(e.set_texture_transform(s, 1064, " 2  -0.5 "));
    EXPECT_EQ(b->m_texscale[0], 2.f);
    EXPECT_EQ(b->m_texscale[1], -0.5f);
    EXPECT_TRUE(b->m_texscale_on && b->m_textransform);
    EXPECT_TRUE(e.set_texture_transform(s, 1066, "45"));
    EXPECT_EQ(b->m_texrotation, 45.f);
    EXPECT_TRUE(e.set_texture_transform(s, 1065, "0.25 1e-1"));
    EXPECT_FLOAT_EQ(b->m_textranslation[1], 0.1f);
    // Refused: wrong count, words, a decimal comma, inf, an unknown field.
    for (auto [id, text] : {std::pair{1058, "1"}, {1058, "1 2 3"}, {1058, "a b"}, {1058, "1,5 2"}, {1066, "1 2"},
                            {1066, "inf"}, {1066, ""}, {1052, "1 2"}})
        EXPECT_FALSE(e.set_texture_transform(s, id, text)) << id << " '" << text << "'";
    EXPECT_EQ(b->m_texcenter_on, 0);
    EXPECT_EQ(b->m_texrotation, 45.f);
}

TEST(ObjectEditorOps, PositionPutsTheCameraAsideAndGlobalBringsItBack)
{
    SCENE3D s;
    add_quad(s, "a");
    s.m_camera->position = {1, 2, 3};
    ObjectEditor e;
    e.global(s);   // nothing put aside: the camera stays
    EXPECT_FLOAT_EQ(s.m_camera->position.x, 1.f);
    e.select_object(s, 0);
    e.position(s);
    EXPECT_EQ(s.m_object_drag, 1);
    EXPECT_EQ(s.get_object(0)->m_dynamic, 1);
    EXPECT_FLOAT_EQ(s.m_camera->position.z, 0.f);
    e.global(s);
    EXPECT_EQ(s.m_object_drag, 0);
    EXPECT_FLOAT_EQ(s.m_camera->position.z, 3.f);
    e.position(s);
    e.close(s);
    EXPECT_EQ(s.get_object(0)->m_dynamic, 0);
    EXPECT_FLOAT_EQ(s.m_camera->position.z, 3.f);
}

TEST(ObjectEditorOps, TextureFitGivesEveryPointATextureVertex)
{
    SCENE3D s;
    OBJECT3D* o = add_quad(s, "quad");
    o->nbtexvertex = 1;
    o->texvertex = new TexVertex[1]{{9.f, 9.f}};
    o->m_vertices[2].z = 100.f;   // z = 0 after the move: the fit stops there
    ObjectEditor e;
    e.select_object(s, 0);
    ASSERT_TRUE(e.texture_fit_toggle(s));
    ASSERT_EQ(o->nbtexvertex, 4);
    ASSERT_NE(o->texindex, nullptr);
    EXPECT_EQ(o->texindex[3], 3);
    EXPECT_FLOAT_EQ(o->texvertex[1].s, 1.f / -100.f);
    EXPECT_FLOAT_EQ(o->texvertex[1].t, 0.f);
    EXPECT_FLOAT_EQ(o->texvertex[3].s, 0.f);   // after the stop: as it was
    EXPECT_FLOAT_EQ(o->m_vertices[0].z, -100.f);
    EXPECT_FALSE(e.texture_fit_toggle(s));     // released: no fit
    EXPECT_FLOAT_EQ(o->m_vertices[0].z, -100.f);
}

TEST(DialogCommands, ViewpointsListOnlyObjectsWithOneAndMoveTheCamera)
{
    View v;
    add_quad(v.scene(), "a");
    add_quad(v.scene(), "b");
    add_quad(v.scene(), "vp")->m_viewpoint = new VIEWPOINT3D{{1, 2, 3}, {}};
    std::vector<std::string> names;
    v.host.answer = [&](DialogRequest& r) {
        auto& vr = static_cast<ViewpointsRequest&>(r);
        names = vr.names;
        EXPECT_FALSE(vr.choose(1));
        EXPECT_TRUE(vr.choose(0));
        return true;
    };
    ASSERT_TRUE(run_command(*v.view, 32830));
    EXPECT_EQ(names, (std::vector<std::string>{"vp"}));
    // The eye at the viewpoint: the world moves the other way.
    EXPECT_FLOAT_EQ(v.scene().m_camera->position.x, -1.f);
    EXPECT_FLOAT_EQ(v.scene().m_camera->position.y, -2.f);
    EXPECT_FLOAT_EQ(v.scene().m_camera->position.z, -3.f);
    EXPECT_EQ(v.scene().m_viewpoint_choice, 0);
}

TEST(DialogCommands, FocaleStoresOnlyOnOk)
{
    View v;
    v.host.answer = [](DialogRequest& r) {
        EXPECT_EQ(static_cast<FocaleRequest&>(r).fovy, 45.0);
        static_cast<FocaleRequest&>(r).fovy = 60.0;
        return false;
    };
    run_command(*v.view, 32889);
    EXPECT_EQ(v.scene().m_fovy, 45.0);
    EXPECT_EQ(v.host.m_redraws, 0);
    v.host.answer = [](DialogRequest& r) { static_cast<FocaleRequest&>(r).fovy = 60.0; return true; };
    run_command(*v.view, 32889);
    EXPECT_EQ(v.scene().m_fovy, 60.0);
    EXPECT_EQ(v.host.m_redraws, 1);

    // The modeless ones are shown by name; the placeholders leave the scene.
    v.host.answer = nullptr;
    for (int id : {32790, 32833, 32882, 32842, 32826}) run_command(*v.view, id);
    EXPECT_EQ(v.host.m_modeless, (std::vector<std::string>{"Properties", "Object Editor", "Object Editor"}));
    EXPECT_EQ(v.scene().nbobjects, 0);
}

TEST(DialogCommands, AddedObjectsRefillTheObjectEditor)
{
    RecordingReporter rec;
    ScratchDir dir;
    View v;
    run_command(*v.view, 32804);   // Fog: no object added
    EXPECT_TRUE(v.host.refreshed.empty());
    run_command(*v.view, 32809);   // Mesh
    ASSERT_EQ(v.scene().nbobjects, 1);
    EXPECT_EQ(v.host.refreshed, (std::vector<std::string>{"Object Editor"}));
}
