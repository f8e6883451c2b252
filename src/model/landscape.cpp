#include "model/landscape.h"

#include <algorithm>
#include <map>
#include <utility>

#include "image/texture.h"
#include "base/data_files.h"
#include "model/solids.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"

namespace {
uint32_t g_relief_state = 1;

const TexVertex kSquareTex[4] = {{0, 0}, {0, 1}, {1, 1}, {1, 0}};

int append(SCENE3D& scene, OBJECT3D* o) { return scene.append_generated(o); }
} // namespace

int relief_rand()
{
    g_relief_state = g_relief_state * 214013u + 2531011u;
    return (int)((g_relief_state >> 16) & 0x7FFF);
}

void relief_srand(uint32_t seed) { g_relief_state = seed; }

std::vector<MeshEdge> build_edge_list(const OBJECT3D& o)
{
    std::map<std::pair<int, int>, std::vector<int>> edges;
    if (!o.m_index) return {};
    int face = 0, first = -1, prev = -1;
    auto add = [&](int u, int v) {
        if (u == v) return;
        auto& f = edges[{std::min(u, v), std::max(u, v)}];
        if (f.empty() || f.back() != face) f.push_back(face);
    };
    for (int k = 0; k < o.nbindex; ++k) {
        const int v = o.m_index[k];
        if (v == -1) {
            if (first >= 0 && prev >= 0) add(prev, first);
            first = prev = -1;
            ++face;
            continue;
        }
        if (!o.valid_vertex(v)) continue;
        if (first < 0) first = v;
        else add(prev, v);
        prev = v;
    }
    if (first >= 0 && prev >= 0) add(prev, first);
    std::vector<MeshEdge> list;
    list.reserve(edges.size());
    for (auto& [key, faces] : edges) list.push_back(MeshEdge{key.first, key.second, std::move(faces)});
    return list;
}

int SubdivideFractal(OBJECT3D& o)
{
    if (!o.m_vertices || !o.m_index || o.nbindex <= 0) return 0;
    // Every face must be three existing points and a -1.
    if (o.nbindex % 4 != 0) return 0;
    const int faces = o.nbindex / 4;
    for (int f = 0; f < faces; ++f) {
        const int32_t* c = o.m_index + 4 * f;
        if (!o.valid_vertex(c[0]) || !o.valid_vertex(c[1]) || !o.valid_vertex(c[2]) || c[3] != -1) return 0;
    }
    if ((long long)o.nbpts + 3LL * faces > kReliefMaxPoints || 16LL * faces > kReliefMaxIndex) return 0;

    std::vector<Vec3> pts(o.m_vertices, o.m_vertices + o.nbpts);
    pts.reserve((size_t)o.nbpts + 3 * (size_t)faces);
    std::vector<int32_t> idx;
    idx.reserve(16 * (size_t)faces);
    auto mid = [](const Vec3& p, const Vec3& q) {
        const float r = (float)relief_rand();
        return Vec3((p.x + q.x) / 2, (p.y + q.y) / 2, (p.z + q.z) / 2 + r * kReliefStep);
    };
    int B = o.nbpts;
    for (int f = 0; f < faces; ++f) {
        const int a = o.m_index[4 * f], b = o.m_index[4 * f + 1], c = o.m_index[4 * f + 2];
        const Vec3 pa = pts[(size_t)a], pb = pts[(size_t)b], pc = pts[(size_t)c];
        const Vec3 mab = mid(pa, pb);
        const Vec3 mbc = mid(pb, pc);
        const Vec3 mca = mid(pc, pa);
        pts.push_back(mab);
        pts.push_back(mbc);
        pts.push_back(mca);
        idx.insert(idx.end(), {a, B, B + 2, -1, B, b, B + 1, -1, c, B + 2, B + 1, -1, B, B + 1, B + 2, -1});
        B += 3;
    }
    o.take_points(pts);
    o.take_faces(idx);
    return 1;
}

