// quorvel --info FILE: loads FILE as the document open does (binary scenes
// and level-of-detail sets as File Open does) and prints a summary of the
// scene; message boxes go to stderr.
#include <cstdio>
#include <memory>
#include <string>

#include "app/cli.h"
#include "image/texture.h"
#include "io/lod.h"
#include "io/open.h"
#include "base/cformat.h"
#include "base/report.h"
#include "scene/scene3d.h"

namespace {
const char* light_name(uint32_t type)
{
    switch (type) {
    case LIGHT_POINT: return "PointLight";
    case LIGHT_DIRECTIONAL: return "DirectionalLight";
    case LIGHT_SPOT: return "SpotLight";
    default: return "?";
    }
}

void print_scene(const SCENE3D& s, const char* indent)
{
    long long pts = 0, faces = 0, idx = 0;
    for (int i = 0; i < s.nbobjects; ++i) {
        const OBJECT3D* o = s.m_objects[i];
        if (!o) continue;
        pts += o->nbpts;
        faces += o->nbface;
        idx += o->nbindex;
    }
    std::printf("%sobjects: %d (points %lld, faces %lld, indices %lld)\n", indent, s.nbobjects, pts, faces, idx);
    for (int i = 0; i < s.nbobjects; ++i) {
        const OBJECT3D* o = s.m_objects[i];
        if (!o) continue;
        std::printf("%s  %d \"%s\": points %d, faces %d, indices %d, normals %d, materials %d, texture vertices %d",
                    indent, i, o->m_name.c_str(), o->nbpts, o->nbface, o->nbindex, o->nbnormal, o->nbmaterial,
                    o->nbtexvertex);
        if (!o->m_texture_name.empty()) std::printf(", texture \"%s\"", o->m_texture_name.c_str());
        if (o->m_viewpoint) std::printf(", viewpoint");
        if (o->m_anim && o->m_anim->m_active) std::printf(", animated");
        if (o->m_points_only) std::printf(", point set");
        if (o->m_wireframe) std::printf(", wireframe");
        if (o->m_glyphs) std::printf(", text");
        std::printf("\n");
    }
    std::printf("%slights: %d\n", indent, (int)s.m_lights.size());
    for (size_t i = 0; i < s.m_lights.size(); ++i) {
        const LIGHT3D* l = s.m_lights[i];
        std::string line = qv_format("%s  %d %s: intensity %g, color %g %g %g", indent, (int)i, light_name(l->type),
                                     l->intensity, l->color.x, l->color.y, l->color.z);
        if (!l->on) line += ", off";
        std::printf("%s\n", line.c_str());
    }
    for (const std::string& line : s.m_not_read) std::printf("%s%s\n", indent, line.c_str());
    std::printf("%stextures: %d\n", indent, (int)s.m_textures.size());
    for (size_t i = 0; i < s.m_textures.size(); ++i)
        if (s.m_textures[i]) std::printf("%s  %d %s\n", indent, (int)i, s.m_textures[i]->name.c_str());
}
} // namespace

int cli_info(int argc, char** argv)
{
    if (argc < 3) {
        std::fprintf(stderr, "usage: quorvel --info FILE\n");
        return k_exit_failed;
    }
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    OpenResult r;
    int status;
    {
        StderrReporter rep;
        r = open_for_command_line(argv[2], scene, lod, nullptr);
        status = rep.written_status();
    }
    current_scene() = nullptr;
    if (r != OpenResult::Lod && (r != OpenResult::Scene || !scene)) return k_exit_failed;
    std::printf("file: %s\n", argv[2]);
    if (r == OpenResult::Lod && lod) {
        std::printf("level-of-detail set: %d levels\n", lod->m_nlevels);
        for (int j = 0; j < lod->m_nlevels; ++j) {
            std::string d = qv_format("level %d: from %g to %g", j, lod->m_distances[j], lod->m_distances[j + 1]);
            std::printf("%s\n", d.c_str());
            if (lod->m_levels[j]) print_scene(*lod->m_levels[j], "  ");
        }
        return status;
    }
    print_scene(*scene, "");
    scene.reset();
    return status;
}
