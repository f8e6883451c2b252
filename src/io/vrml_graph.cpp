// The scene-graph reader: walks the node tree of a VRML file and makes an
// object of every shape, with the transforms that enclose it applied.
#include "io/vrml_graph.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <functional>
#include <map>
#include <set>
#include <unordered_map>
#include <unordered_set>

#include "base/file_lookup.h"
#include "io/marker_layout.h"
#include "io/scene_loader.h"
#include "io/vrml_anim.h"
#include "io/vrml_common.h"
#include "io/vrml_environment.h"
#include "image/texture.h"
#include "io/vrml_mesh.h"
#include "io/vrml_pixel_texture.h"
#include "io/vrml_text.h"
#include "io/vrml_tree.h"
#include "base/cformat.h"
#include "base/report.h"
#include "scene/scene3d.h"
#include "scene/scene_animation.h"
#include "scene/viewpoints.h"

namespace vrml {

// ---------------------------------------------------------------- Mat4

Mat4::Mat4()
{
    for (int i = 0; i < 16; ++i) m[i] = (i % 5 == 0) ? 1.0 : 0.0;
}

Mat4 Mat4::translate(double x, double y, double z)
{
    Mat4 r;
    r.m[12] = x;
    r.m[13] = y;
    r.m[14] = z;
    return r;
}

Mat4 Mat4::rotate(double ax, double ay, double az, double a)
{
    Mat4 r;
    double len = std::sqrt(ax * ax + ay * ay + az * az);
    if (!(len > 0.0) || !std::isfinite(len) || !std::isfinite(a)) return r;
    ax /= len;
    ay /= len;
    az /= len;
    double c = std::cos(a), s = std::sin(a), t = 1.0 - c;
    r.m[0] = t * ax * ax + c;
    r.m[1] = t * ax * ay + s * az;
    r.m[2] = t * ax * az - s * ay;
    r.m[4] = t * ax * ay - s * az;
    r.m[5] = t * ay * ay + c;
    r.m[6] = t * ay * az + s * ax;
    r.m[8] = t * ax * az + s * ay;
    r.m[9] = t * ay * az - s * ax;
    r.m[10] = t * az * az + c;
    return r;
}

Mat4 Mat4::scale(double x, double y, double z)
{
    Mat4 r;
    r.m[0] = x;
    r.m[5] = y;
    r.m[10] = z;
    return r;
}

Mat4 Mat4::operator*(const Mat4& b) const
{
    Mat4 r;
    for (int c = 0; c < 4; ++c)
        for (int row = 0; row < 4; ++row) {
            double s = 0;
            for (int k = 0; k < 4; ++k) s += m[k * 4 + row] * b.m[c * 4 + k];
            r.m[c * 4 + row] = s;
        }
    return r;
}

Vec3 Mat4::point(const Vec3& p) const
{
    return Vec3((float)(m[0] * p.x + m[4] * p.y + m[8] * p.z + m[12]),
                (float)(m[1] * p.x + m[5] * p.y + m[9] * p.z + m[13]),
                (float)(m[2] * p.x + m[6] * p.y + m[10] * p.z + m[14]));
}

Vec3 Mat4::vector(const Vec3& v) const
{
    return Vec3((float)(m[0] * v.x + m[4] * v.y + m[8] * v.z), (float)(m[1] * v.x + m[5] * v.y + m[9] * v.z),
                (float)(m[2] * v.x + m[6] * v.y + m[10] * v.z));
}

Vec3 Mat4::normal(const Vec3& n) const
{
    // Cofactors of the 3x3 part: the inverse transpose up to the
    // determinant, whose sign keeps mirrored normals outside.
    const double a = m[0], b = m[4], c = m[8], d = m[1], e = m[5], f = m[9], g = m[2], h = m[6], i = m[10];
    double c00 = e * i - f * h, c01 = f * g - d * i, c02 = d * h - e * g;
    double c10 = c * h - b * i, c11 = a * i - c * g, c12 = b * g - a * h;
    double c20 = b * f - c * e, c21 = c * d - a * f, c22 = a * e - b * d;
    double det = a * c00 + b * c01 + c * c02;
    double sg = det < 0 ? -1.0 : 1.0;
    double x = sg * (c00 * n.x + c10 * n.y + c20 * n.z);
    double y = sg * (c01 * n.x + c11 * n.y + c21 * n.z);
    double z = sg * (c02 * n.x + c12 * n.y + c22 * n.z);
    double len = std::sqrt(x * x + y * y + z * z);
    if (!(len > 0.0) || !std::isfinite(len)) return n;
    return Vec3((float)(x / len), (float)(y / len), (float)(z / len));
}

bool Mat4::identity() const
{
    for (int i = 0; i < 16; ++i)
        if (m[i] != ((i % 5 == 0) ? 1.0 : 0.0)) return false;
    return true;
}

void world_orientation(const Mat4& m, Vec3& axis, float& angle)
{
    double q[9];
    axis_angle_matrix(axis, angle, q);
    auto through = [&](double x, double y, double z) {
        Vec3 v((float)x, (float)y, (float)z);
        v = m.vector(v);
        return std::array<double, 3>{v.x, v.y, v.z};
    };
    auto unit = [](std::array<double, 3>& v) {
        double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (!(l > 0.0) || !std::isfinite(l)) return false;
        for (double& c : v) c /= l;
        return true;
    };
    // Columns of q: the view's x (right), y (up) and z (back) axes.
    std::array<double, 3> back = through(q[2], q[5], q[8]);
    std::array<double, 3> up = through(q[1], q[4], q[7]);
    if (!unit(back)) return;
    const double d = up[0] * back[0] + up[1] * back[1] + up[2] * back[2];
    for (int i = 0; i < 3; ++i) up[i] -= d * back[i];
    if (!unit(up)) return;
    std::array<double, 3> right = {up[1] * back[2] - up[2] * back[1], up[2] * back[0] - up[0] * back[2],
                                   up[0] * back[1] - up[1] * back[0]};
    const double r[9] = {right[0], up[0], back[0], right[1], up[1], back[1], right[2], up[2], back[2]};
    matrix_axis_angle(r, axis, angle);
}

bool look_orientation(const Vec3& direction, const Vec3& up_hint, Vec3& axis, float& angle)
{
    auto unit = [](std::array<double, 3>& v) {
        double l = std::sqrt(v[0] * v[0] + v[1] * v[1] + v[2] * v[2]);
        if (!(l > 0.0) || !std::isfinite(l)) return false;
        for (double& c : v) c /= l;
        return true;
    };
    std::array<double, 3> back = {-(double)direction.x, -(double)direction.y, -(double)direction.z};
    std::array<double, 3> up = {up_hint.x, up_hint.y, up_hint.z};
    if (!unit(back)) return false;
    double d = up[0] * back[0] + up[1] * back[1] + up[2] * back[2];
    for (int i = 0; i < 3; ++i) up[i] -= d * back[i];
    if (!unit(up)) {
        // An up along the looking direction: any up square to it will do.
        up = std::fabs(back[1]) < 0.9 ? std::array<double, 3>{0, 1, 0} : std::array<double, 3>{0, 0, 1};
        d = up[0] * back[0] + up[1] * back[1] + up[2] * back[2];
        for (int i = 0; i < 3; ++i) up[i] -= d * back[i];
        if (!unit(up)) return false;
    }
    std::array<double, 3> right = {up[1] * back[2] - up[2] * back[1], up[2] * back[0] - up[0] * back[2],
                                   up[0] * back[1] - up[1] * back[0]};
    const double r[9] = {right[0], up[0], back[0], right[1], up[1], back[1], right[2], up[2], back[2]};
    matrix_axis_angle(r, axis, angle);
    return true;
}

namespace {

// ---------------------------------------------------------------- layout test

// With `release` (the loader of L), the pages looked at are given back.
bool has_markers(const Scene& L, Scene* release = nullptr)
{
    const char* b = L.m_buf;
    int32_t n = L.m_len;
    for (int32_t p = 0; p < n;) {
        // In steps of a megabyte, so that the pages looked at can go back.
        int32_t stop = release ? std::min(n, p + (1 << 20)) : n;
        const void* h = std::memchr(b + p, '#', (size_t)(stop - p));
        if (!h) {
            if (stop == n) break;
            p = stop;
            release->release_pages_before(p);
            continue;
        }
        p = (int32_t)((const char*)h - b) + 1;
        int32_t q = p;
        while (q < n && (b[q] == ' ' || b[q] == '\t')) ++q;
        if (n - q >= 7 && std::memcmp(b + q, "Object", 6) == 0 && (b[q + 6] == ' ' || b[q + 6] == '\t')) return true;
    }
    return false;
}

bool in(const std::string& s, std::initializer_list<const char*> names)
{
    for (const char* n : names)
        if (s == n) return true;
    return false;
}

const std::initializer_list<const char*> k_geometry2 = {
    "IndexedFaceSet", "IndexedLineSet", "PointSet", "Box", "Sphere", "Cone", "Cylinder", "ElevationGrid",
    "Extrusion", "Text"};
const std::initializer_list<const char*> k_geometry1 = {
    "IndexedFaceSet", "IndexedLineSet", "PointSet", "Cube", "Sphere", "Cone", "Cylinder", "AsciiText",
    "FaceSet", "TriangleStripSet", "QuadMesh", "IndexedTriangleStripSet", "Text2", "Text3"};

// Every node of a subtree (children and node fields), each once.
template <class F>
void each_node(const VNode* n, F&& f, std::set<const VNode*>& seen)
{
    if (!n || !seen.insert(n).second) return;
    f(n);
    for (const VNode* c : n->children) each_node(c, f, seen);
    for (const VField& fl : n->fields)
        for (const VNode* c : fl.nodes) each_node(c, f, seen);
}

int count_shapes2(const VNode* n)
{
    int k = 0;
    std::set<const VNode*> seen;
    each_node(n, [&](const VNode* x) { if (x->type == "Shape" && x->node("geometry")) ++k; }, seen);
    return k;
}

// A VRML 1.0 shape node that draws something (a face or line set
// without an index draws nothing).
bool draws1(const VNode* x)
{
    if (!in(x->type, k_geometry1)) return false;
    if (x->type == "IndexedFaceSet" || x->type == "IndexedLineSet") return x->field("coordIndex") != nullptr;
    return true;
}

int count_geometry1(const VNode* n)
{
    int k = 0;
    std::set<const VNode*> seen;
    each_node(n, [&](const VNode* x) { if (draws1(x)) ++k; }, seen);
    return k;
}

bool nonzero(const VNode* n, const char* field)
{
    const VField* f = n->field(field);
    if (!f) return false;
    for (float v : f->nums)
        if (v != 0.f) return true;
    return false;
}

// A top-level DEF'd Transform as the VRML 2.0 object reader takes it.
bool object_transform2(const VNode* t)
{
    if (nonzero(t, "center")) return false;
    bool top_turns = t->field("rotation") || t->field("scale");
    bool ok = true;
    std::set<const VNode*> seen;
    each_node(t, [&](const VNode* x) {
        if (x == t) return;
        const std::string& ty = x->type;
        if (!x->def.empty() && !in(ty, {"TimeSensor", "PositionInterpolator", "OrientationInterpolator",
                                        "IndexedFaceSet", "Coordinate", "TextureCoordinate"}))
            ok = false;
        if (in(ty, {"Group", "Anchor", "Billboard", "Collision", "Switch", "LOD", "Inline", "Viewpoint"})) ok = false;
        if (ty == "Transform") {
            for (const VField& f : x->fields)
                if (f.name != "translation" && f.name != "children") ok = false;
            if (top_turns && x->field("translation")) ok = false;
            // Nested translations add to the top one only.
            std::set<const VNode*> inner;
            each_node(x, [&](const VNode* y) { if (y != x && y->type == "Transform") ok = false; }, inner);
        }
        if (ty == "Shape") {
            const VNode* g = x->node("geometry");
            if (g && g->type != "IndexedFaceSet") ok = false;
            const VNode* a = x->node("appearance");
            if (a) {
                const VNode* tex = a->node("texture");
                if (tex && tex->type != "ImageTexture") ok = false;
            }
        }
        if (ty == "IndexedFaceSet") {
            if (x->node("color") || !x->flag("normalPerVertex", true) || !x->flag("ccw", true)) ok = false;
        }
    }, seen);
    return ok && count_shapes2(t) <= 1;
}

bool object_layout2(const VTree& tree)
{
    bool inline_met = false;
    std::set<const VNode*> seen;
    for (const VNode* r : tree.roots)
        each_node(r, [&](const VNode* x) {
            if (x->type == "Inline") inline_met = true;
            // Geometry written as a child, without its Shape.
            if (const VField* c = x->field("children"))
                for (const VNode* k : c->nodes)
                    if (k && in(k->type, k_geometry2)) inline_met = true;
        }, seen);
    if (inline_met) return false;
    for (const VNode* r : tree.roots) {
        if (!r) continue;
        if (r->type == "Transform" && !r->def.empty()) {
            if (!object_transform2(r)) return false;
            continue;
        }
        if (r->type == "Viewpoint" || in(r->type, {"TimeSensor", "PositionInterpolator", "OrientationInterpolator"}))
            continue;
        // A sky or fog: only the scene-graph reader draws them.
        if (in(r->type, {"Background", "Fog"})) return false;
        if (!r->def.empty()) return false;   // a DEF'd node of another kind
        // Fields of an unnamed group would land on the object read before.
        if (in(r->type, {"Transform", "Group", "Shape", "Anchor", "Billboard", "Collision", "Switch", "LOD"}))
            return false;
        if (count_shapes2(r) > 0) return false;
        if (r->type == "Inline" || r->type == "Shape") return false;
    }
    return true;
}

// Geometry nodes of the tree, each node once.
int count_geometry(const VTree& tree, int version)
{
    int k = 0;
    std::set<const VNode*> seen;
    for (const VNode* r : tree.roots)
        each_node(r, [&](const VNode* x) { if (version == 1 ? draws1(x) : in(x->type, k_geometry2)) ++k; }, seen);
    return k;
}

// A top-level DEF'd node as the VRML 1.0 object reader takes it.
bool object_owner1(const VNode* s)
{
    int geo = count_geometry1(s);
    if (geo == 0) return true;
    if (geo > 1 || s->type != "Separator") return false;
    bool ok = true;
    int order = 0;
    const char* kinds[] = {"MatrixTransform", "Translation", "Rotation", "Scale"};
    for (const VNode* c : s->children) {
        for (int k = 0; k < 4; ++k)
            if (c->type == kinds[k]) {
                if (k + 1 <= order) ok = false;   // twice, or out of the drawing order
                order = k + 1;
            }
        if (!c->def.empty() && !in(c->type, {"IndexedFaceSet", "Coordinate", "TextureCoordinate"})) ok = false;
        if (in(c->type, {"Transform", "MaterialBinding", "NormalBinding", "Separator", "Group", "Switch",
                         "TransformSeparator", "LOD", "ShapeHints", "Texture2Transform"}))
            ok = false;
        if (c->type != "IndexedFaceSet" && in(c->type, k_geometry1)) ok = false;
    }
    return ok;
}

bool object_layout1(const VTree& tree)
{
    bool ok = true;
    bool free_inline = false;   // a WWWInline outside every object
    // Owners: DEF'd nodes that are not passed over by the object reader.
    std::function<void(const VNode*, bool)> walk = [&](const VNode* n, bool owned) {
        if (!n || !ok) return;
        bool owner = !n->def.empty() && !in(n->type, {"IndexedFaceSet", "Coordinate", "TextureCoordinate"});
        if (owner && owned) {
            if (count_geometry1(n) > 0) ok = false;
            return;
        }
        if (owner) {
            if (!object_owner1(n)) ok = false;
            return;
        }
        if (!owned && draws1(n)) ok = false;
        if (!owned && in(n->type, {"Translation", "Rotation", "Scale", "MatrixTransform", "Transform"})) ok = false;
        if (!owned && n->type == "WWWInline") free_inline = true;
        for (const VNode* c : n->children) walk(c, owned);
    };
    for (const VNode* r : tree.roots) walk(r, false);
    // A file that only gathers other files, with no object of its own: a
    // scene graph, framed as one when it opens.
    if (ok && free_inline && count_geometry(tree, 1) == 0) return false;
    return ok;
}

} // namespace

namespace {
bool object_layout_tree(const VTree& tree, int version)
{
    if (tree.resolved_uses > 0 || tree.protos > 0) return false;
    return version == 1 ? object_layout1(tree) : object_layout2(tree);
}
} // namespace

bool object_layout(const Scene& L, const VTree& tree, int version)
{
    // Marker comments make the layout ours only where we write them.
    if (has_markers(L)) {
        MarkerScan m = scan_markers(L, version);
        if (m.markers) return m.misplaced == 0;
    }
    return object_layout_tree(tree, version);
}

bool object_layout_file(Scene& L, int version, int* geometry_nodes, std::vector<NumberListSpan>* lists)
{
    // The markers are looked for once, the pages they were looked for in
    // given back as the look goes.
    if (has_markers(L, &L)) {
        MarkerScan m = scan_markers(L, version);
        if (m.markers) {
            if (geometry_nodes) *geometry_nodes = m.geometry;
            return m.misplaced == 0;
        }
    }
    VTree tree;
    int32_t pos = L.m_pos;
    parse_tree(L, tree, true);
    L.m_pos = pos;
    L.m_depth = 0;
    if (geometry_nodes) *geometry_nodes = count_geometry(tree, version);
    if (lists) *lists = std::move(tree.number_lists);
    // The markers were looked for above: the tree alone decides.
    return object_layout_tree(tree, version);
}

// ---------------------------------------------------------------- reading

namespace {

constexpr double k_rad_to_deg = 180.0 / 3.14159265358979;
constexpr int k_max_walk_depth = 200;
constexpr long k_max_visits = 2000000;

// Appearance of a shape.
struct Look {
    std::vector<Vec3> diffuse{Vec3(0.8f, 0.8f, 0.8f)}, ambient, specular, emissive;
    std::vector<float> shininess, transparency;
    bool material = false;
    std::string texture;
    const VNode* pixels = nullptr;           // PixelTexture, or Texture2 with an image
    const VNode* tex_transform = nullptr;   // VRML 2.0 TextureTransform or VRML 1.0 Texture2Transform
};

struct Reader {
    Scene& L;
    SCENE3D& scene;
    int version;
    std::map<std::string, int> reported;
    long visits = 0;
    bool full = false;   // the object array is full
    // What routes animate (VRML 2.0), and the animated Transforms above the
    // node being read: objects below them keep their points in the
    // coordinates below the innermost one, and the model places them.
    WorldBuilder* world = nullptr;
    std::vector<ChainLink> chain;
    const VNode* shape_material = nullptr;
    const VNode* shape_coord = nullptr;
    const VNode* shape_normal = nullptr;
    // VRML 1.0: nodes the reading meets once (neither they nor a node
    // above them is USEd). Their number lists are given back when the
    // Separator around them has been read, so the objects made next take
    // that memory instead of fresh pages.
    std::unordered_set<const VNode*> read_once;

