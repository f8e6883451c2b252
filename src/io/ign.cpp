// Map data files: building outlines (tags "BAT." and "BOIS" followed by
// corner triples; the file begins with "CODE") raised into walls, and
// regular elevation grids given as point records (the file begins with a
// blank). Both use the VRML 2.0 token scanner.
#include <cctype>
#include <cstring>
#include <string>
#include <vector>

#include "io/cut_short.h"
#include "io/reader_util.h"
#include "io/readers.h"
#include "io/scene_loader.h"
#include "base/cformat.h"
#include "model/extrude.h"
#include "scene/object3d.h"
#include "base/report.h"
#include "scene/scene3d.h"

namespace {

constexpr float kWallHeight = 30.f;
// Material codes of a grid: the number of materials is the largest code + 1.
constexpr int kGridCodes = 200000;

const char* next(OBJECT3D& obj, Scene& L)
{
    next_token2(obj, L);
    return L.m_word;
}

bool starts_with_letter(const char* w) { return std::isalpha((unsigned char)w[0]) != 0; }

void start_reading(Scene& L)
{
    L.m_pos = 0;
    L.m_depth = 0;
    L.m_comments = 0;
}

// The five diffuse colours of a building object; faces use the first two
// (components of 100: the lit colour clamps to full red and full green).
Vec3* building_colours()
{
    return new Vec3[5]{{100.f, 0.f, 0.f}, {0.f, 100.f, 0.f}, {0.f, 0.f, 1.f}, {0.f, 1.f, 1.f}, {0.f, 0.f, 0.f}};
}

// Reads the polygons into obj. The tables grow with the file; when the
// memory runs out, a full vertex table ends the reading with what was read,
// and a polygon whose index entries do not fit gets no face.
int read_buildings(OBJECT3D& obj, Scene& L)
{
    TempBlock& vtx = reader_temp().vertices;
    TempBlock& idx = reader_temp().indices;
    std::vector<int32_t> face_material;
    int nv = 0, len = 0;
    bool full = false;
    const char* w = next(obj, L);
    while (w[0] && !full) {
        int material = -1;
        if (std::strcmp(w, "BAT.") == 0) material = 0;
        else if (std::strcmp(w, "BOIS") == 0) material = 1;
        if (material < 0) {   // header and other words are passed over
            w = next(obj, L);
            continue;
        }
        // Corners up to the next word that begins with a letter; the word
        // that ends the polygon is the next tag.
        const int first = nv;
        float c[3];
        int nc = 0;
        for (w = next(obj, L); w[0] && !starts_with_letter(w); w = next(obj, L)) {
            c[nc++] = (float)qv_atof(w);
            if (nc < 3) continue;
            nc = 0;
            if (!vtx.reserve<Vec3>((size_t)nv + 1)) {
                MessageBox("***Débordement table Vertex dans parse_ign");
                full = true;
                break;
            }
            vtx.as<Vec3>()[nv++] = Vec3(c[0], c[1], c[2]);
        }
        // A last corner with fewer than three numbers is dropped (at the end
        // of the file it is a sign that the file was cut); a tag without
        // corners gives an empty face.
        if (nc > 0 && !w[0])
            report_cut_short(L.m_filename, qv_format("ends inside a corner at line %d", L.line_at(L.m_tok_start)));
        const int corners = nv - first;
        if (!idx.reserve<int32_t>((size_t)len + (size_t)corners + 1)) {
            MessageBox("***Débordement table Index coord dans parse_ign");
            continue;
        }
        int32_t* ix = idx.as<int32_t>();
        for (int i = first; i < nv; ++i) ix[len++] = i;
        ix[len++] = -1;
        face_material.push_back(material);
    }
    const Vec3* vt = vtx.as<Vec3>();
    const int32_t* ix = idx.as<int32_t>();
    obj.nbpts = nv;
    obj.m_vertices = nv > 0 ? new Vec3[(size_t)nv] : nullptr;
    if (nv > 0) std::copy(vt, vt + nv, obj.m_vertices);
    obj.nbindex = len;
    obj.m_index = len > 0 ? new int32_t[(size_t)len] : nullptr;
    if (len > 0) std::copy(ix, ix + len, obj.m_index);
    obj.nbface = (int)face_material.size();
    if (obj.nbface > 0) {
        obj.m_materialindex = new int32_t[face_material.size()];
        std::copy(face_material.begin(), face_material.end(), obj.m_materialindex);
    }
    obj.nbmaterial = 5;
    obj.T_diffuseColor = building_colours();
    obj.m_nb_diffuse = 5;
    obj.m_name = "IGN";
    return 1;
}

// Reads the grid records into obj; false with the reason when refused.
bool read_grid(OBJECT3D& obj, Scene& L, std::string& why)
{
    TempBlock& vtx = reader_temp().vertices;
    int n = 0;
    double x0 = 0, y0 = 0, h0 = 0, prev_x = 0;
    int lines = 0, in_line = 0, prev_line = -1, first_line = -1, max_code = 0;
    for (;;) {
        const char* w = next(obj, L);
        if (!w[0]) break;
        double x = qv_atof(w);
        double rec[2];   // y, height
        int code = 0;
        // A last record cut short reads its missing values as 0 (and says
        // that the file may be cut short).
        bool cut = false;
        for (int i = 0; i < 4; ++i) {
            w = w[0] ? next(obj, L) : w;
            if (!w[0] && !cut) {
                cut = true;
                report_cut_short(L.m_filename, qv_format("ends inside the record at line %d", L.line_at(L.m_tok_start)));
            }
            if (i < 2) rec[i] = qv_atof(w);
            else if (i == 2) code = qv_atoi(w);
            // the fifth token is passed over
        }
        if (!vtx.reserve<Vec3>((size_t)n + 1)) {
            why = qv_format("not enough memory for more than %d points (line %d)", n, L.line_at(L.m_pos));
            return false;
        }
        if (code >= kGridCodes) {
            why = qv_format("code %d at line %d, beyond the %d codes a grid may use", code, L.line_at(L.m_pos),
                            kGridCodes);
            return false;
        }
        if (n == 0) {
            x0 = x;
            y0 = rec[0];
            h0 = rec[1];
        }
        // Lines are runs of equal x.
        if (n == 0 || x != prev_x) {
            if (n > 0) {
                if (first_line < 0) first_line = in_line;
                if (prev_line >= 0 && in_line != prev_line) MessageBox("fichier inhomogene en x");
                prev_line = in_line;
            }
            ++lines;
            in_line = 0;
        }
        prev_x = x;
        ++in_line;
        vtx.as<Vec3>()[n++] = Vec3((float)(x - x0), (float)(rec[1] - h0), (float)(rec[0] - y0));
        if (code > max_code) max_code = code;
        if (lines % 10 == 0) SetStatusText("%ld", (long)n);
    }
    if (n > 0) {
        if (first_line < 0) first_line = in_line;
        if (prev_line >= 0 && in_line != prev_line) MessageBox("fichier inhomogene en x");
    }
    const int q = first_line;
    if (n > 0 && n / lines != q) MessageBox("fichier inhomogene en y");

    obj.nbpts = n;
    obj.m_vertices = n > 0 ? new Vec3[(size_t)n] : nullptr;
    if (n > 0) std::copy(vtx.as<Vec3>(), vtx.as<Vec3>() + n, obj.m_vertices);
    // One quad per vertex that is not the last of its line and has a next
    // line; a grid whose lines differ in length only gets the quads whose
    // four corners exist.
    int faces = 0;
    for (int s = 0; s < n; ++s)
        if (s % q != q - 1 && s + q + 1 < n) ++faces;
    obj.nbface = faces;
    obj.nbindex = 5 * faces;
    obj.m_index = faces > 0 ? new int32_t[(size_t)(5 * faces)] : nullptr;
    int32_t* p = obj.m_index;
    for (int s = 0; s < n; ++s) {
        if (s % q == q - 1 || s + q + 1 >= n) continue;
        p[0] = s;
        p[1] = s + 1;
        p[2] = s + q + 1;
        p[3] = s + q;
        p[4] = -1;
        p += 5;
    }
    // Materials: one per code; the codes are not kept per face, every face
    // uses material 0.
    const int m = max_code + 1;
    obj.nbmaterial = m;
    obj.T_ambientColor = new Vec3[(size_t)m]();
    obj.T_specularColor = new Vec3[(size_t)m]();
    obj.T_diffuseColor = new Vec3[(size_t)m]();
    const Vec3 first[5] = {{100, 0, 0}, {0, 100, 0}, {0, 0, 100}, {0, 100, 1}, {100, 100, 0}};
    for (int i = 0; i < m && i < 5; ++i) obj.T_diffuseColor[i] = first[i];
    obj.m_nb_ambient = obj.m_nb_specular = obj.m_nb_diffuse = m;
    return true;
}

} // namespace

int read_building_file(Scene& loader, SCENE3D& scene)
{
    auto* ground = new OBJECT3D();
    start_reading(loader);
    if (!loader.m_buf || !read_buildings(*ground, loader)) {
        delete ground;
        return 0;
    }
    // The walls: the outlines raised by the wall height, one quad per edge.
    auto* walls = new OBJECT3D();
    ExtrudeVector(*walls, *ground, Vec3(0.f, 0.f, kWallHeight));
    walls->nbmaterial = 5;
    walls->T_diffuseColor = building_colours();
    walls->m_nb_diffuse = 5;
    replace_objects(scene, {ground, walls});
    return 1;
}

int read_grid_file(Scene& loader, SCENE3D& scene)
{
    auto* grid = new OBJECT3D();
    start_reading(loader);
    std::string why;
    if (!loader.m_buf || !read_grid(*grid, loader, why)) {
        delete grid;
        refuse_file("elevation grid", why.empty() ? std::string("nothing to read") : why, loader.m_filename);
        return 0;
    }
    replace_objects(scene, {grid});
    return 1;
}
