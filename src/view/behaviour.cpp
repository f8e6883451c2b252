#include "view/behaviour.h"

#include <GL/gl.h>

#include <algorithm>
#include <chrono>
#include <cctype>
#include <cmath>
#include <cstring>
#include <limits>
#include <new>

#include "image/texture.h"
#include "io/lod.h"
#include "render/gl_state.h"
#include "render/snapshot.h"
#include "render/textures.h"
#include "scene/glconst.h"
#include "scene/object3d.h"
#include "base/report.h"
#include "scene/scene3d.h"
#include "scene/scene_animation.h"
#include "scene/viewpoints.h"
#include "io/formats.h"
#include "scene/view_fit.h"
#include "view/document.h"

ViewPoint2& last_mouse_point()
{
    static ViewPoint2 p;
    return p;
}

ViewHooks& view_hooks()
{
    static ViewHooks h;
    return h;
}

ViewBehaviour::ViewBehaviour(CQuorvelDoc& doc, ViewHost& host)
    : m_gl_face(glc::FRONT_AND_BACK), m_doc(doc), m_host(host)
{
    const ViewHooks& h = view_hooks();
    m_on_f11 = h.start_slide_show;
    m_on_slide_tick = h.slide_show_tick;
    m_on_board_click = h.board_click;
    m_wave_step = h.wave_step;
    m_gl.scene = doc.scene();
    ResetCamera(m_gl);
    // A new view has no stereo shift yet: the reset command sets the flag,
    // the construction does not, so the first Stereo View moves left.
    m_gl.stereo = false;
}

ViewBehaviour::~ViewBehaviour() { destroy_board(m_board); }

SCENE3D* ViewBehaviour::scene() const { return m_doc.scene(); }

CAMERA3D* ViewBehaviour::camera() const
{
    SCENE3D* s = m_doc.scene();
    return s ? s->m_camera : nullptr;
}

void ViewBehaviour::SceneChanged()
{
    m_gl.scene = m_doc.scene();
    m_gl.pick_pass = false;
    m_viewpoint_entry = -1;
    ResetViewState();
    if (LODSET* set = m_doc.lod()) {
        m_lod_levels = lod_levels_of(*set);
        m_gl.lod = &m_lod_levels;
    } else {
        m_lod_levels = LodLevels();
        m_gl.lod = nullptr;
    }
    m_gl.lod_shown_active = -1;
    // The camera as the file sets it up (its first viewpoint, or the whole
    // scene), else the reset one, framed when it would miss the scene or
    // show it as a speck.
    if (m_gl.scene && m_gl.scene->m_camera) {
        m_gl.scene->m_camera->position = Vec3(0.f, 0.f, -20.f);
        m_gl.scene->m_camera->rotation = Vec3(0.f, 0.f, 0.f);
        if (!m_gl.lod) {
            const double aspect = m_gl.height > 0 ? (double)m_gl.width / m_gl.height : 4.0 / 3.0;
            const OpenCamera placed = place_opening_camera(*m_gl.scene, aspect);
            if (placed == OpenCamera::Lost) SetStatusTextRaw(k_framed_status);
            if (placed == OpenCamera::Viewpoint) m_viewpoint_entry = 0;
        }
        PlaceWalkFromCamera(m_gl);
    }
    // The box the depth range follows is taken again, even when the new
    // scene has the old one's address.
    m_gl.box_scene = nullptr;
    // The projection follows the new scene's field of view.
    if (m_gl.width > 0 && m_gl.height >= 0) {
        GlScope gl(m_host);
        if (gl.ok()) ResizeView(m_gl, m_gl.width, m_gl.height);
    }
    StartWorld();
    m_host.redraw();
}