    void give_back_numbers(const VNode* n)
    {
        if (!read_once.count(n)) return;
        // The tree is the reader's own; only its visits are read-only.
        std::vector<VNode*> todo{const_cast<VNode*>(n)};
        while (!todo.empty()) {
            VNode* w = todo.back();
            todo.pop_back();
            for (VField& f : w->fields) {
                std::vector<float>().swap(f.nums);
                std::vector<int32_t>().swap(f.ints);
                for (VNode* k : f.nodes)
                    if (k && read_once.count(k)) todo.push_back(k);
            }
            for (VNode* c : w->children)
                if (c && read_once.count(c)) todo.push_back(c);
        }
    }

    void not_read(const std::string& type, int line)
    {
        if (reported.count(type)) return;
        reported[type] = line;
        std::string text = qv_format("%s at line %d: not read", type.c_str(), line);
        scene.m_not_read.push_back(text);
        Trace("%s", text.c_str());
    }

    // What went wrong in a node the reader did read, each said once.
    void note(const std::string& key, const std::string& text)
    {
        if (reported.count(key)) return;
        reported[key] = 0;
        scene.m_not_read.push_back(text);
        Trace("%s", text.c_str());
    }
    std::function<void(const std::string&, const std::string&)> noter()
    {
        return [this](const std::string& k, const std::string& t) { note(k, t); };
    }

