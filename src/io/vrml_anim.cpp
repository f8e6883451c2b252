// The event model of a VRML 2.0 world and its evaluation at a time.
#include "io/vrml_anim.h"

#include <algorithm>
#include <cstdint>
#include <cmath>
#include <limits>
#include <unordered_set>

#include "base/cformat.h"
#include "base/report.h"
#include "io/vrml_tree.h"
#include "scene/scene3d.h"
#include "scene/view_fit.h"

namespace vrml {

namespace {

enum class FType { Float, Time, Bool, Vec3, Color, Rotation, Vec3List };

const char* type_name(FType t)
{
    switch (t) {
    case FType::Float: return "SFFloat";
    case FType::Time: return "SFTime";
    case FType::Bool: return "SFBool";
    case FType::Vec3: return "SFVec3f";
    case FType::Color: return "SFColor";
    case FType::Rotation: return "SFRotation";
    case FType::Vec3List: return "MFVec3f";
    }
    return "";
}

enum class Kind { Sensor, Interpolator, Transform, Material, Coordinate, Normal, Viewpoint };

// Field access: in (set_x), out (x_changed), or both (exposed fields).
enum Access { In = 1, Out = 2, Both = 3 };

struct FieldDef {
    const char* name;
    FType type;
    int access;
};

const FieldDef k_sensor[] = {{"fraction_changed", FType::Float, Out}, {"time", FType::Time, Out},
                              {"cycleTime", FType::Time, Out}, {"isActive", FType::Bool, Out}};
const FieldDef k_transform[] = {{"translation", FType::Vec3, Both}, {"rotation", FType::Rotation, Both},
                                 {"scale", FType::Vec3, Both}, {"scaleOrientation", FType::Rotation, Both},
                                 {"center", FType::Vec3, Both}};
const FieldDef k_material[] = {{"diffuseColor", FType::Color, Both}, {"emissiveColor", FType::Color, Both},
                                {"specularColor", FType::Color, Both}, {"transparency", FType::Float, Both},
                                {"shininess", FType::Float, Both}, {"ambientIntensity", FType::Float, Both}};
const FieldDef k_coordinate[] = {{"point", FType::Vec3List, Both}};
const FieldDef k_normal[] = {{"vector", FType::Vec3List, Both}};
const FieldDef k_viewpoint[] = {{"position", FType::Vec3, Both}, {"orientation", FType::Rotation, Both},
                                 {"fieldOfView", FType::Float, Both}};

enum Interp { PosI, OriI, ScalarI, ColorI, CoordI, NormalI };

struct Field {
    const FieldDef* def;
    std::vector<float> file, cur;
};

struct Node {
    Kind kind;
    std::string type, name;
    int line = 0;
    std::vector<Field> fields;
    bool changed = false;   // a field was set in this evaluation
    // Sensor.
    double cycle = 1.0, start = 0.0, stop = 0.0;
    bool loop = false, enabled = true;
    // Interpolator.
    Interp interp = PosI;
    std::vector<float> keys, values;
    size_t width = 0;   // floats per key value
    bool usable = true;
    std::vector<float> out;   // the last value_changed
};

struct Route {
    int from, from_field, to, to_field, line;
};

struct Binding {
    OBJECT3D* o;
    std::vector<ChainLink> chain;
    Mat4 below;
};

struct ListBinding {
    OBJECT3D* o;
    int node;
    Mat4 below;
    bool own_normals;   // the object's normals came from the file
};

// Field name as written in a ROUTE, without set_ / _changed.
std::string bare(const std::string& f)
{
    std::string s = f;
    if (s.rfind("set_", 0) == 0) s = s.substr(4);
    const std::string ch = "_changed";
    if (s.size() > ch.size() && s.compare(s.size() - ch.size(), ch.size(), ch) == 0 && s != "fraction_changed" &&
        s != "value_changed")
        s = s.substr(0, s.size() - ch.size());
    return s;
}

struct Quat {
    double w, x, y, z;
};

Quat quat_of(const float* r)
{
    double len = std::sqrt((double)r[0] * r[0] + (double)r[1] * r[1] + (double)r[2] * r[2]);
    if (!(len > 0) || !std::isfinite(len) || !std::isfinite(r[3])) return {1, 0, 0, 0};
    double h = r[3] * 0.5, s = std::sin(h) / len;
    return {std::cos(h), r[0] * s, r[1] * s, r[2] * s};
}

void rotation_of(const Quat& q, float* out)
{
    double w = std::clamp(q.w, -1.0, 1.0);
    double a = 2.0 * std::acos(w);
    double s = std::sqrt(std::max(0.0, 1.0 - w * w));
    if (s < 1e-9) {
        out[0] = 0.f;
        out[1] = 0.f;
        out[2] = 1.f;
        out[3] = 0.f;
        return;
    }
    out[0] = (float)(q.x / s);
    out[1] = (float)(q.y / s);
    out[2] = (float)(q.z / s);
    out[3] = (float)a;
}

// Spherical interpolation on the shortest arc.
void slerp(const float* a, const float* b, double f, float* out)
{
    Quat p = quat_of(a), q = quat_of(b);
    double d = p.w * q.w + p.x * q.x + p.y * q.y + p.z * q.z;
    if (d < 0) {
        q = {-q.w, -q.x, -q.y, -q.z};
        d = -d;
    }
    double ka, kb;
    if (d > 0.9995) {
        ka = 1.0 - f;
        kb = f;
    } else {
        double th = std::acos(std::min(1.0, d)), s = std::sin(th);
        ka = std::sin((1.0 - f) * th) / s;
        kb = std::sin(f * th) / s;
    }
    Quat r{ka * p.w + kb * q.w, ka * p.x + kb * q.x, ka * p.y + kb * q.y, ka * p.z + kb * q.z};
    double n = std::sqrt(r.w * r.w + r.x * r.x + r.y * r.y + r.z * r.z);
    if (n > 0) r = {r.w / n, r.x / n, r.y / n, r.z / n};
    rotation_of(r, out);
}

Mat4 transform_matrix(const Node& n)
{
    const float* t = n.fields[0].cur.data();
    const float* r = n.fields[1].cur.data();
    const float* s = n.fields[2].cur.data();
    const float* so = n.fields[3].cur.data();
    const float* c = n.fields[4].cur.data();
    if (c[0] == 0.f && c[1] == 0.f && c[2] == 0.f && so[3] == 0.f) {
        // The usual case: T R S, built at once.
        Mat4 m = Mat4::rotate(r[0], r[1], r[2], r[3]);
        for (int col = 0; col < 3; ++col)
            for (int row = 0; row < 3; ++row) m.m[col * 4 + row] *= s[col];
        m.m[12] = t[0];
        m.m[13] = t[1];
        m.m[14] = t[2];
        return m;
    }
    return Mat4::translate(t[0], t[1], t[2]) * Mat4::translate(c[0], c[1], c[2]) *
           Mat4::rotate(r[0], r[1], r[2], r[3]) * Mat4::rotate(so[0], so[1], so[2], so[3]) *
           Mat4::scale(s[0], s[1], s[2]) * Mat4::rotate(so[0], so[1], so[2], -so[3]) *
           Mat4::translate(-c[0], -c[1], -c[2]);
}

} // namespace

class WorldAnimation : public SceneAnimation {
public:
    std::vector<Node> nodes;
    std::vector<Route> routes;
    std::vector<std::vector<int>> routes_from;   // per node: route numbers
    std::vector<int> routes_to;                  // per node: routes that reach it
    std::vector<Binding> objects;
    std::vector<std::pair<OBJECT3D*, int>> materials;   // object, node
    std::vector<ListBinding> lists;
    std::vector<std::pair<Binding, int>> viewpoints;   // binding, node

