#include "render/display_list.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <type_traits>
#include <optional>
#include <thread>
#include <unordered_map>
#include <memory>
#include <vector>

#include "model/shape2d.h"
#include "render/face_tess.h"
#include "scene/compile_prep.h"
#include "scene/scene3d.h"
#include "scene/object3d.h"

PickColour pick_colour(int pick_id, int face)
{
    return PickColour{(uint8_t)(pick_id & 0xFF), (uint8_t)((pick_id >> 8) & 0xFF), (uint8_t)(face & 0xFF)};
}

int pick_decode(uint8_t r, uint8_t g) { return (int)g * 256 + (int)r; }

namespace {
// Which per-corner data a compilation sends, decided once per object. The
// arrays and counts are copied here so that the tests of every corner read
// them from registers, not again from the object after each store.
struct CornerRules {
    const OBJECT3D& o;
    bool lit;
    const Vec3* normals = nullptr;     // normal array in use
    const int32_t* nindex = nullptr;   // its per-corner index
    bool by_face = false;              // or one normal per face, in face order
    int nnormals = 0;
    bool tex = false;
    const int32_t* index;
    int npts;
    const int32_t* tindex = nullptr;
    int ntex = 0;

    explicit CornerRules(const OBJECT3D& obj) : o(obj), lit(obj.m_lighting != 0), index(obj.m_index), npts(obj.nbpts)
    {
        if (lit) {
            if (o.m_norm_binding == 1) {
                if (o.m_vertex_normals && o.m_vertex_normalindex) {
                    normals = o.m_vertex_normals;
                    nindex = o.m_vertex_normalindex;
                    nnormals = o.nbpts;
                }
            } else if (o.m_normals && o.normalindex) {
                normals = o.m_normals;
                nindex = o.normalindex;
                nnormals = o.nbnormal;
            } else if (o.m_normals && o.m_normals_by_face == 1) {
                normals = o.m_normals;
                by_face = true;
                nnormals = o.nbnormal;
            } else if (o.m_normals_by_face == 2) {
                by_face = true;
                nnormals = INT32_MAX;
            }
            tex = o.texvertex && o.texindex && o.nbtexvertex > 0;
            if (tex) {
                tindex = o.texindex;
                ntex = o.nbtexvertex;
            }
        }
    }
    // A corner is usable when every number it sends lies inside its array.
    bool ok(int k) const
    {
        int v = index[k];
        if (v < 0 || v >= npts) return false;
        if (nindex && (unsigned)nindex[k] >= (unsigned)nnormals) return false;
        if (tex && (unsigned)tindex[k] >= (unsigned)ntex) return false;
        return true;
    }
};

int face_end(const OBJECT3D& o, int pos)
{
    const int32_t* idx = o.m_index;
    int n = o.nbindex;
    while (pos < n && idx[pos] != -1) ++pos;
    return pos;
}

void set_ambient(int face, float r, float g, float b)
{
    const GLfloat c[4] = {r, g, b, 1.f};
    glMaterialfv((GLenum)face, GL_AMBIENT, c);
}

int count_usable(const CornerRules& rules, int pos, int end)
{
    int n = 0;
    for (int k = pos; k < end; ++k)
        if (rules.ok(k)) ++n;
    return n;
}

void begin_for(int corners)
{
    if (corners == 3) glBegin(GL_TRIANGLES);
    else if (corners == 4) glBegin(GL_QUADS);
    else if (corners > 4) glBegin(GL_POLYGON);
}

// Corners waiting to be compiled as one glDrawArrays.
// Client-side vertex arrays are read from memory only while no buffer object
// is bound to GL_ARRAY_BUFFER: a toolkit sharing the context (a widget's
// compositor) may leave one bound, and the arrays' addresses would then be
// taken as offsets into it. The binding is put back afterwards.
struct ClientArraySource {
    GLint saved = 0;
    ClientArraySource()
    {
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &saved);
        if (saved) glBindBuffer(GL_ARRAY_BUFFER, 0);
    }
    ~ClientArraySource()
    {
        if (saved) glBindBuffer(GL_ARRAY_BUFFER, (GLuint)saved);
    }
    ClientArraySource(const ClientArraySource&) = delete;
    ClientArraySource& operator=(const ClientArraySource&) = delete;
};

// Geometry kept in a buffer object instead of a display list: the object's
// corners are uploaded once, and its material changes and draws are kept in
// order and replayed at every draw, with the same GL calls the list would
// make. The list of the object then holds only its overlays (normals, axes,
// texture coordinates, 2D curve). Compiling costs a copy of the arrays
// instead of the list compiler's work for every vertex.
struct BufferStep {
    GLenum mode = 0;   // 0: a material change
    GLint first = 0;
    GLsizei count = 0;
    GLenum face = 0;
    GLfloat amb[4], dif[4], spe[4], emi[4];
    GLfloat shin = 0;
};
struct BufferGeometry {
    GLuint vbo = 0;
    bool failed = false;   // no buffer of the size needed
    bool normals = false, tex = false;
    size_t nrm_at = 0, tex_at = 0, col_at = 0;
    std::vector<BufferStep> steps;
    // The static transform and pick name as compiled.
    GLuint name = 0;
    Vec3 translation, rotation, scale_axis, echelle;
    float angle = 0, scale_angle = 0;
};
// By the name of the object's list. Entries are replaced whenever a list
// name is handed out again, so one left from another context is harmless.
std::unordered_map<GLuint, BufferGeometry>& buffer_geometry()
{
    static std::unordered_map<GLuint, BufferGeometry> table;
    return table;
}
// Set while an object's faces are recorded for a buffer object (on each
// thread that records).
thread_local std::vector<BufferStep>* g_recording = nullptr;
bool g_buffers_allowed = true;

