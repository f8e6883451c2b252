// The view's own commands: display switches, navigation speeds, camera,
// animation, dumps, open and save, snapshot and sound.
#include <GL/gl.h>

#include "base/cformat.h"
#include "base/report.h"
#include "io/export.h"
#include "io/formats.h"
#include "io/lod.h"
#include "render/frame.h"
#include "render/textures.h"
#include "scene/scene3d.h"
#include "scene/scene_animation.h"
#include "scene/view_fit.h"
#include "view/behaviour.h"
#include "view/commands.h"
#include "view/document.h"

namespace {
void noop(ViewBehaviour&) {}

CommandState ticked(bool on) { return {true, on}; }

// Marks every regular object for recompilation at its next draw.
void rebuild_all(SCENE3D& s)
{
    for (int i = 0; i < s.nbobjects; ++i)
        if (OBJECT3D* o = s.m_objects[i]) o->m_needs_rebuild = 1;
}

// ---- speeds (View, Speed): no bound, no check mark

void rot_slower(ViewBehaviour& v) { v.m_gl.rot_speed *= 0.8f; }
void rot_faster(ViewBehaviour& v) { v.m_gl.rot_speed /= 0.8f; }
void trans_slower(ViewBehaviour& v) { v.m_gl.trans_speed *= 0.8f; }
void trans_faster(ViewBehaviour& v) { v.m_gl.trans_speed /= 0.8f; }

// ---- display

void wireframe(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    s->m_wireframe = !s->m_wireframe;
    s->m_polygon_mode = s->m_wireframe ? GL_LINE : GL_FILL;
    v.host().redraw();
}
CommandState wireframe_state(ViewBehaviour& v)
{
    v.host().redraw();
    return ticked(v.scene() && v.scene()->m_wireframe);
}

void reset(ViewBehaviour& v)
{
    v.m_gl.scene = v.scene();
    ResetCamera(v.m_gl);
    v.SyncFrame();
    v.host().redraw();
}

// The camera that frames the whole scene, from the reset state.
void view_all(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s || !s->m_camera) return;
    v.m_gl.scene = s;
    ResetCamera(v.m_gl);
    double aspect = v.m_gl.height > 0 ? (double)v.m_gl.width / v.m_gl.height : 4.0 / 3.0;
    view_all_camera(*s, s->m_fovy, aspect, *s->m_camera);
    v.CameraPlaced();
}

void shade_flat(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    s->m_wireframe = 0;
    s->m_smooth = 0;
    {
        GlScope gl(v.host());
        if (gl.ok()) glShadeModel(GL_FLAT);
    }
    s->set_norm_binding(s->m_smooth);
    v.host().redraw();
}

void shade_smooth(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    s->m_smooth = !s->m_smooth;
    s->m_wireframe = 0;
    {
        GlScope gl(v.host());
        if (gl.ok()) glShadeModel(GL_SMOOTH);
    }
    s->set_norm_binding(s->m_smooth);
    if (LODSET* set = v.doc().lod())
        for (int j = 0; j < set->m_nlevels && set->m_levels; ++j)
            if (set->m_levels[j]) set->m_levels[j]->set_norm_binding(s->m_smooth);
    v.host().redraw();
}
CommandState smooth_state(ViewBehaviour& v) { return ticked(v.scene() && v.scene()->m_smooth); }

void ambient(ViewBehaviour& v)
{
    v.m_lighting = !v.m_lighting;
    {
        GlScope gl(v.host());
        if (gl.ok()) {
            if (v.m_lighting) glEnable(GL_LIGHTING);
            else glDisable(GL_LIGHTING);
        }
    }
    v.host().redraw();
}
CommandState ambient_state(ViewBehaviour& v) { return ticked(v.m_lighting); }

void texture_enlighted(ViewBehaviour& v)
{
    v.m_tex_env = !v.m_tex_env;
    {
        GlScope gl(v.host());
        if (gl.ok()) glTexEnvf(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, (GLfloat)(v.m_tex_env ? GL_DECAL : GL_MODULATE));
    }
    v.host().redraw();
}
CommandState texture_enlighted_state(ViewBehaviour& v) { return ticked(v.m_tex_env); }

