// The view's behaviour without a window: its switches and speeds, the mouse,
// wheel, key and timer handlers, the animations, and the state every
// command of the command table works on. The Qt view turns its events into
// calls of these handlers and implements ViewHost; the command line and the
// tests drive the same object with the headless host.
//
// Ownership: the document owns the scene (and a level-of-detail set); the
// behaviour keeps pointers to the document and the host, and owns only view
// state. GlView (render layer) holds what a frame reads.
#pragma once
#include <memory>
#include <string>

#include "render/frame.h"
#include "view/view_host.h"

class CQuorvelDoc;
class SCENE3D;
class DrawingBoard;

// Mouse buttons and keys, in the view's own terms.
enum MouseButton { MB_LEFT = 1, MB_RIGHT = 2 };
enum ViewKey {
    VK_ESCAPE_KEY = 1, VK_F1_KEY, VK_F11_KEY, VK_LEFT_KEY, VK_RIGHT_KEY, VK_UP_KEY, VK_DOWN_KEY,
    VK_P_KEY, VK_ADD_KEY, VK_SUBTRACT_KEY, VK_HOME_KEY, VK_PRIOR_KEY, VK_NEXT_KEY, VK_OTHER_KEY
};
// Timer identifiers of the view.
enum ViewTimer { TIMER_NAVIGATION = 0, TIMER_CAMERA_PATH = 2, TIMER_SLIDE_SHOW = 3, TIMER_MESH = 4 };

class ViewBehaviour {
public:
    ViewBehaviour(CQuorvelDoc& doc, ViewHost& host);
    ~ViewBehaviour();
    ViewBehaviour(const ViewBehaviour&) = delete;
    ViewBehaviour& operator=(const ViewBehaviour&) = delete;

    CQuorvelDoc& doc() { return m_doc; }
    ViewHost& host() { return m_host; }
    // The document's scene (null when none).
    SCENE3D* scene() const;

    // A new scene was opened or created: the frame follows it; the scene's
    // camera is reset; the switches and speeds stay as the user set them.
    void SceneChanged();

    // Input handlers; (x, y) in client pixels, y downwards.
    void OnButtonDown(MouseButton b, int x, int y);
    void OnButtonUp(MouseButton b, int x, int y);
    void OnMouseMove(int x, int y);
    void OnMouseWheel(int delta, int x, int y);
    void OnKeyDown(ViewKey key);
    void OnTimer(int id);
    void OnSize(int w, int h);

    // Collision test of a candidate camera position.
    bool CollisionAccepts(const Vec3& p) const;
    // Navigation step of the timers: auto-rotation and walking.
    void NavigationTick();

    // The frame's inputs (scene, size, examine, fog, stereo, walk position).
    GlView m_gl;

    // Switches of the command table (initial values at construction).
    int m_lighting = 1;
    int m_tex_env = 1;
    int m_yz_toggle = 0;
    uint8_t m_pick_mode = 0;
    int m_show_normals = 0;
    int m_tex_removed = 1;
    int m_mipmap = 1;
    int m_boxes = 0;
    int m_light_props = 0;
    int m_gl_face;            // GL_FRONT_AND_BACK
    int m_double_sided = 0;
    int m_diffuse_white = 0;
    float m_collision_radius = 0.f;

    // Mouse state.
    int m_last_left_x = 0, m_last_left_y = 0;
    int m_last_right_x = 0, m_last_right_y = 0;

    // Mesh animation: time and interval (ms).
    double m_mesh_time = 0.0;
    int m_mesh_interval = 500;

    // 2D drawing mode and its board (created on first use).
    bool m_2d_mode = false;
    DrawingBoard* m_board = nullptr;   // owned; made and released by the board's commands

    // Display size set by "Resize Display" (0 = the window's).
    int m_display_w = 0, m_display_h = 0;

private:
    CQuorvelDoc& m_doc;
    ViewHost& m_host;
};

// Releases the board of a view (defined with the board's commands).
void destroy_board(DrawingBoard* board);

// Process-wide last mouse position seen by a button press or the wheel.
struct ViewPoint2 { int x = 0, y = 0; };
ViewPoint2& last_mouse_point();