struct FaceBatch {
    GLenum mode = 0;
    bool has_normals = false;
    bool has_tex = false;
    // Room for every corner of the object (reserve), filled from the start
    // by each batch: no growth and no per-corner bookkeeping.
    std::unique_ptr<float[]> pos, nrm, tex;
    // Red, green, blue, alpha bytes in memory order, stored as one word.
    std::unique_ptr<uint32_t[]> col;
    size_t count = 0, capacity = 0;
    // When recording, batches stay in the arrays one after the other and
    // each flush records a draw of its range.
    std::vector<BufferStep>* record = nullptr;
    size_t start = 0;

    void add(const Vec3& v, const Vec3* n, const TexVertex& t, uint32_t rgba)
    {
        if (count >= capacity) return;
        float* p = &pos[count * 3];
        p[0] = v.x;
        p[1] = v.y;
        p[2] = v.z;
        if (has_normals) {
            float* q = &nrm[count * 3];
            if (n) {
                q[0] = n->x;
                q[1] = n->y;
                q[2] = n->z;
            } else {
                q[0] = 0.f;
                q[1] = 0.f;
                q[2] = 1.f;
            }
        }
        if (has_tex) {
            tex[count * 2] = t.s;
            tex[count * 2 + 1] = t.t;
        }
        col[count] = rgba;
        ++count;
    }
    // Room for `more` corners after those held (a face cut into triangles
    // has more corners than its index list).
    void make_room(size_t more)
    {
        if (count + more <= capacity) return;
        const size_t grown = std::max(capacity * 2, count + more);
        auto move = [this, grown](auto& a, size_t width) {
            using T = std::remove_reference_t<decltype(a[0])>;
            std::unique_ptr<T[]> b(new T[grown * width]);
            if (a) std::copy(a.get(), a.get() + count * width, b.get());
            a = std::move(b);
        };
        move(pos, 3);
        move(col, 1);
        if (has_normals) move(nrm, 3);
        if (has_tex) move(tex, 2);
        capacity = grown;
    }
    void reserve(size_t corners)
    {
        capacity = corners;
        pos.reset(new float[corners * 3]);
        col.reset(new uint32_t[corners]);
        if (has_normals) nrm.reset(new float[corners * 3]);
        if (has_tex) tex.reset(new float[corners * 2]);
    }
    void flush()
    {
        if (record) {
            if (count > start) {
                BufferStep step;
                step.mode = mode;
                step.first = (GLint)start;
                step.count = (GLsizei)(count - start);
                record->push_back(step);
            }
            start = count;
            mode = 0;
            return;
        }
        GLsizei n = (GLsizei)count;
        if (n > 0) {
            glEnableClientState(GL_VERTEX_ARRAY);
            glVertexPointer(3, GL_FLOAT, 0, pos.get());
            glEnableClientState(GL_COLOR_ARRAY);
            glColorPointer(4, GL_UNSIGNED_BYTE, 0, col.get());
            if (has_normals) {
                glEnableClientState(GL_NORMAL_ARRAY);
                glNormalPointer(GL_FLOAT, 0, nrm.get());
            }
            if (has_tex) {
                glEnableClientState(GL_TEXTURE_COORD_ARRAY);
                glTexCoordPointer(2, GL_FLOAT, 0, tex.get());
            }
            glDrawArrays(mode, 0, n);
            glDisableClientState(GL_VERTEX_ARRAY);
            glDisableClientState(GL_COLOR_ARRAY);
            glDisableClientState(GL_NORMAL_ARRAY);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        count = 0;
        mode = 0;
    }
};

void finish_compile(OBJECT3D& o)
{
    o.m_list_built = 1;
    o.m_needs_rebuild = 0;
    o.m_ready = 1;
}

// A textured scene stands for the object's own when only the object is at
// hand: whether it compiles lit is then its m_lighting alone (an untextured
// scene clears m_lighting for the compilation).
SCENE3D& textured_context()
{
    static SCENE3D* scene = [] {
        SCENE3D* s = new SCENE3D();
        s->m_textured = 1;
        return s;
    }();
    return *scene;
}

void forget_buffers(GLuint list)
{
    auto& table = buffer_geometry();
    auto it = table.find(list);
    if (it == table.end()) return;
    if (it->second.vbo) glDeleteBuffers(1, &it->second.vbo);
    table.erase(it);
}

// A list name that GL has just handed out: whatever was kept under it
// belongs to a list of another context.
void claim_list_name(GLuint list) { buffer_geometry().erase(list); }

void delete_old_list(OBJECT3D& o)
{
    if (o.m_list && o.m_list_built) DeleteObjectList((unsigned)o.m_list);
    o.m_list = 0;
    o.m_list_built = 0;
}

// Sends one material (or records it for a buffer's steps).
void send_material(GLenum gf, const GLfloat amb[4], const GLfloat dif[4], const GLfloat spe[4], const GLfloat emi[4],
                   float shin)
{
    if (g_recording) {
        BufferStep step;
        step.face = gf;
        std::copy(amb, amb + 4, step.amb);
        std::copy(dif, dif + 4, step.dif);
        std::copy(spe, spe + 4, step.spe);
        std::copy(emi, emi + 4, step.emi);
        step.shin = shin;
        g_recording->push_back(step);
        return;
    }
    glMaterialfv(gf, GL_AMBIENT, amb);
    glMaterialfv(gf, GL_DIFFUSE, dif);
    glMaterialfv(gf, GL_SPECULAR, spe);
    glMaterialfv(gf, GL_EMISSION, emi);
    glMaterialf(gf, GL_SHININESS, shin);
}
} // namespace

