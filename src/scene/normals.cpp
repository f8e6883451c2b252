// Normals, index statistics, face orientation repair and the object dump.
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <utility>
#include <vector>

#include "base/cformat.h"
#include "scene/object3d.h"
#include "base/report.h"

namespace {
// Number of faces in the index list: the terminators, plus a trailing face
// left open by a damaged list.
int count_faces(const int32_t* idx, int n)
{
    if (!idx || n <= 0) return 0;
    int f = 0;
    for (int i = 0; i < n; ++i)
        if (idx[i] == -1) ++f;
    if (idx[n - 1] != -1) ++f;
    return f;
}
} // namespace

Vec3 OBJECT3D::face_normal(int position)
{
    if (!m_index || position < 0 || position >= nbindex) {
        SetStatusTextRaw("Erreur débordement Index");
        return Vec3();
    }
    if (m_index[position] == -1 || position + 2 >= nbindex || m_index[position + 1] == -1 ||
        m_index[position + 2] == -1)
        return Vec3();
    int ia = m_index[position], ib = m_index[position + 1], ic = m_index[position + 2];
    if (!valid_vertex(ia) || !valid_vertex(ib) || !valid_vertex(ic)) {
        SetStatusTextRaw("Erreur débordement Index");
        return Vec3();
    }
    const Vec3& a = m_vertices[ia];
    const Vec3& b = m_vertices[ib];
    const Vec3& c = m_vertices[ic];
    const Vec3 first = cross(b - a, c - b);
    if (position + 3 >= nbindex || m_index[position + 3] == -1) return first;
    // A face of more corners whose first three repeat a corner, lie on a
    // line or turn against the face (a concave corner) takes the normal of
    // the whole outline (Newell's sums) instead.
    double nx = 0, ny = 0, nz = 0;
    int end = position;
    while (end < nbindex && m_index[end] != -1) ++end;
    for (int k = position; k < end; ++k) {
        const int i = m_index[k], j = m_index[k + 1 < end ? k + 1 : position];
        if (!valid_vertex(i) || !valid_vertex(j)) return first;
        const Vec3& p = m_vertices[i];
        const Vec3& q = m_vertices[j];
        nx += ((double)p.y - q.y) * ((double)p.z + q.z);
        ny += ((double)p.z - q.z) * ((double)p.x + q.x);
        nz += ((double)p.x - q.x) * ((double)p.y + q.y);
    }
    const double agree = nx * first.x + ny * first.y + nz * first.z;
    if (agree > 0.0 || (nx == 0.0 && ny == 0.0 && nz == 0.0)) return first;
    return Vec3((float)nx, (float)ny, (float)nz);
}

bool OBJECT3D::normalize(Vec3& v)
{
    double len = std::sqrt((double)v.x * v.x + (double)v.y * v.y + (double)v.z * v.z);
    if (len == 0.0 || !std::isfinite(len)) {
        v.set(0.f);
        return false;
    }
    v.x = (float)(v.x / len);
    v.y = (float)(v.y / len);
    v.z = (float)(v.z / len);
    return true;
}

void OBJECT3D::build_face_normals(bool corner_index)
{
    if (m_normals) return;
    if (!m_index || nbindex <= 0) return;
    int faces = count_faces(m_index, nbindex);
    m_normals = new Vec3[std::max(1, std::max(faces, nbface))];
    // A corner index given by the file is filled as always.
    m_normals_by_face = !corner_index && !normalindex;
    if (!normalindex && !m_normals_by_face) {
        normalindex = new int32_t[nbindex];
        std::fill(normalindex, normalindex + nbindex, -1);
    }
    // Cursor and counter run in locals: the stores into the arrays would
    // otherwise make every step reload them from the object.
    const int32_t* idx = m_index;
    const int n = nbindex;
    Vec3* normals = m_normals;
    int32_t* nindex = normalindex;
    int cursor = 0, counter = 0;
    while (cursor < n) {
        Vec3 f = face_normal(cursor);
        if (cursor < n && idx[cursor] != -1) normals[counter] = f;
        if (nindex)
            while (cursor < n && idx[cursor] != -1) nindex[cursor++] = counter;
        else
            while (cursor < n && idx[cursor] != -1) ++cursor;
        ++cursor;   // the terminator keeps -1 in normalindex
        ++counter;
    }
    m_cursor = cursor;
    m_face_counter = counter;
    for (int i = 0; i < m_face_counter; ++i) normalize(m_normals[i]);
    nbnormal = m_face_counter;
}

namespace {
// Adds the normal of every corner to its vertex's sum (and, with vindex,
// notes the vertex of each corner). Stops at the first corner that names
// no vertex or no normal: false, the sums left as they are.
bool sum_corner_normals(const OBJECT3D& o, Vec3* sums, int32_t* vindex)
{
    const int32_t* idx = o.m_index;
    const int32_t* nindex = o.normalindex;
    const Vec3* normals = o.m_normals;
    const int n = o.nbindex, points = o.nbpts, faces = o.nbface, count = o.nbnormal;
    int face = 0;
    for (int q = 0; q < n; ++q) {
        int v = idx[q];
        if (v == -1) {
            ++face;
            continue;
        }
        if (v < 0 || v >= points || face > faces || !nindex || !normals) return false;
        int k = nindex[q];
        if (k < 0 || k >= count) return false;
        sums[v] += normals[k];
        if (vindex) vindex[q] = v;
    }
    return true;
}
} // namespace