void normals(ViewBehaviour& v)
{
    v.m_show_normals = !v.m_show_normals;
    if (SCENE3D* s = v.scene()) s->set_show_normals(v.m_show_normals);
    v.host().redraw();
}
CommandState normals_state(ViewBehaviour& v) { return ticked(v.m_show_normals); }

void texture_removed(ViewBehaviour& v)
{
    v.m_tex_removed = !v.m_tex_removed;
    if (SCENE3D* s = v.scene()) s->set_lighting(v.m_tex_removed);
    v.host().redraw();
}
CommandState texture_removed_state(ViewBehaviour& v) { return ticked(v.m_tex_removed); }

void fog(ViewBehaviour& v)
{
    v.m_gl.fog = !v.m_gl.fog;
    v.host().redraw();
}
CommandState fog_state(ViewBehaviour& v) { return ticked(v.m_gl.fog); }

void double_sided(ViewBehaviour& v)
{
    // The face is chosen from the switch as it stands before the toggle, so
    // that the first use makes materials apply to front faces only (and
    // shows the tick), and the second one restores both faces.
    v.m_gl_face = v.m_double_sided ? GL_FRONT_AND_BACK : GL_FRONT;
    v.m_double_sided = !v.m_double_sided;
    if (SCENE3D* s = v.scene()) s->set_polygon_face(v.m_gl_face);
    v.host().redraw();
}
CommandState double_sided_state(ViewBehaviour& v) { return ticked(v.m_double_sided); }

void diffuse_white(ViewBehaviour& v)
{
    if (SCENE3D* s = v.scene()) {
        for (int i = 0; i < s->nbobjects; ++i) {
            OBJECT3D* o = s->m_objects[i];
            if (!o || !o->m_vertices || !o->T_diffuseColor) continue;
            o->T_diffuseColor[0] = Vec3(1.f, 1.f, 1.f);
            o->m_needs_rebuild = 1;
        }
    }
    v.m_diffuse_white = 1;
    v.host().redraw();
}
CommandState diffuse_white_state(ViewBehaviour& v) { return ticked(v.m_diffuse_white); }

void mipmap(ViewBehaviour& v)
{
    v.m_mipmap = !v.m_mipmap;
    if (SCENE3D* s = v.scene()) {
        s->m_min_filter = v.m_mipmap ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR;
        GlScope gl(v.host());
        if (gl.ok()) BuildTextures(*s);
    }
    v.host().redraw();
}
CommandState mipmap_state(ViewBehaviour& v) { return ticked(v.m_mipmap); }

void boxes(ViewBehaviour& v)
{
    v.m_boxes = !v.m_boxes;
    if (SCENE3D* s = v.scene()) {
        s->m_boxes_shown = (uint8_t)v.m_boxes;
        if (!s->m_boxes_built) BuildBoxes(*s);
    }
    v.host().redraw();
}
CommandState boxes_state(ViewBehaviour& v) { return ticked(v.m_boxes); }

void undisplay_objects(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    s->m_draw_objects = !s->m_draw_objects;
    v.host().redraw();
}
CommandState undisplay_state(ViewBehaviour& v) { return ticked(v.scene() && v.scene()->m_draw_objects); }

void lights(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    s->m_light_edit = !s->m_light_edit;
    v.host().redraw();
}

void light_properties(ViewBehaviour& v) { v.m_light_props = !v.m_light_props; }
CommandState light_properties_state(ViewBehaviour& v) { return ticked(v.m_light_props); }

void stereo(ViewBehaviour& v)
{
    v.m_gl.scene = v.scene();
    StereoShift(v.m_gl);
    v.SyncFrame();
    v.host().redraw();
}

void resize_display(ViewBehaviour& v)
{
    v.m_display_w = 1500;
    v.m_display_h = 1500;
    v.host().set_display_size(1500, 1500);
}

// ---- navigation switches

void yz_toggle(ViewBehaviour& v) { v.m_yz_toggle = !v.m_yz_toggle; }
CommandState yz_state(ViewBehaviour& v) { return ticked(v.m_yz_toggle); }