    void evaluate(SCENE3D& scene, double t) override
    {
        // Every time starts from the file's values.
        for (Node& n : nodes) {
            if (!n.changed) continue;
            n.changed = false;
            for (Field& f : n.fields) f.cur = f.file;
        }
        fired.assign(routes.size(), 0);
        for (size_t i = 0; i < nodes.size(); ++i) {
            Node& s = nodes[i];
            if (s.kind != Kind::Sensor) continue;
            double fraction, cycle_time;
            bool active;
            if (!sensor_state(s, t, fraction, active, cycle_time)) continue;
            const float v[4] = {(float)fraction, (float)t, (float)cycle_time, active ? 1.f : 0.f};
            for (int k = 0; k < 4; ++k) {
                s.fields[(size_t)k].cur.assign(1, v[k]);
                send((int)i, k);
            }
        }
        apply(scene);
    }

    bool changes_after(double t) const override
    {
        for (size_t i = 0; i < nodes.size(); ++i) {
            const Node& s = nodes[i];
            if (s.kind != Kind::Sensor || !s.enabled || !(s.cycle > 0) || routes_from[i].empty()) continue;
            if (end_of(s) > t) return true;
        }
        return false;
    }

    bool swept_box(Vec3& mn, Vec3& mx) const override
    {
        if (!m_swept) return false;
        mn = m_swept_min;
        mx = m_swept_max;
        return true;
    }