    OBJECT3D* new_object(const std::string& name)
    {
        if (full) return nullptr;
        if (scene.nbobjects + scene.m_nbboxes >= scene.m_capacity) {
            Scene* root = &L;
            while (root->m_parent) root = root->m_parent;
            if (!root->m_overflow_reported) MessageBox("** Scene::read_file : overflow");
            root->m_overflow_reported = 1;
            full = true;
            return nullptr;
        }
        OBJECT3D* o = new OBJECT3D();
        scene.add_object(o);
        o->m_name = name;
        o->m_named = name.empty() ? 0 : 1;
        return o;
    }

    void finish(OBJECT3D* o)
    {
        o->compute_bounds();
        o->compute_center();
        scene.compute_world_bounds(scene.nbobjects - 1);
    }

    template <class T>
    static T* copy(const std::vector<T>& v)
    {
        if (v.empty()) return nullptr;
        T* a = new T[v.size()];
        std::copy(v.begin(), v.end(), a);
        return a;
    }

    static Vec3* colours(const std::vector<Vec3>& v, int32_t& n)
    {
        n = (int32_t)v.size();
        return copy(v);
    }

    // The object of one shape.
    void emit(Mesh& mesh, const Look& look, const Mat4& m, const std::string& name, bool solid_lines = false)
    {
        (void)solid_lines;
        mesh.normalise_lists();
        OBJECT3D* o = new_object(name);
        if (!o) return;
        if (!m.identity()) {
            for (Vec3& p : mesh.pts) p = m.point(p);
            for (Vec3& n : mesh.nrm) n = m.normal(n);
        }
        o->nbpts = (int32_t)mesh.pts.size();
        o->m_vertices = copy(mesh.pts);
        o->nbindex = (int32_t)mesh.idx.size();
        o->m_index = copy(mesh.idx);
        o->nbface = mesh.faces();
        o->m_has_coords = o->nbpts > 0;
        o->m_glyphs = mesh.glyphs;
        o->m_has_index = o->nbindex > 0;
        if (!mesh.nrm.empty() && !mesh.nidx.empty()) {
            o->nbnormal = (int32_t)mesh.nrm.size();
            o->m_normals = copy(mesh.nrm);
            o->normalindex = copy(mesh.nidx);
        }
        if (!mesh.tex.empty() && !mesh.tidx.empty()) {
            o->nbtexvertex = (int32_t)mesh.tex.size();
            o->texvertex = copy(mesh.tex);
            o->texindex = copy(mesh.tidx);
        }
        // Materials: per-face colours become per-face materials.
        std::vector<Vec3> diffuse = look.diffuse;
        if (!mesh.fcol.empty() && !mesh.colours.empty()) {
            diffuse = mesh.colours;
            o->m_materialindex = new int32_t[(size_t)o->nbface];
            for (int f = 0; f < o->nbface; ++f)
                o->m_materialindex[f] = f < (int)mesh.fcol.size() ? mesh.fcol[(size_t)f] : 0;
        }
        o->T_diffuseColor = colours(diffuse, o->m_nb_diffuse);
        std::vector<Vec3> ambient = look.ambient;
        if (ambient.empty())
            for (const Vec3& d : diffuse) ambient.push_back(d * 0.2f);
        o->T_ambientColor = colours(ambient, o->m_nb_ambient);
        if (!look.specular.empty()) o->T_specularColor = colours(look.specular, o->m_nb_specular);
        if (!look.emissive.empty()) o->T_emissive = colours(look.emissive, o->m_nb_emissive);
        if (!look.shininess.empty()) {
            o->m_nb_shininess = (int32_t)look.shininess.size();
            o->T_shininess = copy(look.shininess);
        }
        o->nbmaterial = (int32_t)diffuse.size();
        o->m_mat_binding = diffuse.size() > 1 ? 2 : 1;
        if (!look.transparency.empty() && look.transparency[0] > 0.f) {
            o->m_transparency = look.transparency[0];
            o->m_transparent = 1;
        }
        if (mesh.kind != Mesh::Faces) {
            // Lines and points: edges (or corners) of degenerate faces,
            // drawn unlit; a point's face has no edge to draw.
            o->m_wireframe = mesh.kind == Mesh::Points ? 2 : 1;
            o->m_lighting = 0;
            o->m_line_colours = look.material || !mesh.colours.empty();
        }
        if ((!look.texture.empty() || look.pixels) && mesh.kind == Mesh::Faces) {
            if (o->texvertex == nullptr) {
                mesh.default_tex();
                o->nbtexvertex = (int32_t)mesh.tex.size();
                o->texvertex = copy(mesh.tex);
                o->texindex = copy(mesh.tidx);
            }
            if (look.pixels) pixel_texture(*o, *look.pixels);
            else texture(*o, look.texture);
        }
        if (look.tex_transform) tex_transform(*o, *look.tex_transform);
        finish(o);
        if (world) {
            world->bind_object(o, chain);
            world->bind_material(shape_material, o);
            world->bind_points(shape_coord, o, m);
            world->bind_normals(shape_normal, o, m);
        }
    }

    void texture(OBJECT3D& o, const std::string& name)
    {
        o.m_texture_name = name;
        if (!o.m_texture) o.m_texture = new int32_t(-1);
        std::string path = L.resolve(name);
        if (!scene.add_texture(path, *o.m_texture, o.m_transparency, o.m_transparent) && *o.m_texture < 0) {
            std::string key = "texture " + name;
            if (!reported.count(key)) {
                reported[key] = 0;
                FILE* f = open_regular_file(path.c_str());
                std::string text = f ? qv_format("Texture %s: format not read", name.c_str())
                                     : qv_format("Texture %s: file not found", name.c_str());
                if (f) std::fclose(f);
                scene.m_not_read.push_back(text);
                Trace("%s", text.c_str());
            }
        }
        o.m_texture_mode = 1;
    }

