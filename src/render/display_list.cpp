#include "render/display_list.h"

#define GL_GLEXT_PROTOTYPES
#include <GL/gl.h>
#include <GL/glext.h>

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
// Which per-corner data a compilation sends, decided once per object.
struct CornerRules {
    const OBJECT3D& o;
    bool lit;
    const Vec3* normals = nullptr;     // normal array in use
    const int32_t* nindex = nullptr;   // its per-corner index
    int nnormals = 0;
    bool tex = false;

    explicit CornerRules(const OBJECT3D& obj) : o(obj), lit(obj.m_lighting != 0)
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
        }
    }
    // A corner is usable when every number it sends lies inside its array.
    bool ok(int k) const
    {
        int v = o.m_index[k];
        if (v < 0 || v >= o.nbpts) return false;
        if (nindex && (unsigned)nindex[k] >= (unsigned)nnormals) return false;
        if (tex && (unsigned)o.texindex[k] >= (unsigned)o.nbtexvertex) return false;
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
    std::vector<float> pos, nrm, tex;
    std::vector<uint8_t> col;

    void add(const Vec3& v, const Vec3* n, const TexVertex& t, const PickColour& c)
    {
        pos.insert(pos.end(), {v.x, v.y, v.z});
        if (has_normals) {
            if (n) nrm.insert(nrm.end(), {n->x, n->y, n->z});
            else nrm.insert(nrm.end(), {0.f, 0.f, 1.f});
        }
        if (has_tex) tex.insert(tex.end(), {t.s, t.t});
        col.insert(col.end(), {c.r, c.g, c.b, 255});
    }
    void reserve(size_t corners)
    {
        pos.reserve(corners * 3);
        col.reserve(corners * 4);
        if (has_normals) nrm.reserve(corners * 3);
        if (has_tex) tex.reserve(corners * 2);
    }
    void flush()
    {
        GLsizei count = (GLsizei)(pos.size() / 3);
        if (count > 0) {
            glEnableClientState(GL_VERTEX_ARRAY);
            glVertexPointer(3, GL_FLOAT, 0, pos.data());
            glEnableClientState(GL_COLOR_ARRAY);
            glColorPointer(4, GL_UNSIGNED_BYTE, 0, col.data());
            if (has_normals) {
                glEnableClientState(GL_NORMAL_ARRAY);
                glNormalPointer(GL_FLOAT, 0, nrm.data());
            }
            if (has_tex) {
                glEnableClientState(GL_TEXTURE_COORD_ARRAY);
                glTexCoordPointer(2, GL_FLOAT, 0, tex.data());
            }
            glDrawArrays(mode, 0, count);
            glDisableClientState(GL_VERTEX_ARRAY);
            glDisableClientState(GL_COLOR_ARRAY);
            glDisableClientState(GL_NORMAL_ARRAY);
            glDisableClientState(GL_TEXTURE_COORD_ARRAY);
        }
        pos.clear();
        nrm.clear();
        tex.clear();
        col.clear();
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

int BuildPointList(OBJECT3D& o)
{
    delete_old_list(o);
    GLuint list = glGenLists(1);
    if (!list) return 0;
    o.m_list = (int32_t)list;
    glNewList(list, GL_COMPILE);
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
    glEndList();
    finish_compile(o);
    return 1;
}

int BuildList(OBJECT3D& o)
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
    // Lit objects get their normals before compiling, exactly as the
    // command-line dump prepares them.
    if (o.m_lighting) build_compile_normals(textured_context(), o);

    GLuint list = glGenLists(1);
    if (!list) return 0;
    o.m_list = (int32_t)list;
    glNewList(list, GL_COMPILE);
    glLoadName((GLuint)o.m_pick_id);
    glPushMatrix();
    glTranslatef(o.translation.x, o.translation.y, o.translation.z);
    glRotatef(o.angle, o.rotation.x, o.rotation.y, o.rotation.z);
    glRotatef(-o.m_scale_angle, o.m_scale_axis.x, o.m_scale_axis.y, o.m_scale_axis.z);
    glScalef(o.echelle.x, o.echelle.y, o.echelle.z);
    glRotatef(o.m_scale_angle, o.m_scale_axis.x, o.m_scale_axis.y, o.m_scale_axis.z);
    // Scaling stretches the normals too: shading must not depend on it.
    const bool scaled = o.echelle.x != 1.f || o.echelle.y != 1.f || o.echelle.z != 1.f;
    if (scaled) glEnable(GL_NORMALIZE);

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
    int face = 0;
    for (int pos = 0; pos < n; ++face) {
        int end = face_end(o, pos);
        int usable = count_usable(rules, pos, end);
        GLenum mode = usable == 3 ? GL_TRIANGLES : usable == 4 ? GL_QUADS : GL_POLYGON;
        if (usable < 3 || mode != batch.mode || mode == GL_POLYGON) batch.flush();
        PickColour pc = pick_colour(o.m_pick_id, face);
        if (o.m_face_material == 1 || lit) {
            int m = o.m_materialindex && face < o.nbface ? o.m_materialindex[face] : 0;
            if (m != o.m_last_material) batch.flush();
            SetFaceMaterial(o, face);
        }
        o.m_cursor = pos;
        o.m_face_size = usable;
        if (usable >= 3) {
            batch.mode = mode;
            const Vec3* first_normal = nullptr;
            if (face_first_normal)
                for (int k = pos; k < end; ++k)
                    if (rules.ok(k)) {
                        first_normal = &o.m_normals[idx[k]];
                        break;
                    }
            for (int k = pos; k < end; ++k) {
                if (!rules.ok(k)) continue;
                const Vec3* nrm = rules.nindex ? &rules.normals[rules.nindex[k]] : first_normal;
                TexVertex t;
                if (rules.tex) {
                    t = o.texvertex[o.texindex[k]];
                    t.t *= tsign;
                }
                batch.add(verts[idx[k]], nrm, t, pc);
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
    if (scaled) glDisable(GL_NORMALIZE);
    glPopMatrix();
    glEndList();
    finish_compile(o);
    return 1;
}

int DrawObject(OBJECT3D& o, bool normal_pass)
{
    if (o.m_wireframe) o.m_polygon_mode = GL_LINE;
    glPolygonMode((GLenum)o.m_polygon_face, (GLenum)o.m_polygon_mode);
    if (normal_pass && (!o.m_list_built || o.m_needs_rebuild)) BuildList(o);
    if (o.m_list_built && o.m_list && (o.m_ready || !normal_pass)) {
        if (!normal_pass) {
            glDisable(GL_LIGHTING);
            glDisable(GL_TEXTURE_2D);
        }
        glCallList((GLuint)o.m_list);
    }
    return 1;
}
