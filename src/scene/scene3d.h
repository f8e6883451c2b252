// The whole loaded world: objects, lights, texture table, camera, camera
// path, companion script and the scene-wide display settings.
#pragma once
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "math/vec3.h"
#include "scene/environment.h"
#include "scene/object3d.h"

class CTexture;
class SceneAnimation;

struct CAMERA3D {
    Vec3 position{0.f, 0.f, -20.f};
    Vec3 rotation{0.f, 0.f, 0.f};   // degrees
    Vec3 extra{0.f, 0.f, 0.f};
};

enum LightType : uint32_t { LIGHT_POINT = 1, LIGHT_DIRECTIONAL = 2, LIGHT_SPOT = 3 };

struct LIGHT3D {
    uint32_t type = 0;
    float intensity = 0.f;
    Vec3 color;
    Vec3 location;
    Vec3 direction;
    // 1: the light shines; 0: it is kept in the scene but lights nothing
    // (a VRML light with "on FALSE"). Every light shines unless its file
    // says otherwise.
    int32_t on = 1;
};

class SCENE3D {
public:
    std::vector<LIGHT3D*> m_lights;
    std::vector<CTexture*> m_textures;
    unsigned* m_texture_names = nullptr;   // GL names, one per texture, once built
    int32_t m_nb_texture_names = 0;         // entries of m_texture_names
    int32_t m_lists_built = 0;
    // Finished for a first frame drawn straight from the arrays; the display
    // lists are compiled afterwards (CompileDeferredLists), and every frame
    // until then is drawn from the arrays too.
    uint8_t m_lists_deferred = 0;
    // Set by the readers of files made for other programs, whose units and
    // placement say nothing of our camera: the open frames the scene whole.
    uint8_t m_frame_on_open = 0;
    char* m_script = nullptr;
    int32_t m_script_len = 0;
    Vec3 m_max{-1e10f, -1e10f, -1e10f};
    Vec3 m_min{1e10f, 1e10f, 1e10f};
    Vec3 m_center;
    uint8_t m_textured = 1;
    uint8_t m_wireframe = 0;
    uint8_t m_smooth = 0;
    CAMERA3D* m_camera = nullptr;
    int32_t nbobjects = 0;
    int32_t m_capacity = 20000;
    int32_t m_nbboxes = 0;
    int32_t m_min_filter;
    uint8_t m_collision = 0;
    uint8_t m_collision_off = 0;
    int32_t m_tex_orientation = 1;
    uint8_t m_light_edit = 0;
    uint8_t m_object_drag = 0;
    uint8_t m_boxes_built = 0;
    uint8_t m_boxes_shown = 0;
    uint8_t m_draw_objects = 1;
    OBJECT3D** m_objects = nullptr;
    int32_t m_selected = -1;
    int32_t m_selected_face = -1;
    int32_t m_viewpoint_choice = 0;
    int32_t m_index_ecart_max = 0;
    int32_t m_index_ecart_moy = 0;
    Vec3 m_view_pos{0.f, 0.f, -20.f};
    Vec3 m_view_rot{0.f, 0.f, 0.f};
    Vec3 m_drag_scale{1.f, 1.f, 1.f};
    double m_fovy = 45.0;
    Vec3 m_light_dir{1.f, 1.f, 1.f};
    float m_light_dir_w = 0.f;
    uint8_t m_nav_enabled = 1;
    int32_t m_move_state[5] = {0, 0, 1, 0, 0};
    ANIM3D* m_path = nullptr;
    float m_speed[2] = {0.05f, 0.05f};
    float m_fog_start = 1.0f;
    float m_fog_end = 100.0f;
    // The sky and fog the scene file asks for (none by default).
    SceneBackground m_background;
    SceneFog m_scene_fog;
    int32_t m_polygon_mode;
    // How an open places the camera. 1: at the file's first viewpoint, or,
    // without one, framing the whole scene (files read as a scene graph, X
    // files); 0: the reset camera, framed only when it would show the scene
    // as a speck.
    uint8_t m_file_camera = 0;
    // What the readers passed over, one line each ("Box at line 12: not
    // read"), in the order met.
    std::vector<std::string> m_not_read;
    // Section and curve chosen in the "Extrude" dialog (-1: none); kept
    // between uses of the dialog.
    int32_t m_extrude_section = -1;
    int32_t m_extrude_curve = -1;
    // What the file declares to move with time (null when nothing).
    std::unique_ptr<SceneAnimation> m_animation;

    SCENE3D();
    ~SCENE3D();
    SCENE3D(const SCENE3D&) = delete;
    SCENE3D& operator=(const SCENE3D&) = delete;

    void delete_objects();
    // Appends obj; 0 (and obj not taken) when the array is full.
    int add_object(OBJECT3D* obj);
    // Appends a generated object with its bounding box, centre and the world
    // bounds brought up to date; when the array is full obj is deleted and
    // 0 returned.
    int append_generated(OBJECT3D* obj);
    // Deletes object i and moves the later objects (and the bounding-box
    // objects behind them) down one slot; 0 when i names no object.
    int remove_object(int i);
    OBJECT3D* get_object(int i) const;
    CTexture* get_texture(int i) const;
    bool find_texture(const std::string& name, int& index) const;
    int add_texture(const std::string& name, int& index, float alpha, int use_alpha);
    void add_light(LIGHT3D* light);

    void set_show_normals(int v);
    void set_lighting(int v);
    void set_norm_binding(int v);
    void set_polygon_face(int v);

    void compute_world_bounds(int i);

    // Runs index_statistics on every object and keeps the largest maximum
    // and the last object's average.
    void index_statistics();

    // Fills m_path (created when absent) from the objects' animation records,
    // in object order, and sets it active: each animated object copies its
    // cycle interval and key count (when its interval is not zero) and its
    // present key and value arrays, so the last animated object wins. The
    // path's key count never exceeds the key array it ends up with.
    void BuildCameraPath();
};

// Euler rotation of the world bounds: angles taken directly as radians.
Vec3 euler_rotate(const Vec3& v, const Vec3& angles);

// Writes the scene dump "vrml.out" in the current folder; 1 on success.
int dump_scene(const SCENE3D& scene, const char* path = "vrml.out");

// Process-wide pointer to the current scene, for code without a document.
SCENE3D*& current_scene();