    // Samples one run of the clocks (up to the longest first cycle, at most
    // an hour) and keeps the box of all the objects, then returns to time 0.
    void sweep(SCENE3D& scene)
    {
        double horizon = 0.0;
        for (size_t i = 0; i < nodes.size(); ++i) {
            const Node& s = nodes[i];
            if (s.kind != Kind::Sensor || !s.enabled || !(s.cycle > 0) || routes_from[i].empty()) continue;
            horizon = std::max(horizon, std::min(end_of(s), s.start + s.cycle));
        }
        horizon = std::min(horizon, 3600.0);
        const int samples = 16;
        for (int k = 0; k <= samples; ++k) {
            evaluate(scene, horizon * k / samples);
            Vec3 a, b;
            if (!scene_world_box(scene, a, b)) continue;
            if (!m_swept) {
                m_swept_min = a;
                m_swept_max = b;
            }
            m_swept = true;
            m_swept_min = Vec3(std::min(m_swept_min.x, a.x), std::min(m_swept_min.y, a.y), std::min(m_swept_min.z, a.z));
            m_swept_max = Vec3(std::max(m_swept_max.x, b.x), std::max(m_swept_max.y, b.y), std::max(m_swept_max.z, b.z));
        }
        evaluate(scene, 0.0);
    }
    bool m_swept = false;
    Vec3 m_swept_min, m_swept_max;

    bool has_clocks() const override
    {
        for (size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i].kind == Kind::Sensor && nodes[i].enabled && nodes[i].cycle > 0 && !routes_from[i].empty())
                return true;
        return false;
    }

    static double end_of(const Node& s)
    {
        const double inf = std::numeric_limits<double>::infinity();
        double end = s.loop ? inf : s.start + s.cycle;
        if (s.stop > s.start) end = std::min(end, s.stop);
        return end;
    }

    // The events of a sensor at time t (seconds from opening); false when
    // it has sent none yet.
    static bool sensor_state(const Node& s, double t, double& fraction, bool& active, double& cycle_time)
    {
        if (!s.enabled || !(s.cycle > 0) || t < s.start) return false;
        double end = end_of(s);
        double at = std::min(t, end);
        double cycles = (at - s.start) / s.cycle;
        double whole = std::floor(cycles);
        fraction = cycles - whole;
        // The last event of a cycle that ends exactly is fraction 1.
        if (at >= end && fraction == 0.0 && at > s.start) fraction = 1.0;
        active = t < end;
        cycle_time = s.start + whole * s.cycle;
        return true;
    }

    // Events of one evaluation: the value sits in the sending node (its
    // field, or an interpolator's output).
    struct Event {
        int node, field;
        const std::vector<float>* value;
    };
    std::vector<Event> queue;
    std::vector<char> fired;

    void send(int node, int field)
    {
        // Breadth first; each route fires once per time, which cuts cycles.
        queue.clear();
        queue.push_back({node, field, &nodes[(size_t)node].fields[(size_t)field].cur});
        for (size_t q = 0; q < queue.size(); ++q) {
            const Event e = queue[q];
            const std::vector<float>& value = *e.value;
            for (int ri : routes_from[(size_t)e.node]) {
                const Route& r = routes[(size_t)ri];
                if (r.from_field != e.field || fired[(size_t)ri]) continue;
                fired[(size_t)ri] = 1;
                Node& to = nodes[(size_t)r.to];
                if (to.kind == Kind::Interpolator) {
                    if (value.empty() || !interpolate(to, value[0], to.out)) continue;
                    queue.push_back({r.to, 1, &to.out});
                } else {
                    Field& f = to.fields[(size_t)r.to_field];
                    if (f.def->type == FType::Vec3List && value.size() != f.file.size()) continue;
                    if (f.def->type != FType::Vec3List && value.size() < f.file.size()) continue;
                    if (&f.cur != &value) f.cur.assign(value.begin(), value.begin() + (long)f.file.size());
                    to.changed = true;
                    queue.push_back({r.to, r.to_field, &f.cur});
                }
            }
        }
    }