void OBJECT3D::build_vertex_normals()
{
    if (!m_normals) build_face_normals();
    if (!m_index || nbindex <= 0 || !m_vertices || nbpts <= 0) return;
    if (!m_vertex_normals) m_vertex_normals = new Vec3[nbpts];
    if (!m_vertex_normalindex) {
        m_vertex_normalindex = new int32_t[nbindex];
        std::fill(m_vertex_normalindex, m_vertex_normalindex + nbindex, -1);
    }
    if (!sum_corner_normals(*this, m_vertex_normals, m_vertex_normalindex)) return;
    for (int i = 0; i < nbpts; ++i) normalize(m_vertex_normals[i]);
}

std::vector<Vec3> OBJECT3D::vertex_normals_of_faces() const
{
    std::vector<Vec3> sums;
    if (!m_normals || !m_index || nbindex <= 0 || !m_vertices || nbpts <= 0) return sums;
    sums.resize((size_t)nbpts);
    if (sum_corner_normals(*this, sums.data(), nullptr))
        for (Vec3& v : sums) normalize(v);
    return sums;
}

void OBJECT3D::index_statistics()
{
    m_index_ecart_max = 0;
    m_index_ecart_moy = 0;
    if (!m_index) return;
    long long sum = 0, count = 0, mx = 0;
    int i = 0;
    while (i < nbindex && i + 1 < nbindex) {
        if (m_index[i + 1] == -1) {
            i += 3;
            continue;
        }
        long long d = std::llabs((long long)m_index[i] - (long long)m_index[i + 1]);
        sum += d;
        if (d > mx) mx = d;
        ++count;
        ++i;
    }
    m_index_ecart_max = (int32_t)std::min<long long>(mx, INT32_MAX);
    m_index_ecart_moy = count ? (int32_t)std::min<long long>(sum / count, INT32_MAX) : 0;
}

int OBJECT3D::test_edges()
{
    if (!m_index || nbindex <= 0) return 0;
    struct Face {
        int start, len;
    };
    std::vector<Face> faces;
    for (int i = 0; i < nbindex;) {
        int s = i;
        while (i < nbindex && m_index[i] != -1) ++i;
        faces.push_back({s, i - s});
        ++i;
    }
    auto corner = [&](const Face& f, int k) { return m_index[f.start + (k % f.len)]; };
    // Every edge by its two vertices whatever its direction, with its face,
    // sorted: the first later face holding an edge is found at once instead
    // of by searching every face after it. Turning a face round changes the
    // direction of its edges, never which vertex pairs it holds, so the
    // table stays true while faces turn.
    auto pair_of = [](int32_t a, int32_t b) {
        const uint32_t lo = (uint32_t)std::min(a, b), hi = (uint32_t)std::max(a, b);
        return (uint64_t)lo << 32 | hi;
    };
    std::vector<std::pair<uint64_t, int>> edges;
    edges.reserve((size_t)nbindex);
    for (size_t gi = 0; gi < faces.size(); ++gi)
        for (int k = 0; k < faces[gi].len; ++k)
            edges.emplace_back(pair_of(corner(faces[gi], k), corner(faces[gi], k + 1)), (int)gi);
    std::sort(edges.begin(), edges.end());
    edges.erase(std::unique(edges.begin(), edges.end()), edges.end());

    std::vector<int32_t> scratch((size_t)nbindex);
    int shared = 0;
    for (size_t fi = 0; fi < faces.size(); ++fi) {
        const Face& F = faces[fi];
        for (int e = 0; e < F.len; ++e) {
            int a = corner(F, e), b = corner(F, e + 1);
            // The first face after F that holds the pair, then its first
            // edge with the same two vertices.
            auto next = std::upper_bound(edges.begin(), edges.end(), std::make_pair(pair_of(a, b), (int)fi));
            if (next == edges.end() || next->first != pair_of(a, b)) continue;
            const Face& G = faces[(size_t)next->second];
            for (int k = 0; k < G.len; ++k) {
                int c = corner(G, k), d = corner(G, k + 1);
                if (c == b && d == a) {
                    ++shared;
                    break;
                }
                if (c == a && d == b) {
                    for (int t = 0; t < G.len; ++t) scratch[(size_t)t] = m_index[G.start + G.len - 1 - t];
                    for (int t = 0; t < G.len; ++t) m_index[G.start + t] = scratch[(size_t)t];
                    break;
                }
            }
        }
    }
    return shared;
}