void ViewBehaviour::ResetViewState()
{
    for (int id : {TIMER_NAVIGATION, TIMER_CAMERA_PATH, TIMER_SLIDE_SHOW, TIMER_MESH}) m_host.stop_timer(id);
    m_gl.rotate = m_gl.walk = false;
    m_gl.last_dx = m_gl.last_dy = 0;
    m_mesh_time = 0.0;
    m_mesh_interval = 500;
    m_2d_mode = false;
    m_gl.fog = false;
    if (m_gl.clear_rgb[0] != m_initial_clear_rgb[0] || m_gl.clear_rgb[1] != m_initial_clear_rgb[1] ||
        m_gl.clear_rgb[2] != m_initial_clear_rgb[2]) {
        for (int k = 0; k < 3; ++k) m_gl.clear_rgb[k] = m_initial_clear_rgb[k];
        GlScope gl(m_host);
        if (gl.ok()) glClearColor(m_gl.clear_rgb[0], m_gl.clear_rgb[1], m_gl.clear_rgb[2], 1.f);
    }
    SetStatusText("Ready");
}

void ViewBehaviour::CameraPlaced()
{
    SCENE3D* s = scene();
    m_gl.scene = s;
    if (!s || !s->m_camera) return;
    PlaceWalkFromCamera(m_gl);
    // The field of view may have changed with the camera.
    if (m_gl.width > 0 && m_gl.height >= 0) {
        GlScope gl(m_host);
        if (gl.ok()) ResizeView(m_gl, m_gl.width, m_gl.height);
    }
    m_host.redraw();
}

void ViewBehaviour::OnContextCreated(const float clear_rgb[3])
{
    for (int k = 0; k < 3; ++k) m_gl.clear_rgb[k] = m_initial_clear_rgb[k] = clear_rgb[k];
    InitGlobalState(clear_rgb[0], clear_rgb[1], clear_rgb[2]);
    if (m_finish_pending) {
        m_finish_pending = false;
        if (SCENE3D* s = scene()) finish_scene_gl(*s, m_lists_after_first_frame);
        if (LODSET* set = m_doc.lod()) finish_lod_gl(*set);
    }
}

int ViewBehaviour::FinishScene(SCENE3D& s)
{
    GlScope gl(m_host);
    if (!gl.ok()) {
        m_finish_pending = true;
        return 1;
    }
    return finish_scene_gl(s, m_lists_after_first_frame);
}

void ViewBehaviour::FrameShown()
{
    const SCENE3D* s = scene();
    if (s && s->m_lists_deferred) m_host.start_timer(TIMER_LISTS, 0);
}

// ---------------------------------------------------------------- mouse

void ViewBehaviour::OnButtonDown(MouseButton b, int x, int y)
{
    if (b == MB_LEFT) {
        m_gl.left_down = true;
        m_last_left_x = x;
        m_last_left_y = y;
        last_mouse_point() = ViewPoint2{x, y};
        if (m_2d_mode) {
            if (m_on_board_click) m_on_board_click(*this, x, y);
            return;
        }
        m_host.capture_mouse(true);
        if (!m_gl.walk) m_host.stop_timer(TIMER_NAVIGATION);
        m_gl.rotate = false;
    } else {
        m_gl.right_down = true;
        m_last_right_x = x;
        m_last_right_y = y;
        m_host.capture_mouse(true);
        if (!m_gl.walk) m_host.stop_timer(TIMER_NAVIGATION);
    }
}

void ViewBehaviour::OnButtonUp(MouseButton b, int x, int y)
{
    m_gl.left_down = m_gl.right_down = false;
    if (b == MB_LEFT) {
        if (!m_gl.walk) m_host.stop_timer(TIMER_NAVIGATION);
        m_gl.rotate = false;
    } else if (m_pick_mode) {
        Pick(x, y);
    }
    m_host.capture_mouse(false);
}

bool ViewBehaviour::CollisionAccepts(const Vec3& p) const
{
    const SCENE3D* s = scene();
    if (!s || s->m_collision_off || !s->m_collision) return true;
    const double r = (double)m_collision_radius - 3.0;
    const double dz = (double)p.z + 20.0;
    if (dz * dz + (double)p.x * p.x > r * r) return false;
    return p.y >= -3.f && p.y <= 3.f;
}

