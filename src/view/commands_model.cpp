// The modelling commands: ready-made solids, grids, relief, the sea scene
// and its animation, sweeps, the hull and the panorama. The generators are
// in the core (model/); here each command asks what it must ask, appends,
// and then dumps, marks the document, rebuilds and redraws as it should.
#include <GL/gl.h>

#include <cstdio>
#include <optional>

#include "base/data_files.h"
#include "model/extrude.h"
#include "model/landscape.h"
#include "model/loft.h"
#include "model/sea.h"
#include "model/solids.h"
#include "render/textures.h"
#include "scene/object3d.h"
#include "base/report.h"
#include "scene/scene3d.h"
#include "view/behaviour.h"
#include "view/commands.h"
#include "view/document.h"
#include "view/model_dialogs.h"

namespace {

// What follows a command, in this order.
enum After {
    REBUILD = 1,   // BuildTextures: GL textures, order, every display list
    DUMP = 2,      // the scene dump "vrml.out" in the working folder
    CHANGED = 4,   // the document's scene-changed flag
    EDITOR = 8,    // an open Object Editor rereads the scene
};

void rebuild_all(ViewBehaviour& v, SCENE3D& s)
{
    if (v.host().make_current()) {
        BuildTextures(s);
        v.host().done_current();
        return;
    }
    // No context yet: every list is compiled at its first draw.
    for (int i = 0; i < s.nbobjects; ++i)
        if (s.m_objects[i]) s.m_objects[i]->m_needs_rebuild = 1;
}

void finish(ViewBehaviour& v, int after)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    if (after & REBUILD) rebuild_all(v, *s);
    if (after & DUMP) dump_scene(*s, v.doc().in_folder("vrml.out").c_str());
    if (after & CHANGED) v.doc().m_modified = 1;
    v.host().redraw();
    if (after & EDITOR) v.host().refresh_modeless("Object Editor");
}

// Appends a generated object; false (object released) when the scene is full.
bool append(SCENE3D& s, OBJECT3D* o)
{
    o->m_needs_rebuild = 1;
    if (!s.add_object(o)) {
        delete o;
        MessageBox("** Scene::read_file : overflow");
        return false;
    }
    o->compute_bounds();
    o->compute_center();
    s.compute_world_bounds(s.nbobjects - 1);
    return true;
}

void cube(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    OBJECT3D* o = new OBJECT3D();
    MakeCube(*o, *s, "Cube", "");
    ScalePoints(*o, Vec3(10.f, 10.f, 10.f));
    if (append(*s, o)) finish(v, REBUILD | EDITOR);
}

void cylinder(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    OBJECT3D* o = new OBJECT3D();
    MakeCylinder(*o, *s, "Cylinder", CylinderParams{});
    if (append(*s, o)) finish(v, 0);
}

void cone(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    OBJECT3D* o = new OBJECT3D();
    MakeCone(*o, "cone", ConeParams{});
    if (append(*s, o)) finish(v, DUMP | CHANGED);
}

void grid(ViewBehaviour& v, int n, int p, const char* name)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    GridParams g;
    g.n = n;
    g.p = p;
    OBJECT3D* o = new OBJECT3D();
    if (!MakeGrid(*o, g)) {
        delete o;
        MessageBoxF("Mesh n*p : %d x %d points is more than %lld", n, p, kMaxGridPoints);
        return;
    }
    o->m_name = name;
    if (append(*s, o)) finish(v, DUMP | CHANGED);
}

void mesh_nxp(ViewBehaviour& v)
{
    MeshDialogRequest r;
    // Cancel, or counts that give no point, add nothing; a single row or
    // column gives its points without faces.
    if (!v.host().run_modal(r) || r.n < 1 || r.p < 1) return;
    grid(v, r.n, r.p, "mesh_nxp");
}

void mesh(ViewBehaviour& v) { grid(v, 100, 100, ""); }

void rectangle(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    FileDialogRequest f;
    f.title = "File to load";
    std::string texture;
    const bool chosen = v.host().file_dialog(f);
    if (chosen) texture = f.path;
    std::optional<WaitCursor> wait;
    if (chosen) wait.emplace(v.host());   // the picture is read with the object
    OBJECT3D* o = new OBJECT3D();
    MakeRectangle(*o, *s, "Rectangle", Vec3(-100.f, 0.f, -100.f), Vec3(500.f, 500.f, 500.f), texture);
    if (append(*s, o)) finish(v, REBUILD);
}

