#include "view/object_editor_ops.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "base/cformat.h"
#include "model/solids.h"
#include "base/report.h"

ObjectEditorLists object_editor_lists(const SCENE3D* scene, int selected)
{
    ObjectEditorLists l;
    if (!scene) return l;
    for (int k = 0; k < scene->nbobjects; ++k) {
        const OBJECT3D* o = scene->get_object(k);
        l.objects.push_back(qv_format("%3ld %s", (long)k, o ? o->m_name.c_str() : ""));
    }
    const OBJECT3D* o = scene->get_object(selected);
    if (!o) return l;
    if (o->m_vertices)
        for (int k = 0; k < o->nbpts; ++k) {
            const Vec3& v = o->m_vertices[k];
            l.vertices.push_back(qv_format("%3d X:%7.2f Y:%7.2f Z:%7.2f", k, v.x, v.y, v.z));
        }
    if (o->m_index) {
        std::string line;
        int face = 0;
        for (int k = 0; k < o->nbindex; ++k) {
            if (line.empty()) line = qv_format("%4d:", face);
            line += qv_format(" %4d", o->m_index[k]);
            if (o->m_index[k] == -1) {
                l.faces.push_back(line);
                line.clear();
                ++face;
            }
        }
        if (!line.empty()) l.faces.push_back(line);   // a last face left open
    }
    if (o->m_normals)
        for (int k = 0; k < o->nbnormal; ++k) {
            const Vec3& n = o->m_normals[k];
            l.normals.push_back(qv_format("%3d X:%7.2f Y:%7.2f Z:%7.2f", k, n.x, n.y, n.z));
        }
    if (o->texvertex)
        for (int k = 0; k < o->nbtexvertex; ++k)
            l.texcoords.push_back(qv_format("%3d X:%5.2f Y:%5.2f", k, o->texvertex[k].s, o->texvertex[k].t));
    if (o->texindex)
        for (int k = 0; k < o->nbindex; ++k) l.texindex.push_back(qv_format("%d", o->texindex[k]));
    l.counts = qv_format("NbPts: %7ld NbFace: %7ld NbIndex: %7d NbNormal: %7d", (long)o->nbpts, (long)o->nbface,
                         o->nbindex, o->nbnormal);
    l.texture_name = o->m_texture_name;
    l.nbtexvertex = qv_format("%d", o->nbtexvertex);
    l.tex_center = qv_format("%5.3f %5.3f", o->m_texcenter[0], o->m_texcenter[1]);
    l.tex_scale = qv_format("%5.3f %5.3f", o->m_texscale[0], o->m_texscale[1]);
    l.tex_rotation = qv_format("%5.3f", o->m_texrotation);
    l.tex_translation = qv_format("%5.3f %5.3f", o->m_textranslation[0], o->m_textranslation[1]);
    l.url = o->m_url;
    return l;
}

float scale_range_from_slider(int k) { return (float)k / 100.f; }

float drag_scale_from_slider(float s, int k) { return (float)std::exp((double)s * (double)(k - 50)); }

bool ObjectEditor::select_object(SCENE3D& scene, int i)
{
    OBJECT3D* o = scene.get_object(i);
    if (!o) return false;
    m_selected = i;
    scene.m_selected = i;
    m_base_size = o->echelle;
    // A texture vertex chosen on another object means nothing here.
    m_texvertex = -1;
    SetStatusTextRaw(o->m_name);
    return true;
}

bool ObjectEditor::select_texvertex(const SCENE3D& scene, int t)
{
    const OBJECT3D* o = scene.get_object(m_selected);
    if (!o || !o->texvertex || t < 0 || t >= o->nbtexvertex) return false;
    m_texvertex = t;
    m_base_u = o->texvertex[t].s;
    m_base_v = o->texvertex[t].t;
    return true;
}

void ObjectEditor::size(SCENE3D& scene)
{
    scene.m_object_drag = 1;
    scene.m_selected = m_selected;
}

void ObjectEditor::position(SCENE3D& scene)
{
    size(scene);
    OBJECT3D* o = scene.get_object(m_selected);
    if (!o || !scene.m_camera) return;
    o->m_dynamic = 1;
    // A second press keeps the camera of the first: the one to come back to.
    if (!m_camera_saved) {
        m_saved_camera = *scene.m_camera;
        m_camera_saved = true;
    }
    scene.m_camera->position = Vec3{0.f, 0.f, 0.f};
    scene.m_camera->rotation = Vec3{0.f, 0.f, 0.f};
}

void ObjectEditor::restore_camera(SCENE3D& scene)
{
    // Only a camera put aside by "Position" is given back.
    if (!m_camera_saved || !scene.m_camera) return;
    *scene.m_camera = m_saved_camera;
    m_camera_saved = false;
}

void ObjectEditor::global(SCENE3D& scene)
{
    restore_camera(scene);
    scene.m_object_drag = 0;
}

void ObjectEditor::close(SCENE3D& scene)
{
    scene.m_object_drag = 0;
    if (OBJECT3D* o = scene.get_object(m_selected)) {
        o->m_dynamic = 0;
        o->m_needs_rebuild = 1;
        restore_camera(scene);
    }
}

