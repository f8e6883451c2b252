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

#include "io/open.h"
#include "render/frame.h"
#include "view/view_host.h"

struct CAMERA3D;
class ViewBehaviour;

// Status line after a binary save of a scene with what the format drops.
extern const char* const k_binary_losses_status;

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
enum ViewTimer { TIMER_NAVIGATION = 0, TIMER_CAMERA_PATH = 2, TIMER_SLIDE_SHOW = 3, TIMER_MESH = 4, TIMER_WORLD = 5,
                 TIMER_LISTS = 6 };
// Interval of the world's playback timer: about the display's pace, at most.
constexpr int k_world_tick_ms = 16;

// Entries of the modules that plug into the view's handlers. Each module
// sets its own at start-up (a static initialiser in its command file); a
// view copies them when it is made, and a test may set a view's copy. A
// null entry means the module is not there: the handler does nothing more.
struct ViewHooks {
    // F11: hands the picture list to the 2D drawing and switches to 2D
    // mode; 0 when the slide show should run (timer 3 is then started
    // with m_slide_interval).
    int (*start_slide_show)(ViewBehaviour&) = nullptr;
    // Timer 3: next picture of the slide show.
    void (*slide_show_tick)(ViewBehaviour&) = nullptr;
    // Left press in 2D-drawing mode (client point).
    void (*board_click)(ViewBehaviour&, int x, int y) = nullptr;
    // Wave step of the sea scene for mesh time t.
    void (*wave_step)(SCENE3D&, double t) = nullptr;
};
ViewHooks& view_hooks();

// Makes the host's GL context current for the scope (when it has one).
class GlScope {
public:
    explicit GlScope(ViewHost& h) : m_host(h), m_ok(h.make_current()) {}
    ~GlScope()
    {
        if (m_ok) m_host.done_current();
    }
    GlScope(const GlScope&) = delete;
    GlScope& operator=(const GlScope&) = delete;
    bool ok() const { return m_ok; }

private:
    ViewHost& m_host;
    bool m_ok;
};

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
    // The scene's camera record (null without a scene).
    CAMERA3D* camera() const;

    // A new scene was opened or created: the frame follows it; the camera
    // is placed as the file sets it up (first viewpoint, whole scene) or
    // reset; the view's state is reset (ResetViewState); the switches and
    // speeds stay as the user set them.
    void SceneChanged();
    // What a new or opened scene starts from: timers and animations
    // stopped, no fog, the first clear colour, no 2D mode, "Ready" on the
    // status line.
    void ResetViewState();
    // The scene's camera record (and field of view) were set anew: the
    // frame takes them as they are, with the projection, and redraws.
    void CameraPlaced();
    // The view's GL context exists (or was made again) and is current:
    // global state with the given clear colour, then any finishing steps
    // that waited for it.
    void OnContextCreated(const float clear_rgb[3]);
    // Finishing steps of an open (textures, display lists, lights) in the
    // view's context; deferred to OnContextCreated when there is none yet.
    int FinishScene(SCENE3D& scene);
    // A frame of the scene was drawn and shown: lists left for after the
    // first frame are compiled on the next turn of the window's events.
    void FrameShown();

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
    // Brings what the next frame derives from the camera record (walk
    // position, view position) up to date, so that painting finds nothing
    // left to move.
    void SyncFrame();

    // Picks at client point (x, y) in the view's context, writes the result
    // on the status line and asks for a normal frame. Index or -1.
    int Pick(int x, int y);

    // Animations: "Animate" (camera path) and its timer, "Animate_mesh"
    // and its timer, and the mesh animation's stop (its update rule).
    void StartCameraPath();
    void CameraPathTick();
    void StartMeshAnimation();
    void MeshTick();
    void StopMeshAnimation();

    // Playback of a world that moves by itself (its clocks and routes): it
    // starts when the scene opens, runs on timer 5 and stops when nothing
    // changes any more. "Play / Pause" pauses it and goes on from there
    // (from the start once it had ended).
    void StartWorld();
    void WorldTick();
    void ToggleWorld();
    // The camera goes with the viewpoint it was put at when the world
    // moves that viewpoint.
    void FollowViewpoint();
    bool WorldPlaying() const { return m_world_playing; }
    // Seconds of the world's time now (the time it was paused at).
    double WorldTime() const;
    // Seconds since some fixed moment; a test may replace it.
    double (*m_clock)() = nullptr;

    // "Save as BMP...": the frame just drawn, to a file the user chooses.
    void SaveSnapshot();
    // "&Open...": file chooser, then the open by extension.
    void OpenFile();
    // The open by extension of `path`, its finishing steps and the view's
    // follow-up. The result of the open.
    OpenResult OpenPath(const std::string& path);
    // Before the document's scene is dropped (New, Open, a drop, closing):
    // when it has unsaved changes the host asks "Save changes to NAME?".
    // true when the caller may go on (saved, discarded or nothing to save).
    bool SaveModified();
    // "&Save": a document read from a binary scene file is written back;
    // any other is saved as a new binary file (Save as..., offering
    // NAME.wrb beside it). true when written.
    bool Save();
    // "Save as...": the binary scene file the user names.
    bool SaveAs();

    // The frame's inputs (scene, size, examine, fog, stereo, walk position).
    GlView m_gl;

    // Switches of the command table (initial values at construction).
    int m_lighting = 1;
    int m_tex_env = 1;
    int m_yz_toggle = 0;
    uint8_t m_pick_mode = 0;
    // Entry of the viewpoint shown by the Page keys (-1: none yet).
    int m_viewpoint_entry = -1;
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

    // World playback: playing, the clock reading of the world's time 0, and
    // the world's time when paused.
    bool m_world_playing = false;
    double m_world_origin = 0.0;
    double m_world_paused = 0.0;
    int m_followed_entry = -1;
    float m_followed[8] = {};

    // 2D drawing mode and its board (created on first use).
    bool m_2d_mode = false;
    DrawingBoard* m_board = nullptr;   // owned; made and released by the board's commands

    // Clear colour the view was made with (what New and every open restore).
    float m_initial_clear_rgb[3] = {0.f, 0.f, 0.f};

    // Display size set by "Resize Display" (0 = the window's).
    int m_display_w = 0, m_display_h = 0;

    // Slide-show interval of the 2D drawing (ms), set by the board.
    int m_slide_interval = 0;

    // Module entries (copied from view_hooks() at construction).
    int (*m_on_f11)(ViewBehaviour&) = nullptr;
    void (*m_on_slide_tick)(ViewBehaviour&) = nullptr;
    void (*m_on_board_click)(ViewBehaviour&, int, int) = nullptr;
    void (*m_wave_step)(SCENE3D&, double) = nullptr;

    // Levels of the document's level-of-detail set, as the frame draws them.
    LodLevels m_lod_levels;
    // An open finished before the view had a context.
    bool m_finish_pending = false;
    // A window shows an opened scene drawn from its arrays first and
    // compiles its lists once that frame is on the screen (see FrameShown).
    bool m_lists_after_first_frame = false;

private:
    CQuorvelDoc& m_doc;
    ViewHost& m_host;
};

// Releases the board of a view (defined with the board's commands).
void destroy_board(DrawingBoard* board);

// Process-wide last mouse position seen by a button press or the wheel.
struct ViewPoint2 { int x = 0, y = 0; };
ViewPoint2& last_mouse_point();