void ViewBehaviour::OnMouseMove(int x, int y)
{
    SCENE3D* s = scene();
    m_gl.scene = s;
    if (!s || !s->m_camera) return;
    CAMERA3D& K = *s->m_camera;
    const float ts = m_gl.trans_speed, rs = m_gl.rot_speed;
    const bool left = m_gl.left_down, right = m_gl.right_down;

    if (s->m_light_edit) {
        if (left) {
            const int dx = m_last_left_x - x;
            m_last_left_x = x;
            m_last_left_y = y;
            s->m_light_dir.x += (float)dx * ts;
        }
        if (right) {
            const int dy = m_last_right_y - y;
            m_last_right_x = x;
            m_last_right_y = y;
            s->m_light_dir.y += (float)dy * ts;
        }
        if (left || right) {
            GlScope gl(m_host);
            if (gl.ok()) {
                const GLfloat dir[3] = {s->m_light_dir.x, s->m_light_dir.y, s->m_light_dir.z};
                glLightfv(GL_LIGHT0, GL_SPOT_DIRECTION, dir);
                glEnable(GL_LIGHT0);
            }
            m_host.redraw();
        }
        SetStatusText("%f %f %f", (double)s->m_light_dir.x, (double)s->m_light_dir.y, (double)s->m_light_dir.z);
    }

    if (s->m_object_drag) {
        if (!left && !right) return;
        // The camera record is the dragged object's transform; without a
        // valid object there is nothing to drag.
        OBJECT3D* o = s->get_object(s->m_selected);
        if (!o) return;
        if (left && right) {
            const int dx = m_last_left_x - x, dy = m_last_left_y - y;
            if (m_yz_toggle) K.rotation.y -= (float)dx * rs;
            else K.rotation.z -= (float)dx * rs;
            if (!s->m_collision) K.rotation.x += (float)dy * rs;
            m_last_left_x = m_last_right_x = x;
            m_last_left_y = m_last_right_y = y;
        } else if (left) {
            const int dy = m_last_left_y - y;
            K.position.z += (float)dy * ts;
            m_last_left_x = x;
            m_last_left_y = y;
        } else {
            const int dx = m_last_right_x - x, dy = m_last_right_y - y;
            K.position.x -= (float)dx * ts;
            K.position.y += (float)dy * ts;
            m_last_right_x = x;
            m_last_right_y = y;
        }
        o->m_dyn_translation = K.position;
        o->m_dyn_angles = K.rotation;
        o->m_dynamic = 1;
        SetStatusText("Translations Dyn: %4f %4f %4f", (double)o->m_dyn_translation.x,
                      (double)o->m_dyn_translation.y, (double)o->m_dyn_translation.z);
        m_host.redraw();
        return;
    }

    if (!left && !right) return;
    int dx = 0, dy = 0;
    if (left != right) {
        Vec3 P = K.position;
        if (right) {
            dx = m_last_right_x - x;
            dy = m_last_right_y - y;
            m_last_right_x = x;
            m_last_right_y = y;
            P.x -= (float)dx * ts;
            P.y += (float)dy * ts;
        } else {
            dx = m_last_left_x - x;
            dy = m_last_left_y - y;
            m_last_left_x = x;
            m_last_left_y = y;
            P.z += (float)dy * ts;
            P.x -= (float)dx * ts;
        }
        UpdateWalkPosition(m_gl, P, K.rotation);
        if (!s->m_collision || CollisionAccepts(P)) {
            K.position.x = P.x;
            K.position.y = P.y;
            if (left) K.position.z = P.z;
        }
    } else {
        dx = m_last_left_x - x;
        dy = m_last_left_y - y;
        if (m_yz_toggle) K.rotation.y -= (float)dx * rs;
        else K.rotation.z -= (float)dx * rs;
        if (!s->m_collision) K.rotation.x += (float)dy * rs;
        m_last_left_x = m_last_right_x = x;
        m_last_left_y = m_last_right_y = y;
    }
    m_gl.last_dx = dx;
    m_gl.last_dy = dy;
    SyncFrame();
    m_host.redraw();
}

void ViewBehaviour::OnMouseWheel(int delta, int x, int y)
{
    SCENE3D* s = scene();
    m_gl.scene = s;
    if (!s || !s->m_camera) return;
    CAMERA3D& K = *s->m_camera;
    Vec3 P = K.position;
    P.z += (float)delta * m_gl.trans_speed;
    UpdateWalkPosition(m_gl, P, K.rotation);
    K.position = P;
    last_mouse_point() = ViewPoint2{x, y};
    SyncFrame();
    m_host.redraw();
}

