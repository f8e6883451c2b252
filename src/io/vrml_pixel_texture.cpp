#include "io/vrml_pixel_texture.h"

#include <charconv>
#include <cstdint>
#include <memory>

#include "base/cformat.h"
#include "image/texture.h"
#include "io/vrml_tree.h"
#include "scene/scene3d.h"

namespace vrml {

namespace {
constexpr long long k_max_pixels = 4096LL * 4096LL;

// A decimal or 0x hexadecimal integer (a leading minus allowed, taken as
// its 32-bit pattern); false for anything else.
bool integer(const std::string& w, uint32_t& out)
{
    const char* p = w.data();
    const char* e = p + w.size();
    bool neg = false;
    if (p < e && (*p == '-' || *p == '+')) neg = *p++ == '-';
    int base = 10;
    if (e - p > 2 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X')) {
        base = 16;
        p += 2;
    }
    unsigned long long v = 0;
    auto r = std::from_chars(p, e, v, base);
    if (r.ec != std::errc() || r.ptr != e || v > 0xFFFFFFFFull) return false;
    out = neg ? (uint32_t)(0u - (uint32_t)v) : (uint32_t)v;
    return true;
}
} // namespace

CTexture* pixel_image(const VField& f, std::string& why)
{
    why.clear();
    const std::vector<std::string>& w = f.words;
    if (w.size() < 3) {
        if (!w.empty()) why = "the image has no width, height and components";
        return nullptr;
    }
    uint32_t width = 0, height = 0, comps = 0;
    if (!integer(w[0], width) || !integer(w[1], height) || !integer(w[2], comps)) {
        why = "its width, height and components are not whole numbers";
        return nullptr;
    }
    if (width == 0 || height == 0) return nullptr;   // no image
    if (comps < 1 || comps > 4) {
        why = qv_format("%u components (1 to 4)", comps);
        return nullptr;
    }
    if ((long long)width * height > k_max_pixels) {
        why = qv_format("%u x %u pixels, more than an image may hold", width, height);
        return nullptr;
    }
    const size_t count = (size_t)width * height;
    if (w.size() - 3 < count) {
        why = qv_format("%zu pixels of %u x %u", w.size() - 3, width, height);
        return nullptr;
    }
    const bool alpha = comps == 2 || comps == 4;
    auto t = std::make_unique<CTexture>();
    if (!t->Alloc((int)width, (int)height, alpha ? 32 : 24)) {
        why = "not enough memory";
        return nullptr;
    }
    const int bpp = alpha ? 4 : 3;
    for (uint32_t y = 0; y < height; ++y) {
        // The file gives the bottom row first; the block holds the top first.
        unsigned char* row = t->data + (size_t)(height - 1 - y) * t->widthbyte32;
        for (uint32_t x = 0; x < width; ++x) {
            uint32_t v = 0;
            if (!integer(w[3 + (size_t)y * width + x], v)) {
                why = qv_format("pixel %zu is not a whole number", (size_t)y * width + x + 1);
                return nullptr;
            }
            unsigned char r, g, b, a = 255;
            switch (comps) {
            case 1: r = g = b = (unsigned char)v; break;
            case 2: r = g = b = (unsigned char)(v >> 8); a = (unsigned char)v; break;
            case 3: r = (unsigned char)(v >> 16); g = (unsigned char)(v >> 8); b = (unsigned char)v; break;
            default:
                r = (unsigned char)(v >> 24);
                g = (unsigned char)(v >> 16);
                b = (unsigned char)(v >> 8);
                a = (unsigned char)v;
                break;
            }
            unsigned char* p = row + (size_t)x * bpp;
            p[0] = r;
            p[1] = g;
            p[2] = b;
            if (alpha) p[3] = a;
        }
    }
    t->texel_alpha = alpha;
    return t.release();
}

int add_pixel_texture(SCENE3D& scene, const VField& image, const std::string& key, std::string& why)
{
    why.clear();
    int index = -1;
    if (scene.find_texture(key, index)) return index;
    CTexture* t = pixel_image(image, why);
    if (!t) return -1;
    t->name = key;
    scene.m_textures.push_back(t);
    return (int)scene.m_textures.size() - 1;
}

} // namespace vrml