void pick_mode(ViewBehaviour& v) { v.m_pick_mode = !v.m_pick_mode; }
CommandState pick_state(ViewBehaviour& v) { return ticked(v.m_pick_mode); }

void rotate(ViewBehaviour& v)
{
    v.m_gl.rotate = !v.m_gl.rotate;
    if (v.m_gl.rotate) v.host().start_timer(TIMER_NAVIGATION, 10);
    else v.host().stop_timer(TIMER_NAVIGATION);
}
CommandState rotate_state(ViewBehaviour& v) { return ticked(v.m_gl.rotate); }

void walk(ViewBehaviour& v)
{
    v.m_gl.walk = !v.m_gl.walk;
    if (v.m_gl.walk) v.host().start_timer(TIMER_NAVIGATION, 10);
    else v.host().stop_timer(TIMER_NAVIGATION);
}
CommandState walk_state(ViewBehaviour& v) { return ticked(v.m_gl.walk); }

void examine(ViewBehaviour& v)
{
    v.m_gl.examine = !v.m_gl.examine;
    GlScope gl(v.host());
    if (gl.ok()) glMatrixMode(GL_MODELVIEW);
}
CommandState examine_state(ViewBehaviour& v) { return ticked(v.m_gl.examine); }

void collides(ViewBehaviour& v)
{
    if (SCENE3D* s = v.scene()) s->m_collision_off = !s->m_collision_off;
}

// ---- animation

void animate(ViewBehaviour& v) { v.StartCameraPath(); }
CommandState animate_state(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    return ticked(s && s->m_path && s->m_path->m_active);
}

void play_world(ViewBehaviour& v) { v.ToggleWorld(); }
CommandState play_world_state(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    return {s && s->m_animation && s->m_animation->has_clocks(), v.WorldPlaying()};
}

void animate_mesh(ViewBehaviour& v) { v.StartMeshAnimation(); }
CommandState animate_mesh_state(ViewBehaviour& v)
{
    // Refreshing the item stops the animation: it runs from the command
    // until its menu is next opened.
    v.StopMeshAnimation();
    return {true, false};
}

// ---- scene operations

void test_facettes(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    for (int i = 0; i < s->nbobjects; ++i) {
        OBJECT3D* o = s->m_objects[i];
        if (!o) continue;
        o->test_edges();
        o->m_needs_rebuild = 1;
    }
    v.host().redraw();
}

void statistics(ViewBehaviour& v)
{
    if (SCENE3D* s = v.scene()) s->index_statistics();
}

void center(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    // The box is measured afresh: one kept from before an earlier Center
    // would misplace the object on a second use.
    for (int i = 0; i < s->nbobjects; ++i) {
        OBJECT3D* o = s->m_objects[i];
        if (!o) continue;
        o->m_o_max_xyz = Vec3(-1e10f, -1e10f, -1e10f);
        o->m_o_min_xyz = Vec3(1e10f, 1e10f, 1e10f);
        o->compute_bounds();
    }
    for (int i = 0; i < s->nbobjects; ++i)
        if (OBJECT3D* o = s->m_objects[i]) o->fit_to_size10();
    v.host().redraw();
}

void map_picture_on_mesh(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    OBJECT3D* o = s ? s->get_object(43) : nullptr;
    if (!o || !o->m_index || !o->m_vertices) return;
    if (!o->texvertex) {
        o->texvertex = new TexVertex[(size_t)(o->nbpts > 0 ? o->nbpts : 1)]();
        o->nbtexvertex = o->nbpts;
        delete[] o->texindex;
        o->texindex = new int32_t[(size_t)(o->nbindex > 0 ? o->nbindex : 1)];
        for (int i = 0; i < o->nbindex; ++i) o->texindex[i] = -1;
    } else if (!o->texindex) {
        o->texindex = new int32_t[(size_t)(o->nbindex > 0 ? o->nbindex : 1)];
        for (int i = 0; i < o->nbindex; ++i) o->texindex[i] = -1;
    }
    for (int i = 0; i < o->nbindex; ++i) {
        const int vi = o->m_index[i];
        if (vi == -1) continue;
        // Only vertices the texture vertex array can hold are mapped.
        if (!o->valid_vertex(vi) || vi >= o->nbtexvertex) continue;
        const Vec3& p = o->m_vertices[vi];
        o->texvertex[vi].s = p.x / p.z;
        o->texvertex[vi].t = p.y / p.z;
        o->texindex[i] = vi;
    }
    o->m_show_texcoords = 1;
}

