#include "io/thumbnail_read.h"

#include <sys/stat.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "scene/scene3d.h"
#include "scene/scene_animation.h"
#include "scene/view_fit.h"

namespace {
// The slowest rate at which the readers take a scene (text with many small
// nodes, on a slow machine), in bytes per second: a scene larger than
// limit x rate would take longer than the limit to read.
constexpr long long k_slowest_read_rate = 20LL << 20;
constexpr long long k_largest_scene = k_slowest_read_rate * k_thumbnail_time_limit_s;
// Gzip-compressed scenes: at least this many bytes of text per byte of file
// (scene text compresses 5 to 20 times).
constexpr long long k_least_inflation = 4;
} // namespace

long long scene_text_estimate(const std::string& path, std::string& why)
{
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        why = std::string("cannot read ") + path + ": " + std::strerror(errno);
        return -1;
    }
    if (!S_ISREG(st.st_mode)) {
        why = path + " is not a regular file";
        return -1;
    }
    const long long size = (long long)st.st_size;
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) {
        why = std::string("cannot read ") + path + ": " + std::strerror(errno);
        return -1;
    }
    unsigned char magic[2] = {0, 0};
    const bool gzip = std::fread(magic, 1, 2, f) == 2 && magic[0] == 0x1f && magic[1] == 0x8b;
    long long text = size;
    if (gzip) {
        text = size * k_least_inflation;
        unsigned char tail[4];
        if (size >= 18 && std::fseek(f, -4, SEEK_END) == 0 && std::fread(tail, 1, 4, f) == 4) {
            const long long isize = (long long)tail[0] | (long long)tail[1] << 8 | (long long)tail[2] << 16 |
                                    (long long)tail[3] << 24;
            if (isize > text) text = isize;
        }
    }
    std::fclose(f);
    return text;
}

bool within_read_budget(long long text_bytes) { return text_bytes >= 0 && text_bytes <= k_largest_scene; }

bool message_about_a_picture(const std::string& text)
{
    static const char* const k_picture_messages[] = {
        "Unable to open file for reading", "CTexture::", "Error during reading", "Invalid BMP",
        "Invalid GIF", "Invalid PNG", "JPEG :", "JpegFile :", "Texture file must", "Could not open",
        "Insuffisant memory", "Lumi file", "Read_Image",
    };
    for (const char* m : k_picture_messages)
        if (text.rfind(m, 0) == 0) return true;
    return false;
}

bool frame_for_thumbnail(SCENE3D& scene, double seconds)
{
    if (scene.m_animation && std::isfinite(seconds)) scene.m_animation->evaluate(scene, seconds);
    return frame_scene_if_lost(scene, 1.0, true);
}
