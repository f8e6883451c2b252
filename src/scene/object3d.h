// One scene object: an indexed face mesh in the VRML manner (-1 closes
// every face), with its normals, materials, texture coordinates, placement,
// bounds, optional viewpoint and animation, and its display-list name.
#pragma once
#include <cstdint>
#include <cstdio>
#include <span>
#include <string>
#include <vector>

#include "math/vec3.h"

struct Shape2D;
class SCENE3D;

// Key-framed animation of an object (VRML 2.0 TimeSensor + interpolators),
// also used for the camera path of the scene.
struct ANIM3D {
    uint8_t m_active = 0;
    int32_t m_key = 0;        // playback: current key index
    int32_t m_interval = 0;   // playback: last timer interval (ms)
    float cycleInterval = 0.f;
    int32_t m_pos_nkey = 0;
    int32_t m_pos_nvalue = 0;
    int32_t m_rot_nkey = 0;
    int32_t m_rot_nvalue = 0;
    float* m_pos_key = nullptr;
    Vec3* m_pos_value = nullptr;
    float* m_rot_key = nullptr;
    Vec3* m_rot_value = nullptr;

    ANIM3D() = default;
    ~ANIM3D() { clear(); }
    ANIM3D(const ANIM3D&) = delete;
    ANIM3D& operator=(const ANIM3D&) = delete;
    void clear();
};

struct VIEWPOINT3D {
    Vec3 position;
    Vec3 orientation;   // axis of the VRML orientation
    // Beside the axis: the turn about it (radians, right-handed) that takes
    // the default view (looking along -Z, +Y up) to this one, and the
    // field of view (radians) the file asks for.
    float angle = 0.f;
    float field_of_view = 0.785398f;
};

// What m_points_only says of an object made of points alone: the points of
// a point-set file, drawn at a hundredth of their coordinates, or a point
// cloud of another program's file, drawn where its coordinates say.
constexpr uint8_t k_point_set_file = 1;
constexpr uint8_t k_point_cloud = 2;

class OBJECT3D {
public:
    Vec3* m_normals;
    Vec3* m_vertex_normals;
    int32_t* normalindex;
    Shape2D* m_shape2d;          // not owned
    int32_t nbnormal;
    int32_t m_face_counter;
    int32_t* m_materialindex;
    int32_t m_last_material;
    int32_t* m_vertex_normalindex;
    int32_t m_last_face_size;
    int32_t m_face_size;
    int32_t m_face_material;
    int32_t m_mat_on;
    int32_t m_mat_binding;
    int32_t m_scratch_a, m_scratch_b;
    int32_t m_has_coords;
    int32_t m_has_index;
    int32_t m_named;
    uint8_t m_def_open;
    int32_t m_list_built;
    int32_t m_cursor;
    int32_t m_show_normals;
    int32_t m_show_axes;
    int32_t nbmaterial;
    uint8_t m_textransform;
    uint8_t m_texrotation_on;
    float m_texrotation;
    int32_t* m_texture;          // slot holding the texture index, or null
    int32_t m_texture_mode;
    int32_t m_texture_frame;
    uint8_t m_texcenter_on;
    float m_texcenter[2];
    uint8_t m_texscale_on;
    float m_texscale[2];
    uint8_t m_transparent;
    uint8_t m_textranslation_on;
    float m_textranslation[2];
    uint8_t m_lighting;
    uint8_t m_wireframe;
    int32_t m_norm_binding;
    Vec3* m_vertices;
    TexVertex* texvertex;
    int32_t nbtexvertex;
    int32_t* texindex;
    std::string m_texture_name;
    int32_t* m_index;
    int32_t m_index_ecart_max;
    int32_t m_index_ecart_moy;
    uint8_t m_show_texcoords;
    int32_t nbindex;
    uint8_t m_dynamic;
    uint8_t m_has_matrix;
    float m_matrix[16];
    Vec3 translation;
    Vec3 m_dyn_translation;
    Vec3* m_aux_a;
    Vec3* m_aux_b;
    float angle;
    float m_scale_angle;
    Vec3 rotation;
    Vec3 m_dyn_angles;
    Vec3 echelle;
    Vec3 m_scale_axis;
    Vec3* T_ambientColor;
    float* m_ambient_intensity;
    Vec3* T_diffuseColor;
    Vec3* T_specularColor;
    float* T_shininess;
    Vec3* T_emissive;
    // Lengths the material arrays were read with (the arrays may differ).
    int32_t m_nb_ambient, m_nb_ambient_intensity, m_nb_diffuse, m_nb_specular,
        m_nb_shininess, m_nb_emissive;
    float m_transparency;
    int32_t m_needs_rebuild;
    int32_t m_polygon_face;
    int32_t m_polygon_mode;
    uint8_t m_points_only;   // 0, k_point_set_file or k_point_cloud
    // Lines and points (m_wireframe) whose file gave them a colour (a
    // material or a colour list): drawn in it; others in a plain grey.
    uint8_t m_line_colours;
    // A point cloud's own colours, red green blue (0..255) for each of its
    // nbpts points, or null: its points are then drawn as any object's.
    uint8_t* m_point_rgb;
    // Faces are the filled glyphs of a text (counted apart from modelled
    // geometry by --info).
    uint8_t m_glyphs;
    int32_t m_tex_t_sign;
    std::string m_name;
    std::string m_url;
    int32_t m_pick_id;
    int32_t m_list;
    int32_t m_ready;
    // Drawn without a list (one-shot frames): whether it was prepared lit.
    uint8_t m_direct_lit;
    // Flat normals of a one-shot frame: 1, m_normals holds one normal per
    // face, in face order, without a per-corner index (see
    // build_face_normals); 2, none are kept and the draw makes each face's
    // as it goes (an index whose every corner is a vertex).
    uint8_t m_normals_by_face;
    int32_t nbpts;
    int32_t nbface;
    int32_t m_aux_count;
    int32_t m_line;
    Vec3* m_tmp_vertices;        // reader's shared temporary arrays, not owned
    TexVertex* m_tmp_texvertex;
    int32_t* m_tmp_index;
    Vec3 m_o_max_xyz;
    Vec3 m_world_max;
    Vec3 m_o_min_xyz;
    Vec3 m_world_min;
    Vec3 m_o_center_xyz;
    Vec3 m_world_center;
    Vec3 m_world_center2;
    float m_radius;
    double m_radius_d;
    int32_t m_dialog_values[2];
    VIEWPOINT3D* m_viewpoint;
    ANIM3D* m_anim;