void triangle(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    OBJECT3D* o = new OBJECT3D();
    MakeTriangle(*o, "Triangle", Vec3(0.f, 0.f, 0.f), Vec3(1.f, 1.f, 1.f));
    if (append(*s, o)) finish(v, REBUILD | DUMP);
}

void fractal(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (s && AddFractal(*s, v.doc().m_folder)) finish(v, REBUILD | DUMP);
}

void terrain(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (s && AddTerrain(*s)) finish(v, DUMP | CHANGED);
}

void clouds_box(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (s && AddCloudsBox(*s)) finish(v, REBUILD);
}

void mesh_sphere(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    v.m_gl.scene = s;
    SeaScene(*s, v.doc().m_folder);
    // The sky: the clear colour of every later frame (the pick pass puts
    // back the view's own copy).
    for (int k = 0; k < 3; ++k) v.m_gl.clear_rgb[k] = kSeaSky[k];
    if (v.host().make_current()) {
        glClearColor(kSeaSky[0], kSeaSky[1], kSeaSky[2], kSeaSky[3]);
        v.host().done_current();
    }
    finish(v, REBUILD);
}

void tree_transparency(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    const int k = SetTreeTransparency(*s);
    if (k < 0) return;
    if (v.host().make_current()) {
        if (s->m_texture_names && k < s->m_nb_texture_names) UploadTexture(*s, k);
        v.host().done_current();
    }
    rebuild_all(v, *s);
    v.m_diffuse_white = 1;
    v.host().redraw();
}

void extrude(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    ExtrudeDialogRequest r;
    r.lines = extrude_dialog_lines(*s);
    // Cancel adds nothing (the indices of the last confirmed use stay).
    if (!v.host().run_modal(r)) return;
    s->m_extrude_section = r.section;
    s->m_extrude_curve = r.curve;
    if (AddExtrude(*s)) finish(v, DUMP);
}

void loft(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (s && AddLoft(*s, v.doc().m_folder)) finish(v, REBUILD | DUMP | CHANGED);
}

void panorama(ViewBehaviour& v)
{
    SCENE3D* s = v.scene();
    if (!s) return;
    FileDialogRequest f;
    f.title = "File to load";
    f.filter = "VRML/MESH File (*.jpg;)|*.jpg;(*.pts)|*.pts|All files (*.*)|*.*||";
    std::string picture;
    if (v.host().file_dialog(f)) picture = f.path;
    v.m_collision_radius = kPanoramaSize.x;
    if (!AddPanorama(*s, picture, kPanoramaSize)) return;
    rebuild_all(v, *s);
    v.m_yz_toggle = 1;
    v.host().redraw();
}

const CommandImpl k_impls[] = {
    {32821, cube, nullptr},
    {32822, cylinder, nullptr},
    {32825, cone, nullptr},
    {32824, mesh_nxp, nullptr},
    {32809, mesh, nullptr},
    {32834, rectangle, nullptr},
    {32866, triangle, nullptr},
    {32867, fractal, nullptr},
    {32851, terrain, nullptr},
    {32837, clouds_box, nullptr},
    {32880, mesh_sphere, nullptr},
    {32850, tree_transparency, nullptr},
    {32835, extrude, nullptr},
    {32852, loft, nullptr},
    {32888, panorama, nullptr},
};

// The sea's step in the view's mesh animation ("Animate_mesh", timer 4).
const bool k_hooks_set = [] {
    view_hooks().wave_step = AnimateSea;
    return true;
}();
} // namespace

std::vector<std::string> extrude_dialog_lines(const SCENE3D& scene)
{
    std::vector<std::string> lines;
    for (int i = 0; i < scene.nbobjects; ++i) {
        const OBJECT3D* o = scene.m_objects[i];
        char buf[64];
        std::snprintf(buf, sizeof buf, "%4d ", i);
        lines.push_back(buf + (o ? o->m_name : std::string()));
    }
    return lines;
}

std::span<const CommandImpl> model_command_impls() { return k_impls; }
