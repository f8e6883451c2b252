#include "io/vrml_mesh.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "io/vrml_tree.h"

namespace vrml {

namespace {
constexpr float k_pi = 3.14159265358979f;
// Tessellation of the primitives: what readers of these formats draw at
// their default complexity, so that a file shows the same facets here.
constexpr int k_segments = 20;          // around a cylinder or cone
constexpr int k_sphere_segments = 15;   // around a sphere
constexpr int k_rings = 14;             // from pole to pole of a sphere
constexpr int k_max_grid = 4000000;

// Appends one corner (or, with -1, the end of a face) whose normal and
// texture coordinate numbers equal its vertex number.
void corner(Mesh& m, int32_t v)
{
    m.idx.push_back(v);
    m.nidx.push_back(v);
    m.tidx.push_back(v);
}

// Appends a face of the given corners.
void face(Mesh& m, std::initializer_list<int32_t> corners)
{
    for (int32_t c : corners) corner(m, c);
    corner(m, -1);
}

int32_t vertex(Mesh& m, const Vec3& p, const Vec3& n, float s, float t)
{
    m.pts.push_back(p);
    m.nrm.push_back(n);
    m.tex.push_back(TexVertex{s, t});
    return (int32_t)m.pts.size() - 1;
}

Vec3 unit(Vec3 v)
{
    float l = std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z);
    return l > 0.f ? v * (1.f / l) : v;
}
} // namespace

int Mesh::faces() const { return (int)std::count(idx.begin(), idx.end(), -1); }

void Mesh::normalise_lists()
{
    if (!idx.empty() && idx.back() != -1) idx.push_back(-1);
    // Corners naming no vertex are dropped, and faces left without corners
    // (faces left with fewer than three: they cover nothing).
    const int32_t np = (int32_t)pts.size();
    const size_t least = kind == Faces ? 3 : 1;
    bool bad = false;
    size_t run = 0;
    for (int32_t v : idx) {
        if (v < -1 || v >= np) bad = true;
        if (v != -1) ++run;
        else {
            if (run < least) bad = true;
            run = 0;
        }
    }
    if (bad) {
        std::vector<int32_t> i2, n2, t2, f2;
        size_t start = 0;
        int f = 0;
        for (size_t k = 0; k < idx.size(); ++k) {
            if (idx[k] != -1) continue;
            size_t kept = i2.size(), nkept = n2.size(), tkept = t2.size();
            for (size_t c = start; c < k; ++c) {
                if (idx[c] < 0 || idx[c] >= np) continue;
                i2.push_back(idx[c]);
                if (c < nidx.size()) n2.push_back(nidx[c]);
                if (c < tidx.size()) t2.push_back(tidx[c]);
            }
            if (i2.size() - kept >= least) {
                i2.push_back(-1);
                if (!nidx.empty()) n2.push_back(-1);
                if (!tidx.empty()) t2.push_back(-1);
                if ((size_t)f < fcol.size()) f2.push_back(fcol[(size_t)f]);
            } else {
                i2.resize(kept);
                n2.resize(nkept);
                t2.resize(tkept);
            }
            start = k + 1;
            ++f;
        }
        idx.swap(i2);
        if (!nidx.empty()) nidx.swap(n2);
        if (!tidx.empty()) tidx.swap(t2);
        if (!fcol.empty()) fcol.swap(f2);
    }
    for (std::vector<int32_t>* l : {&nidx, &tidx}) {
        if (l->empty()) continue;
        l->resize(idx.size(), -1);
        for (size_t k = 0; k < idx.size(); ++k)
            if (idx[k] == -1) (*l)[k] = -1;
            else if ((*l)[k] == -1) (*l)[k] = 0;
    }
    // Normal and texture numbers that name nothing: the list is not used.
    if (!nidx.empty())
        for (size_t k = 0; k < idx.size(); ++k)
            if (idx[k] != -1 && (nidx[k] < 0 || nidx[k] >= (int32_t)nrm.size())) {
                nidx.clear();
                break;
            }
    if (!tidx.empty())
        for (size_t k = 0; k < idx.size(); ++k)
            if (idx[k] != -1 && (tidx[k] < 0 || tidx[k] >= (int32_t)tex.size())) {
                tidx.clear();
                break;
            }
    if (!fcol.empty()) {
        fcol.resize((size_t)faces(), 0);
        for (int32_t& c : fcol)
            if (c < 0 || c >= (int32_t)colours.size()) c = 0;
    }
}