    // An image written in the file: refused with its line when it does
    // not hold what it announces.
    void pixel_texture(OBJECT3D& o, const VNode& n)
    {
        const VField* f = n.field("image");
        if (!f) return;
        std::string key = qv_format("%s at line %d", n.type.c_str(), f->line ? f->line : n.line);
        std::string why;
        int index = add_pixel_texture(scene, *f, key, why);
        if (index < 0) {
            if (!why.empty()) note(key, qv_format("%s: %s; not read", key.c_str(), why.c_str()));
            return;
        }
        if (o.m_transparent) {
            CTexture* t = scene.get_texture(index);
            if (t && t->texel_alpha) {
                t->texel_alpha = false;
                t->AddAlphaLayer((int)(o.m_transparency * 255.f));
            }
        }
        o.m_texture_name = key;
        if (!o.m_texture) o.m_texture = new int32_t(-1);
        *o.m_texture = index;
        o.m_texture_mode = 1;
    }

    void tex_transform(OBJECT3D& o, const VNode& t)
    {
        if (const float* c = t.nums("center", 2)) {
            o.m_texcenter[0] = c[0];
            o.m_texcenter[1] = c[1];
            o.m_texcenter_on = 1;
            o.m_textransform = 1;
        }
        if (const float* r = t.nums("rotation", 1)) {
            o.m_texrotation = (float)(r[0] * k_rad_to_deg);
            o.m_texrotation_on = 1;
            o.m_textransform = 1;
        }
        if (const float* tr = t.nums("translation", 2)) {
            o.m_textranslation[0] = tr[0];
            o.m_textranslation[1] = tr[1];
            o.m_textranslation_on = 1;
            o.m_textransform = 1;
        }
        const float* s = t.nums("scale", 2);
        if (!s) s = t.nums("scaleFactor", 2);
        if (s) {
            o.m_texscale[0] = s[0];
            o.m_texscale[1] = s[1];
            o.m_texscale_on = 1;
            o.m_textransform = 1;
        }
    }

    void light(const VNode& n, const Mat4& m)
    {
        auto* l = new LIGHT3D();
        l->type = n.type == "PointLight" ? LIGHT_POINT : n.type == "DirectionalLight" ? LIGHT_DIRECTIONAL : LIGHT_SPOT;
        l->intensity = n.num("intensity", 1.f);
        const float* c = n.nums("color", 3);
        l->color = c ? Vec3(c[0], c[1], c[2]) : Vec3(1, 1, 1);
        const float* p = n.nums("location", 3);
        l->location = m.point(p ? Vec3(p[0], p[1], p[2]) : Vec3());
        if (l->type != LIGHT_POINT) {
            const float* d = n.nums("direction", 3);
            Vec3 dir = m.vector(d ? Vec3(d[0], d[1], d[2]) : Vec3(0, 0, -1));
            l->direction = dir;
        }
        l->on = n.flag("on", true) ? 1 : 0;
        scene.add_light(l);
    }

    void viewpoint(const VNode& n, const Mat4& m, const std::string& name)
    {
        OBJECT3D* o = new_object(name.empty() ? n.word("description") : name);
        if (!o) return;
        o->m_viewpoint = new VIEWPOINT3D();
        const float* p = n.nums("position", 3);
        o->m_viewpoint->position = m.point(p ? Vec3(p[0], p[1], p[2]) : Vec3(0, 0, 10));
        const float* r = n.nums("orientation", 4);
        Vec3 axis = r ? Vec3(r[0], r[1], r[2]) : Vec3(0, 0, 1);
        float angle = r ? r[3] : 0.f;
        // Some VRML 1.0 writers give a camera its looking direction and up
        // vector instead of an orientation.
        if (!r)
            if (const float* d = n.nums("direction", 3)) {
                const float* u = n.nums("up", 3);
                look_orientation(Vec3(d[0], d[1], d[2]), u ? Vec3(u[0], u[1], u[2]) : Vec3(0, 1, 0), axis, angle);
            }
        // The enclosing transforms turn the view as well.
        if (!m.identity()) world_orientation(m, axis, angle);
        o->m_viewpoint->orientation = axis;
        o->m_viewpoint->angle = angle;
        // VRML 2.0 gives fieldOfView, a VRML 1.0 perspective camera its
        // heightAngle.
        const float* fov = n.nums("fieldOfView", 1);
        if (!fov) fov = n.nums("heightAngle", 1);
        if (fov) o->m_viewpoint->field_of_view = fov[0];
        finish(o);
        if (world) world->bind_viewpoint(&n, o, chain, m);
    }

    // ------------------------------------------------------------ geometry

    static const std::vector<float>* points_of(const VNode* c, const char* field)
    {
        if (!c) return nullptr;
        const VField* f = c->field(field);
        return f ? &f->nums : nullptr;
    }

    static void take_points(std::vector<Vec3>& out, const std::vector<float>* src)
    {
        if (!src) return;
        size_t n = src->size() / 3;
        out.resize(n);
        for (size_t i = 0; i < n; ++i) out[i] = Vec3((*src)[i * 3], (*src)[i * 3 + 1], (*src)[i * 3 + 2]);
    }

    static const std::vector<int32_t>& ints(const VNode& n, const char* field)
    {
        static const std::vector<int32_t> none;
        const VField* f = n.field(field);
        return f ? f->ints : none;
    }

    // A single-number field that the tokenizer may have kept as integers
    // (names ending in "Index", such as startIndex).
    static long long first_int(const VNode& n, const char* field, long long dflt)
    {
        const VField* f = n.field(field);
        if (!f) return dflt;
        if (!f->ints.empty()) return f->ints[0];
        if (!f->nums.empty() && std::isfinite(f->nums[0]) && std::fabs(f->nums[0]) < 2e9f) return std::llround(f->nums[0]);
        return dflt;
    }

    // Face numbers of the corners of idx (the face each corner belongs to).
    static std::vector<int32_t> corner_faces(const std::vector<int32_t>& idx)
    {
        std::vector<int32_t> r(idx.size());
        int f = 0;
        for (size_t k = 0; k < idx.size(); ++k) {
            r[k] = f;
            if (idx[k] == -1) ++f;
        }
        return r;
    }

    // Per-corner list from a per-vertex (indexed) or per-face binding.
    // per_face: value of face f is list[f] (or f); per vertex: list[k]
    // (or the coordinate index, or the running corner number).
    static std::vector<int32_t> bind(const std::vector<int32_t>& idx, const std::vector<int32_t>& list,
                                     bool per_face, bool indexed, bool running = false)
    {
        std::vector<int32_t> r(idx.size(), -1);
        int f = 0, corner = 0;
        for (size_t k = 0; k < idx.size(); ++k) {
            if (idx[k] == -1) {
                ++f;
                continue;
            }
            int v;
            if (per_face) v = indexed ? (f < (int)list.size() ? list[(size_t)f] : -1) : f;
            else if (running) v = corner;
            else if (indexed && !list.empty()) v = k < list.size() ? list[k] : -1;
            else v = idx[k];
            r[k] = v;
            ++corner;
        }
        return r;
    }

    // Per-face colours from per-corner colour numbers: the mean of the face.
    static void face_colours_from_corners(Mesh& mesh, const std::vector<Vec3>& cols, const std::vector<int32_t>& cidx)
    {
        mesh.colours.clear();
        mesh.fcol.clear();
        Vec3 sum;
        int n = 0;
        for (size_t k = 0; k < mesh.idx.size(); ++k) {
            if (mesh.idx[k] == -1) {
                mesh.fcol.push_back((int32_t)mesh.colours.size());
                mesh.colours.push_back(n ? sum * (1.f / (float)n) : Vec3(0.8f, 0.8f, 0.8f));
                sum = Vec3();
                n = 0;
                continue;
            }
            int c = k < cidx.size() ? cidx[k] : -1;
            if (c >= 0 && c < (int)cols.size()) {
                sum += cols[(size_t)c];
                ++n;
            }
        }
    }

    static void face_colours(Mesh& mesh, const std::vector<Vec3>& cols, const std::vector<int32_t>& list)
    {
        mesh.colours = cols;
        int faces = mesh.faces();
        mesh.fcol.resize((size_t)faces);
        for (int f = 0; f < faces; ++f) {
            int c = list.empty() ? f : (f < (int)list.size() ? list[(size_t)f] : 0);
            mesh.fcol[(size_t)f] = (c >= 0 && c < (int)cols.size()) ? c : 0;
        }
    }