int MakeFractal(OBJECT3D& o, SCENE3D& scene, const std::string& name, int depth, const std::string& texture_file)
{
    o.m_name = name;
    int ok = 1;
    for (int pass = 0; pass < depth && ok; ++pass) {
        // The edge list is kept current before each pass; the relief itself
        // does not share midpoints, so it is not read here.
        (void)build_edge_list(o);
        ok = SubdivideFractal(o);
    }
    o.forget_normals();
    // Texture vertices 0..3 are the square's; a corner numbered above 3
    // gets one taken from its point, so every texture index is in range.
    std::vector<TexVertex> tex((size_t)std::max(4, o.nbpts));
    for (int i = 0; i < (int)tex.size(); ++i)
        tex[(size_t)i] = i < 4 ? kSquareTex[i] : TexVertex{o.m_vertices[i].x, o.m_vertices[i].y};
    o.take_texture_coords(tex, std::span<const int32_t>(o.m_index, (size_t)std::max(0, o.nbindex)));
    o.m_texture_name = texture_file;
    bind_texture(o, scene, texture_file);
    return ok;
}

int AddFractal(SCENE3D& scene, const std::string& folder)
{
    OBJECT3D* o = new OBJECT3D();
    MakeTriangle(*o, "Fractal", Vec3(0, 0, 0), Vec3(1, 1, 1));
    MakeFractal(*o, scene, "Triangle", 2, data_file_or_name("mer_texture.jpg", folder));
    o->m_needs_rebuild = 1;
    return append(scene, o);
}

int AddTerrain(SCENE3D& scene)
{
    OBJECT3D* o = new OBJECT3D();
    MakeTriangle(*o, "TERRAIN", Vec3(0, 0, 0), Vec3(1, 1, 1));
    (void)build_edge_list(*o);
    o->m_needs_rebuild = 1;
    return append(scene, o);
}

int AddCloudsBox(SCENE3D& scene)
{
    bool any = false;
    for (int i = 0; i < scene.nbobjects; ++i) {
        const OBJECT3D* o = scene.m_objects[i];
        if (!o || !o->m_vertices || o->nbpts <= 0) continue;
        any = true;
        for (int k = 0; k < o->nbpts; ++k) {
            const Vec3& v = o->m_vertices[k];
            scene.m_max.x = std::max(scene.m_max.x, v.x);
            scene.m_max.y = std::max(scene.m_max.y, v.y);
            scene.m_max.z = std::max(scene.m_max.z, v.z);
            scene.m_min.x = std::min(scene.m_min.x, v.x);
            scene.m_min.y = std::min(scene.m_min.y, v.y);
            scene.m_min.z = std::min(scene.m_min.z, v.z);
        }
    }
    // Without points the bounds are still the empty box: nothing to wrap.
    if (!any) return 0;
    scene.m_center = (scene.m_max + scene.m_min) * 0.5f;
    const Vec3 size = (scene.m_max - scene.m_min) * 5.f;
    const Vec3 origin(scene.m_center.x - size.x / 2, -0.5f, scene.m_center.z - size.z / 2);
    OBJECT3D* o = new OBJECT3D();
    MakeCube(*o, scene, "Cube", "");
    ScalePoints(*o, size);
    TranslatePoints(*o, origin);
    return append(scene, o);
}

int SetTreeTransparency(SCENE3D& scene)
{
    OBJECT3D* last = nullptr;
    for (int i = 0; i < scene.nbobjects; ++i) {
        OBJECT3D* o = scene.m_objects[i];
        if (!o || o->m_texture_name != "arbre.jpg") continue;
        SetDiffuseColor(*o, 0, 0xFFFFFF);
        last = o;
    }
    // An object whose texture never loaded has no slot: it names no texture
    // (not the first one of the table).
    if (!last || !last->m_texture) return -1;
    const int id = *last->m_texture;
    CTexture* t = scene.get_texture(id);
    if (!t || !t->IsValid()) return -1;
    if (!t->HasAlpha() && !t->AddAlphaLayer(255)) return -1;
    if (!t->SetAlphaThreshold(255)) return -1;
    return id;
}