void Mesh::flip()
{
    size_t start = 0;
    for (size_t k = 0; k <= idx.size(); ++k) {
        if (k < idx.size() && idx[k] != -1) continue;
        std::reverse(idx.begin() + (long)start, idx.begin() + (long)k);
        if (nidx.size() == idx.size()) std::reverse(nidx.begin() + (long)start, nidx.begin() + (long)k);
        if (tidx.size() == idx.size()) std::reverse(tidx.begin() + (long)start, tidx.begin() + (long)k);
        start = k + 1;
    }
}

void Mesh::default_tex()
{
    tex.clear();
    tidx = idx;
    if (pts.empty()) return;
    Vec3 mn = pts[0], mx = pts[0];
    for (const Vec3& p : pts) {
        mn.x = std::min(mn.x, p.x);
        mn.y = std::min(mn.y, p.y);
        mn.z = std::min(mn.z, p.z);
        mx.x = std::max(mx.x, p.x);
        mx.y = std::max(mx.y, p.y);
        mx.z = std::max(mx.z, p.z);
    }
    float ext[3] = {mx.x - mn.x, mx.y - mn.y, mx.z - mn.z};
    int a[3] = {0, 1, 2};
    std::stable_sort(a, a + 3, [&](int i, int j) { return ext[i] > ext[j]; });
    float size = ext[a[0]] > 0.f ? ext[a[0]] : 1.f;
    for (const Vec3& p : pts) {
        const float c[3] = {p.x - mn.x, p.y - mn.y, p.z - mn.z};
        tex.push_back(TexVertex{c[a[0]] / size, c[a[1]] / size});
    }
}

void make_box(Mesh& m, float sx, float sy, float sz)
{
    float x = sx / 2, y = sy / 2, z = sz / 2;
    struct Side {
        Vec3 n, u, v;
    };
    const Side sides[6] = {{{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},  {{0, 0, -1}, {-1, 0, 0}, {0, 1, 0}},
                           {{1, 0, 0}, {0, 0, -1}, {0, 1, 0}}, {{-1, 0, 0}, {0, 0, 1}, {0, 1, 0}},
                           {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}}, {{0, -1, 0}, {1, 0, 0}, {0, 0, 1}}};
    for (const Side& s : sides) {
        int32_t first = (int32_t)m.pts.size();
        for (int k = 0; k < 4; ++k) {
            float a = (k == 1 || k == 2) ? 1.f : -1.f, b = (k >= 2) ? 1.f : -1.f;
            Vec3 d = s.n + s.u * a + s.v * b;
            vertex(m, Vec3(d.x * x, d.y * y, d.z * z), s.n, (a + 1) / 2, (b + 1) / 2);
        }
        face(m, {first, first + 1, first + 2, first + 3});
    }
}

void make_sphere(Mesh& m, float r)
{
    int32_t first = (int32_t)m.pts.size();
    for (int i = 0; i <= k_rings; ++i) {
        float phi = k_pi * (float)i / k_rings;   // from the north pole
        for (int j = 0; j <= k_sphere_segments; ++j) {
            float th = 2 * k_pi * (float)j / k_sphere_segments;
            Vec3 n(-std::sin(phi) * std::sin(th), std::cos(phi), -std::sin(phi) * std::cos(th));
            vertex(m, n * r, n, (float)j / k_sphere_segments, 1.f - (float)i / k_rings);
        }
    }
    const int w = k_sphere_segments + 1;
    for (int i = 0; i < k_rings; ++i)
        for (int j = 0; j < k_sphere_segments; ++j) {
            int32_t a = first + i * w + j, b = a + w;
            if (i == 0) face(m, {a, b, b + 1});
            else if (i == k_rings - 1) face(m, {a, b, a + 1});
            else face(m, {a, b, b + 1, a + 1});
        }
}