int OBJECT3D::dump(FILE* f, bool compiled_lit) const
{
    if (!m_vertices || !f) return 0;
    CLocaleScope c_numbers;
    fprintf(f, "AFFICHAGE DE L'OBJET: %s\n", m_name.c_str());
    fprintf(f, "nbpts      :%10d\n", nbpts);
    fprintf(f, "nbindex    :%10d\n", nbindex);
    fprintf(f, "nbface     :%10d\n\n", nbface);
    fprintf(f, "nbnormal   :%10d\n", nbnormal);
    fprintf(f, "nbmaterial :%10d\n\n", nbmaterial);
    if (T_ambientColor) {
        for (int i = 0; i < nbmaterial; ++i) {
            const Vec3* v = ambient(i);
            fprintf(f, "T_ambientColor:%10.4f %10.4f %10.4f\n", v->x, v->y, v->z);
        }
        fprintf(f, "\n");
    }
    if (T_diffuseColor)
        for (int i = 0; i < nbmaterial; ++i) {
            const Vec3* v = diffuse(i);
            fprintf(f, "T_diffuseColor:%10.4f %10.4f %10.4f\n", v->x, v->y, v->z);
        }
    fprintf(f, "\n");
    if (T_specularColor)
        for (int i = 0; i < nbmaterial; ++i) {
            const Vec3* v = specular(i);
            fprintf(f, "T_specularColor:%10.4f %10.4f %10.4f\n", v->x, v->y, v->z);
        }
    fprintf(f, "\n");
    if (T_emissive)
        for (int i = 0; i < nbmaterial; ++i) fprintf(f, "T_emissive:%10.4f \n", emissive(i)->x);
    fprintf(f, "\n");
    if (T_shininess)
        for (int i = 0; i < nbmaterial; ++i) fprintf(f, "T_shininess:%10.4f \n", *shininess(i));
    fprintf(f, "\n");
    fprintf(f, "translation:%10.4f %10.4f %10.4f\n", translation.x, translation.y, translation.z);
    fprintf(f, "rotation   :%10.4f %10.4f %10.4f\n", rotation.x, rotation.y, rotation.z);
    fprintf(f, "echelle    :%10.4f %10.4f %10.4f angle:%10.4f\n\n", echelle.x, echelle.y, echelle.z, angle);
    fprintf(f, "m_o_max_xyz    :%10.4f %10.4f %10.4f\n\n", m_o_max_xyz.x, m_o_max_xyz.y, m_o_max_xyz.z);

    fprintf(f, "Vertices:\n");
    fprintf(f, "POINTS: nbpts:%10d\n", nbpts);
    for (int i = 0; i < nbpts; ++i)
        fprintf(f, "%d %10.2f %10.2f %10.2f\n", i, m_vertices[i].x, m_vertices[i].y, m_vertices[i].z);

    fprintf(f, "Index: nbindex:%10d\n", nbindex);
    if (m_index) {
        for (int i = 0; i < nbindex;) {
            fprintf(f, "%4d", i);
            while (i < nbindex && m_index[i] != -1) fprintf(f, " %4d", m_index[i++]);
            if (i < nbindex) fprintf(f, " %4d\n", m_index[i]);
            else fprintf(f, "\n");
            ++i;
        }
    }
    if (m_normals) {
        fprintf(f, "Normales\n");
        fprintf(f, "nbnormal:%10d\n", nbnormal);
        for (int i = 0; i < nbnormal; ++i)
            fprintf(f, "%10.2f %10.2f %10.2f\n", m_normals[i].x, m_normals[i].y, m_normals[i].z);
    }
    // A flat object compiled lit keeps only its face normals; its vertex
    // normals are listed as a smoothed one would be drawn with.
    std::vector<Vec3> made;
    const Vec3* vertex_normals = m_vertex_normals;
    if (!vertex_normals && compiled_lit) {
        made = vertex_normals_of_faces();
        if (!made.empty()) vertex_normals = made.data();
    }
    if (vertex_normals) {
        fprintf(f, "Normales per Vertex\n");
        fprintf(f, "nbnormal:%10d\n", nbnormal);
        for (int i = 0; i < nbpts; ++i)
            fprintf(f, "%10.2f %10.2f %10.2f\n", vertex_normals[i].x, vertex_normals[i].y, vertex_normals[i].z);
    }
    if (normalindex) {
        fprintf(f, "normalindex\n");
        fprintf(f, "nbindex:%10d\n", nbindex);
        for (int i = 0; i < nbindex; ++i) {
            if (normalindex[i] == -1) fprintf(f, "\n");
            else fprintf(f, "%d ", normalindex[i]);
        }
    }
    if (texvertex) {
        fprintf(f, "texvertex\n");
        fprintf(f, "nbtexvertex: %10d\n", nbtexvertex);
        for (int i = 0; i < nbtexvertex; ++i) fprintf(f, "%4d: %10.2f %10.2f\n", i, texvertex[i].s, texvertex[i].t);
    }
    if (texindex) {
        fprintf(f, "texindex\n");
        fprintf(f, "nbindex%10d\n", nbindex);
        for (int i = 0; i < nbindex;) {
            fprintf(f, "%4d:", i);
            while (i < nbindex && texindex[i] != -1) fprintf(f, "%4d", texindex[i++]);
            fprintf(f, "-1\n");
            ++i;
        }
    }
    fprintf(f, "\n\n\n");
    return 1;
}