void SetFaceMaterial(OBJECT3D& o, int face)
{
    if (face < 0 || face >= o.nbface) return;
    int m = o.m_materialindex ? o.m_materialindex[face] : 0;
    if (m == o.m_last_material) return;
    o.m_last_material = m;
    if (m < 0 || m >= o.nbmaterial) m = 0;
    if (!o.m_mat_on) return;
    GLenum gf = (GLenum)o.m_polygon_face;
    if (o.m_wireframe) {
        // Lines and points have no surface to light: whatever the light
        // and the normals, they show their colour as it is.
        const Vec3 c = o.line_colour(m);
        const GLfloat none[4] = {0.f, 0.f, 0.f, 1.f};
        const GLfloat glow[4] = {c.x, c.y, c.z, 1.f};
        send_material(gf, none, none, none, glow, 0.f);
        return;
    }
    const Vec3* a = o.ambient(m);
    const Vec3* d = o.diffuse(m);
    const Vec3* s = o.specular(m);
    const float* sh = o.shininess(m);
    const Vec3* e = o.emissive(m);
    const GLfloat amb[4] = {a ? a->x : 0.2f, a ? a->y : 0.2f, a ? a->z : 0.2f, 1.f};
    const GLfloat dif[4] = {d ? d->x : 1.f, d ? d->y : 1.f, d ? d->z : 1.f, 1.f};
    const GLfloat spe[4] = {s ? s->x : 0.2f, s ? s->y : 0.2f, s ? s->z : 0.2f, 1.f};
    // Glowing colours (labels, lines and signs of real worlds are often
    // black with a bright emissive colour); none means none, whatever the
    // object before this one glowed with.
    const GLfloat emi[4] = {e ? e->x : 0.f, e ? e->y : 0.f, e ? e->z : 0.f, 1.f};
    // GL refuses shininess outside 0..128 and would keep the old value.
    float shin = sh ? *sh : 0.f;
    if (!(shin >= 0.f)) shin = 0.f;
    if (shin > 128.f) shin = 128.f;
    send_material(gf, amb, dif, spe, emi, shin);
}

int BeginFace(OBJECT3D& o)
{
    if (!o.m_index || o.m_cursor < 0 || o.m_cursor >= o.nbindex) {
        o.m_face_size = 0;
        return 0;
    }
    CornerRules rules(o);
    int end = face_end(o, o.m_cursor);
    int n = count_usable(rules, o.m_cursor, end);
    o.m_face_size = n;
    begin_for(n);
    return n;
}

void DrawNormals(OBJECT3D& o)
{
    set_ambient(o.m_polygon_face, 1.f, 0.f, 0.f);
    if (!o.m_index || !o.m_normals || (!o.normalindex && !o.m_normals_by_face) || !o.m_vertices) return;
    glColor3ub(255, 0, 0);
    glBegin(GL_LINES);
    int face = 0;
    for (int k = 0; k < o.nbindex; ++k) {
        int v = o.m_index[k];
        int ni = o.normalindex ? o.normalindex[k] : face;
        if (v == -1) ++face;
        if (v < 0 || v >= o.nbpts || ni < 0 || ni >= o.nbnormal) continue;
        const Vec3& p = o.m_vertices[v];
        const Vec3& n = o.m_normals[ni];
        glVertex3f(p.x, p.y, p.z);
        glVertex3f(p.x + n.x, p.y + n.y, p.z + n.z);
    }
    glEnd();
}

void DrawAxes(int gl_face)
{
    set_ambient(gl_face, 0.f, 1.f, 0.f);
    glBegin(GL_LINES);
    glColor3ub(255, 0, 0);
    glVertex3f(0.f, 0.f, 0.f);
    glVertex3f(500.f, 0.f, 0.f);
    glColor3ub(0, 255, 0);
    glVertex3f(0.f, 0.f, 0.f);
    glVertex3f(0.f, 500.f, 0.f);
    glColor3ub(0, 0, 255);
    glVertex3f(0.f, 0.f, 0.f);
    glVertex3f(0.f, 0.f, 500.f);
    glEnd();
}