    // VRML 2.0 IndexedFaceSet / IndexedLineSet.
    void indexed_set2(Mesh& mesh, const VNode& g, bool lines)
    {
        take_points(mesh.pts, points_of(g.node("coord"), "point"));
        const std::vector<int32_t>& ci = ints(g, "coordIndex");
        mesh.idx = ci;
        if (!mesh.idx.empty() && mesh.idx.back() != -1) mesh.idx.push_back(-1);
        if (lines) {
            std::vector<Vec3> colours;
            if (const VNode* cn = g.node("color")) {
                std::vector<Vec3> cols;
                take_points(cols, points_of(cn, "color"));
                colours = line_colours2(mesh.idx, g.flag("colorPerVertex", true), ints(g, "colorIndex"), cols);
            }
            lines_from_polylines(mesh);
            segment_colours(mesh, std::move(colours));
            return;
        } else {
            if (const VNode* nn = g.node("normal")) {
                take_points(mesh.nrm, points_of(nn, "vector"));
                bool pv = g.flag("normalPerVertex", true);
                const std::vector<int32_t>& ni = ints(g, "normalIndex");
                mesh.nidx = bind(mesh.idx, ni, !pv, !ni.empty());
            }
            if (const VNode* tc = g.node("texCoord")) {
                const std::vector<float>* tp = points_of(tc, "point");
                if (tp)
                    for (size_t i = 0; i + 1 < tp->size(); i += 2) mesh.tex.push_back(TexVertex{(*tp)[i], (*tp)[i + 1]});
                const std::vector<int32_t>& ti = ints(g, "texCoordIndex");
                mesh.tidx = bind(mesh.idx, ti, false, !ti.empty());
            }
            if (!g.flag("ccw", true)) mesh.flip();
        }
        if (const VNode* cn = g.node("color")) {
            std::vector<Vec3> cols;
            take_points(cols, points_of(cn, "color"));
            const std::vector<int32_t>& cix = ints(g, "colorIndex");
            if (g.flag("colorPerVertex", true)) face_colours_from_corners(mesh, cols, bind(mesh.idx, cix, false, !cix.empty()));
            else face_colours(mesh, cols, cix);
        }
    }

    // Polylines into two-corner segments drawn as degenerate triangles.
    static void lines_from_polylines(Mesh& mesh)
    {
        std::vector<int32_t> out;
        int prev = -1;
        for (int32_t v : mesh.idx) {
            if (v == -1) {
                prev = -1;
                continue;
            }
            if (prev >= 0) out.insert(out.end(), {prev, v, v, -1});
            prev = v;
        }
        mesh.idx = std::move(out);
        mesh.kind = Mesh::Lines;
    }

    static void point_faces(Mesh& mesh)
    {
        mesh.idx.clear();
        for (int32_t i = 0; i < (int32_t)mesh.pts.size(); ++i) mesh.idx.insert(mesh.idx.end(), {i, i, i, -1});
        mesh.kind = Mesh::Points;
    }

    bool geometry2(Mesh& mesh, const VNode& g)
    {
        const std::string& t = g.type;
        if (t == "IndexedFaceSet") indexed_set2(mesh, g, false);
        else if (t == "IndexedLineSet") indexed_set2(mesh, g, true);
        else if (t == "PointSet") {
            take_points(mesh.pts, points_of(g.node("coord"), "point"));
            point_faces(mesh);
            // One colour a point, in order.
            if (const VNode* cn = g.node("color")) {
                std::vector<Vec3> cols;
                take_points(cols, points_of(cn, "color"));
                if (!cols.empty()) face_colours(mesh, cols, {});
            }
        } else if (t == "Box") {
            const float* s = g.nums("size", 3);
            make_box(mesh, s ? s[0] : 2.f, s ? s[1] : 2.f, s ? s[2] : 2.f);
        } else if (t == "Sphere") make_sphere(mesh, g.num("radius", 1.f));
        else if (t == "Cylinder") {
            int parts = (g.flag("side", true) ? 1 : 0) | (g.flag("top", true) ? 2 : 0) | (g.flag("bottom", true) ? 4 : 0);
            make_cylinder(mesh, g.num("radius", 1.f), g.num("height", 2.f), parts);
        } else if (t == "Cone") {
            int parts = (g.flag("side", true) ? 1 : 0) | (g.flag("bottom", true) ? 4 : 0);
            make_cone(mesh, g.num("bottomRadius", 1.f), g.num("height", 2.f), parts);
        } else if (t == "ElevationGrid") make_elevation_grid(mesh, g);
        else if (t == "Extrusion") make_extrusion(mesh, g);
        else if (t == "Text") return text_node2(mesh, g, noter());
        else return false;
        return true;
    }

    Look appearance2(const VNode* a)
    {
        Look look;
        if (!a) return look;
        if (const VNode* m = a->node("material")) {
            look.material = true;
            const float* d = m->nums("diffuseColor", 3);
            look.diffuse = {d ? Vec3(d[0], d[1], d[2]) : Vec3(0.8f, 0.8f, 0.8f)};
            float ai = m->num("ambientIntensity", 0.2f);
            look.ambient = {look.diffuse[0] * ai};
            const float* s = m->nums("specularColor", 3);
            look.specular = {s ? Vec3(s[0], s[1], s[2]) : Vec3()};
            const float* e = m->nums("emissiveColor", 3);
            look.emissive = {e ? Vec3(e[0], e[1], e[2]) : Vec3()};
            look.shininess = {m->num("shininess", 0.2f)};
            look.transparency = {m->num("transparency", 0.f)};
        }
        if (const VNode* t = a->node("texture")) {
            if (t->type == "ImageTexture") {
                const VField* u = t->field("url");
                if (u && !u->words.empty()) look.texture = u->words[0];
            } else if (t->type == "PixelTexture") {
                look.pixels = t;
            } else {
                not_read(t->type, t->line);
            }
        }
        look.tex_transform = a->node("textureTransform");
        return look;
    }

    void shape2(const VNode& s, const Mat4& m, const std::string& name)
    {
        const VNode* g = s.node("geometry");
        if (!g) return;
        std::string nm = !s.def.empty() ? s.def : !g->def.empty() ? g->def : name;
        Mesh mesh;
        if (!geometry2(mesh, *g)) {
            not_read(g->type, g->line);
            return;
        }
        Look look = appearance2(s.node("appearance"));
        if (!look.material && mesh.fcol.empty()) look.diffuse = {Vec3(0.8f, 0.8f, 0.8f)};
        const VNode* a = s.node("appearance");
        shape_material = a ? a->node("material") : nullptr;
        shape_coord = g->type == "IndexedFaceSet" || g->type == "IndexedLineSet" || g->type == "PointSet"
                          ? g->node("coord") : nullptr;
        shape_normal = g->type == "IndexedFaceSet" ? g->node("normal") : nullptr;
        emit(mesh, look, m, nm);
        shape_material = shape_coord = shape_normal = nullptr;
    }

    static Mat4 transform_of(const VNode& n, bool v1)
    {
        const float* t = n.nums("translation", 3);
        const float* r = n.nums("rotation", 4);
        const float* s = n.nums(v1 ? "scaleFactor" : "scale", 3);
        const float* so = n.nums("scaleOrientation", 4);
        const float* c = n.nums("center", 3);
        Mat4 m;
        if (t) m = m * Mat4::translate(t[0], t[1], t[2]);
        if (c) m = m * Mat4::translate(c[0], c[1], c[2]);
        if (r) m = m * Mat4::rotate(r[0], r[1], r[2], r[3]);
        if (so) m = m * Mat4::rotate(so[0], so[1], so[2], so[3]);
        if (s) m = m * Mat4::scale(s[0], s[1], s[2]);
        if (so) m = m * Mat4::rotate(so[0], so[1], so[2], -so[3]);
        if (c) m = m * Mat4::translate(-c[0], -c[1], -c[2]);
        return m;
    }

    bool budget(int depth)
    {
        return depth <= k_max_walk_depth && ++visits <= k_max_visits && !full && !L.m_abort;
    }

    void nodes2(const VNode& n, const char* field, const Mat4& m, const std::string& name, int depth)
    {
        if (const VField* f = n.field(field))
            for (const VNode* c : f->nodes) visit2(c, m, name, depth + 1);
        for (const VNode* c : n.children) visit2(c, m, name, depth + 1);
    }

    void visit2(const VNode* n, const Mat4& m, const std::string& parent_name, int depth)
    {
        if (!n || !budget(depth)) return;
        const std::string& t = n->type;
        std::string name = n->def.empty() ? parent_name : n->def;
        int moving = t == "Transform" && world ? world->animated_transform(n) : -1;
        if (moving >= 0) {
            chain.push_back({m, moving});
            nodes2(*n, "children", Mat4(), name, depth);
            chain.pop_back();
        } else if (t == "Transform") nodes2(*n, "children", m * transform_of(*n, false), name, depth);
        else if (in(t, {"Group", "Anchor", "Billboard", "Collision"})) nodes2(*n, "children", m, name, depth);
        else if (t == "Switch") {
            const VField* f = n->field("choice");
            if (!f) f = n->field("children");
            int w = (int)n->num("whichChoice", -1.f);
            if (f && w >= 0 && w < (int)f->nodes.size()) visit2(f->nodes[(size_t)w], m, name, depth + 1);
        } else if (t == "LOD") {
            const VField* f = n->field("level");
            if (!f) f = n->field("children");
            if (f && !f->nodes.empty()) visit2(f->nodes[0], m, name, depth + 1);
        } else if (t == "Shape") shape2(*n, m, name);
        else if (in(t, k_geometry2) && t != "Text") {
            // Geometry written without its Shape: drawn with the default look.
            Mesh mesh;
            geometry2(mesh, *n);
            emit(mesh, Look(), m, name);
        }
        else if (in(t, {"PointLight", "DirectionalLight", "SpotLight"})) light(*n, m);
        else if (t == "Viewpoint") viewpoint(*n, m, n->def);
        else if (t == "Inline") inline_file(*n, m, "url");
        else if (t == "Background") read_background(*n, scene);
        else if (t == "Fog") read_fog(*n, scene);
        else if (in(t, {"WorldInfo", "NavigationInfo", "TimeSensor", "PositionInterpolator",
                        "OrientationInterpolator", "ScalarInterpolator", "ColorInterpolator",
                        "CoordinateInterpolator", "NormalInterpolator"})) {
        } else not_read(t, n->line);
    }