    static bool interpolate(const Node& n, float fr, std::vector<float>& out)
    {
        if (!n.usable || n.keys.empty() || !std::isfinite(fr)) return false;
        const size_t w = n.width, k = n.keys.size();
        // A value of no width, or fewer values than keys, gives nothing to send.
        if (w == 0 || n.values.size() < k * w) return false;
        size_t i = 0;
        while (i + 1 < k && fr >= n.keys[i + 1]) ++i;
        out.assign(n.values.begin() + (long)(i * w), n.values.begin() + (long)((i + 1) * w));
        if (fr <= n.keys[0] || i + 1 >= k) return true;
        double span = (double)n.keys[i + 1] - n.keys[i];
        if (!(span > 0)) return true;
        double f = ((double)fr - n.keys[i]) / span;
        const float* a = &n.values[i * w];
        const float* b = &n.values[(i + 1) * w];
        if (n.interp == OriI) {
            slerp(a, b, f, out.data());
            return true;
        }
        for (size_t j = 0; j < w; ++j) out[j] = (float)(a[j] + (b[j] - a[j]) * f);
        if (n.interp == NormalI)
            for (size_t j = 0; j + 2 < w; j += 3) {
                double l = std::sqrt((double)out[j] * out[j] + (double)out[j + 1] * out[j + 1] +
                                     (double)out[j + 2] * out[j + 2]);
                if (l > 0)
                    for (size_t c = 0; c < 3; ++c) out[j + c] = (float)(out[j + c] / l);
            }
        return true;
    }

    Mat4 chain_matrix(const std::vector<ChainLink>& chain, const std::vector<Mat4>& local) const
    {
        Mat4 m;
        for (const ChainLink& l : chain) m = m * l.fixed * local[(size_t)l.transform];
        return m;
    }

    static void set_matrix(OBJECT3D& o, const Mat4& m)
    {
        for (int i = 0; i < 16; ++i) o.m_matrix[i] = (float)m.m[i];
        o.m_has_matrix = 1;
    }

    std::unordered_set<const OBJECT3D*> m_live;
    uint64_t m_live_sig = 0;
    std::vector<Mat4> local;

    void apply(SCENE3D& scene)
    {
        // Objects may have been removed since the world was read: the set
        // of those there is made again when the object array changed.
        uint64_t sig = (uint64_t)scene.nbobjects;
        for (int i = 0; i < scene.nbobjects; ++i) sig = sig * 1099511628211ull + (uint64_t)(uintptr_t)scene.m_objects[i];
        if (sig != m_live_sig || m_live.empty()) {
            m_live.clear();
            m_live.reserve((size_t)std::max(0, scene.nbobjects));
            for (int i = 0; i < scene.nbobjects; ++i)
                if (scene.m_objects[i]) m_live.insert(scene.m_objects[i]);
            m_live_sig = sig;
        }
        const std::unordered_set<const OBJECT3D*>& live = m_live;
        local.resize(nodes.size());
        for (size_t i = 0; i < nodes.size(); ++i)
            if (nodes[i].kind == Kind::Transform) local[i] = transform_matrix(nodes[i]);
        for (const Binding& b : objects) {
            if (!live.count(b.o)) continue;
            if (b.chain.size() == 1 && b.chain[0].fixed.identity()) set_matrix(*b.o, local[(size_t)b.chain[0].transform]);
            else set_matrix(*b.o, chain_matrix(b.chain, local));
        }
        for (const auto& [o, ni] : materials) {
            if (!live.count(o)) continue;
            apply_material(*o, nodes[(size_t)ni]);
        }
        for (const ListBinding& b : lists) {
            if (!live.count(b.o)) continue;
            const Field& f = nodes[(size_t)b.node].fields[0];
            size_t n = f.cur.size() / 3;
            bool coords = nodes[(size_t)b.node].kind == Kind::Coordinate;
            OBJECT3D& o = *b.o;
            Vec3* dst = coords ? o.m_vertices : o.m_normals;
            size_t have = (size_t)std::max(0, coords ? o.nbpts : o.nbnormal);
            if (!dst || have != n) continue;
            bool diff = false;
            for (size_t k = 0; k < n; ++k) {
                Vec3 v(f.cur[k * 3], f.cur[k * 3 + 1], f.cur[k * 3 + 2]);
                v = coords ? b.below.point(v) : b.below.normal(v);
                if (v.x != dst[k].x || v.y != dst[k].y || v.z != dst[k].z) diff = true;
                dst[k] = v;
            }
            if (!diff) continue;
            o.m_needs_rebuild = 1;
            if (coords && !b.own_normals) {
                // Normals built from the old points are built again.
                delete[] o.m_normals;
                o.m_normals = nullptr;
                delete[] o.normalindex;
                o.normalindex = nullptr;
                o.nbnormal = 0;
                delete[] o.m_vertex_normals;
                o.m_vertex_normals = nullptr;
                delete[] o.m_vertex_normalindex;
                o.m_vertex_normalindex = nullptr;
            }
            if (coords) {
                o.m_o_max_xyz = Vec3(-1e10f, -1e10f, -1e10f);
                o.m_o_min_xyz = Vec3(1e10f, 1e10f, 1e10f);
                o.compute_bounds();
                o.compute_center();
            }
        }
        for (const auto& [b, ni] : viewpoints) {
            if (!live.count(b.o) || !b.o->m_viewpoint) continue;
            const Node& n = nodes[(size_t)ni];
            Mat4 m = chain_matrix(b.chain, local) * b.below;
            const float* p = n.fields[0].cur.data();
            const float* r = n.fields[1].cur.data();
            VIEWPOINT3D& vp = *b.o->m_viewpoint;
            vp.position = m.point(Vec3(p[0], p[1], p[2]));
            Vec3 axis(r[0], r[1], r[2]);
            float angle = r[3];
            if (!m.identity()) world_orientation(m, axis, angle);
            vp.orientation = axis;
            vp.angle = angle;
            vp.field_of_view = n.fields[2].cur[0];
        }
    }

