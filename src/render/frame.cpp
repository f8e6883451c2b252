#include "render/frame.h"
#include "render/environment_draw.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <cmath>

#include "render/display_list.h"
#include "scene/compile_prep.h"
#include "render/textures.h"
#include "base/report.h"
#include "scene/scene3d.h"
#include "scene/view_fit.h"
#include "scene/viewpoints.h"

void ResizeView(GlView& v, int w, int h)
{
    v.width = w;
    v.height = h;
    double aspect = h == 0 ? (double)w : (double)w / (double)h;
    glViewport(0, 0, w, h);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(v.scene ? v.scene->m_fovy : 45.0, aspect, v.near_plane, v.far_plane);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    // The draw buffer is left as the platform set it: a widget's
    // framebuffer object has no GL_BACK.
    glEnable(GL_DEPTH_TEST);
}

void UpdateWalkPosition(GlView& v, const Vec3& p, const Vec3& r)
{
    Vec3 d = p - v.last_cam;
    v.last_cam = p;
    const double a = (double)r.y * 3.1415927 / 180.0;
    const double ca = std::cos(a), sa = std::sin(a);
    v.walk_pos.x += (float)(d.x * ca - d.z * sa);
    v.walk_pos.y += d.y;
    v.walk_pos.z += (float)(d.z * ca + d.x * sa);
}

void PlaceWalkFromCamera(GlView& v)
{
    if (!v.scene || !v.scene->m_camera) return;
    const CAMERA3D& c = *v.scene->m_camera;
    double r[9];
    euler_xyz_matrix(c.rotation, r);
    // r is a rotation: its inverse is its transpose.
    const Vec3& p = c.position;
    v.walk_pos = Vec3((float)(r[0] * p.x + r[3] * p.y + r[6] * p.z), (float)(r[1] * p.x + r[4] * p.y + r[7] * p.z),
                      (float)(r[2] * p.x + r[5] * p.y + r[8] * p.z));
    v.last_cam = p;
    v.scene->m_view_pos = c.position;
    v.scene->m_view_rot = c.rotation;
}

void FitDepthRange(GlView& v)
{
    double near_plane = 0.1, far_plane = 10000.0;
    SCENE3D* s = v.scene;
    if (s && !v.lod) {
        long long key = s->nbobjects;
        for (int i = 0; i < s->nbobjects; ++i)
            if (const OBJECT3D* o = s->m_objects[i]) key = key * 31 + o->nbpts;
        if (v.box_scene != s || v.box_key != key) {
            v.box_valid = scene_world_box(*s, v.box_min, v.box_max);
            v.box_scene = s;
            v.box_key = key;
        }
        if (v.box_valid) {
            GLdouble m[16];
            glGetDoublev(GL_MODELVIEW_MATRIX, m);
            const Vec3 &lo = v.box_min, &hi = v.box_max;
            const double dx = (double)hi.x - lo.x, dy = (double)hi.y - lo.y, dz = (double)hi.z - lo.z;
            double size = std::sqrt(dx * dx + dy * dy + dz * dz);
            if (!(size > 0.0) || !std::isfinite(size)) size = 1.0;
            // Depth is linear over the box: its largest value is at a corner.
            double deepest = -1e300;
            for (int c = 0; c < 8; ++c) {
                const double x = c & 1 ? hi.x : lo.x, y = c & 2 ? hi.y : lo.y, z = c & 4 ? hi.z : lo.z;
                deepest = std::max(deepest, -(m[2] * x + m[6] * y + m[10] * z + m[14]));
            }
            // Room for what moves or is edited after the box was taken.
            far_plane = std::max(deepest, 0.0) + size;
            if (std::isfinite(far_plane) && far_plane > 0.0) near_plane = far_plane / 1e4;
            else far_plane = 10000.0;
        }
    }
    v.near_plane = near_plane;
    v.far_plane = far_plane;
    double aspect = v.height == 0 ? (double)v.width : (double)v.width / (double)v.height;
    if (!(aspect > 0.0)) aspect = 1.0;
    GLint mode = GL_MODELVIEW;
    glGetIntegerv(GL_MATRIX_MODE, &mode);
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    gluPerspective(s ? s->m_fovy : 45.0, aspect, near_plane, far_plane);
    glMatrixMode((GLenum)mode);
}

namespace {
// Texture state of one frame, so that it is only sent when it changes.
struct TextureState {
    int enabled = -1;       // unknown at the start of a frame
    GLuint bound = ~0u;