    // Inline / WWWInline: the file's objects are read after those so far
    // and placed by the enclosing transforms.
    void inline_file(const VNode& n, const Mat4& m, const char* field)
    {
        const VField* f = n.field(field);
        if (!f || f->words.empty()) return;
        std::string name = f->words[0];
        std::string path = L.resolve(name);
        int depth = 0;
        for (const Scene* p = &L; p; p = p->m_parent) {
            ++depth;
            if (p->m_filename == path || depth > 16) {
                MessageBoxF("WWWInline %s ignored: it includes itself", name.c_str());
                return;
            }
        }
        int first = scene.nbobjects;
        Scene nested;
        nested.m_parent = &L;
        if (!nested.load_buffer(path.c_str(), scene)) {
            not_read(n.type + " " + name, n.line);
            return;
        }
        nested.read_file(scene);
        if (world)
            for (int i = first; i < scene.nbobjects; ++i) world->bind_object(scene.m_objects[i], chain);
        if (m.identity()) return;
        for (int i = first; i < scene.nbobjects; ++i) {
            OBJECT3D* o = scene.m_objects[i];
            if (!o) continue;
            for (int k = 0; k < o->nbpts; ++k) o->m_vertices[k] = m.point(o->m_vertices[k]);
            for (int k = 0; k < o->nbnormal; ++k) o->m_normals[k] = m.normal(o->m_normals[k]);
            if (o->m_viewpoint) {
                o->m_viewpoint->position = m.point(o->m_viewpoint->position);
                world_orientation(m, o->m_viewpoint->orientation, o->m_viewpoint->angle);
            }
            o->m_o_max_xyz = Vec3(-1e10f, -1e10f, -1e10f);
            o->m_o_min_xyz = Vec3(1e10f, 1e10f, 1e10f);
            o->compute_bounds();
            o->compute_center();
            scene.compute_world_bounds(i);
        }
    }

    // ------------------------------------------------------------ VRML 1.0

    struct State1 {
        Mat4 m;
        const std::vector<float>* coords = nullptr;
        const std::vector<float>* normals = nullptr;
        const std::vector<float>* texcoords = nullptr;
        const VNode* material = nullptr;
        std::string mat_binding = "OVERALL";
        std::string norm_binding = "DEFAULT";
        std::string texture;
        const VNode* pixels = nullptr;
        const VNode* tex_transform = nullptr;
        bool clockwise = false;
        std::string name;
        int switch_choice = -1;   // whichChild of the enclosing Switch, for those that inherit it
        const VNode* font_style = nullptr;
    };

    static std::vector<Vec3> vec_list(const VNode* n, const char* field)
    {
        std::vector<Vec3> r;
        take_points(r, points_of(n, field));
        return r;
    }

    Look look1(const State1& st)
    {
        Look look;
        const VNode* m = st.material;
        if (m) {
            look.material = true;
            std::vector<Vec3> d = vec_list(m, "diffuseColor");
            if (!d.empty()) look.diffuse = d;
            look.ambient = vec_list(m, "ambientColor");
            if (look.ambient.empty()) look.ambient = {Vec3(0.2f, 0.2f, 0.2f)};
            look.specular = vec_list(m, "specularColor");
            look.emissive = vec_list(m, "emissiveColor");
            if (const VField* f = m->field("shininess")) look.shininess = f->nums;
            if (const VField* f = m->field("transparency")) look.transparency = f->nums;
        } else {
            look.ambient = {Vec3(0.2f, 0.2f, 0.2f)};
        }
        look.texture = st.texture;
        look.pixels = st.pixels;
        look.tex_transform = st.tex_transform;
        return look;
    }

    // Materials by binding: per-face material numbers into mesh.fcol with
    // the material list as colours.
    void bind_materials1(Mesh& mesh, const State1& st, const VNode* g, Look& look)
    {
        const std::string& b = st.mat_binding;
        if (look.diffuse.size() <= 1 || b == "OVERALL" || b == "DEFAULT") {
            if (look.diffuse.size() > 1) look.diffuse.resize(1);
            return;
        }
        const std::vector<int32_t>& mi = ints(*g, "materialIndex");
        bool indexed = b.find("INDEXED") != std::string::npos && !mi.empty() && !(mi.size() == 1 && mi[0] == -1);
        if (b.rfind("PER_VERTEX", 0) == 0) {
            std::vector<int32_t> cidx = bind(mesh.idx, mi, false, indexed, !indexed);
            face_colours_from_corners(mesh, look.diffuse, cidx);
        } else {
            face_colours(mesh, look.diffuse, indexed ? mi : std::vector<int32_t>());
        }
    }

    // The segments of the polylines of coord_index (each closed by -1), in
    // order: fn(segment number, polyline number, places in coord_index of
    // its two ends, numbers of its two ends among the corners).
    template <class Fn>
    static void each_segment(const std::vector<int32_t>& coord_index, Fn fn)
    {
        long long segment = 0, polyline = 0, corner = 0;
        long long prev_at = -1;
        for (size_t k = 0; k < coord_index.size(); ++k) {
            if (coord_index[k] == -1) {
                if (prev_at >= 0) ++polyline;
                prev_at = -1;
                continue;
            }
            if (prev_at >= 0) fn(segment++, polyline, (size_t)prev_at, k, corner - 1, corner);
            prev_at = (long long)k;
            ++corner;
        }
    }

    // One colour a segment (as made by lines_from_polylines): the faces'
    // colours of a line set.
    static void segment_colours(Mesh& mesh, std::vector<Vec3> colours)
    {
        if (colours.empty() || colours.size() != (size_t)mesh.faces()) return;
        mesh.colours = std::move(colours);
        mesh.fcol.resize(mesh.colours.size());
        for (size_t k = 0; k < mesh.fcol.size(); ++k) mesh.fcol[k] = (int32_t)k;
    }

    // VRML 1.0: the colour of each segment of a line set as the material
    // binding gives them: by segment (PER_PART), by polyline (PER_FACE) or
    // by corner, a segment taking the mean of its two ends (PER_VERTEX).
    // Indexed bindings go through materialIndex, which runs beside the
    // segments, the polylines or the corners of coordIndex. Empty when the
    // set has one colour overall.
    static std::vector<Vec3> line_materials1(const std::vector<int32_t>& coord_index, const std::string& b,
                                             const std::vector<int32_t>& mi, const std::vector<Vec3>& mats)
    {
        std::vector<Vec3> out;
        if (mats.size() <= 1 || b == "OVERALL" || b == "DEFAULT") return out;
        const bool by_list = b.find("INDEXED") != std::string::npos && !mi.empty() && mi[0] != -1;
        auto mat = [&](long long n) {
            if (by_list) n = n >= 0 && n < (long long)mi.size() ? mi[(size_t)n] : -1;
            return n >= 0 && n < (long long)mats.size() ? mats[(size_t)n] : mats[0];
        };
        const bool per_part = b.rfind("PER_PART", 0) == 0, per_vertex = b.rfind("PER_VERTEX", 0) == 0;
        each_segment(coord_index, [&](long long segment, long long polyline, size_t a, size_t z, long long ca, long long cz) {
            // A corner's material: its place in materialIndex beside
            // coordIndex, or its number among the corners.
            if (per_vertex)
                out.push_back((mat(by_list ? (long long)a : ca) + mat(by_list ? (long long)z : cz)) * 0.5f);
            else
                out.push_back(mat(per_part ? segment : polyline));
        });
        return out;
    }

    // VRML 2.0: the colour of each segment of a line set from its Color
    // node: by corner (colorPerVertex, a segment taking the mean of its two
    // ends) through colorIndex beside coordIndex or the corners' own
    // numbers, or by polyline through colorIndex or in order.
    static std::vector<Vec3> line_colours2(const std::vector<int32_t>& coord_index, bool per_vertex,
                                           const std::vector<int32_t>& cix, const std::vector<Vec3>& cols)
    {
        std::vector<Vec3> out;
        if (cols.empty()) return out;
        const bool by_list = !cix.empty() && cix[0] != -1;
        auto colour = [&](long long n) {
            return n >= 0 && n < (long long)cols.size() ? cols[(size_t)n] : Vec3(0.8f, 0.8f, 0.8f);
        };
        auto listed = [&](size_t at, long long otherwise) {
            return by_list ? (at < cix.size() ? (long long)cix[at] : -1) : otherwise;
        };
        each_segment(coord_index, [&](long long, long long polyline, size_t a, size_t z, long long, long long) {
            if (per_vertex)
                out.push_back((colour(listed(a, coord_index[a])) + colour(listed(z, coord_index[z]))) * 0.5f);
            else
                out.push_back(colour(listed((size_t)polyline, polyline)));
        });
        return out;
    }