    static void apply_material(OBJECT3D& o, const Node& n)
    {
        const float* d = n.fields[0].cur.data();
        const float* e = n.fields[1].cur.data();
        const float* s = n.fields[2].cur.data();
        float tr = n.fields[3].cur[0], sh = n.fields[4].cur[0], ai = n.fields[5].cur[0];
        bool diff = false;
        auto put = [&](Vec3* a, int32_t count, Vec3 v) {
            if (!a || count < 1) return;
            if (a[0].x != v.x || a[0].y != v.y || a[0].z != v.z) diff = true;
            a[0] = v;
        };
        put(o.T_diffuseColor, o.m_nb_diffuse, Vec3(d[0], d[1], d[2]));
        put(o.T_ambientColor, o.m_nb_ambient, Vec3(d[0] * ai, d[1] * ai, d[2] * ai));
        put(o.T_emissive, o.m_nb_emissive, Vec3(e[0], e[1], e[2]));
        put(o.T_specularColor, o.m_nb_specular, Vec3(s[0], s[1], s[2]));
        if (o.T_shininess && o.m_nb_shininess > 0 && o.T_shininess[0] != sh) {
            o.T_shininess[0] = sh;
            diff = true;
        }
        if (o.m_transparency != tr) {
            o.m_transparency = tr;
            o.m_transparent = tr > 0.f ? 1 : 0;
            diff = true;
        }
        if (diff) o.m_needs_rebuild = 1;
    }
};

// ---------------------------------------------------------------- building