    void disable()
    {
        if (enabled != 0) glDisable(GL_TEXTURE_2D);
        enabled = 0;
    }
    void use(GLuint name)
    {
        if (enabled != 1) glEnable(GL_TEXTURE_2D);
        enabled = 1;
        if (bound != name) glBindTexture(GL_TEXTURE_2D, name);
        bound = name;
    }
};

void draw_one(SCENE3D& scene, int i, bool pick_pass, TextureState& ts)
{
    OBJECT3D& o = *scene.m_objects[i];
    GLuint name = object_texture_name(scene, i);
    bool textured = pick_pass ? (name != 0 && o.m_lighting) : name != 0;
    if (textured) ts.use(name);
    else ts.disable();
    if (!pick_pass && o.m_texture_mode != -1 && o.m_texture_mode != 1) ++o.m_texture_frame;

    if (o.m_dynamic) {
        glPushMatrix();
        glRotated(o.m_dyn_angles.x, 1, 0, 0);
        glRotated(o.m_dyn_angles.y, 0, 1, 0);
        glRotated(o.m_dyn_angles.z, 0, 0, 1);
        glTranslated(o.m_dyn_translation.x, o.m_dyn_translation.y, o.m_dyn_translation.z);
    }
    if (o.m_has_matrix) {
        glPushMatrix();
        glMultMatrixf(o.m_matrix);
    }
    o.m_polygon_mode = scene.m_wireframe ? GL_LINE : GL_FILL;
    if (o.m_textransform) {
        glMatrixMode(GL_TEXTURE);
        glLoadIdentity();
        glPushMatrix();
        if (o.m_textranslation_on) glTranslatef(o.m_textranslation[0], o.m_textranslation[1], 0.f);
        if (o.m_texcenter_on) glTranslatef(o.m_texcenter[0], o.m_texcenter[1], 0.f);
        if (o.m_texscale_on) glScalef(o.m_texscale[0], o.m_texscale[1], 0.f);
        if (o.m_texrotation_on) glRotatef(o.m_texrotation, 0.f, 0.f, 1.f);
        glMatrixMode(GL_MODELVIEW);
    }
    // See-through texels: their alpha reaches the blending (the texture
    // colour replaces the lit one as a decal would), and texels that are
    // wholly clear leave neither colour nor depth.
    const bool texel_alpha = textured && !pick_pass && has_texel_alpha(scene, o);
    GLint env = GL_MODULATE;
    if (texel_alpha) {
        glGetTexEnviv(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, &env);
        if (env == GL_DECAL) glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
        glEnable(GL_ALPHA_TEST);
        glAlphaFunc(GL_GREATER, 0.f);
    }
    DrawObject(o, !pick_pass);
    if (texel_alpha) {
        glDisable(GL_ALPHA_TEST);
        glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, env);
    }
    if (pick_pass) ts.enabled = 0;   // the pick pass switched texturing off
    if (o.m_textransform) {
        glMatrixMode(GL_TEXTURE);
        glPopMatrix();
        glMatrixMode(GL_MODELVIEW);
    }
    if (o.m_has_matrix) glPopMatrix();
    if (o.m_dynamic) glPopMatrix();
}
} // namespace

int DrawScene(SCENE3D& scene, bool pick_pass)
{
    if (scene.nbobjects <= 0) return 0;
    TextureState ts;
    if (scene.m_draw_objects) {
        for (int i = 0; i < scene.nbobjects; ++i) {
            OBJECT3D* o = scene.m_objects[i];
            // Point sets have no faces but are drawn all the same.
            if (!o || (o->nbface <= 0 && !o->m_points_only)) continue;
            draw_one(scene, i, pick_pass, ts);
        }
    }
    if (scene.m_boxes_shown && scene.m_nbboxes > 0) {
        ts.disable();
        for (int i = scene.nbobjects; i < scene.nbobjects + scene.m_nbboxes && i < scene.m_capacity; ++i) {
            OBJECT3D* b = scene.m_objects[i];
            if (!b) continue;
            b->m_polygon_mode = GL_LINE;
            DrawObject(*b, !pick_pass);
        }
    }
    return 1;
}

