// The part of a thumbnail that draws nothing, as the thumbnailer runs it on
// whatever a file manager hands it: the size estimate (plain or gzip, from
// the trailer), the read of any format by its name and first bytes, then
// the world at a given time and the View All framing, which must leave a
// camera the frame can use (finite whenever the scene's box is).
// Input: byte 0 picks the name (and so the format tried when the bytes do
// not say), byte 1 the time; bit 7 of byte 0 compresses the rest first.

#include <cmath>
#include <string>

#include "fuzz_common.h"
#include "gzip_member.h"
#include "io/lod.h"
#include "io/open.h"
#include "io/scene_loader.h"
#include "io/thumbnail_read.h"
#include "scene/view_fit.h"

namespace {
bool finite(const Vec3& v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static const size_t limit = (set_inflate_limit(64 << 20), 64 << 20);
    (void)limit;
    static const char* const names[] = {"in.wrl", "in.wrz", "in.wrb", "in.x",   "in.ign",  "in.igz",
                                        "in.lod", "in",     "in.glb", "in.gltf", "in.obj", "in.stl",
                                        "in.ply", "in.3ds", "in.dae", "in.off"};
    if (size < 2) return 0;
    const char* name = names[data[0] % 16];
    const double seconds = data[1] * 0.25;
    std::string bytes = data[0] & 0x80 ? fuzz::gzip(data + 2, size - 2) : std::string((const char*)data + 2, size - 2);
    const std::string path = fuzz::write_input(name, (const uint8_t*)bytes.data(), bytes.size());

    std::string why;
    const long long text = scene_text_estimate(path, why);
    if (text < 0) std::abort();   // a regular file we just wrote
    if (text < (long long)bytes.size() || !within_read_budget(text)) return 0;
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    const OpenResult r = open_for_command_line(path, scene, lod, nullptr);
    if (r == OpenResult::Scene && scene) {
        if (frame_for_thumbnail(*scene, seconds)) {
            // A finite box of the framed scene must give a finite camera.
            Vec3 a, b;
            if (scene_world_box(*scene, a, b) && finite(a) && finite(b) && (double)b.x - a.x < 1e30 &&
                (double)b.y - a.y < 1e30 && (double)b.z - a.z < 1e30 && !finite(scene->m_camera->position))
                std::abort();
            view_coverage(*scene, *scene->m_camera, scene->m_fovy, 1.0);
        }
    }
    current_scene() = nullptr;
    return 0;
}