    void normals1(Mesh& mesh, const State1& st, const VNode& g)
    {
        if (!st.normals || st.normals->size() < 3) return;
        take_points(mesh.nrm, st.normals);
        std::vector<int32_t> ni = ints(g, "normalIndex");
        if (ni.size() == 1 && ni[0] == -1) ni.clear();
        const std::string& b = st.norm_binding;
        if (b == "OVERALL") {
            mesh.nidx.assign(mesh.idx.size(), 0);
            for (size_t k = 0; k < mesh.idx.size(); ++k)
                if (mesh.idx[k] == -1) mesh.nidx[k] = -1;
        } else if (b == "PER_FACE" || b == "PER_PART") mesh.nidx = bind(mesh.idx, ni, true, false);
        else if (b == "PER_FACE_INDEXED" || b == "PER_PART_INDEXED") mesh.nidx = bind(mesh.idx, ni, true, true);
        else if (b == "PER_VERTEX") mesh.nidx = bind(mesh.idx, ni, false, false, true);
        else mesh.nidx = bind(mesh.idx, ni, false, !ni.empty());
    }

    // Faces of the list-less shapes (FaceSet, TriangleStripSet, QuadMesh)
    // and of IndexedTriangleStripSet, as places: coordinate numbers for the
    // former, places in coordIndex for the latter; -1 closes each face.
    // part: the strip, row or face each face comes from. Runs that reach
    // past the coordinates stop the shape there.
    static void strip_faces(const VNode& g, const std::string& t, int npts, std::vector<int32_t>& faces,
                            std::vector<int32_t>& part)
    {
        auto count = [](float v) {
            if (!(v >= -1.f)) return -2LL;   // nan and other negatives: nothing
            return v > 2e9f ? 2000000000LL : (long long)std::llround(v);
        };
        auto strip = [&](const std::vector<long long>& at, int32_t which) {
            for (size_t i = 0; i + 2 < at.size(); ++i) {
                long long a = at[i], b = at[i + 1], c = at[i + 2];
                if (i % 2) std::swap(a, b);   // every other triangle turns back
                faces.insert(faces.end(), {(int32_t)a, (int32_t)b, (int32_t)c, -1});
                part.push_back(which);
            }
        };
        if (t == "IndexedTriangleStripSet") {
            const std::vector<int32_t>& ci = ints(g, "coordIndex");
            std::vector<long long> at;
            int32_t which = 0;
            for (size_t k = 0; k <= ci.size(); ++k) {
                if (k == ci.size() || ci[k] == -1) {
                    strip(at, which++);
                    at.clear();
                } else at.push_back((long long)k);
            }
            return;
        }
        long long start = std::max(0LL, first_int(g, "startIndex", 0));
        if (t == "QuadMesh") {
            long long cols = count(g.num("verticesPerRow", 1.f)), rows = count(g.num("verticesPerColumn", 1.f));
            if (cols < 2 || rows < 2 || start >= npts) return;
            rows = std::min(rows, (npts - start) / cols);
            for (long long r = 0; r + 1 < rows; ++r)
                for (long long c = 0; c + 1 < cols; ++c) {
                    long long v = start + r * cols + c;
                    faces.insert(faces.end(), {(int32_t)v, (int32_t)(v + cols), (int32_t)(v + cols + 1), (int32_t)(v + 1), -1});
                    part.push_back((int32_t)r);
                }
            return;
        }
        const VField* nv = g.field("numVertices");
        std::vector<float> runs = nv && !nv->nums.empty() ? nv->nums : std::vector<float>{-1.f};
        long long at = start;
        int32_t which = 0;
        for (float f : runs) {
            long long n = count(f);
            if (n == -1) n = npts - at;   // the rest of the coordinates
            if (n < 0 || at + n > npts) break;
            std::vector<long long> run;
            for (long long i = 0; i < n; ++i) run.push_back(at + i);
            if (t == "TriangleStripSet") strip(run, which);
            else if (n >= 3) {
                for (long long v : run) faces.push_back((int32_t)v);
                faces.push_back(-1);
                part.push_back(which);
            }
            ++which;
            at += n;
        }
    }

    // FaceSet, TriangleStripSet, QuadMesh, IndexedTriangleStripSet with the
    // coordinates, normals, texture coordinates and materials in force.
    void strip_shape1(Mesh& mesh, const VNode& g, const State1& st, Look& look)
    {
        take_points(mesh.pts, st.coords);
        std::vector<int32_t> places, part;
        strip_faces(g, g.type, (int)mesh.pts.size(), places, part);
        const bool indexed = g.type == "IndexedTriangleStripSet";
        // Per-corner values of a list indexed like coordIndex, or by the
        // coordinate number.
        auto through = [&](const std::vector<int32_t>& list) {
            std::vector<int32_t> r(places.size(), -1);
            for (size_t k = 0; k < places.size(); ++k) {
                int32_t p = places[k];
                if (p < 0) continue;
                if (!indexed) r[k] = p;
                else if (!list.empty()) r[k] = (size_t)p < list.size() ? list[(size_t)p] : -1;
            }
            return r;
        };
        mesh.idx = indexed ? through(ints(g, "coordIndex")) : places;
        if (st.normals && st.normals->size() >= 3) {
            take_points(mesh.nrm, st.normals);
            const std::string& b = st.norm_binding;
            if (b == "OVERALL") {
                mesh.nidx.assign(mesh.idx.size(), 0);
                for (size_t k = 0; k < mesh.idx.size(); ++k)
                    if (mesh.idx[k] == -1) mesh.nidx[k] = -1;
            } else if (b.rfind("PER_FACE", 0) == 0) mesh.nidx = bind(mesh.idx, {}, true, false);
            else if (b.rfind("PER_PART", 0) == 0) mesh.nidx = bind(mesh.idx, part, true, true);
            else {
                std::vector<int32_t> ni = ints(g, "normalIndex");
                mesh.nidx = indexed && !ni.empty() && ni[0] != -1 ? through(ni) : mesh.idx;
            }
        }
        if (st.texcoords) {
            for (size_t i = 0; i + 1 < st.texcoords->size(); i += 2)
                mesh.tex.push_back(TexVertex{(*st.texcoords)[i], (*st.texcoords)[i + 1]});
            std::vector<int32_t> ti = ints(g, "textureCoordIndex");
            mesh.tidx = indexed && !ti.empty() && ti[0] != -1 ? through(ti) : mesh.idx;
        }
        const std::string& b = st.mat_binding;
        if (look.diffuse.size() > 1 && b != "OVERALL" && b != "DEFAULT") {
            if (b.rfind("PER_VERTEX", 0) == 0) {
                std::vector<int32_t> mi = ints(g, "materialIndex");
                bool by_list = indexed && b.find("INDEXED") != std::string::npos && !mi.empty() && mi[0] != -1;
                face_colours_from_corners(mesh, look.diffuse, by_list ? through(mi) : mesh.idx);
            } else if (b.rfind("PER_PART", 0) == 0) face_colours(mesh, look.diffuse, part);
            else face_colours(mesh, look.diffuse, {});
        } else if (look.diffuse.size() > 1) look.diffuse.resize(1);
        if (st.clockwise) mesh.flip();
    }