void reverse_texture(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    s->m_tex_orientation = -s->m_tex_orientation;
    for (int i = 0; i < s->nbobjects; ++i)
        if (OBJECT3D* o = s->m_objects[i]) o->m_tex_t_sign = -o->m_tex_t_sign;
    rebuild_all(*s);
    v.host().redraw();
}
CommandState reverse_texture_state(ViewBehaviour& v) { return ticked(v.scene() && v.scene()->m_tex_orientation != 1); }

void dump(ViewBehaviour& v)
{
    if (SCENE3D* s = v.scene()) dump_scene(*s, v.doc().in_folder("vrml.out").c_str());
}

// ---- files

void open_file(ViewBehaviour& v) { v.OpenFile(); }

void save(ViewBehaviour& v) { v.Save(); }

void save_as(ViewBehaviour& v) { v.SaveAs(); }

void save_bmp(ViewBehaviour& v) { v.SaveSnapshot(); }

// File > Export...: the scene held, whether read or made here, in one of
// the formats of other programs (chosen by the name's extension).
void export_file(ViewBehaviour& v)
{
    if (!v.scene()) return;
    FileDialogRequest r;
    r.save = true;
    r.title = "Export";
    r.filter = export_filter();
    r.default_ext = "glb";
    if (!v.host().file_dialog(r)) return;
    ExportSummary summary;
    int ok;
    {
        WaitCursor wait(v.host());
        ok = export_scene(*v.scene(), r.path, &summary);
    }
    if (ok)
        SetStatusTextRaw(qv_format("Exported %d objects (%lld triangles) to %s", summary.objects, summary.triangles,
                                   r.path.c_str()));
}

void play(ViewBehaviour& v) { v.host().open_sound_device(); }

const CommandImpl k_impls[] = {
    {32776, rot_slower, nullptr},
    {32777, rot_faster, nullptr},
    {32778, trans_slower, nullptr},
    {32779, trans_faster, nullptr},
    {32780, wireframe, wireframe_state},
    {32782, reset, nullptr},
    {33001, view_all, nullptr},
    {32784, shade_flat, nullptr},
    {32786, shade_smooth, smooth_state},
    {32787, ambient, ambient_state},
    {32792, yz_toggle, yz_state},
    {32795, pick_mode, pick_state},
    {32796, save_bmp, nullptr},
    {32797, rotate, rotate_state},
    {32785, texture_enlighted, texture_enlighted_state},
    {32799, normals, normals_state},
    {32800, texture_removed, texture_removed_state},
    {32801, walk, walk_state},
    {32802, test_facettes, nullptr},
    {32804, fog, fog_state},
    {32807, examine, examine_state},
    {32810, noop, nullptr},
    {57601, open_file, nullptr},
    {32812, double_sided, double_sided_state},
    {32813, diffuse_white, diffuse_white_state},
    {32814, mipmap, mipmap_state},
    {32817, boxes, boxes_state},
    {32818, undisplay_objects, undisplay_state},
    {32819, statistics, nullptr},
    {32827, map_picture_on_mesh, nullptr},
    {57603, save, nullptr},
    {32836, animate, animate_state},
    {32838, reverse_texture, reverse_texture_state},
    {32839, dump, nullptr},
    {40007, dump, nullptr},
    {32775, center, nullptr},
    {32841, lights, nullptr},
    {32877, play, nullptr},
    {32878, noop, nullptr},
    {32881, animate_mesh, animate_mesh_state},
    {32891, play_world, play_world_state},
    {32885, resize_display, nullptr},
    {32886, stereo, nullptr},
    {32887, light_properties, light_properties_state},
    {32890, collides, nullptr},
    {57604, save_as, nullptr},
    {33004, export_file, nullptr},
    {40008, noop, nullptr},
};
} // namespace

std::span<const CommandImpl> view_command_impls() { return k_impls; }