void DrawTexCoords(OBJECT3D& o)
{
    if (!o.m_index || !o.texvertex) return;
    glColor3ub(0, 255, 0);
    glBegin(GL_LINES);
    for (int k = 0; k < o.nbindex; ++k) {
        int v = o.m_index[k];
        // The texture vertex is taken by the corner's vertex number.
        if (v < 0 || v >= o.nbtexvertex) continue;
        const TexVertex& t = o.texvertex[v];
        glVertex3f(t.s, t.t, 10.f);
        glVertex3f(t.s + 1.f, t.t + 1.f, 11.f);
    }
    glEnd();
}

void DrawShape2D(const Shape2D& shape)
{
    set_ambient(GL_FRONT_AND_BACK, 1.f, 1.f, 0.f);
    if (shape.points.size() < 2) return;
    glColor3ub(255, 0, 0);
    glBegin(GL_LINES);
    for (size_t i = 0; i + 1 < shape.points.size(); ++i) {
        glVertex3f(shape.points[i].x, shape.points[i].y, 0.f);
        glVertex3f(shape.points[i + 1].x, shape.points[i + 1].y, 0.f);
    }
    glEnd();
}

namespace {
// Immediate drawing instead of display lists (one-shot frames). Process-wide
// like the GL context it applies to.
bool g_direct_drawing = false;

void emit_points(OBJECT3D& o)
{
    glPushMatrix();
    glTranslatef(o.translation.x, o.translation.y, o.translation.z);
    glRotatef(o.angle, o.rotation.x, o.rotation.y, o.rotation.z);
    if (o.m_points_only == k_point_set_file) o.echelle.set(0.01f);
    glScalef(o.echelle.x, o.echelle.y, o.echelle.z);
    if (o.m_point_rgb && o.m_vertices) {
        // Points of their own colours: unlit, whatever the light, the
        // colour given as each point's glow. Both lighting and none draw
        // the colours as they are.
        glPushAttrib(GL_LIGHTING_BIT | GL_CURRENT_BIT);
        const GLfloat none[4] = {0.f, 0.f, 0.f, 1.f};
        glMaterialfv(GL_FRONT_AND_BACK, GL_AMBIENT, none);
        glMaterialfv(GL_FRONT_AND_BACK, GL_DIFFUSE, none);
        glMaterialfv(GL_FRONT_AND_BACK, GL_SPECULAR, none);
        glColorMaterial(GL_FRONT_AND_BACK, GL_EMISSION);
        glEnable(GL_COLOR_MATERIAL);
        // From the arrays: a list copies them whole rather than taking a
        // call per point.
        GLint bound = 0;
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &bound);
        if (bound) glBindBuffer(GL_ARRAY_BUFFER, 0);
        glEnableClientState(GL_VERTEX_ARRAY);
        glEnableClientState(GL_COLOR_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, o.m_vertices);
        glColorPointer(3, GL_UNSIGNED_BYTE, 0, o.m_point_rgb);
        glDrawArrays(GL_POINTS, 0, o.nbpts);
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
        if (bound) glBindBuffer(GL_ARRAY_BUFFER, (GLuint)bound);
        glPopAttrib();
    } else {
        glBegin(GL_POINTS);
        if (o.m_vertices)
            for (int i = 0; i < o.nbpts; ++i) glVertex3fv(&o.m_vertices[i].x);
        glEnd();
    }
    glPopMatrix();
}

// The object's placement. Scaling stretches the normals too, and shading
// must not depend on it: a scaled object is drawn with GL_NORMALIZE, which
// the caller switches off again (true returned) after the object.
bool emit_transform(const Vec3& translation, float angle, const Vec3& rotation, float scale_angle,
                    const Vec3& scale_axis, const Vec3& echelle)
{
    glTranslatef(translation.x, translation.y, translation.z);
    glRotatef(angle, rotation.x, rotation.y, rotation.z);
    glRotatef(-scale_angle, scale_axis.x, scale_axis.y, scale_axis.z);
    glScalef(echelle.x, echelle.y, echelle.z);
    glRotatef(scale_angle, scale_axis.x, scale_axis.y, scale_axis.z);
    const bool scaled = echelle.x != 1.f || echelle.y != 1.f || echelle.z != 1.f;
    if (scaled) glEnable(GL_NORMALIZE);
    return scaled;
}

void emit_overlays(OBJECT3D& o)
{
    if (o.m_show_normals) DrawNormals(o);
    if (o.m_lighting && o.m_show_texcoords) DrawTexCoords(o);
    if (o.m_show_axes) DrawAxes(o.m_polygon_face);
    if (o.m_shape2d) DrawShape2D(*o.m_shape2d);
}

// Uploads the corners recorded in `batch` into a buffer object for `g`
// (g.failed when GL could not hold them).
void upload_recorded(BufferGeometry& g, const FaceBatch& batch);