std::string ObjectEditor::scale_range_slider(int k)
{
    m_scale_range = scale_range_from_slider(k);
    return qv_format("%4.2f", m_scale_range);
}

std::string ObjectEditor::drag_scale_slider(SCENE3D& scene, int k)
{
    const float f = drag_scale_from_slider(m_scale_range, k);
    scene.m_drag_scale = Vec3{f, f, f};
    // The chosen object takes the scale: its size when it was chosen, times
    // the factor, seen at once and kept after the dialog closes.
    if (OBJECT3D* o = scene.get_object(m_selected)) {
        o->echelle = Vec3{m_base_size.x * f, m_base_size.y * f, m_base_size.z * f};
        o->m_needs_rebuild = 1;
    }
    return qv_format("%5.2f %5.2f %5.2f", f, f, f);
}

TexVertex* ObjectEditor::chosen_texvertex(SCENE3D& scene) const
{
    OBJECT3D* o = scene.get_object(m_selected);
    if (!o || !o->texvertex || m_texvertex < 0 || m_texvertex >= o->nbtexvertex) return nullptr;
    return &o->texvertex[m_texvertex];
}

std::string ObjectEditor::texture_u_slider(SCENE3D& scene, int k)
{
    TexVertex* t = chosen_texvertex(scene);
    if (!t) return {};
    t->s = (float)k / 50.f + m_base_u;
    scene.get_object(m_selected)->m_needs_rebuild = 1;
    return qv_format("%5.2f %5.2f", t->s, t->t);
}

std::string ObjectEditor::texture_v_slider(SCENE3D& scene, int k)
{
    TexVertex* t = chosen_texvertex(scene);
    if (!t) return {};
    t->t = (float)k / 50.f + m_base_v;
    scene.get_object(m_selected)->m_needs_rebuild = 1;
    return qv_format("%5.2f %5.2f", t->s, t->t);
}

bool ObjectEditor::texture_fit_toggle(SCENE3D& scene)
{
    m_fit_pushed = !m_fit_pushed;
    if (!m_fit_pushed) return false;
    OBJECT3D* o = scene.get_object(m_selected);
    return o && texture_fit(*o);
}

int texture_fit(OBJECT3D& o)
{
    if (!o.m_vertices || o.nbpts <= 0) return 0;
    if (!o.texvertex || o.nbtexvertex < o.nbpts) {
        // One texture vertex per point, indexed as the points are.
        TexVertex* tv = new TexVertex[(size_t)o.nbpts];
        if (o.texvertex) std::copy(o.texvertex, o.texvertex + std::max(0, o.nbtexvertex), tv);
        delete[] o.texvertex;
        o.texvertex = tv;
        o.nbtexvertex = o.nbpts;
        delete[] o.texindex;
        o.texindex = nullptr;
    }
    if (!o.texindex && o.m_index && o.nbindex > 0) {
        o.texindex = new int32_t[(size_t)o.nbindex];
        std::memcpy(o.texindex, o.m_index, sizeof(int32_t) * (size_t)o.nbindex);
    }
    TranslatePoints(o, Vec3(0.f, 0.f, -100.f));
    for (int i = 0; i < o.nbpts; ++i) {
        const Vec3& p = o.m_vertices[i];
        if (p.z == 0.f) break;
        o.texvertex[i].s = p.x / p.z;
        o.texvertex[i].t = p.y / p.z;
    }
    o.m_needs_rebuild = 1;
    return 1;
}

bool ObjectEditor::set_texture_transform(SCENE3D& scene, int id, const std::string& text)
{
    OBJECT3D* o = scene.get_object(m_selected);
    const int wanted = id == 1066 ? 1 : 2;
    if (!o || (id != 1058 && id != 1064 && id != 1065 && id != 1066)) return false;
    // Numbers in the C form, separated by blanks, nothing else.
    float v[2] = {0.f, 0.f};
    const char* p = text.c_str();
    const char* end = p + text.size();
    int n = 0;
    while (true) {
        while (p < end && (*p == ' ' || *p == '\t')) ++p;
        if (p == end) break;
        if (n == wanted) return false;
        const char* stop = p;
        const double d = qv_strtod(p, end, &stop);
        if (stop == p || !std::isfinite(d) || (stop < end && *stop != ' ' && *stop != '\t')) return false;
        v[n++] = (float)d;
        p = stop;
    }
    if (n != wanted) return false;
    switch (id) {
    case 1058: o->m_texcenter[0] = v[0]; o->m_texcenter[1] = v[1]; o->m_texcenter_on = 1; break;
    case 1064: o->m_texscale[0] = v[0]; o->m_texscale[1] = v[1]; o->m_texscale_on = 1; break;
    case 1065: o->m_textranslation[0] = v[0]; o->m_textranslation[1] = v[1]; o->m_textranslation_on = 1; break;
    default: o->m_texrotation = v[0]; o->m_texrotation_on = 1; break;
    }
    o->m_textransform = 1;
    o->m_needs_rebuild = 1;
    return true;
}
