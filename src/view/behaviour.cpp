#include "view/behaviour.h"

#include "model/loft.h"
#include "scene/glconst.h"
#include "scene/scene3d.h"
#include "view/board_view.h"
#include "view/document.h"
#include "view/model_dialogs.h"

ViewPoint2& last_mouse_point()
{
    static ViewPoint2 p;
    return p;
}

ViewBehaviour::ViewBehaviour(CQuorvelDoc& doc, ViewHost& host)
    : m_gl_face(glc::FRONT_AND_BACK), m_doc(doc), m_host(host)
{
    m_gl.scene = doc.scene();
}

ViewBehaviour::~ViewBehaviour() { destroy_board(m_board); }

SCENE3D* ViewBehaviour::scene() const { return m_doc.scene(); }

void ViewBehaviour::SceneChanged()
{
    m_gl.scene = m_doc.scene();
    m_gl.pick_pass = false;
    if (m_gl.scene && m_gl.scene->m_camera) {
        m_gl.scene->m_camera->position = Vec3(0.f, 0.f, -20.f);
        m_gl.scene->m_camera->rotation = Vec3(0.f, 0.f, 0.f);
    }
    m_host.redraw();
}

void ViewBehaviour::OnButtonDown(MouseButton b, int x, int y)
{
    if (b == MB_LEFT && board_left_click(*this, x, y)) return;
}
void ViewBehaviour::OnButtonUp(MouseButton, int, int) {}
void ViewBehaviour::OnMouseMove(int, int) {}
void ViewBehaviour::OnMouseWheel(int, int, int) {}
void ViewBehaviour::OnKeyDown(ViewKey key)
{
    if (key == VK_F11_KEY) board_start_slide_show(*this);
}
void ViewBehaviour::OnTimer(int id)
{
    if (id == TIMER_SLIDE_SHOW) board_slide_tick(*this);
    if (id == TIMER_MESH) mesh_animation_tick(*this);
}
void ViewBehaviour::OnSize(int w, int h)
{
    m_gl.width = w;
    m_gl.height = h;
}
bool ViewBehaviour::CollisionAccepts(const Vec3& p) const
{
    const SCENE3D* s = scene();
    return !s || panorama_accepts(*s, p, m_collision_radius);
}
void ViewBehaviour::NavigationTick() {}