void ViewBehaviour::SyncFrame()
{
    SCENE3D* s = m_gl.scene;
    if (!s || !s->m_camera || s->m_object_drag) return;
    s->m_view_pos = s->m_camera->position;
    s->m_view_rot = s->m_camera->rotation;
    if (!m_gl.examine) UpdateWalkPosition(m_gl, s->m_view_pos, s->m_view_rot);
}

int ViewBehaviour::Pick(int x, int y)
{
    int r = -1;
    {
        GlScope gl(m_host);
        if (gl.ok()) r = PickIndex(m_gl, x, y);
    }
    m_gl.pick_pass = false;
    ReportPick(m_gl.scene, r);
    m_host.redraw();
    return r;
}

// ---------------------------------------------------------------- keys

void ViewBehaviour::OnKeyDown(ViewKey key)
{
    if (key == VK_ESCAPE_KEY) {
        m_host.exit_process(999);
        return;
    }
    if (key == VK_F11_KEY) {
        if (m_on_f11 && m_on_f11(*this) == 0) m_host.start_timer(TIMER_SLIDE_SHOW, m_slide_interval);
        return;
    }
    SCENE3D* s = scene();
    if (!s) return;
    const float ts = m_gl.trans_speed;
    // The arrows move the camera record, which every frame reads (and the
    // dragged object's transform while an object is dragged).
    auto move = [&](float dx, float dz) {
        if (!s->m_camera) return;
        CAMERA3D& K = *s->m_camera;
        Vec3 P = K.position;
        P.x += dx;
        P.z += dz;
        if (s->m_object_drag) {
            OBJECT3D* o = s->get_object(s->m_selected);
            if (!o) return;
            K.position = P;
            o->m_dyn_translation = P;
            o->m_dyn_angles = K.rotation;
            o->m_dynamic = 1;
            return;
        }
        if (s->m_collision && !CollisionAccepts(P)) return;
        K.position = P;
        SyncFrame();
    };
    switch (key) {
    case VK_LEFT_KEY: move(-ts, 0.f); break;
    case VK_RIGHT_KEY: move(ts, 0.f); break;
    case VK_UP_KEY: move(0.f, ts); break;
    case VK_DOWN_KEY: move(0.f, -ts); break;
    case VK_ADD_KEY:
        s->m_drag_scale.x *= 1.1f;
        s->m_drag_scale.y *= 1.1f;
        s->m_drag_scale.z *= 1.1f;
        break;
    case VK_SUBTRACT_KEY:
        s->m_drag_scale.x /= 1.1f;
        s->m_drag_scale.y /= 1.1f;
        s->m_drag_scale.z /= 1.1f;
        break;
    case VK_P_KEY:
    case VK_F1_KEY: m_pick_mode = !m_pick_mode; return;
    case VK_NEXT_KEY:
    case VK_PRIOR_KEY: {
        // Page Down / Page Up: the next / previous object that carries a
        // viewpoint, in object order, named on the status line.
        std::string name;
        const int entry = step_viewpoint(*s, m_viewpoint_entry, key == VK_NEXT_KEY ? 1 : -1, &name);
        if (entry < 0) return;
        m_viewpoint_entry = entry;
        SetStatusTextRaw(name);
        CameraPlaced();
        return;
    }
    default: return;
    }
    m_host.redraw();
}

// ---------------------------------------------------------------- timers

void ViewBehaviour::OnTimer(int id)
{
    switch (id) {
    case TIMER_CAMERA_PATH: CameraPathTick(); return;   // runs the navigation step itself
    case TIMER_SLIDE_SHOW:
        if (m_on_slide_tick) m_on_slide_tick(*this);
        break;
    case TIMER_MESH: MeshTick(); break;
    case TIMER_WORLD: WorldTick(); return;   // navigation keeps its own pace
    case TIMER_LISTS:
        // Once: the frame drawn from the arrays is on the screen.
        m_host.stop_timer(TIMER_LISTS);
        if (SCENE3D* s = scene()) {
            GlScope gl(m_host);
            if (gl.ok()) CompileDeferredLists(*s);
        }
        return;
    default: break;
    }
    if (scene()) NavigationTick();
}

