// Writes the fixed data files of the generators into a folder (default
// data/): the sea-scene objects as VRML 1.0 and the small texture images.
// Deterministic: running it again gives the same files.
//   g++ -O2 -std=c++20 scripts/make_data.cpp -ljpeg -o /tmp/make_data && /tmp/make_data data
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>

#include <jpeglib.h>

#include <functional>
#include <string>
#include <vector>

namespace {
struct RGB {
    int r, g, b;
};
using Painter = std::function<RGB(int x, int y)>;

int clamp8(double v) { return v < 0 ? 0 : v > 255 ? 255 : (int)v; }

bool write_jpeg(const std::string& path, int w, int h, const Painter& paint)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    jpeg_compress_struct c;
    jpeg_error_mgr err;
    c.err = jpeg_std_error(&err);
    jpeg_create_compress(&c);
    jpeg_stdio_dest(&c, f);
    c.image_width = (JDIMENSION)w;
    c.image_height = (JDIMENSION)h;
    c.input_components = 3;
    c.in_color_space = JCS_RGB;
    jpeg_set_defaults(&c);
    jpeg_set_quality(&c, 85, TRUE);
    jpeg_start_compress(&c, TRUE);
    std::vector<unsigned char> row((size_t)w * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            RGB p = paint(x, y);
            row[(size_t)x * 3] = (unsigned char)clamp8(p.r);
            row[(size_t)x * 3 + 1] = (unsigned char)clamp8(p.g);
            row[(size_t)x * 3 + 2] = (unsigned char)clamp8(p.b);
        }
        JSAMPROW r = row.data();
        jpeg_write_scanlines(&c, &r, 1);
    }
    jpeg_finish_compress(&c);
    jpeg_destroy_compress(&c);
    std::fclose(f);
    return true;
}

void put16(FILE* f, unsigned v) { std::fputc((int)(v & 0xFF), f), std::fputc((int)((v >> 8) & 0xFF), f); }
void put32(FILE* f, uint32_t v) { put16(f, v & 0xFFFF), put16(f, v >> 16); }

// 24-bit bottom-up BMP, rows padded to four bytes; y = 0 is the top line.
bool write_bmp(const std::string& path, int w, int h, const Painter& paint)
{
    FILE* f = std::fopen(path.c_str(), "wb");
    if (!f) return false;
    const uint32_t pitch = (uint32_t)((w * 3 + 3) & ~3);
    const uint32_t size = pitch * (uint32_t)h;
    std::fputc('B', f), std::fputc('M', f);
    put32(f, 54 + size), put32(f, 0), put32(f, 54);
    put32(f, 40), put32(f, (uint32_t)w), put32(f, (uint32_t)h), put16(f, 1), put16(f, 24);
    put32(f, 0), put32(f, size), put32(f, 2835), put32(f, 2835), put32(f, 0), put32(f, 0);
    for (int y = h - 1; y >= 0; --y) {
        for (int x = 0; x < w; ++x) {
            RGB p = paint(x, y);
            std::fputc(clamp8(p.b), f), std::fputc(clamp8(p.g), f), std::fputc(clamp8(p.r), f);
        }
        for (uint32_t k = (uint32_t)w * 3; k < pitch; ++k) std::fputc(0, f);
    }
    std::fclose(f);
    return true;
}

struct Mesh {
    std::vector<double> pts;   // x y z
    std::vector<int> faces;
    std::vector<double> tex;   // s t
    std::vector<int> texfaces;
};

