#include "view/commands.h"

#include "image/replication_state.h"
#include "render/frame.h"
#include "scene/scene3d.h"
#include "view/behaviour.h"
#include "view/small_dialogs.h"

namespace {
void object_properties(ViewBehaviour& v) { v.host().show_modeless("Properties"); }

void edit_object(ViewBehaviour& v) { v.host().show_modeless("Object Editor"); }

void focale(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    FocaleRequest r;
    r.fovy = s->m_fovy;
    if (!v.host().run_modal(r)) return;
    s->m_fovy = r.fovy;
    // The same step as a resize, for the view's present size.
    if (v.host().make_current()) {
        ResizeView(v.m_gl, v.m_gl.width, v.m_gl.height);
        v.host().done_current();
    }
    v.host().redraw();
}

void viewpoints(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    ViewpointsRequest r;
    r.view = &v;
    for (int k = 0; k < s->nbobjects; ++k) {
        const OBJECT3D* o = s->get_object(k);
        if (o && o->m_viewpoint) {
            r.names.push_back(o->m_name);
            r.objects.push_back(k);
        }
    }
    if (v.host().run_modal(r)) s->m_viewpoint_choice = r.choice;
    if (s->m_viewpoint_choice != 0) v.host().redraw();
}

void open_ign_file(ViewBehaviour& v)
{
    IgnFileRequest r;
    v.host().run_modal(r);
}

void objects_dialog(ViewBehaviour& v)
{
    ObjectsRequest r;
    v.host().run_modal(r);
}

// "&Edit..." and "Filter" of the Texture menu: the modal image editor
// window, on its own picture (nothing in the scene changes).
void image_editor(ViewBehaviour& v)
{
    DialogRequest request(kReplicationDialogName);
    v.host().run_modal(request);
}

const CommandImpl k_impls[] = {
    {0, nullptr, nullptr},   // placeholder, never in the table
    {32794, image_editor, nullptr},
    {40001, image_editor, nullptr},
    {32790, object_properties, nullptr},
    {32833, edit_object, nullptr},
    {32882, edit_object, nullptr},
    {32889, focale, nullptr},
    {32830, viewpoints, nullptr},
    {32842, open_ign_file, nullptr},
    {32826, objects_dialog, nullptr},
};
} // namespace

std::span<const CommandImpl> dialog_command_impls() { return std::span<const CommandImpl>(k_impls).subspan(1); }
