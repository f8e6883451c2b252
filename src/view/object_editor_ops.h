// "Object Editor": the values of the modeless editor dialog and what its
// controls do to the scene. The editor lists the scene's objects and the
// selected one's vertices, faces, normals and texture coordinates; its
// buttons hand the mouse over to the selected object (size, position),
// its sliders set the mouse's scale and move one texture vertex, and
// "Texture_Fit" projects the object's points onto its texture.
#pragma once
#include <string>
#include <vector>

#include "scene/scene3d.h"

class OBJECT3D;

// The texts of the editor for the selected object (`selected` < 0 or not an
// object: only the object list is filled).
struct ObjectEditorLists {
    std::vector<std::string> objects;     // 1050 "%3ld %s"
    std::vector<std::string> vertices;    // 1053
    std::vector<std::string> faces;       // 1055
    std::vector<std::string> normals;     // 1068
    std::vector<std::string> texcoords;   // 1051
    std::vector<std::string> texindex;    // 1057
    std::string counts;                   // 1056
    std::string texture_name;             // 1052
    std::string nbtexvertex;              // 1054
    std::string tex_center, tex_scale, tex_rotation, tex_translation;   // 1058, 1064, 1066, 1065
    std::string url;                      // 1067
};
ObjectEditorLists object_editor_lists(const SCENE3D* scene, int selected);

// Scale range of slider 1073 at position k: k / 100, shown "%4.2f".
float scale_range_from_slider(int k);
// Mouse scale of slider 1069 at position k with range s: e^(s (k - 50)).
float drag_scale_from_slider(float s, int k);

// The editor's own state, kept while the dialog lives.
class ObjectEditor {
public:
    int m_selected = -1;          // object chosen in 1050
    int m_texvertex = -1;         // texture vertex chosen in 1051
    float m_base_u = 0.f, m_base_v = 0.f;
    float m_scale_range = 0.10f;  // slider 1073 starts at 10
    bool m_fit_pushed = false;    // "Texture_Fit" is a push-like toggle

    // 1050: select object i (ignored when i names none). The status line
    // shows its name. true when selected.
    bool select_object(SCENE3D& scene, int i);
    // 1051: remember texture vertex t and its (u, v). false when the
    // selected object has no such texture vertex.
    bool select_texvertex(const SCENE3D& scene, int t);
    // "Size" (1059): the mouse drags the selected object.
    void size(SCENE3D& scene);
    // "Position" (1060): as "Size"; the object is drawn with its dynamic
    // transform and the camera is kept aside and put at the origin.
    void position(SCENE3D& scene);
    // "Global" (1063): the camera comes back and the mouse moves it again.
    void global(SCENE3D& scene);
    // Closing (close box or OK): the mouse moves the camera again; the
    // selected object loses its dynamic transform and the camera comes back.
    void close(SCENE3D& scene);

    // 1073, 1069: scale range and mouse scale; the texts 1074 and 1070. The
    // mouse scale f also sizes the chosen object: its scale becomes f times
    // the scale it had when it was chosen.
    std::string scale_range_slider(int k);
    std::string drag_scale_slider(SCENE3D& scene, int k);
    // 1018 / 1019: u or v of the chosen texture vertex = k / 50 + base.
    // Text of 1071 "%5.2f %5.2f" (u, v); empty when nothing is chosen.
    std::string texture_u_slider(SCENE3D& scene, int k);
    std::string texture_v_slider(SCENE3D& scene, int k);
    // Texture transform fields typed by the user: 1058 centre, 1064 scale,
    // 1065 translation (two numbers each) and 1066 rotation (one). The
    // chosen object takes the values and draws its texture through them.
    // false, with nothing changed, for another id, no chosen object or a
    // text that is not the numbers wanted.
    bool set_texture_transform(SCENE3D& scene, int id, const std::string& text);
    // 1081: flips the button; when it becomes pushed, fits the selected
    // object. true when a fit ran.
    bool texture_fit_toggle(SCENE3D& scene);

    bool has_saved_camera() const { return m_camera_saved; }

private:
    TexVertex* chosen_texvertex(SCENE3D& scene) const;
    void restore_camera(SCENE3D& scene);
    Vec3 m_base_size{1.f, 1.f, 1.f};
    CAMERA3D m_saved_camera;
    bool m_camera_saved = false;
};

// Central projection of the object's points onto its texture: the points
// move by (0, 0, -100), then texture vertex i = (x_i / z_i, y_i / z_i) for
// every point in order, up to the first point with z = 0. An object with
// fewer texture vertices than points first gets one per point (and a face
// texture index equal to its face index). 0 when the object has no points.
int texture_fit(OBJECT3D& o);