// Grid-shaped ellipsoid: (slices + 1) x (stacks + 1) points with the seam
// column doubled, so the texture wraps once round.
void ellipsoid(Mesh& m, double cx, double cy, double cz, double rx, double ry, double rz, int slices, int stacks,
               bool textured)
{
    const int base = (int)m.pts.size() / 3;
    const double pi = 3.14159265358979;
    for (int i = 0; i <= stacks; ++i) {
        const double phi = pi * i / stacks;   // 0 at the top
        for (int j = 0; j <= slices; ++j) {
            const double th = 2 * pi * j / slices;
            m.pts.insert(m.pts.end(), {cx + rx * std::sin(phi) * std::cos(th), cy + ry * std::cos(phi),
                                       cz + rz * std::sin(phi) * std::sin(th)});
            if (textured) m.tex.insert(m.tex.end(), {(double)j / slices, 1.0 - (double)i / stacks});
        }
    }
    for (int i = 0; i < stacks; ++i)
        for (int j = 0; j < slices; ++j) {
            const int a = base + i * (slices + 1) + j, b = a + slices + 1;
            // Counter-clockwise seen from outside.
            m.faces.insert(m.faces.end(), {a, a + 1, b + 1, b, -1});
            if (textured) {
                const int ta = a - base, tb = b - base;
                m.texfaces.insert(m.texfaces.end(), {ta, ta + 1, tb + 1, tb, -1});
            }
        }
}

// Box from (x0, y0, z0) to (x1, y1, z1), faces outwards.
void box(Mesh& m, double x0, double y0, double z0, double x1, double y1, double z1)
{
    const int b = (int)m.pts.size() / 3;
    const double c[8][3] = {{x0, y0, z0}, {x1, y0, z0}, {x1, y0, z1}, {x0, y0, z1},
                            {x0, y1, z0}, {x1, y1, z0}, {x1, y1, z1}, {x0, y1, z1}};
    for (auto& p : c) m.pts.insert(m.pts.end(), {p[0], p[1], p[2]});
    const int f[6][4] = {{0, 1, 2, 3}, {4, 7, 6, 5}, {0, 4, 5, 1}, {1, 5, 6, 2}, {2, 6, 7, 3}, {3, 7, 4, 0}};
    for (auto& q : f) m.faces.insert(m.faces.end(), {b + q[0], b + q[1], b + q[2], b + q[3], -1});
}

void list(FILE* f, const std::vector<double>& v, int per)
{
    for (size_t i = 0; i < v.size(); i += (size_t)per) {
        std::fprintf(f, "     ");
        for (int k = 0; k < per; ++k) std::fprintf(f, " %.4f", v[i + (size_t)k] == 0 ? 0.0 : v[i + (size_t)k]);
        std::fprintf(f, ",\n");
    }
}

void ilist(FILE* f, const std::vector<int>& v)
{
    std::fprintf(f, "     ");
    int col = 0;
    for (int x : v) {
        std::fprintf(f, " %d", x);
        if (x == -1 && ++col % 8 == 0) std::fprintf(f, "\n     ");
    }
    std::fprintf(f, "\n");
}

bool write_wrl(const std::string& path, const char* name, const Mesh& m, const char* material)
{
    FILE* f = std::fopen(path.c_str(), "w");
    if (!f) return false;
    std::fprintf(f, "#VRML V1.0 ascii\n\nSeparator {\n# Object \"%s\"\n", name);
    std::fprintf(f, "  Material {\n%s  }\n", material);
    std::fprintf(f, "  Coordinate3 { point [\n");
    list(f, m.pts, 3);
    std::fprintf(f, "  ] }\n");
    if (!m.tex.empty()) {
        std::fprintf(f, "  TextureCoordinate2 { point [\n");
        list(f, m.tex, 2);
        std::fprintf(f, "  ] }\n");
    }
    std::fprintf(f, "  IndexedFaceSet {\n    coordIndex [\n");
    ilist(f, m.faces);
    std::fprintf(f, "    ]\n");
    if (!m.texfaces.empty()) {
        std::fprintf(f, "    textureCoordIndex [\n");
        ilist(f, m.texfaces);
        std::fprintf(f, "    ]\n");
    }
    std::fprintf(f, "  }\n# end Object \"%s\"\n}\n", name);
    std::fclose(f);
    return true;
}

double wave(double x, double y, double kx, double ky) { return std::sin(x * kx + std::sin(y * ky) * 1.5); }
} // namespace

