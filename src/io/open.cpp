#include "io/open.h"

#include <cstring>

#include "io/lod.h"
#include "io/readers.h"
#include "io/scene_loader.h"
#include "scene/report.h"
#include "scene/scene3d.h"

namespace {
bool starts_with(const Scene& L, const char* s)
{
    size_t n = std::strlen(s);
    return (size_t)L.m_len >= n && std::memcmp(L.m_buf, s, n) == 0;
}

bool ends_with(const std::string& path, const char* ext)
{
    size_t n = std::strlen(ext);
    return path.size() >= n && path.compare(path.size() - n, n, ext) == 0;
}

int run_finish(SCENE3D& scene, const FinishFn& finish) { return finish ? finish(scene) : 1; }

// The finishing steps once the file has been read into the scene: the
// file's buffer is given back first, so that it is not held beside the
// normals and GL data the finishing steps add.
int finish_read(Scene& loader, SCENE3D& scene, const FinishFn& finish)
{
    loader.release_buffer();
    return run_finish(scene, finish);
}

void replace_scene(std::unique_ptr<SCENE3D>& scene, std::unique_ptr<SCENE3D> fresh)
{
    scene = std::move(fresh);
    current_scene() = scene.get();
}
} // namespace

bool open_document(const std::string& path, std::unique_ptr<SCENE3D>& scene, const FinishFn& finish)
{
    Scene loader;
    replace_scene(scene, std::make_unique<SCENE3D>());
    SCENE3D& s = *scene;
    if (!loader.load_buffer(path.c_str(), s)) {
        MessageBox("File not found");
        return false;
    }
    if (starts_with(loader, "xof") && read_x_file(loader, s)) return finish_read(loader, s, finish) != 0;
    if (starts_with(loader, "CODE")) return read_building_file(loader, s) && finish_read(loader, s, finish);
    if (loader.m_len > 0 && loader.m_buf[0] == ' ')
        return read_grid_file(loader, s) && finish_read(loader, s, finish);
    if (starts_with(loader, "POINTS") && read_point_set(loader, s)) {
        // The point-set reader may have compiled its list itself.
        return s.m_lists_built || run_finish(s, finish);
    }
    if (!loader.read_file(s)) {
        MessageBox("Document : unable to build OpenGL lists");
        return false;
    }
    return finish_read(loader, s, finish) != 0;
}

OpenResult open_by_extension(const std::string& path, std::unique_ptr<SCENE3D>& scene,
                             std::unique_ptr<LODSET>& lod, const FinishFn& finish)
{
    if (path.empty()) return OpenResult::Nothing;
    Scene loader;
    // The file is read for a fresh scene, which also keeps the script.
    auto fresh = std::make_unique<SCENE3D>();
    if (!loader.load_buffer(path.c_str(), *fresh)) {
        SetStatusTextRaw("NOM INCONNU");
        return OpenResult::NotFound;
    }
    replace_scene(scene, std::move(fresh));
    SCENE3D& s = *scene;
    OpenResult result = OpenResult::Failed;
    auto done = [&](int ok) {
        if (ok && run_finish(s, finish)) result = OpenResult::Scene;
    };
    if (ends_with(path, ".WRL") || ends_with(path, ".wrl")) done(loader.read_file(s));
    if (ends_with(path, ".x") || ends_with(path, ".X")) done(read_x_file(loader, s));
    if (ends_with(path, ".ign") || ends_with(path, ".IGN")) done(read_building_file(loader, s));
    if (ends_with(path, ".igz")) done(read_grid_file(loader, s));
    if (ends_with(path, ".LOD") || ends_with(path, ".lod")) {
        auto set = std::make_unique<LODSET>();
        if (read_lod_script(loader, *set)) {
            lod = std::move(set);
            result = OpenResult::Lod;
        }
    }
    bool points = false;
    if (starts_with(loader, "POINTS") && read_point_set(loader, s)) {
        points = true;
        if (s.m_lists_built || run_finish(s, finish)) result = OpenResult::Scene;
    }
    if (!points && ends_with(path, ".wrb")) done(load_binary(path.c_str(), s));
    return result;
}

OpenResult open_for_command_line(const std::string& path, std::unique_ptr<SCENE3D>& scene,
                                 std::unique_ptr<LODSET>& lod, const FinishFn& finish)
{
    if (ends_with(path, ".wrb") || ends_with(path, ".LOD") || ends_with(path, ".lod")) {
        OpenResult r = open_by_extension(path, scene, lod, finish);
        if (r == OpenResult::NotFound) MessageBox("File not found");
        return r;
    }
    return open_document(path, scene, finish) ? OpenResult::Scene : OpenResult::Failed;
}