// The GL calls of one object's geometry, whether compiled into its list or
// sent at once; or, with `into`, its faces recorded and uploaded into a
// buffer object (the name, transform and overlays are then the caller's).
// With `keep` as well, the recorded corners are handed over there instead
// of uploaded, and no GL call is made: any thread may record.
void emit_object(OBJECT3D& o, BufferGeometry* into = nullptr, FaceBatch* keep = nullptr)
{
    const bool has_vertices = o.m_vertices && o.nbpts > 0;
    bool scaled = false;
    if (into) {
        into->name = (GLuint)o.m_pick_id;
        into->translation = o.translation;
        into->angle = o.angle;
        into->rotation = o.rotation;
        into->scale_angle = o.m_scale_angle;
        into->scale_axis = o.m_scale_axis;
        into->echelle = o.echelle;
    } else {
        glLoadName((GLuint)o.m_pick_id);
        glPushMatrix();
        scaled = emit_transform(o.translation, o.angle, o.rotation, o.m_scale_angle, o.m_scale_axis, o.echelle);
    }

    o.m_last_material = -1;
    o.m_last_face_size = -1;
    const bool lit = o.m_lighting != 0;
    CornerRules rules(o);
    const bool face_first_normal =
        lit && !o.normalindex && o.m_normals && o.nbnormal == o.nbpts && !o.m_normals_by_face;
    const Vec3* verts = o.m_vertices;
    const int32_t* idx = o.m_index;
    const int n = (idx && has_vertices) ? o.nbindex : 0;
    const float tsign = (float)o.m_tex_t_sign;
    // Faces are gathered into vertex arrays, one batch per run of
    // triangles or quads between material changes, and each batch is
    // compiled with one glDrawArrays: GL draws it exactly as the separate
    // faces, while the list compiler copies whole blocks instead of taking
    // one call per vertex attribute. Polygons are batched one at a time.
    std::optional<ClientArraySource> array_source;
    if (!into) array_source.emplace();
    FaceBatch batch;
    batch.has_normals = rules.nindex != nullptr || rules.by_face || face_first_normal;
    batch.has_tex = rules.tex;
    batch.reserve((size_t)n);
    if (into) {
        batch.record = &into->steps;
        g_recording = &into->steps;
    }
    std::vector<int> corners;   // usable corners of the current face
    corners.reserve(8);
    std::vector<int> pieces;    // its triangles when it is cut
    int face = 0;
    for (int pos = 0; pos < n; ++face) {
        corners.clear();
        int end = pos;
        for (; end < n && idx[end] != -1; ++end)
            if (rules.ok(end)) corners.push_back(end);
        const int usable = (int)corners.size();
        // A concave face is drawn as the triangles it is cut into: GL fills
        // only convex polygons and quads correctly.
        const bool cut = usable >= 4 && !face_is_convex(verts, idx, corners) && triangulate_face(verts, idx, corners, pieces);
        GLenum mode = cut || usable == 3 ? GL_TRIANGLES : usable == 4 ? GL_QUADS : GL_POLYGON;
        if (usable < 3 || mode != batch.mode || mode == GL_POLYGON) batch.flush();
        const PickColour pc = pick_colour(o.m_pick_id, face);
        const uint8_t rgba_bytes[4] = {pc.r, pc.g, pc.b, 255};
        uint32_t rgba;
        std::memcpy(&rgba, rgba_bytes, 4);
        if (o.m_face_material == 1 || lit || o.m_wireframe) {
            int m = o.m_materialindex && face < o.nbface ? o.m_materialindex[face] : 0;
            if (m != o.m_last_material) batch.flush();
            SetFaceMaterial(o, face);
        }
        o.m_cursor = pos;
        o.m_face_size = usable;
        if (usable >= 3) {
            batch.mode = mode;
            Vec3 made;
            if (rules.by_face && !rules.normals) {
                // As build_face_normals makes it.
                made = o.face_normal(pos);
                OBJECT3D::normalize(made);
            }
            const Vec3* first_normal = face_first_normal                               ? &o.m_normals[idx[corners[0]]]
                                       : rules.by_face && !rules.normals             ? &made
                                       : rules.by_face && face < rules.nnormals      ? &rules.normals[face]
                                                                                     : nullptr;
            if (cut) batch.make_room(pieces.size());
            for (int k : cut ? pieces : corners) {
                const Vec3* nrm = rules.nindex ? &rules.normals[rules.nindex[k]] : first_normal;
                TexVertex t;
                if (rules.tex) {
                    t = o.texvertex[rules.tindex[k]];
                    t.t *= tsign;
                }
                batch.add(verts[idx[k]], nrm, t, rgba);
            }
            if (mode == GL_POLYGON) batch.flush();
        }
        pos = end + 1;
    }
    batch.flush();
    if (o.m_wireframe && o.m_mat_on) {
        // GL's own material again, so that an object drawn after these
        // lines without one of its own does not glow with their colour.
        const GLfloat amb[4] = {0.2f, 0.2f, 0.2f, 1.f}, dif[4] = {0.8f, 0.8f, 0.8f, 1.f};
        const GLfloat none[4] = {0.f, 0.f, 0.f, 1.f};
        send_material((GLenum)o.m_polygon_face, amb, dif, none, none, 0.f);
    }
    if (into) {
        g_recording = nullptr;
        const size_t c = batch.count;
        into->normals = batch.has_normals;
        into->tex = batch.has_tex;
        into->nrm_at = c * 12;
        into->tex_at = into->nrm_at + (into->normals ? c * 12 : 0);
        into->col_at = into->tex_at + (into->tex ? c * 8 : 0);
        if (keep) *keep = std::move(batch);
        else upload_recorded(*into, batch);
        return;
    }
    emit_overlays(o);
    if (scaled) glDisable(GL_NORMALIZE);
    glPopMatrix();
}