namespace {
// A disc of radius r at height y, facing up (or down).
void disc(Mesh& m, float r, float y, bool up)
{
    Vec3 n(0, up ? 1.f : -1.f, 0);
    int32_t first = (int32_t)m.pts.size();
    for (int j = 0; j < k_segments; ++j) {
        float th = 2 * k_pi * (float)j / k_segments;
        float s = std::sin(th), c = std::cos(th);
        vertex(m, Vec3(-r * s, y, -r * c), n, 0.5f - s / 2, up ? 0.5f + c / 2 : 0.5f - c / 2);
    }
    m.idx.reserve(m.idx.size() + k_segments + 1);
    for (int j = 0; j < k_segments; ++j) {
        int32_t v = up ? first + j : first + (k_segments - 1 - j);
        // Counter-clockwise seen from outside: increasing angles seen from above.
        corner(m, v);
    }
    corner(m, -1);
}

// apex: a cone's side, triangles meeting at the top (a cylinder of radius
// 0 keeps its quads, as the faces of a cylinder).
void side(Mesh& m, float r_bottom, float r_top, float h, bool apex)
{
    int32_t first = (int32_t)m.pts.size();
    float slope = (r_bottom - r_top) / (h != 0.f ? h : 1.f);
    for (int j = 0; j <= k_segments; ++j) {
        float th = 2 * k_pi * (float)j / k_segments;
        float s = std::sin(th), c = std::cos(th);
        Vec3 n = unit(Vec3(-s, slope, -c));
        vertex(m, Vec3(-r_bottom * s, -h / 2, -r_bottom * c), n, (float)j / k_segments, 0.f);
        vertex(m, Vec3(-r_top * s, h / 2, -r_top * c), n, (float)j / k_segments, 1.f);
    }
    for (int j = 0; j < k_segments; ++j) {
        int32_t b0 = first + 2 * j, t0 = b0 + 1, b1 = b0 + 2, t1 = b0 + 3;
        if (apex) face(m, {b0, b1, t0});
        else face(m, {b0, b1, t1, t0});
    }
}
} // namespace

void make_cylinder(Mesh& m, float r, float h, int parts)
{
    if (parts & 1) side(m, r, r, h, false);
    if (parts & 2) disc(m, r, h / 2, true);
    if (parts & 4) disc(m, r, -h / 2, false);
}

void make_cone(Mesh& m, float r, float h, int parts)
{
    if (parts & 1) side(m, r, 0.f, h, true);
    if (parts & 4) disc(m, r, -h / 2, false);
}

void make_elevation_grid(Mesh& m, const VNode& n)
{
    int nx = (int)n.num("xDimension", 0.f), nz = (int)n.num("zDimension", 0.f);
    if (nx < 2 || nz < 2 || (long long)nx * nz > k_max_grid) return;
    float dx = n.num("xSpacing", 1.f), dz = n.num("zSpacing", 1.f);
    const VField* hf = n.field("height");
    m.pts.reserve((size_t)nx * nz);
    for (int z = 0; z < nz; ++z)
        for (int x = 0; x < nx; ++x) {
            size_t k = (size_t)z * nx + x;
            float h = hf && k < hf->nums.size() ? hf->nums[k] : 0.f;
            m.pts.push_back(Vec3(x * dx, h, z * dz));
            m.tex.push_back(TexVertex{(float)x / (nx - 1), (float)z / (nz - 1)});
        }
    if (const VNode* tc = n.node("texCoord")) {
        const VField* p = tc->field("point");
        if (p && p->nums.size() >= m.pts.size() * 2)
            for (size_t i = 0; i < m.pts.size(); ++i) m.tex[i] = TexVertex{p->nums[i * 2], p->nums[i * 2 + 1]};
    }
    bool ccw = n.flag("ccw", true);
    for (int z = 0; z + 1 < nz; ++z)
        for (int x = 0; x + 1 < nx; ++x) {
            int32_t a = z * nx + x, b = a + 1, c = a + nx + 1, d = a + nx;
            // Counter-clockwise seen from above (+y).
            if (ccw) m.idx.insert(m.idx.end(), {a, d, c, b, -1});
            else m.idx.insert(m.idx.end(), {a, b, c, d, -1});
        }
    m.tidx = m.idx;
    if (const VNode* cn = n.node("color")) {
        const VField* cf = cn->field("color");
        if (cf && cf->nums.size() >= 3) {
            size_t nc = cf->nums.size() / 3;
            for (size_t i = 0; i < nc; ++i) m.colours.push_back(Vec3(cf->nums[i * 3], cf->nums[i * 3 + 1], cf->nums[i * 3 + 2]));
            bool per_vertex = n.flag("colorPerVertex", true);
            int f = 0;
            std::vector<Vec3> face_cols;
            for (int z = 0; z + 1 < nz; ++z)
                for (int x = 0; x + 1 < nx; ++x, ++f) {
                    if (!per_vertex) {
                        m.fcol.push_back(f < (int)nc ? f : 0);
                        continue;
                    }
                    Vec3 s;
                    int32_t v[4] = {z * nx + x, z * nx + x + 1, (z + 1) * nx + x, (z + 1) * nx + x + 1};
                    for (int32_t vi : v) s += (size_t)vi < nc ? m.colours[(size_t)vi] : Vec3(0.8f, 0.8f, 0.8f);
                    m.fcol.push_back((int32_t)face_cols.size());
                    face_cols.push_back(s * 0.25f);
                }
            if (per_vertex) m.colours = face_cols;
        }
    }
}