namespace {

const FieldDef* defs_of(Kind k, size_t& n)
{
    switch (k) {
    case Kind::Sensor: n = std::size(k_sensor); return k_sensor;
    case Kind::Transform: n = std::size(k_transform); return k_transform;
    case Kind::Material: n = std::size(k_material); return k_material;
    case Kind::Coordinate: n = std::size(k_coordinate); return k_coordinate;
    case Kind::Normal: n = std::size(k_normal); return k_normal;
    case Kind::Viewpoint: n = std::size(k_viewpoint); return k_viewpoint;
    case Kind::Interpolator: break;
    }
    n = 0;
    return nullptr;
}

bool kind_of(const std::string& t, Kind& k, Interp& ik)
{
    if (t == "TimeSensor") k = Kind::Sensor;
    else if (t == "Transform") k = Kind::Transform;
    else if (t == "Material") k = Kind::Material;
    else if (t == "Coordinate") k = Kind::Coordinate;
    else if (t == "Normal") k = Kind::Normal;
    else if (t == "Viewpoint") k = Kind::Viewpoint;
    else {
        k = Kind::Interpolator;
        if (t == "PositionInterpolator") ik = PosI;
        else if (t == "OrientationInterpolator") ik = OriI;
        else if (t == "ScalarInterpolator") ik = ScalarI;
        else if (t == "ColorInterpolator") ik = ColorI;
        else if (t == "CoordinateInterpolator") ik = CoordI;
        else if (t == "NormalInterpolator") ik = NormalI;
        else return false;
    }
    return true;
}

// File values of a field: the node's own, else the VRML default.
std::vector<float> field_default(const VNode& n, const FieldDef& f)
{
    const VField* v = n.field(f.name);
    size_t want = 0;
    std::vector<float> d;
    switch (f.type) {
    case FType::Float: want = 1; break;
    case FType::Time: want = 1; break;
    case FType::Bool: want = 1; break;
    case FType::Vec3: want = 3; break;
    case FType::Color: want = 3; break;
    case FType::Rotation: want = 4; break;
    case FType::Vec3List: return v ? std::vector<float>(v->nums.begin(), v->nums.end() - (long)(v->nums.size() % 3))
                                   : std::vector<float>();
    }
    if (v && v->nums.size() >= want) return std::vector<float>(v->nums.begin(), v->nums.begin() + (long)want);
    const std::string name = f.name;
    if (name == "scale") return {1, 1, 1};
    if (name == "rotation" || name == "scaleOrientation" || name == "orientation") return {0, 0, 1, 0};
    if (name == "diffuseColor") return {0.8f, 0.8f, 0.8f};
    if (name == "shininess") return {0.2f};
    if (name == "ambientIntensity") return {0.2f};
    if (name == "fieldOfView") return {0.785398f};
    if (name == "position" && n.type == "Viewpoint") return {0, 0, 10};
    d.assign(want, 0.f);
    return d;
}

FType interp_type(Interp i)
{
    switch (i) {
    case PosI: return FType::Vec3;
    case OriI: return FType::Rotation;
    case ScalarI: return FType::Float;
    case ColorI: return FType::Color;
    case CoordI: case NormalI: return FType::Vec3List;
    }
    return FType::Float;
}

} // namespace

WorldBuilder::WorldBuilder(const VTree& tree) : m_world(new WorldAnimation())
{
    WorldAnimation& w = *m_world;
    std::vector<std::pair<std::string, int>> unplayed;   // (what, line), each kind once
    for (const VRoute& r : tree.routes) {
        const VNode* a = r.from;
        const VNode* b = r.to;
        if (!a) {
            auto it = tree.defs.find(r.from_node);
            if (it != tree.defs.end()) a = it->second;
        }
        if (!b) {
            auto it = tree.defs.find(r.to_node);
            if (it != tree.defs.end()) b = it->second;
        }
        if (!a || !b) {
            note(qv_format("ROUTE at line %d: no node named %s", r.line, (!a ? r.from_node : r.to_node).c_str()), true);
            continue;
        }
        int fa = node_of(a, r.line), fb = node_of(b, r.line);
        if (fa < 0 || fb < 0) {
            std::string what = fa < 0 ? a->type : b->type;
            bool seen = false;
            for (auto& u : unplayed) seen = seen || u.first == what;
            if (!seen) {
                unplayed.emplace_back(what, r.line);
                note(qv_format("ROUTE at line %d (%s): not animated", r.line, what.c_str()), false);
            }
            continue;
        }
        // Fields by name and direction.
        auto find = [&](int ni, const std::string& field, bool out, FType& type) -> int {
            Node& n = w.nodes[(size_t)ni];
            if (n.kind == Kind::Interpolator) {
                type = interp_type(n.interp);
                if (out && field == "value_changed") return 1;
                if (!out && field == "set_fraction") {
                    type = FType::Float;
                    return 0;
                }
                return -1;
            }
            std::string f = n.kind == Kind::Sensor ? field : bare(field);
            for (size_t i = 0; i < n.fields.size(); ++i)
                if (f == n.fields[i].def->name && (n.fields[i].def->access & (out ? Out : In))) {
                    type = n.fields[i].def->type;
                    return (int)i;
                }
            return -1;
        };
        FType ta = FType::Float, tb = FType::Float;
        int ia = find(fa, r.from_field, true, ta), ib = find(fb, r.to_field, false, tb);
        if (ia >= 0 && ib < 0 && w.nodes[(size_t)fb].kind == Kind::Sensor) {
            // Clocks keep the times of the file.
            std::string what = b->type + "." + r.to_field;
            bool seen = false;
            for (auto& u : unplayed) seen = seen || u.first == what;
            if (!seen) {
                unplayed.emplace_back(what, r.line);
                note(qv_format("ROUTE at line %d (%s): not animated", r.line, what.c_str()), false);
            }
            continue;
        }
        if (ia < 0 || ib < 0) {
            note(qv_format("ROUTE at line %d: %s has no field %s", r.line, (ia < 0 ? a : b)->type.c_str(),
                           (ia < 0 ? r.from_field : r.to_field).c_str()),
                 true);
            continue;
        }
        if (ta != tb) {
            note(qv_format("ROUTE at line %d: %s (%s) does not match %s (%s)", r.line, r.from_field.c_str(),
                           type_name(ta), r.to_field.c_str(), type_name(tb)),
                 true);
            continue;
        }
        w.routes.push_back({fa, ia, fb, ib, r.line});
    }
    // Malformed clocks and interpolators are reported even when nothing
    // routes them.
    for (const auto& up : tree.pool) {
        Kind k;
        Interp ik;
        if (up && kind_of(up->type, k, ik) && (k == Kind::Sensor || k == Kind::Interpolator)) node_of(up.get(), up->line);
    }
    w.routes_from.assign(w.nodes.size(), {});
    w.routes_to.assign(w.nodes.size(), 0);
    for (size_t i = 0; i < w.routes.size(); ++i) {
        w.routes_from[(size_t)w.routes[i].from].push_back((int)i);
        ++w.routes_to[(size_t)w.routes[i].to];
    }
    // Cycles of routes: one note each (the cascade stops after one pass).
    std::vector<int> state(w.nodes.size(), 0);
    std::vector<char> noted(w.routes.size(), 0);
    std::vector<std::pair<int, size_t>> stack;
    for (size_t s = 0; s < w.nodes.size(); ++s) {
        if (state[s]) continue;
        stack.push_back({(int)s, 0});
        state[s] = 1;
        while (!stack.empty()) {
            auto& [n, k] = stack.back();
            const std::vector<int>& out = w.routes_from[(size_t)n];
            if (k >= out.size()) {
                state[(size_t)n] = 2;
                stack.pop_back();
                continue;
            }
            int ri = out[k++];
            int to = w.routes[(size_t)ri].to;
            if (state[(size_t)to] == 1 && !noted[(size_t)ri]) {
                noted[(size_t)ri] = 1;
                note(qv_format("ROUTE at line %d closes a cycle: its events pass once per time",
                               w.routes[(size_t)ri].line),
                     true);
            } else if (state[(size_t)to] == 0) {
                state[(size_t)to] = 1;
                stack.push_back({to, 0});
            }
        }
    }
}

