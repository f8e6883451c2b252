#include "render/outline_tess.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <deque>

#include "io/vrml_text.h"

namespace {

struct TessRun {
    std::vector<std::array<double, 2>>* points;
    std::vector<int32_t>* tris;
    std::deque<std::array<GLdouble, 3>> coords;   // stable addresses for GLU
    std::deque<int32_t> ids;
    bool failed = false;
};

void GLAPIENTRY on_begin(GLenum, void*) {}
void GLAPIENTRY on_edge_flag(GLboolean, void*) {}   // asks for separate triangles
void GLAPIENTRY on_vertex(void* vertex, void* data)
{
    static_cast<TessRun*>(data)->tris->push_back(*static_cast<int32_t*>(vertex));
}
void GLAPIENTRY on_combine(GLdouble coords[3], void*[4], GLfloat[4], void** out, void* data)
{
    auto* r = static_cast<TessRun*>(data);
    r->points->push_back({coords[0], coords[1]});
    r->ids.push_back((int32_t)r->points->size() - 1);
    *out = &r->ids.back();
}
void GLAPIENTRY on_error(GLenum, void* data) { static_cast<TessRun*>(data)->failed = true; }

bool glu_fill(const vrml::Contours& contours, std::vector<std::array<double, 2>>& points, std::vector<int32_t>& tris)
{
    GLUtesselator* t = gluNewTess();
    if (!t) return false;
    TessRun run{&points, &tris, {}, {}, false};
    using Fn = void(GLAPIENTRY*)();
    gluTessCallback(t, GLU_TESS_BEGIN_DATA, reinterpret_cast<Fn>(&on_begin));
    gluTessCallback(t, GLU_TESS_EDGE_FLAG_DATA, reinterpret_cast<Fn>(&on_edge_flag));
    gluTessCallback(t, GLU_TESS_VERTEX_DATA, reinterpret_cast<Fn>(&on_vertex));
    gluTessCallback(t, GLU_TESS_COMBINE_DATA, reinterpret_cast<Fn>(&on_combine));
    gluTessCallback(t, GLU_TESS_ERROR_DATA, reinterpret_cast<Fn>(&on_error));
    gluTessProperty(t, GLU_TESS_WINDING_RULE, GLU_TESS_WINDING_NONZERO);
    gluTessNormal(t, 0, 0, 1);
    points.clear();
    tris.clear();
    gluTessBeginPolygon(t, &run);
    for (const auto& c : contours) {
        gluTessBeginContour(t);
        for (const auto& p : c) {
            points.push_back(p);
            run.ids.push_back((int32_t)points.size() - 1);
            run.coords.push_back({p[0], p[1], 0.0});
            gluTessVertex(t, run.coords.back().data(), &run.ids.back());
        }
        gluTessEndContour(t);
    }
    gluTessEndPolygon(t);
    gluDeleteTess(t);
    return !run.failed && tris.size() % 3 == 0;
}

} // namespace

void install_outline_tessellator()
{
    if (!vrml::has_outline_triangulator()) vrml::set_outline_triangulator(&glu_fill);
}