int main(int argc, char** argv)
{
    const std::string dir = argc > 1 ? argv[1] : "data";
    const double pi = 3.14159265358979;
    bool ok = true;

    Mesh sphere;
    ellipsoid(sphere, 0, 0, 0, 1, 1, 1, 16, 12, true);
    ok &= write_wrl(dir + "/sphere_01.wrl", "sphere_01", sphere,
                    "    ambientColor 1 1 1\n    diffuseColor 1 1 1\n    specularColor 1 1 1\n    shininess 0.6\n");

    // A cloud: a few flattened puffs side by side, high above the sea.
    Mesh cloud;
    ellipsoid(cloud, 0, 6, 0, 2.2, 0.9, 1.4, 10, 6, false);
    ellipsoid(cloud, 1.8, 6.3, 0.3, 1.6, 1.0, 1.2, 10, 6, false);
    ellipsoid(cloud, -1.9, 5.9, -0.2, 1.5, 0.7, 1.1, 10, 6, false);
    ok &= write_wrl(dir + "/meteo.wrl", "meteo", cloud,
                    "    ambientColor 0.9 0.9 0.95\n    diffuseColor 0.9 0.9 0.95\n    specularColor 0 0 0\n");

    // The base: a low plinth with a step, under the middle of the sea.
    Mesh base;
    box(base, -4, -2.5, -4, 4, -1.5, 4);
    box(base, -3, -1.5, -3, 3, -0.8, 3);
    ok &= write_wrl(dir + "/socle.wrl", "socle", base,
                    "    ambientColor 0.5 0.4 0.3\n    diffuseColor 0.6 0.5 0.35\n    specularColor 0 0 0\n");

    ok &= write_jpeg(dir + "/mer_quad.jpg", 128, 128, [&](int x, int y) {
        const double u = 2 * pi * x / 128, v = 2 * pi * y / 128;
        const double w = 0.5 + 0.25 * wave(u * 2, v, 1, 3) + 0.25 * wave(v * 3, u, 1, 2);
        return RGB{clamp8(10 + 40 * w), clamp8(70 + 80 * w), clamp8(140 + 90 * w)};
    });
    ok &= write_jpeg(dir + "/water_quad.jpg", 64, 64, [&](int x, int y) {
        const double u = 2 * pi * x / 64, v = 2 * pi * y / 64;
        const double w = 0.5 + 0.5 * std::sin(u * 2 + std::cos(v * 2));
        return RGB{clamp8(150 + 80 * w), clamp8(200 + 50 * w), 255};
    });
    ok &= write_jpeg(dir + "/mer_texture.jpg", 128, 128, [&](int x, int y) {
        const double u = 2 * pi * x / 128, v = 2 * pi * y / 128;
        const double w = 0.5 + 0.3 * std::sin(u * 3 + 2 * std::sin(v * 2)) + 0.2 * std::cos(v * 5 - u);
        return RGB{clamp8(20 + 60 * w), clamp8(90 + 100 * w), clamp8(120 + 110 * w)};
    });
    // A tree on a dark background: trunk and round crown, the background's
    // mean below the transparency threshold.
    ok &= write_jpeg(dir + "/arbre.jpg", 64, 128, [&](int x, int y) {
        const double dx = x - 32.0, dy = y - 44.0;
        const double crown = dx * dx / (26.0 * 26.0) + dy * dy / (38.0 * 38.0);
        if (crown < 1.0) {
            const double shade = 0.6 + 0.4 * std::sin(x * 0.7) * std::cos(y * 0.5);
            return RGB{clamp8(30 + 40 * shade), clamp8(110 + 80 * shade), clamp8(30 + 30 * shade)};
        }
        if (y >= 76 && y < 124 && x >= 28 && x < 37) return RGB{110, 75, 40};
        return RGB{8, 10, 8};
    });
    ok &= write_bmp(dir + "/pirogue_pattern_quad_1.bmp", 64, 64, [&](int x, int y) {
        const int band = (y / 8) % 4;
        const bool zig = std::abs((x % 16) - 8) + (y % 8) < 9;
        const RGB colours[4] = {{150, 60, 30}, {230, 200, 120}, {40, 30, 25}, {200, 120, 40}};
        RGB c = colours[band];
        if (zig) c = RGB{c.r * 3 / 4, c.g * 3 / 4, c.b * 3 / 4};
        return c;
    });
    if (!ok) std::fprintf(stderr, "make_data: could not write every file into %s\n", dir.c_str());
    return ok ? 0 : 1;
}
