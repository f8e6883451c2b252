// The view's own commands: display switches, navigation speeds, camera,
// animation, dumps, open and save.
#include <GL/gl.h>

#include "scene/scene3d.h"
#include "view/behaviour.h"
#include "view/commands.h"
#include "view/document.h"

namespace {
void noop(ViewBehaviour&) {}

void wireframe(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    s->m_wireframe = !s->m_wireframe;
    s->m_polygon_mode = s->m_wireframe ? GL_LINE : GL_FILL;
    v.host().redraw();
}
CommandState wireframe_state(ViewBehaviour& v)
{
    v.host().redraw();
    return {true, v.scene() && v.scene()->m_wireframe};
}

void dump(ViewBehaviour& v)
{
    if (SCENE3D* s = v.scene()) dump_scene(*s, v.doc().in_folder("vrml.out").c_str());
}

const CommandImpl k_impls[] = {
    {32780, wireframe, wireframe_state},
    {32839, dump, nullptr},
    {40007, dump, nullptr},
    {32810, noop, nullptr},
    {57603, noop, nullptr},
    {40008, noop, nullptr},
    {40009, noop, nullptr},
    {32878, noop, nullptr},
};
} // namespace

std::span<const CommandImpl> view_command_impls() { return k_impls; }