void BuildBoxes(SCENE3D& scene)
{
    if (scene.m_boxes_built) return;
    static const int32_t k_index[30] = {0, 1, 2, 3, -1, 3, 2, 6, 7, -1, 0, 3, 7, 4, -1,
                                        0, 4, 5, 1, -1, 1, 5, 6, 2, -1, 4, 7, 6, 5, -1};
    const int n = scene.nbobjects;
    for (int i = 0; i < n; ++i) {
        OBJECT3D* src = scene.m_objects[i];
        if (!src || !src->m_vertices || src->nbpts <= 0) continue;
        if (n + scene.m_nbboxes >= scene.m_capacity) break;
        src->compute_bounds();
        const Vec3 lo = src->m_o_min_xyz, hi = src->m_o_max_xyz;
        OBJECT3D* b = new OBJECT3D();
        b->m_name = src->m_name;
        b->nbpts = 8;
        b->m_vertices = new Vec3[8];
        for (int k = 0; k < 8; ++k) {
            bool xmax = k == 2 || k == 3 || k == 6 || k == 7;
            bool ymax = k == 1 || k == 2 || k == 5 || k == 6;
            bool zmax = k >= 4;
            b->m_vertices[k] = Vec3(xmax ? hi.x : lo.x, ymax ? hi.y : lo.y, zmax ? hi.z : lo.z);
        }
        b->nbindex = 30;
        b->m_index = new int32_t[30];
        std::copy(k_index, k_index + 30, b->m_index);
        b->nbface = 6;
        b->translation = src->translation;
        b->rotation = src->rotation;
        b->angle = src->angle;
        b->echelle = src->echelle;
        b->m_pick_id = i;   // a click on a box names its object
        b->m_polygon_mode = GL_LINE;
        b->compute_bounds();
        b->compute_center();
        scene.m_objects[n + scene.m_nbboxes++] = b;
    }
    scene.m_boxes_built = 1;
    scene.m_polygon_mode = GL_LINE;
}

void DrawLod(GlView& v)
{
    if (!v.lod || !v.scene || !v.scene->m_camera) return;
    const CAMERA3D& c = *v.scene->m_camera;
    v.lod_active = 0;
    const LodLevels& set = *v.lod;
    for (size_t j = 0; j < set.levels.size() && j + 1 < set.bounds.size(); ++j) {
        SCENE3D* level = set.levels[j];
        if (!level) continue;
        for (int i = 0; i < level->nbobjects; ++i) {
            OBJECT3D* o = level->m_objects[i];
            if (!o) continue;
            float d = -o->m_o_center_xyz.z - c.position.z;
            if (d <= set.bounds[j] || d >= set.bounds[j + 1]) {
                o->m_ready = 0;
                continue;
            }
            glPushMatrix();
            glTranslatef(c.position.x, c.position.y, c.position.z);
            glRotatef(c.rotation.x, 1.f, 0.f, 0.f);
            glRotatef(c.rotation.y, 0.f, 1.f, 0.f);
            glRotatef(c.rotation.z, 0.f, 0.f, 1.f);
            if (level->m_smooth) o->m_norm_binding = 1;
            o->m_ready = 1;
            DrawObject(*o, true);
            ++v.lod_active;
            glPopMatrix();
            v.lod_level = (int)j;
        }
    }
    if (v.lod_active != v.lod_shown_active) {
        SetStatusText("Z:%10f,LOD: %d Nb objets actifs %d", (double)c.position.z, v.lod_level,
                      v.lod_active);
        v.lod_shown_active = v.lod_active;
    }
}