    OBJECT3D();
    ~OBJECT3D();
    OBJECT3D(const OBJECT3D&) = delete;
    OBJECT3D& operator=(const OBJECT3D&) = delete;

    void reset();
    void clear();

    Vec3* get_specular(int i);
    void compute_bounds();
    void compute_center();
    void fit_to_size10();

    // Material lookups that never read past the array actually held:
    // a number beyond an array's length is served by its last entry;
    // null when the array is absent or the number is negative.
    const Vec3* ambient(int i) const;
    const Vec3* diffuse(int i) const;
    const Vec3* specular(int i) const;
    const Vec3* emissive(int i) const;
    const float* shininess(int i) const;
    // The colour lines and points (m_wireframe) of material i are drawn in.
    Vec3 line_colour(int i) const;

    // True when every face corner names an existing vertex.
    bool valid_vertex(int v) const { return v >= 0 && v < nbpts && m_vertices; }

    // Normals and checks
    Vec3 face_normal(int position);
    static bool normalize(Vec3& v);
    // One normal per face; with `corner_index` also normalindex, the face of
    // every corner. Without it (a one-shot flat frame, which reads the
    // normals face by face) m_normals_by_face is set instead.
    void build_face_normals(bool corner_index = true);
    void build_vertex_normals();
    void index_statistics();
    int test_edges();
    // The object's text dump. `compiled_lit`: it is drawn lit, so its
    // vertex normals are listed even when a flat object keeps none.
    int dump(FILE* f, bool compiled_lit = false) const;
    // The vertex normals build_vertex_normals would make from the face
    // normals as they are (none without face normals).
    std::vector<Vec3> vertex_normals_of_faces() const;

    // The one way generators hand over geometry: each call replaces the
    // object's array with an exact-size copy of the given entries and keeps
    // the count beside it (an empty span leaves the array null).
    // take_faces counts nbface as the -1 entries; take_texture_coords sets
    // texvertex/nbtexvertex and texindex, the latter made exactly nbindex
    // long (call it after take_faces; a short list is padded with -1).
    // forget_normals drops both normal arrays and their indexes so that the
    // next compilation builds them again.
    void take_points(std::span<const Vec3> points);
    void take_faces(std::span<const int32_t> index);
    void take_texture_coords(std::span<const TexVertex> coords, std::span<const int32_t> index);
    void forget_normals();

    // Binary scene format, one object record (io/binary_format.cpp).
    // write_binary returns 0 when the file refuses the bytes. read_binary
    // returns 0 on a damaged or foreign record, with the reason in *why,
    // and then leaves the object empty.
    int write_binary(FILE* f) const;
    int read_binary(FILE* f, std::string* why = nullptr);
};