void make_extrusion(Mesh& m, const VNode& n)
{
    std::vector<TexVertex> cs;
    if (const VField* f = n.field("crossSection"))
        for (size_t i = 0; i + 1 < f->nums.size(); i += 2) cs.push_back(TexVertex{f->nums[i], f->nums[i + 1]});
    else
        cs = {{1, 1}, {1, -1}, {-1, -1}, {-1, 1}, {1, 1}};
    std::vector<Vec3> spine;
    if (const VField* f = n.field("spine"))
        for (size_t i = 0; i + 2 < f->nums.size(); i += 3)
            spine.push_back(Vec3(f->nums[i], f->nums[i + 1], f->nums[i + 2]));
    if (!n.field("spine")) spine = {Vec3(0, 0, 0), Vec3(0, 1, 0)};
    const size_t ns = spine.size(), nc = cs.size();
    if (ns < 2 || nc < 2 || (long long)ns * nc > k_max_grid) return;
    std::vector<TexVertex> scale;
    if (const VField* f = n.field("scale"))
        for (size_t i = 0; i + 1 < f->nums.size(); i += 2) scale.push_back(TexVertex{f->nums[i], f->nums[i + 1]});
    if (scale.empty()) scale.push_back(TexVertex{1, 1});
    std::vector<std::array<float, 4>> orient;
    if (const VField* f = n.field("orientation"))
        for (size_t i = 0; i + 3 < f->nums.size(); i += 4)
            orient.push_back({f->nums[i], f->nums[i + 1], f->nums[i + 2], f->nums[i + 3]});
    if (orient.empty()) orient.push_back({0, 0, 1, 0});

    auto sub = [](Vec3 a, const Vec3& b) { return a - b; };
    auto dot = [](const Vec3& a, const Vec3& b) { return a.x * b.x + a.y * b.y + a.z * b.z; };
    bool closed = spine.front() == spine.back();
    // Spine-aligned cross-section planes.
    std::vector<Vec3> X(ns), Y(ns), Z(ns);
    for (size_t i = 0; i < ns; ++i) {
        Vec3 y, z;
        if (i == 0) y = closed ? sub(spine[1], spine[ns - 2]) : sub(spine[1], spine[0]);
        else if (i == ns - 1) y = closed ? sub(spine[1], spine[ns - 2]) : sub(spine[ns - 1], spine[ns - 2]);
        else y = sub(spine[i + 1], spine[i - 1]);
        if (i > 0 && i < ns - 1) z = cross(sub(spine[i + 1], spine[i]), sub(spine[i - 1], spine[i]));
        else if (closed && ns > 2) z = cross(sub(spine[1], spine[0]), sub(spine[ns - 2], spine[0]));
        Y[i] = unit(y);
        Z[i] = unit(z);
    }
    // Undefined Z: the previous one, or the next defined one.
    Vec3 last;
    for (size_t i = 0; i < ns; ++i)
        if (dot(Z[i], Z[i]) > 0.5f) {
            if (dot(last, last) > 0.5f && dot(Z[i], last) < 0) Z[i] = Z[i] * -1.f;
            last = Z[i];
        }
    if (dot(last, last) < 0.5f) {
        // A straight spine: the rotation that takes +y to the spine.
        Vec3 y = unit(sub(spine[ns - 1], spine[0]));
        if (dot(y, y) < 0.5f) y = Vec3(0, 1, 0);
        Vec3 axis = cross(Vec3(0, 1, 0), y);
        Vec3 zz(0, 0, 1);
        if (dot(axis, axis) > 1e-12f) {
            float ang = std::acos(std::max(-1.f, std::min(1.f, y.y)));
            axis = unit(axis);
            float c = std::cos(ang), s = std::sin(ang);
            zz = zz * c + cross(axis, zz) * s + axis * (dot(axis, zz) * (1 - c));
        } else if (y.y < 0) {
            zz = Vec3(0, 0, -1);
        }
        for (size_t i = 0; i < ns; ++i) {
            Y[i] = y;
            Z[i] = zz;
        }
    } else {
        Vec3 next;
        for (size_t i = ns; i-- > 0;) {
            if (dot(Z[i], Z[i]) > 0.5f) next = Z[i];
            else if (dot(next, next) > 0.5f) Z[i] = next;
        }
        Vec3 prev;
        for (size_t i = 0; i < ns; ++i) {
            if (dot(Z[i], Z[i]) > 0.5f) prev = Z[i];
            else Z[i] = prev;
        }
    }
    for (size_t i = 0; i < ns; ++i) {
        if (dot(Y[i], Y[i]) < 0.5f) Y[i] = i > 0 ? Y[i - 1] : Vec3(0, 1, 0);
        X[i] = unit(cross(Y[i], Z[i]));
    }
    for (size_t i = 0; i < ns; ++i) {
        const TexVertex& sc = scale[std::min(i, scale.size() - 1)];
        const auto& o = orient[std::min(i, orient.size() - 1)];
        Vec3 ax = unit(Vec3(o[0], o[1], o[2]));
        float c = std::cos(o[3]), s = std::sin(o[3]);
        for (size_t j = 0; j < nc; ++j) {
            Vec3 p(cs[j].s * sc.s, 0, cs[j].t * sc.t);
            if (dot(ax, ax) > 0.5f && o[3] != 0.f) p = p * c + cross(ax, p) * s + ax * (dot(ax, p) * (1 - c));
            Vec3 w = spine[i] + X[i] * p.x + Y[i] * p.y + Z[i] * p.z;
            m.pts.push_back(w);
            m.tex.push_back(TexVertex{(float)j / (float)(nc - 1), (float)i / (float)(ns - 1)});
        }
    }
    bool ccw = n.flag("ccw", true);
    for (size_t i = 0; i + 1 < ns; ++i)
        for (size_t j = 0; j + 1 < nc; ++j) {
            int32_t a = (int32_t)(i * nc + j), b = a + 1, c2 = (int32_t)((i + 1) * nc + j + 1), d = c2 - 1;
            if (ccw) m.idx.insert(m.idx.end(), {a, b, c2, d, -1});
            else m.idx.insert(m.idx.end(), {a, d, c2, b, -1});
        }
    size_t ring = nc;
    if (cs.front().s == cs.back().s && cs.front().t == cs.back().t) --ring;   // closed cross-section
    if (ring >= 3) {
        if (n.flag("beginCap", true)) {
            for (size_t j = ring; j-- > 0;) m.idx.push_back((int32_t)j);
            m.idx.push_back(-1);
            if (!ccw) std::reverse(m.idx.end() - 1 - (long)ring, m.idx.end() - 1);
        }
        if (n.flag("endCap", true)) {
            for (size_t j = 0; j < ring; ++j) m.idx.push_back((int32_t)((ns - 1) * nc + j));
            m.idx.push_back(-1);
            if (!ccw) std::reverse(m.idx.end() - 1 - (long)ring, m.idx.end() - 1);
        }
    }
    m.tidx = m.idx;
}

} // namespace vrml