void ViewBehaviour::NavigationTick()
{
    SCENE3D* s = scene();
    m_gl.scene = s;
    if (!s || !s->m_camera) return;
    CAMERA3D& K = *s->m_camera;
    if (m_gl.rotate) K.rotation.y -= 1.0f;
    if (m_gl.walk) {
        if (!s->m_collision) {
            K.position.z += (float)m_gl.last_dy * 0.02f;
            K.rotation.y -= (float)m_gl.last_dx * 0.005f;
        } else {
            Vec3 P(K.position.x - (float)m_gl.last_dx * 0.1f, K.position.y, K.position.z + (float)m_gl.last_dy * 0.1f);
            if (CollisionAccepts(P)) K.position = P;
        }
    }
    SyncFrame();
    m_host.redraw();
}

void ViewBehaviour::OnSize(int w, int h)
{
    m_gl.width = w;
    m_gl.height = h;
    GlScope gl(m_host);
    if (gl.ok()) ResizeView(m_gl, w, h);
}

// ---------------------------------------------------------------- animations

void ViewBehaviour::StartCameraPath()
{
    SCENE3D* s = scene();
    if (!s) return;
    delete s->m_path;
    s->m_path = new ANIM3D();
    s->m_path->m_active = 1;
    s->BuildCameraPath();
    if (s->m_path->m_active) {
        m_host.show_modeless("Animate Virtual Visit");
        m_host.start_timer(TIMER_CAMERA_PATH, 10);
        s->m_path->m_key = 0;
        s->m_path->m_interval = 0;
    } else {
        m_host.stop_timer(TIMER_CAMERA_PATH);
    }
}

void ViewBehaviour::CameraPathTick()
{
    SCENE3D* s = scene();
    if (!s || !s->m_path) return;
    ANIM3D& p = *s->m_path;
    if (p.m_key < p.m_pos_nkey - 1) ++p.m_key;
    else p.m_active = 0;
    if (!p.m_pos_key || p.m_key < 0 || p.m_key >= p.m_pos_nkey) return;
    // A key time of zero (or a negative or absurd one) would make the
    // timer fire without pause for as long as the path stays on that key;
    // the interval is kept within the navigation timer's 10 ms and a day.
    const double ms = (double)p.cycleInterval * 1000.0 * (double)p.m_pos_key[p.m_key];
    int interval = 10;
    if (std::isfinite(ms) && ms >= 10.0) interval = ms > 86400000.0 ? 86400000 : (int)ms;
    p.m_interval = interval;
    m_host.start_timer(TIMER_CAMERA_PATH, interval);
    m_host.redraw();
    NavigationTick();
}

void ViewBehaviour::StartMeshAnimation()
{
    m_mesh_time = 0.0;
    m_mesh_interval = 500;
    m_host.start_timer(TIMER_MESH, 500);
}

void ViewBehaviour::MeshTick()
{
    // Counted in tenths so that 3.0 itself is shown before the reset.
    m_mesh_time = (std::round(m_mesh_time * 10.0) + 1.0) / 10.0;
    if (m_mesh_time > 3.0) m_mesh_time = 0.0;
    if (SCENE3D* s = scene()) {
        if (m_wave_step) m_wave_step(*s, m_mesh_time);
    }
    m_doc.m_modified = 1;
    SetStatusText("Time:%3.2f", m_mesh_time);
    m_host.redraw();
    m_host.start_timer(TIMER_MESH, m_mesh_interval);
}

void ViewBehaviour::StopMeshAnimation()
{
    m_mesh_time = 0.0;
    m_host.stop_timer(TIMER_MESH);
}

// ---------------------------------------------------------------- world playback

namespace {
double steady_seconds()
{
    using namespace std::chrono;
    return duration<double>(steady_clock::now().time_since_epoch()).count();
}
} // namespace