WorldBuilder::~WorldBuilder() = default;

void WorldBuilder::note(const std::string& text, bool fault)
{
    m_notes.push_back(text);
    if (fault) ++m_faults;
}

int WorldBuilder::node_of(const VNode* n, int line)
{
    (void)line;
    auto it = m_index.find(n);
    if (it != m_index.end()) return it->second;
    Kind k;
    Interp ik = PosI;
    if (!kind_of(n->type, k, ik)) {
        m_index[n] = -1;
        return -1;
    }
    WorldAnimation& w = *m_world;
    Node node;
    node.kind = k;
    node.type = n->type;
    node.name = n->def;
    node.line = n->line;
    if (k == Kind::Sensor) {
        node.cycle = n->num("cycleInterval", 1.f);
        node.loop = n->flag("loop", false);
        node.enabled = n->flag("enabled", true);
        node.start = n->num("startTime", 0.f);
        node.stop = n->num("stopTime", 0.f);
        if (!(node.cycle > 0) || !std::isfinite(node.cycle)) {
            note(qv_format("TimeSensor %s at line %d: cycleInterval %s is not positive; the clock stays still",
                           n->def.c_str(), n->line, qv_format("%g", node.cycle).c_str()),
                 true);
            node.enabled = false;
        }
    }
    size_t ns = 0;
    const FieldDef* sp = defs_of(k, ns);
    for (size_t i = 0; i < ns; ++i) {
        Field f{&sp[i], field_default(*n, sp[i]), {}};
        f.cur = f.file;
        node.fields.push_back(std::move(f));
    }
    if (k == Kind::Interpolator) {
        node.interp = ik;
        const VField* key = n->field("key");
        const VField* val = n->field("keyValue");
        if (key) node.keys = key->nums;
        if (val) node.values = val->nums;
        size_t nk = node.keys.size();
        size_t per = ik == PosI || ik == ColorI ? 3 : ik == OriI ? 4 : 1;
        size_t nv = node.values.size();
        if (ik == CoordI || ik == NormalI) {
            // Each key holds the same number of points.
            node.width = nk ? nv / nk : 0;
            if (nk == 0 || nv % nk || node.width % 3) {
                note(qv_format("%s %s at line %d: %zu keys for %zu key values", n->type.c_str(), n->def.c_str(), n->line,
                               nk, nv / 3),
                     true);
                node.usable = false;
            }
        } else {
            node.width = per;
            if (nk == 0 || nv != nk * per) {
                note(qv_format("%s %s at line %d: %zu keys for %zu key values", n->type.c_str(), n->def.c_str(), n->line,
                               nk, nv / per),
                     true);
                node.usable = false;
            }
        }
        for (float v : node.keys)
            if (!std::isfinite(v)) node.usable = false;
    }
    w.nodes.push_back(std::move(node));
    // Nodes met after the routes (viewpoints placed by a chain) have none.
    w.routes_from.resize(w.nodes.size());
    w.routes_to.resize(w.nodes.size());
    int id = (int)w.nodes.size() - 1;
    m_index[n] = id;
    return id;
}