void upload_recorded(BufferGeometry& g, const FaceBatch& batch)
{
    const size_t c = batch.count;
    if (c == 0) return;
    GLint saved = 0;
    glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &saved);
    glGenBuffers(1, &g.vbo);
    glBindBuffer(GL_ARRAY_BUFFER, g.vbo);
    glBufferData(GL_ARRAY_BUFFER, (GLsizeiptr)(g.col_at + c * 4), nullptr, GL_STATIC_DRAW);
    glBufferSubData(GL_ARRAY_BUFFER, 0, (GLsizeiptr)(c * 12), batch.pos.get());
    if (g.normals) glBufferSubData(GL_ARRAY_BUFFER, (GLintptr)g.nrm_at, (GLsizeiptr)(c * 12), batch.nrm.get());
    if (g.tex) glBufferSubData(GL_ARRAY_BUFFER, (GLintptr)g.tex_at, (GLsizeiptr)(c * 8), batch.tex.get());
    glBufferSubData(GL_ARRAY_BUFFER, (GLintptr)g.col_at, (GLsizeiptr)(c * 4), batch.col.get());
    // A buffer GL could not allocate would be drawn from memory it does
    // not hold: the caller then compiles a whole list.
    GLint size = 0;
    glGetBufferParameteriv(GL_ARRAY_BUFFER, GL_BUFFER_SIZE, &size);
    glBindBuffer(GL_ARRAY_BUFFER, (GLuint)saved);
    if ((size_t)size != g.col_at + c * 4) {
        glDeleteBuffers(1, &g.vbo);
        g.vbo = 0;
        g.failed = true;
    }
}

const GLvoid* at(size_t offset) { return reinterpret_cast<const GLvoid*>(offset); }

void draw_buffer_geometry(const BufferGeometry& g, GLuint overlays)
{
    glLoadName(g.name);
    glPushMatrix();
    const bool scaled = emit_transform(g.translation, g.angle, g.rotation, g.scale_angle, g.scale_axis, g.echelle);
    GLint saved = 0;
    if (g.vbo) {
        glGetIntegerv(GL_ARRAY_BUFFER_BINDING, &saved);
        glBindBuffer(GL_ARRAY_BUFFER, g.vbo);
        glEnableClientState(GL_VERTEX_ARRAY);
        glVertexPointer(3, GL_FLOAT, 0, at(0));
        glEnableClientState(GL_COLOR_ARRAY);
        glColorPointer(4, GL_UNSIGNED_BYTE, 0, at(g.col_at));
        if (g.normals) {
            glEnableClientState(GL_NORMAL_ARRAY);
            glNormalPointer(GL_FLOAT, 0, at(g.nrm_at));
        }
        if (g.tex) {
            glEnableClientState(GL_TEXTURE_COORD_ARRAY);
            glTexCoordPointer(2, GL_FLOAT, 0, at(g.tex_at));
        }
    }
    for (const BufferStep& step : g.steps) {
        if (step.mode) {
            glDrawArrays(step.mode, step.first, step.count);
        } else {
            glMaterialfv(step.face, GL_AMBIENT, step.amb);
            glMaterialfv(step.face, GL_DIFFUSE, step.dif);
            glMaterialfv(step.face, GL_SPECULAR, step.spe);
            glMaterialfv(step.face, GL_EMISSION, step.emi);
            glMaterialf(step.face, GL_SHININESS, step.shin);
        }
    }
    if (g.vbo) {
        glDisableClientState(GL_VERTEX_ARRAY);
        glDisableClientState(GL_COLOR_ARRAY);
        glDisableClientState(GL_NORMAL_ARRAY);
        glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        glBindBuffer(GL_ARRAY_BUFFER, (GLuint)saved);
    }
    glCallList(overlays);
    if (scaled) glDisable(GL_NORMALIZE);
    glPopMatrix();
}

// Buffer objects are core from GL 1.5 on; older contexts keep the lists.
bool buffers_usable()
{
    if (!g_buffers_allowed) return false;
    const char* v = (const char*)glGetString(GL_VERSION);
    int major = 0, minor = 0;
    if (!v || std::sscanf(v, "%d.%d", &major, &minor) != 2) return false;
    return major > 1 || (major == 1 && minor >= 5);
}
} // namespace

void set_direct_drawing(bool on) { g_direct_drawing = on; }
bool direct_drawing() { return g_direct_drawing; }