double ViewBehaviour::WorldTime() const
{
    if (!m_world_playing) return m_world_paused;
    double now = m_clock ? m_clock() : steady_seconds();
    return std::max(0.0, now - m_world_origin);
}

void ViewBehaviour::StartWorld()
{
    m_host.stop_timer(TIMER_WORLD);
    m_world_playing = false;
    m_world_paused = 0.0;
    m_followed_entry = -1;
    SCENE3D* s = scene();
    if (!s || !s->m_animation) return;
    s->m_animation->evaluate(*s, 0.0);
    if (!s->m_animation->changes_after(0.0)) return;
    m_world_origin = m_clock ? m_clock() : steady_seconds();
    m_world_playing = true;
    m_host.start_timer(TIMER_WORLD, k_world_tick_ms);
}

void ViewBehaviour::WorldTick()
{
    SCENE3D* s = scene();
    if (!m_world_playing || !s || !s->m_animation) {
        m_host.stop_timer(TIMER_WORLD);
        m_world_playing = false;
        return;
    }
    double t = WorldTime();
    s->m_animation->evaluate(*s, t);
    FollowViewpoint();
    SetStatusText("Time:%3.2f", t);
    if (s->m_animation->changes_after(t)) {
        m_host.start_timer(TIMER_WORLD, k_world_tick_ms);
    } else {
        // Ended: the last state stays; Play starts it again from 0.
        m_world_paused = t;
        m_world_playing = false;
        m_host.stop_timer(TIMER_WORLD);
    }
    m_host.redraw();
}

void ViewBehaviour::FollowViewpoint()
{
    SCENE3D* s = scene();
    if (!s || m_viewpoint_entry < 0) return;
    const VIEWPOINT3D* vp = nullptr;
    for (int i = 0, entry = 0; i < s->nbobjects && !vp; ++i)
        if (s->m_objects[i] && s->m_objects[i]->m_viewpoint && entry++ == m_viewpoint_entry) vp = s->m_objects[i]->m_viewpoint;
    if (!vp) return;
    // Only a viewpoint that moved takes the camera along: navigation
    // stays the user's while it stands still.
    const float now[8] = {vp->position.x, vp->position.y, vp->position.z, vp->orientation.x,
                          vp->orientation.y, vp->orientation.z, vp->angle, vp->field_of_view};
    bool moved = m_followed_entry == m_viewpoint_entry && std::memcmp(now, m_followed, sizeof now) != 0;
    std::memcpy(m_followed, now, sizeof now);
    m_followed_entry = m_viewpoint_entry;
    if (!moved) return;
    if (go_to_viewpoint(*s, m_viewpoint_entry)) PlaceWalkFromCamera(m_gl);
}

void ViewBehaviour::ToggleWorld()
{
    SCENE3D* s = scene();
    if (m_world_playing) {
        m_world_paused = WorldTime();
        m_world_playing = false;
        m_host.stop_timer(TIMER_WORLD);
        SetStatusText("Time:%3.2f", m_world_paused);
        return;
    }
    if (!s || !s->m_animation || !s->m_animation->has_clocks()) return;
    if (!s->m_animation->changes_after(m_world_paused)) m_world_paused = 0.0;
    double now = m_clock ? m_clock() : steady_seconds();
    m_world_origin = now - m_world_paused;
    m_world_playing = true;
    WorldTick();
}

// ---------------------------------------------------------------- files

void ViewBehaviour::SaveSnapshot()
{
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    try {
        rgb = m_host.read_frame(w, h);
    } catch (const std::bad_alloc&) {
        MessageBox("Insuffisant memory");
        return;
    }
    FileDialogRequest r;
    r.save = true;
    r.default_ext = "bmp";
    r.default_name = "Snapshot.bmp";
    r.filter = "BMP Files (*.bmp)|*.bmp";
    if (!m_host.file_dialog(r)) return;
    CTexture image;
    if (!image_from_frame(rgb, w, h, image)) {
        MessageBox("Unable to save client");
        return;
    }
    image.SaveFile(r.path);
}

