#include "render/display_list.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

#include <cstring>
#include <memory>
#include <vector>

#include "model/shape2d.h"
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

void delete_old_list(OBJECT3D& o)
{
    if (o.m_list && o.m_list_built) glDeleteLists((GLuint)o.m_list, 1);
    o.m_list = 0;
    o.m_list_built = 0;
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
    const Vec3* a = o.ambient(m);
    const Vec3* d = o.diffuse(m);
    const Vec3* s = o.specular(m);
    const float* sh = o.shininess(m);
    const GLfloat amb[4] = {a ? a->x : 0.2f, a ? a->y : 0.2f, a ? a->z : 0.2f, 1.f};
    const GLfloat dif[4] = {d ? d->x : 1.f, d ? d->y : 1.f, d ? d->z : 1.f, 1.f};
    const GLfloat spe[4] = {s ? s->x : 0.2f, s ? s->y : 0.2f, s ? s->z : 0.2f, 1.f};
    glMaterialfv(gf, GL_AMBIENT, amb);
    glMaterialfv(gf, GL_DIFFUSE, dif);
    glMaterialfv(gf, GL_SPECULAR, spe);
    // GL refuses shininess outside 0..128 and would keep the old value.
    float shin = sh ? *sh : 0.f;
    if (!(shin >= 0.f)) shin = 0.f;
    if (shin > 128.f) shin = 128.f;
    glMaterialf(gf, GL_SHININESS, shin);
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
    if (!o.m_index || !o.m_normals || !o.normalindex || !o.m_vertices) return;
    glColor3ub(255, 0, 0);
    glBegin(GL_LINES);
    for (int k = 0; k < o.nbindex; ++k) {
        int v = o.m_index[k];
        int ni = o.normalindex[k];
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
    o.echelle.set(0.01f);
    glScalef(o.echelle.x, o.echelle.y, o.echelle.z);
    glBegin(GL_POINTS);
    if (o.m_vertices)
        for (int i = 0; i < o.nbpts; ++i) glVertex3fv(&o.m_vertices[i].x);
    glEnd();
    glPopMatrix();
}

// The GL calls of one object's geometry, whether compiled into its list or
// sent at once.
void emit_object(OBJECT3D& o)
{
    const bool has_vertices = o.m_vertices && o.nbpts > 0;
    glLoadName((GLuint)o.m_pick_id);
    glPushMatrix();
    glTranslatef(o.translation.x, o.translation.y, o.translation.z);
    glRotatef(o.angle, o.rotation.x, o.rotation.y, o.rotation.z);
    glRotatef(-o.m_scale_angle, o.m_scale_axis.x, o.m_scale_axis.y, o.m_scale_axis.z);
    glScalef(o.echelle.x, o.echelle.y, o.echelle.z);
    glRotatef(o.m_scale_angle, o.m_scale_axis.x, o.m_scale_axis.y, o.m_scale_axis.z);

    o.m_last_material = -1;
    o.m_last_face_size = -1;
    const bool lit = o.m_lighting != 0;
    CornerRules rules(o);
    const bool face_first_normal = lit && !o.normalindex && o.m_normals && o.nbnormal == o.nbpts;
    const Vec3* verts = o.m_vertices;
    const int32_t* idx = o.m_index;
    const int n = (idx && has_vertices) ? o.nbindex : 0;
    const float tsign = (float)o.m_tex_t_sign;
    // Faces are gathered into vertex arrays, one batch per run of
    // triangles or quads between material changes, and each batch is
    // compiled with one glDrawArrays: GL draws it exactly as the separate
    // faces, while the list compiler copies whole blocks instead of taking
    // one call per vertex attribute. Polygons are batched one at a time.
    ClientArraySource array_source;
    FaceBatch batch;
    batch.has_normals = rules.nindex != nullptr || face_first_normal;
    batch.has_tex = rules.tex;
    batch.reserve((size_t)n);
    std::vector<int> corners;   // usable corners of the current face
    corners.reserve(8);
    int face = 0;
    for (int pos = 0; pos < n; ++face) {
        corners.clear();
        int end = pos;
        for (; end < n && idx[end] != -1; ++end)
            if (rules.ok(end)) corners.push_back(end);
        const int usable = (int)corners.size();
        GLenum mode = usable == 3 ? GL_TRIANGLES : usable == 4 ? GL_QUADS : GL_POLYGON;
        if (usable < 3 || mode != batch.mode || mode == GL_POLYGON) batch.flush();
        const PickColour pc = pick_colour(o.m_pick_id, face);
        const uint8_t rgba_bytes[4] = {pc.r, pc.g, pc.b, 255};
        uint32_t rgba;
        std::memcpy(&rgba, rgba_bytes, 4);
        if (o.m_face_material == 1 || lit) {
            int m = o.m_materialindex && face < o.nbface ? o.m_materialindex[face] : 0;
            if (m != o.m_last_material) batch.flush();
            SetFaceMaterial(o, face);
        }
        o.m_cursor = pos;
        o.m_face_size = usable;
        if (usable >= 3) {
            batch.mode = mode;
            const Vec3* first_normal = face_first_normal ? &o.m_normals[idx[corners[0]]] : nullptr;
            for (int k : corners) {
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

    if (o.m_show_normals) DrawNormals(o);
    if (lit && o.m_show_texcoords) DrawTexCoords(o);
    if (o.m_show_axes) DrawAxes(o.m_polygon_face);
    if (o.m_shape2d) DrawShape2D(*o.m_shape2d);
    glPopMatrix();
}
} // namespace

void set_direct_drawing(bool on) { g_direct_drawing = on; }
bool direct_drawing() { return g_direct_drawing; }

int BuildPointList(OBJECT3D& o)
{
    delete_old_list(o);
    if (g_direct_drawing) {
        o.echelle.set(0.01f);
        finish_compile(o);
        return 1;
    }
    GLuint list = glGenLists(1);
    if (!list) return 0;
    o.m_list = (int32_t)list;
    glNewList(list, GL_COMPILE);
    emit_points(o);
    glEndList();
    finish_compile(o);
    return 1;
}

void PrepareList(OBJECT3D& o, bool lit)
{
    if (o.m_points_only) return;
    if (!(o.m_vertices && o.nbpts > 0) && !o.m_shape2d) return;
    // Lit objects get their normals before compiling, exactly as the
    // command-line dump prepares them.
    if (lit) build_compile_normals(textured_context(), o);
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
    o.m_list = (int32_t)list;
    glNewList(list, GL_COMPILE);
    emit_object(o);
    glEndList();
    finish_compile(o);
    return 1;
}

int BuildList(OBJECT3D& o)
{
    PrepareList(o, o.m_lighting != 0);
    return CompileList(o);
}

int DrawObject(OBJECT3D& o, bool normal_pass)
{
    if (o.m_wireframe) o.m_polygon_mode = GL_LINE;
    glPolygonMode((GLenum)o.m_polygon_face, (GLenum)o.m_polygon_mode);
    if (normal_pass && (!o.m_list_built || o.m_needs_rebuild)) BuildList(o);
    if (g_direct_drawing && !o.m_list) {
        if (!o.m_list_built || (!o.m_ready && normal_pass)) return 1;
        if (!o.m_points_only && !(o.m_vertices && o.nbpts > 0) && !o.m_shape2d) return 1;
        if (!normal_pass) {
            glDisable(GL_LIGHTING);
            glDisable(GL_TEXTURE_2D);
        }
        if (o.m_points_only) {
            emit_points(o);
        } else {
            const uint8_t lighting = o.m_lighting;
            o.m_lighting = o.m_direct_lit;
            emit_object(o);
            o.m_lighting = lighting;
        }
        return 1;
    }
    if (o.m_list_built && o.m_list && (o.m_ready || !normal_pass)) {
        if (!normal_pass) {
            glDisable(GL_LIGHTING);
            glDisable(GL_TEXTURE_2D);
        }
        glCallList((GLuint)o.m_list);
    }
    return 1;
}