    void shape1(const VNode& g, State1& st)
    {
        const std::string& t = g.type;
        Mesh mesh;
        std::string name = !g.def.empty() ? g.def : st.name;
        Look look = look1(st);
        if (t == "IndexedFaceSet" || t == "IndexedLineSet") {
            take_points(mesh.pts, st.coords);
            mesh.idx = ints(g, "coordIndex");
            if (!mesh.idx.empty() && mesh.idx.back() != -1) mesh.idx.push_back(-1);
            if (t == "IndexedLineSet") {
                std::vector<Vec3> colours = line_materials1(mesh.idx, st.mat_binding, ints(g, "materialIndex"), look.diffuse);
                lines_from_polylines(mesh);
                segment_colours(mesh, std::move(colours));
                if (mesh.colours.empty() && look.diffuse.size() > 1) look.diffuse.resize(1);
            } else {
                normals1(mesh, st, g);
                if (st.texcoords) {
                    for (size_t i = 0; i + 1 < st.texcoords->size(); i += 2)
                        mesh.tex.push_back(TexVertex{(*st.texcoords)[i], (*st.texcoords)[i + 1]});
                    std::vector<int32_t> ti = ints(g, "textureCoordIndex");
                    if (ti.size() == 1 && ti[0] == -1) ti.clear();
                    mesh.tidx = bind(mesh.idx, ti, false, !ti.empty());
                }
                bind_materials1(mesh, st, &g, look);
                if (st.clockwise) mesh.flip();
            }
        } else if (t == "PointSet") {
            std::vector<Vec3> all;
            take_points(all, st.coords);
            long long start = first_int(g, "startIndex", 0);
            long long count = first_int(g, "numPoints", -1);
            if (start < 0) start = 0;
            for (long long i = start; i < (long long)all.size() && (count < 0 || i < start + count); ++i)
                mesh.pts.push_back(all[(size_t)i]);
            point_faces(mesh);
            // Any binding but an overall one gives each point its material,
            // in order from the first.
            const std::string& b = st.mat_binding;
            if (look.diffuse.size() > 1 && b != "OVERALL" && b != "DEFAULT") face_colours(mesh, look.diffuse, {});
            else if (look.diffuse.size() > 1) look.diffuse.resize(1);
        } else if (t == "Cube") {
            make_box(mesh, g.num("width", 2.f), g.num("height", 2.f), g.num("depth", 2.f));
            if (look.diffuse.size() > 1) look.diffuse.resize(1);
        } else if (t == "Sphere") {
            make_sphere(mesh, g.num("radius", 1.f));
            if (look.diffuse.size() > 1) look.diffuse.resize(1);
        } else if (t == "Cylinder" || t == "Cone") {
            std::string parts = g.word("parts");
            int p = 7;
            if (!parts.empty() && parts != "ALL")
                p = (parts.find("SIDES") != std::string::npos ? 1 : 0) | (parts.find("TOP") != std::string::npos ? 2 : 0) |
                    (parts.find("BOTTOM") != std::string::npos ? 4 : 0);
            if (t == "Cylinder") make_cylinder(mesh, g.num("radius", 1.f), g.num("height", 2.f), p);
            else make_cone(mesh, g.num("bottomRadius", 1.f), g.num("height", 2.f), p);
            if (look.diffuse.size() > 1) look.diffuse.resize(1);
        } else if (t == "AsciiText") {
            if (!text_node1(mesh, g, st.font_style, noter())) return;
            if (look.diffuse.size() > 1) look.diffuse.resize(1);
        } else if (in(t, {"FaceSet", "TriangleStripSet", "QuadMesh", "IndexedTriangleStripSet"})) {
            strip_shape1(mesh, g, st, look);
        } else {
            not_read(t, g.line);
            return;
        }
        emit(mesh, look, st.m, name);
    }

    void visit1(const VNode* n, State1& st, int depth)
    {
        if (!n || !budget(depth)) return;
        const std::string& t = n->type;
        if (t == "Separator" || t == "WWWAnchor") {
            State1 inner = st;
            if (!n->def.empty()) inner.name = n->def;
            for (const VNode* c : n->children) visit1(c, inner, depth + 1);
            // What the Separator set up ends here: nothing read later
            // points into its nodes.
            give_back_numbers(n);
        } else if (t == "TransformSeparator") {
            Mat4 keep = st.m;
            for (const VNode* c : n->children) visit1(c, st, depth + 1);
            st.m = keep;
        } else if (t == "Group") {
            std::string keep = st.name;
            if (!n->def.empty()) st.name = n->def;
            for (const VNode* c : n->children) visit1(c, st, depth + 1);
            st.name = keep;
        } else if (t == "Switch") {
            int w = (int)n->num("whichChild", -1.f);
            if (w == -2) w = st.switch_choice;   // the choice of the enclosing Switch
            int keep = st.switch_choice;
            st.switch_choice = w;
            if (w == -3)
                for (const VNode* c : n->children) visit1(c, st, depth + 1);
            else if (w >= 0 && w < (int)n->children.size()) visit1(n->children[(size_t)w], st, depth + 1);
            st.switch_choice = keep;
        } else if (t == "LOD" || t == "LevelOfDetail") {
            if (!n->children.empty()) visit1(n->children[0], st, depth + 1);
        } else if (t == "Transform") st.m = st.m * transform_of(*n, true);
        else if (t == "Translation") {
            if (const float* v = n->nums("translation", 3)) st.m = st.m * Mat4::translate(v[0], v[1], v[2]);
        } else if (t == "Rotation") {
            if (const float* v = n->nums("rotation", 4)) st.m = st.m * Mat4::rotate(v[0], v[1], v[2], v[3]);
        } else if (t == "Scale") {
            if (const float* v = n->nums("scaleFactor", 3)) st.m = st.m * Mat4::scale(v[0], v[1], v[2]);
        } else if (t == "MatrixTransform") {
            if (const float* v = n->nums("matrix", 16)) {
                Mat4 mm;
                for (int i = 0; i < 16; ++i) mm.m[i] = v[i];
                st.m = st.m * mm;
            }
        } else if (t == "Coordinate3") st.coords = points_of(n, "point");
        else if (t == "Normal") st.normals = points_of(n, "vector");
        else if (t == "TextureCoordinate2") st.texcoords = points_of(n, "point");
        else if (t == "Material") st.material = n;
        else if (t == "MaterialBinding") st.mat_binding = n->word("value").empty() ? "OVERALL" : n->word("value");
        else if (t == "NormalBinding") st.norm_binding = n->word("value").empty() ? "DEFAULT" : n->word("value");
        else if (t == "Texture2") {
            const VField* f = n->field("filename");
            st.texture = f && !f->words.empty() ? f->words[0] : std::string();
            st.pixels = !f && n->field("image") ? n : nullptr;
        } else if (t == "Texture2Transform") st.tex_transform = n;
        else if (t == "FontStyle") st.font_style = n;
        else if (t == "ShapeHints") st.clockwise = n->word("vertexOrdering") == "CLOCKWISE";
        else if (in(t, {"PointLight", "DirectionalLight", "SpotLight"})) light(*n, st.m);
        else if (t == "PerspectiveCamera" || t == "OrthographicCamera") viewpoint(*n, st.m, n->def);
        else if (t == "WWWInline") inline_file(*n, st.m, "name");
        else if (in(t, k_geometry1)) shape1(*n, st);
        else if (in(t, {"Info", "DirectionalLight"})) {
        } else not_read(t, n->line);
    }
};

// The nodes met once by a walk from the roots: referred to once, below
// nodes referred to once.
void find_read_once(VTree& tree, std::unordered_set<const VNode*>& once)
{
    std::unordered_map<const VNode*, int> refs;
    std::vector<VNode*> todo;
    auto refer = [&](VNode* k) {
        if (k && refs[k]++ == 0) todo.push_back(k);
    };
    for (VNode* r : tree.roots) refer(r);
    while (!todo.empty()) {
        VNode* n = todo.back();
        todo.pop_back();
        for (VField& f : n->fields)
            for (VNode* k : f.nodes) refer(k);
        for (VNode* c : n->children) refer(c);
    }
    for (VNode* r : tree.roots)
        if (r && refs[r] == 1) todo.push_back(r);
    while (!todo.empty()) {
        VNode* n = todo.back();
        todo.pop_back();
        if (!once.insert(n).second) continue;
        for (VField& f : n->fields)
            for (VNode* k : f.nodes)
                if (k && refs[k] == 1) todo.push_back(k);
        for (VNode* c : n->children)
            if (c && refs[c] == 1) todo.push_back(c);
    }
}

} // namespace

int read_scene_graph(Scene& L, SCENE3D& scene, int version, VTree* parsed)
{
    VTree own;
    VTree& tree = parsed ? *parsed : own;
    if (!parsed) {
        L.m_pos = 0;
        parse_tree(L, tree, false);
    }
    Reader r{L, scene, version, {}, 0, false, nullptr, {}, nullptr, nullptr, nullptr, {}};
    for (const auto& pi : tree.proto_instances) r.not_read(pi.first, pi.second);
    if (version == 1) {
        find_read_once(tree, r.read_once);
        Reader::State1 st;
        for (const VNode* n : tree.roots) r.visit1(n, st, 0);
    } else {
        WorldBuilder world(tree);
        r.world = &world;
        for (const VNode* n : tree.roots) r.visit2(n, Mat4(), std::string(), 0);
        r.world = nullptr;
        std::string faults;
        int nfaults = 0;
        for (const std::string& line : world.notes()) {
            scene.m_not_read.push_back(line);
            Trace("%s", line.c_str());
        }
        for (const std::string& line : world.notes())
            if (line.find(": not animated") == std::string::npos && ++nfaults <= 20) faults += "\n" + line;
        if (nfaults > 20) faults += qv_format("\n... and %d more", nfaults - 20);
        if (nfaults) MessageBox("Animation of the world, left out:" + faults);
        scene.m_animation = world.finish(scene);
    }
    // A file written as a scene graph opens as its author set it up.
    if (!L.m_parent) scene.m_file_camera = 1;
    L.m_word[0] = 0;
    // For the cut-short check: braces left open when the file ended inside a node.
    L.m_depth = tree.truncated ? 1 : 0;
    return 1;
}

} // namespace vrml