int WorldBuilder::animated_transform(const VNode* n) const
{
    auto it = m_index.find(n);
    if (it == m_index.end() || it->second < 0) return -1;
    return m_world->nodes[(size_t)it->second].kind == Kind::Transform ? it->second : -1;
}

bool WorldBuilder::animated(const VNode* n) const
{
    if (!n) return false;
    auto it = m_index.find(n);
    if (it == m_index.end() || it->second < 0) return false;
    return m_world->routes_to[(size_t)it->second] > 0;
}

void WorldBuilder::bind_object(OBJECT3D* o, const std::vector<ChainLink>& chain)
{
    if (o && !chain.empty()) m_world->objects.push_back({o, chain, Mat4()});
}

void WorldBuilder::bind_material(const VNode* material, OBJECT3D* o)
{
    if (!o || !animated(material) || o->m_nb_diffuse != 1) return;
    m_world->materials.emplace_back(o, m_index[material]);
}

void WorldBuilder::bind_points(const VNode* coord, OBJECT3D* o, const Mat4& below)
{
    if (!o || !animated(coord)) return;
    int id = m_index[coord];
    size_t n = m_world->nodes[(size_t)id].fields[0].file.size() / 3;
    if ((size_t)o->nbpts != n) return;   // the points were not taken one for one
    m_world->lists.push_back({o, id, below, o->m_normals != nullptr});
    refuse_other_counts(id, n, "points", "Coordinate");
}

// Interpolators routed to list `id` that would change its count of `n`
// entries are refused, one message each.
void WorldBuilder::refuse_other_counts(int id, size_t n, const char* what, const char* target)
{
    for (const Route& r : m_world->routes) {
        if (r.to != id) continue;
        Node& src = m_world->nodes[(size_t)r.from];
        if (src.kind == Kind::Interpolator && src.usable && src.width != n * 3) {
            note(qv_format("%s %s at line %d: %zu %s for a %s of %zu; not animated", src.type.c_str(),
                           src.name.c_str(), src.line, src.width / 3, what, target, n),
                 true);
            src.usable = false;
        }
    }
}

void WorldBuilder::bind_normals(const VNode* normal, OBJECT3D* o, const Mat4& below)
{
    if (!o || !animated(normal)) return;
    int id = m_index[normal];
    size_t n = m_world->nodes[(size_t)id].fields[0].file.size() / 3;
    if ((size_t)o->nbnormal != n) return;
    m_world->lists.push_back({o, id, below, true});
    refuse_other_counts(id, n, "vectors", "Normal");
}

void WorldBuilder::bind_viewpoint(const VNode* vp, OBJECT3D* o, const std::vector<ChainLink>& chain, const Mat4& below)
{
    if (!o || (!animated(vp) && chain.empty())) return;
    int id = m_index.count(vp) ? m_index[vp] : -1;
    if (id < 0) id = node_of(vp, vp->line);
    if (id < 0) return;
    m_world->viewpoints.push_back({Binding{o, chain, below}, id});
}

std::unique_ptr<SceneAnimation> WorldBuilder::finish(SCENE3D& scene)
{
    if (m_world->routes.empty()) return nullptr;
    // Swept while the scene does not hold it yet: the box is of the objects alone.
    m_world->sweep(scene);
    return std::unique_ptr<SceneAnimation>(m_world.release());
}

} // namespace vrml
