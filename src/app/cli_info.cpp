// quorvel --info FILE: loads FILE as the document open does and prints a
// summary of the scene; message boxes go to stderr.
#include <cstdio>
#include <memory>
#include <string>

#include "app/cli.h"
#include "image/texture.h"
#include "io/open.h"
#include "math/cformat.h"
#include "scene/report.h"
#include "scene/scene3d.h"

namespace {
class StderrReporter : public Reporter {
public:
    void message_box(const std::string& text, const std::string&) override
    {
        std::fprintf(stderr, "quorvel: %s%s", text.c_str(), (!text.empty() && text.back() == '\n') ? "" : "\n");
    }
};

const char* light_name(uint32_t type)
{
    switch (type) {
    case LIGHT_POINT: return "PointLight";
    case LIGHT_DIRECTIONAL: return "DirectionalLight";
    case LIGHT_SPOT: return "SpotLight";
    default: return "?";
    }
}
} // namespace

int cli_info(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: quorvel --info FILE\n");
        return 2;
    }
    StderrReporter rep;
    Reporter* prev = set_reporter(&rep);
    std::unique_ptr<SCENE3D> scene;
    bool ok = open_document(argv[2], scene, nullptr);
    set_reporter(prev);
    current_scene() = nullptr;
    if (!ok) return 1;

    const SCENE3D& s = *scene;
    long long pts = 0, faces = 0, idx = 0;
    for (int i = 0; i < s.nbobjects; ++i) {
        const OBJECT3D* o = s.m_objects[i];
        if (!o) continue;
        pts += o->nbpts;
        faces += o->nbface;
        idx += o->nbindex;
    }
    std::printf("file: %s\n", argv[2]);
    std::printf("objects: %d (points %lld, faces %lld, indices %lld)\n", s.nbobjects, pts, faces, idx);
    for (int i = 0; i < s.nbobjects; ++i) {
        const OBJECT3D* o = s.m_objects[i];
        if (!o) continue;
        std::printf("  %d \"%s\": points %d, faces %d, indices %d, normals %d, materials %d, texture vertices %d",
                    i, o->m_name.c_str(), o->nbpts, o->nbface, o->nbindex, o->nbnormal, o->nbmaterial,
                    o->nbtexvertex);
        if (!o->m_texture_name.empty()) std::printf(", texture \"%s\"", o->m_texture_name.c_str());
        if (o->m_viewpoint) std::printf(", viewpoint");
        if (o->m_anim && o->m_anim->m_active) std::printf(", animated");
        std::printf("\n");
    }
    std::printf("lights: %d\n", (int)s.m_lights.size());
    for (size_t i = 0; i < s.m_lights.size(); ++i) {
        const LIGHT3D* l = s.m_lights[i];
        std::string line = qv_format("  %d %s: intensity %g, color %g %g %g", (int)i, light_name(l->type),
                                     l->intensity, l->color.x, l->color.y, l->color.z);
        std::printf("%s\n", line.c_str());
    }
    std::printf("textures: %d\n", (int)s.m_textures.size());
    for (size_t i = 0; i < s.m_textures.size(); ++i)
        if (s.m_textures[i]) std::printf("  %d %s\n", (int)i, s.m_textures[i]->name.c_str());
    scene.reset();
    return 0;
}