int BuildPointList(OBJECT3D& o)
{
    delete_old_list(o);
    if (g_direct_drawing) {
        if (o.m_points_only == k_point_set_file) o.echelle.set(0.01f);
        finish_compile(o);
        return 1;
    }
    GLuint list = glGenLists(1);
    if (!list) return 0;
    claim_list_name(list);
    o.m_list = (int32_t)list;
    glNewList(list, GL_COMPILE);
    emit_points(o);
    glEndList();
    finish_compile(o);
    return 1;
}

void PrepareList(OBJECT3D& o, bool lit, bool lists_follow)
{
    if (o.m_points_only) return;
    if (!(o.m_vertices && o.nbpts > 0) && !o.m_shape2d) return;
    // Lit objects get their normals before compiling, exactly as the
    // command-line dump prepares them. An object drawn straight from its
    // arrays gets only the normals its draw reads: the vertex normals wait
    // for a draw that smooths it (see DrawObject).
    if (!lit) return;
    if (g_direct_drawing && o.m_norm_binding != 1 && lists_follow) {
        // Flat, with lists compiled later: the face normals those lists
        // are made from.
        o.build_face_normals();
        return;
    }
    if (g_direct_drawing && o.m_norm_binding != 1) {
        // Flat: made face by face while drawing when nothing needs them kept
        // (no normals of its own, none shown, and no corner that would make
        // the making complain).
        if (!o.m_normals && !o.normalindex && !o.m_show_normals && o.m_index && o.nbindex > 0 && o.m_vertices) {
            const int32_t* idx = o.m_index;
            const int n = o.nbindex, points = o.nbpts;
            bool sound = true;
            for (int k = 0; k < n && sound; ++k) sound = idx[k] >= -1 && idx[k] < points;
            if (sound) {
                o.m_normals_by_face = 2;
                return;
            }
        }
        o.build_face_normals(false);
        return;
    }
    // Normals kept face by face for frames drawn from the arrays have no
    // corner index, which a list's vertex normals are summed through.
    if (o.m_normals_by_face) o.forget_normals();
    build_compile_normals(textured_context(), o);
}

int CompileList(OBJECT3D& o)
{
    delete_old_list(o);
    if (o.m_points_only) return BuildPointList(o);
    bool has_vertices = o.m_vertices && o.nbpts > 0;
    if (!has_vertices && !o.m_shape2d) {
        // Nothing to draw; do not try again on every frame.
        o.m_list_built = 1;
        o.m_needs_rebuild = 0;
        return 0;
    }
    if (g_direct_drawing) {
        // Drawn from its arrays at every draw: only the lit state of this
        // compilation is kept for the draws.
        finish_compile(o);
        o.m_direct_lit = o.m_lighting;
        return 1;
    }

    GLuint list = glGenLists(1);
    if (!list) return 0;
    claim_list_name(list);
    o.m_list = (int32_t)list;
    bool kept = false;
    if (buffers_usable()) {
        BufferGeometry& g = buffer_geometry()[list];
        emit_object(o, &g);
        kept = !g.failed;
        if (kept) {
            glNewList(list, GL_COMPILE);
            emit_overlays(o);
            glEndList();
        } else {
            buffer_geometry().erase(list);
        }
    }
    if (!kept) {
        glNewList(list, GL_COMPILE);
        emit_object(o);
        glEndList();
    }
    finish_compile(o);
    return 1;
}