OpenResult ViewBehaviour::OpenPath(const std::string& path)
{
    OpenResult r;
    {
        // The messages of one load are shown together once it is over.
        ReportGroup group;
        r = m_doc.OpenByExtension(path, [this](SCENE3D& s) { return FinishScene(s); });
    }
    // A file that could not be read leaves the scene, its camera and the
    // view as they were; the status line no longer says it is being read.
    if (r != OpenResult::Scene && r != OpenResult::Lod) {
        SetStatusText("Ready");
        return r;
    }
    if (r == OpenResult::Lod) {
        if (LODSET* set = m_doc.lod()) {
            GlScope gl(m_host);
            if (gl.ok()) finish_lod_gl(*set);
            else m_finish_pending = true;
        }
    }
    m_gl.pick_pass = false;
    SceneChanged();
    return r;
}

void ViewBehaviour::OpenFile()
{
    if (!SaveModified()) return;
    FileDialogRequest r;
    r.title = "File to load";
    r.filter = open_filter();
    if (!m_host.file_dialog(r)) return;
    OpenPath(r.path);
}

const char* const k_binary_losses_status = "textures, texture coordinates and lights are not kept in the binary format";

bool ViewBehaviour::SaveModified()
{
    if (!m_doc.IsModified()) return true;
    switch (m_host.ask_save_changes(m_doc.title())) {
    case SaveAnswer::Save: return Save();
    case SaveAnswer::Discard: return true;
    case SaveAnswer::Cancel: break;
    }
    return false;
}

namespace {
// What the binary scene format does not keep, when the scene has it.
bool has_what_binary_drops(const SCENE3D& s)
{
    if (!s.m_textures.empty() || !s.m_lights.empty()) return true;
    for (int i = 0; i < s.nbobjects; ++i)
        if (const OBJECT3D* o = s.m_objects[i]; o && (o->texvertex || o->nbtexvertex > 0 || o->m_texture))
            return true;
    return false;
}

bool ends_with_nocase(const std::string& s, const char* ext)
{
    const size_t n = std::strlen(ext);
    if (s.size() < n) return false;
    for (size_t i = 0; i < n; ++i)
        if (std::tolower((unsigned char)s[s.size() - n + i]) != ext[i]) return false;
    return true;
}

// NAME.wrb beside the document's file (its extension replaced).
std::string binary_name_beside(const std::string& path)
{
    if (path.empty()) return "Scene.wrb";
    const size_t slash = path.rfind('/');
    const size_t dot = path.rfind('.');
    std::string base = dot != std::string::npos && (slash == std::string::npos || dot > slash) ? path.substr(0, dot)
                                                                                                : path;
    // "a.wrl.gz" and the like lose every extension.
    for (const char* ext : {".wrl", ".x", ".wrb"})
        if (ends_with_nocase(base, ext)) base.resize(base.size() - std::strlen(ext));
    return base + ".wrb";
}
} // namespace

bool ViewBehaviour::Save()
{
    SCENE3D* s = scene();
    if (!s) return false;
    if (!m_doc.m_binary_file || m_doc.m_path.empty()) return SaveAs();
    if (!m_doc.OnSaveDocument(m_doc.m_path)) return false;
    if (has_what_binary_drops(*s)) SetStatusTextRaw(k_binary_losses_status);
    return true;
}

bool ViewBehaviour::SaveAs()
{
    SCENE3D* s = scene();
    if (!s) return false;
    FileDialogRequest r;
    r.save = true;
    r.title = "File to save";
    r.default_ext = "wrb";
    r.filter = "WRBinary Files (*.wrb)|*.wrb||";
    r.default_name = binary_name_beside(m_doc.m_path);
    if (!m_host.file_dialog(r) || r.path.empty()) return false;
    // Binary data never goes over a file of another format: a name without
    // the binary extension gets it.
    if (!ends_with_nocase(r.path, ".wrb") && !ends_with_nocase(r.path, ".bin")) r.path += ".wrb";
    if (!m_doc.OnSaveDocument(r.path)) return false;
    if (has_what_binary_drops(*s)) SetStatusTextRaw(k_binary_losses_status);
    return true;
}