void PaintView(GlView& v)
{
    const bool pick = v.pick_pass;
    // A scene whose lists wait for its first frame to be shown is drawn
    // from its arrays, in the pick pass too.
    DirectDrawing direct(direct_drawing() || (v.scene && v.scene->m_lists_deferred));
    if (pick) glDisable(GL_LIGHTING);
    else glEnable(GL_LIGHTING);
    glDisable(GL_TEXTURE_2D);
    if (pick) {
        // The pick frame is read back exactly: a background that decodes to
        // no object, and nothing that blends or alters the face colours.
        glClearColor(1.f, 1.f, 1.f, 1.f);
        glDisable(GL_DITHER);
        glDisable(GL_BLEND);
        glDisable(GL_FOG);
    }
    ClearWithSky(v.scene, pick);
    glMatrixMode(GL_MODELVIEW);
    glLoadIdentity();
    if (v.lod) DrawLod(v);

    SCENE3D* s = v.scene;
    if (s && s->nbobjects > 0) {
        // A Fog node of the scene file; the view's own fog otherwise.
        if (!pick && ApplySceneFog(*s)) {
        } else if (!pick && v.fog) {
            glEnable(GL_FOG);
            glFogf(GL_FOG_START, s->m_fog_start);
            glFogf(GL_FOG_END, s->m_fog_end);
            glFogf(GL_FOG_DENSITY, 0.35f);
            glFogi(GL_FOG_MODE, GL_LINEAR);
            const GLfloat fog_colour[4] = {0.5f, 0.5f, 0.5f, 1.f};
            glFogfv(GL_FOG_COLOR, fog_colour);
        } else {
            glDisable(GL_FOG);
        }
        glLoadIdentity();
        glPushMatrix();
        const ANIM3D* path = s->m_path;
        if (path && path->m_active && path->m_pos_value && path->m_pos_nvalue > 0) {
            int k = std::clamp(path->m_key, 0, path->m_pos_nvalue - 1);
            const Vec3& p = path->m_pos_value[k];
            glTranslatef(-p.x, p.y, p.z);
        }
        if (!s->m_object_drag && s->m_camera) {
            s->m_view_pos = s->m_camera->position;
            s->m_view_rot = s->m_camera->rotation;
        }
        const Vec3 P = s->m_view_pos, R = s->m_view_rot;
        if (v.examine) {
            glTranslatef(P.x, P.y, P.z);
            glRotatef(R.x, 1.f, 0.f, 0.f);
            glRotatef(R.y, 0.f, 1.f, 0.f);
            glRotatef(R.z, 0.f, 0.f, 1.f);
        } else {
            UpdateWalkPosition(v, P, R);
            glRotatef(R.x, 1.f, 0.f, 0.f);
            glRotatef(R.y, 0.f, 1.f, 0.f);
            glRotatef(R.z, 0.f, 0.f, 1.f);
            glTranslatef(v.walk_pos.x, v.walk_pos.y, v.walk_pos.z);
        }
        FitDepthRange(v);
        // The sky comes after the depth range it must fit in, and before
        // everything it lies behind.
        if (!pick) DrawSky(*s, v);
        DrawScene(*s, pick);
        glPopMatrix();
    }
    if (pick) {
        glClearColor(v.clear_rgb[0], v.clear_rgb[1], v.clear_rgb[2], 1.f);
        glEnable(GL_DITHER);
        glEnable(GL_BLEND);
    }
}

void StereoShift(GlView& v)
{
    if (!v.scene || !v.scene->m_camera) return;
    if (v.stereo) {
        v.scene->m_camera->position.x += 2.0f;
        v.stereo = false;
    } else {
        v.scene->m_camera->position.x -= 2.0f;
        v.stereo = true;
    }
}

void ResetCamera(GlView& v)
{
    v.left_down = v.right_down = false;
    v.last_dx = v.last_dy = 0;
    v.trans_speed = v.rot_speed = 0.02f;
    v.walk_pos = Vec3(0.f, 0.f, -20.f);
    v.last_cam = Vec3(0.f, 0.f, -20.f);
    v.rotate = v.walk = v.examine = false;
    if (v.scene && v.scene->m_camera) {
        v.stereo = true;
        v.scene->m_camera->position = Vec3(0.f, 0.f, -20.f);
        v.scene->m_camera->rotation = Vec3(0.f, 0.f, 0.f);
    }
}

int PickIndex(GlView& v, int x, int y)
{
    int result = -1;
    SCENE3D* s = v.scene;
    // A point outside the view names nothing; the framebuffer is not read.
    if (s && x >= 0 && y >= 0 && x < v.width && y < v.height) {
        v.pick_pass = true;
        PaintView(v);
        GLubyte px[4] = {255, 255, 255, 255};
        glPixelStorei(GL_PACK_ALIGNMENT, 1);
        glReadPixels(x, v.height - 1 - y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
        glPixelStorei(GL_PACK_ALIGNMENT, 4);
        glEnable(GL_LIGHTING);
        v.pick_pass = false;
        int idx = pick_decode(px[0], px[1]);
        if (idx < s->nbobjects) result = idx;
    }
    return result;
}

void ReportPick(const SCENE3D* s, int index)
{
    if (!s || index < 0 || index >= s->nbobjects) {
        SetStatusText("ERREUR DESIGNATION");
        return;
    }
    const OBJECT3D* o = s->m_objects[index];
    SetStatusText("Objet: %d Nombre d'objets:%d Nom objet: %s", index, s->nbobjects, o ? o->m_name.c_str() : "");
}

int PickObject(GlView& v, int x, int y)
{
    int r = PickIndex(v, x, y);
    ReportPick(v.scene, r);
    return r;
}