namespace {
// An object's faces recorded off the GL thread, waiting to be uploaded.
struct RecordedFaces {
    BufferGeometry geometry;
    FaceBatch corners;
};
using Slice = std::vector<std::unique_ptr<RecordedFaces>>;

bool recordable(const OBJECT3D& o) { return !o.m_points_only && o.m_vertices && o.nbpts > 0; }

// Objects [first, ...) up to about this many corners are recorded together;
// their recorded corners are held until uploaded.
constexpr long long k_slice_corners = 1 << 16;
constexpr long long k_worth_a_thread = 1 << 14;

// Runs fn with the object's lighting set to `lighting` (for this
// compilation only).
template <typename Fn>
void with_lighting(OBJECT3D& o, uint8_t lighting, Fn fn)
{
    const uint8_t kept = o.m_lighting;
    o.m_lighting = lighting;
    fn();
    o.m_lighting = kept;
}

// Records the faces of the objects [first, end) that have any into
// slice[i - first] (unlit when `bare`), the objects past the middle of the
// corners on a second thread, and returns end. Each recording touches only
// its object.
int record_slice(OBJECT3D* const* objects, int first, int n, Slice& slice, bool bare)
{
    auto corners_of = [](OBJECT3D* o) { return o && recordable(*o) ? (long long)std::max(o->nbindex, 0) : 0LL; };
    std::vector<long long> corners;
    long long total = 0;
    int end = first;
    while (end < n && (end == first || total < k_slice_corners)) {
        corners.push_back(corners_of(objects[end++]));
        total += corners.back();
    }
    slice.clear();
    slice.resize((size_t)(end - first));
    auto run = [&](int a, int b) {
        for (int i = a; i < b; ++i) {
            if (!corners[(size_t)(i - first)]) continue;
            auto r = std::make_unique<RecordedFaces>();
            OBJECT3D& o = *objects[i];
            with_lighting(o, bare ? 0 : o.m_lighting, [&] { emit_object(o, &r->geometry, &r->corners); });
            slice[(size_t)(i - first)] = std::move(r);
        }
    };
    int split = end;
    if (total >= k_worth_a_thread && second_thread_allowed()) {
        long long upto = 0;
        for (split = first; split < end && upto * 2 < total; ++split) upto += corners[(size_t)(split - first)];
    }
    if (split < end) {
        std::thread second([&] { run(split, end); });
        run(first, split);
        second.join();
    } else {
        run(first, end);
    }
    return end;
}

// CompileList with the faces already recorded.
void compile_recorded(OBJECT3D& o, RecordedFaces& r)
{
    delete_old_list(o);
    GLuint list = glGenLists(1);
    if (!list) return;
    claim_list_name(list);
    o.m_list = (int32_t)list;
    BufferGeometry& g = buffer_geometry()[list];
    g = std::move(r.geometry);
    upload_recorded(g, r.corners);
    r.corners = FaceBatch();
    glNewList(list, GL_COMPILE);
    if (g.failed) {
        buffer_geometry().erase(list);
        emit_object(o);
    } else {
        emit_overlays(o);
    }
    glEndList();
    finish_compile(o);
}

// The draw of an object from its arrays starts with the vertex normals of
// an object smoothed since it was prepared, made as the preparation would
// have made them.
void smooth_for_direct_draw(OBJECT3D& o)
{
    if (o.m_direct_lit && o.m_norm_binding == 1 && !o.m_vertex_normals) {
        if (o.m_normals_by_face) o.forget_normals();   // made again with their corner index
        o.m_normals_by_face = 0;
        o.build_vertex_normals();
    }
}

} // namespace

void CompileLists(OBJECT3D* const* objects, int n, bool bare)
{
    if (g_direct_drawing || !buffers_usable()) {
        for (int i = 0; i < n; ++i)
            if (OBJECT3D* o = objects[i])
                with_lighting(*o, bare ? 0 : o->m_lighting, [o] { CompileList(*o); });
        return;
    }
    // The faces are recorded on two threads, a slice of the scene at a
    // time, and uploaded here in the objects' order.
    Slice slice;
    for (int first = 0; first < n;) {
        const int end = record_slice(objects, first, n, slice, bare);
        for (int i = first; i < end; ++i) {
            OBJECT3D* o = objects[i];
            if (!o) continue;
            std::unique_ptr<RecordedFaces>& r = slice[(size_t)(i - first)];
            with_lighting(*o, bare ? 0 : o->m_lighting, [&] {
                if (r) compile_recorded(*o, *r);
                else CompileList(*o);
            });
            r.reset();
        }
        first = end;
    }
}

int BuildList(OBJECT3D& o)
{
    PrepareList(o, o.m_lighting != 0);
    return CompileList(o);
}

int DrawObject(OBJECT3D& o, bool normal_pass)
{
    // Objects made of lines or points are drawn as the edges or the corners
    // of their faces whatever the scene's mode.
    if (o.m_wireframe) o.m_polygon_mode = o.m_wireframe == 2 ? GL_POINT : GL_LINE;
    // Objects of points alone carry no pick colour: the pick pass leaves
    // them out rather than read their colours as some object's number.
    if (!normal_pass && o.m_points_only) return 1;
    glPolygonMode((GLenum)o.m_polygon_face, (GLenum)o.m_polygon_mode);
    if (normal_pass && (!o.m_list_built || o.m_needs_rebuild)) BuildList(o);
    if (g_direct_drawing && !o.m_list) {
        // A hidden object is neither drawn nor picked.
        if (!o.m_list_built || !o.m_ready) return 1;
        if (!o.m_points_only && !(o.m_vertices && o.nbpts > 0) && !o.m_shape2d) return 1;
        if (!normal_pass) {
            glDisable(GL_LIGHTING);
            glDisable(GL_TEXTURE_2D);
        }
        if (o.m_points_only) {
            emit_points(o);
        } else {
            smooth_for_direct_draw(o);
            const uint8_t lighting = o.m_lighting;
            o.m_lighting = o.m_direct_lit;
            emit_object(o);
            o.m_lighting = lighting;
        }
        return 1;
    }
    if (o.m_list_built && o.m_list && o.m_ready) {
        if (!normal_pass) {
            glDisable(GL_LIGHTING);
            glDisable(GL_TEXTURE_2D);
        }
        auto& table = buffer_geometry();
        auto it = table.find((GLuint)o.m_list);
        if (it != table.end()) draw_buffer_geometry(it->second, (GLuint)o.m_list);
        else glCallList((GLuint)o.m_list);
    }
    return 1;
}

void DeleteObjectList(unsigned list)
{
    forget_buffers((GLuint)list);
    glDeleteLists((GLuint)list, 1);
}

void set_buffer_objects(bool allowed) { g_buffers_allowed = allowed; }
