#include "view/commands.h"

#include <cstdio>
#include <cstdlib>
#include <unordered_map>
#include <unordered_set>

#include "scene/scene3d.h"
#include "view/behaviour.h"
#include "view/document.h"

namespace {
struct CommandText {
    int id;
    const char* text;
    const char* menu;
    const char* shortcut;
};

// Every command of the window, in table order. Menu paths name the popup
// and its submenus; an empty path is a toolbar-only button.
const CommandText k_texts[] = {
    // File
    {57600, "&New", "&File", "Ctrl+N"},
    {57601, "&Open...", "&File", "Ctrl+O"},
    {33003, "Open Binary", "&File", ""},
    {32842, "Open IGN File", "&File", ""},
    {32810, "Open LOD File", "&File", ""},
    {40008, "Open Internet ", "&File", ""},
    {57603, "&Save", "&File", "Ctrl+S"},
    {57604, "Save as...", "&File", ""},
    {32796, "Save as BMP...", "&File", ""},
    {33004, "Export...", "&File", ""},
    {57607, "&Print...", "&File", "Ctrl+P"},
    {57608, "Print Direct", "&File", ""},
    {57609, "Print Preview", "&File", ""},
    {57606, "Print Setup", "&File", ""},
    {57665, "E&xit", "&File", ""},
    // Display
    {32780, "&Wireframe", "&Display", ""},
    {32784, "Shade Flat", "&Display", ""},
    {32786, "Shade smooth", "&Display", ""},
    {32787, "ambient", "&Display", ""},
    {32785, "Texture enlighted", "&Display", ""},
    {32800, "Texture removed", "&Display", ""},
    {32799, "Display Normals", "&Display", ""},
    {32804, "Fog", "&Display", ""},
    {32812, "Double sided", "&Display", ""},
    {32813, "Diffuse Color White", "&Display", ""},
    {32817, "Display_boxes", "&Display", ""},
    {32818, "undisplay_objets", "&Display", ""},
    {32841, "Lights", "&Display", ""},
    {32887, "Light Properties", "&Display", ""},
    {32886, "Stereo View", "&Display", ""},
    {32885, "Resize Display", "&Display", ""},
    // Action
    {32782, "Reset", "&Action", ""},
    {32797, "&Rotate", "&Action", "Ctrl+R"},
    {32801, "Walk", "&Action", ""},
    {32807, "Examine", "&Action", ""},
    {32795, "Mode Picking", "&Action", ""},
    {32836, "Animate", "&Action", ""},
    {32881, "Animate_mesh", "&Action", ""},
    {32891, "Play / Pause", "&Action", ""},
    {32890, "Pan Disable collides", "&Action", ""},
    {32802, "Test Facettes", "&Action", ""},
    {32819, "statistics", "&Action", ""},
    {32839, "Dump Scene", "&Action", ""},
    {40007, "Dump", "&Action", ""},
    {32790, "Object properties...", "&Display", ""},
    {32833, "Edit Object", "&Display", ""},
    {32830, "Viewpoints", "&Action", ""},
    {32889, "Focale", "&Display", ""},
    // View
    {33001, "View All", "View", "Home"},
    {32792, "Toggle Y Z axis", "View", ""},
    {32776, "Decrease", "View/Speed/Rotation", ""},
    {32777, "Increase", "View/Speed/Rotation", ""},
    {32778, "Decrease", "View/Speed/Translation", ""},
    {32779, "Increase", "View/Speed/Translation", ""},
    {32850, "Set Tree Transparency", "View", ""},
    // 3D modelling
    {32821, "cube", "3D Modelling/Solids", ""},
    {32822, "cylinder", "3D Modelling/Solids", ""},
    {32825, "cone", "3D Modelling/Solids", ""},
    {32835, "Extrude", "3D Modelling/Solids", ""},
    {32809, "Mesh", "3D Modelling", ""},
    {32824, "Mesh n*p", "3D Modelling", ""},
    {32834, "Rectangle", "3D Modelling", ""},
    {32866, "Triangle", "3D Modelling", ""},
    {32867, "Fractal", "3D Modelling", ""},
    {32851, "Terrain", "3D Modelling", ""},
    {32837, "Clouds_box", "3D Modelling", ""},
    {32880, "Mesh_Sphere", "3D Modelling", ""},
    {32852, "Loft", "3D Modelling", ""},
    {32888, "Panoramique", "3D Modelling", ""},
    {32854, "2D Polygon", "3D Modelling", ""},
    {40006, "Extrude", "3D Modelling", ""},
    // 2D modelling
    {32855, "Points", "2D Modelling", ""},
    {32856, "Lines", "2D Modelling", ""},
    {32873, "Polylines", "2D Modelling", ""},
    {32868, "Circle", "2D Modelling", ""},
    {40009, "Arc", "2D Modelling", ""},
    {32869, "Ellipse", "2D Modelling", ""},
    {32857, "Splines", "2D Modelling", ""},
    {32858, "Rectangle", "2D Modelling", ""},
    {32874, "Spline 3D", "2D Modelling", ""},
    {32871, "Picture", "2D Modelling", ""},
    {32870, "Clear", "2D Modelling", ""},
    {32872, "Options", "2D Modelling", ""},
    // Transform
    {32775, "Center", "Transform", ""},
    {32826, "Objects", "Transform", ""},
    {32827, "Map Picture on Mesh", "Transform", ""},
    // Texture
    {32794, "&Edit...", "Texture", ""},
    {40001, "Filter", "Texture", ""},
    {32814, "Texture Mipmap Linear", "Texture", ""},
    {32838, "Reverse Texture", "Texture", ""},
    {32882, "Texture_Fit", "Texture", ""},
    // Sounds
    {32877, "Play", "Sounds", ""},
    // Help
    {57664, "&About quorvel...", "&?", ""},
    // Toolbar buttons without a menu item.
    {32878, "", "", ""},
    {57635, "Cu&t", "", ""},
    {57634, "&Copy", "", ""},
    {57637, "&Paste", "", ""},
    {32863, "", "", ""},
    {32864, "", "", ""},
    {32865, "", "", ""},
    {32883, "", "", ""},
    {32884, "", "", ""},
};

// A table or an action list that names an id twice would have one entry
// silently override the other: the program refuses to start instead.
[[noreturn]] void duplicate_id(int id, const char* where)
{
    std::fprintf(stderr, "quorvel: command %d appears twice in %s\n", id, where);
    std::abort();
}

std::vector<Command> build_table()
{
    if (int id = first_duplicate_command_id()) duplicate_id(id, "the command lists");
    std::unordered_map<int, CommandImpl> impls;
    for (auto list : command_impl_lists())
        for (const CommandImpl& c : list) impls[c.id] = c;
    std::vector<Command> table;
    table.reserve(std::size(k_texts));
    for (const CommandText& t : k_texts) {
        Command c{t.id, t.text, t.menu, t.shortcut, nullptr, nullptr};
        auto it = impls.find(t.id);
        if (it != impls.end()) {
            c.run = it->second.run;
            c.update = it->second.update;
        }
        table.push_back(c);
    }
    for (const CommandEdit& e : scene_edit_commands())
        for (Command& c : table)
            if (c.id == e.id) c.edits = e.edits;
    return table;
}
} // namespace

std::vector<std::span<const CommandImpl>> command_impl_lists()
{
    return {view_command_impls(), model_command_impls(), board_command_impls(), dialog_command_impls()};
}

int first_duplicate_id(const std::vector<std::span<const CommandImpl>>& lists)
{
    std::unordered_set<int> seen;
    for (auto list : lists)
        for (const CommandImpl& c : list)
            if (!seen.insert(c.id).second) return c.id;
    return 0;
}

int first_duplicate_command_id()
{
    std::unordered_set<int> texts;
    for (const CommandText& t : k_texts)
        if (!texts.insert(t.id).second) return t.id;
    return first_duplicate_id(command_impl_lists());
}

const std::vector<Command>& command_table()
{
    static const std::vector<Command> table = build_table();
    return table;
}

const Command* find_command(int id)
{
    for (const Command& c : command_table())
        if (c.id == id) return &c;
    return nullptr;
}

bool run_command(ViewBehaviour& v, int id)
{
    const Command* c = find_command(id);
    if (!c) return false;
    if (!c->run) return true;
    const SCENE3D* before = v.scene();
    const int count = before ? before->nbobjects : 0;
    // The scene-changed flag is watched from clear for the command alone.
    const int marker = v.doc().m_modified;
    v.doc().m_modified = 0;
    c->run(v);
    const bool raised = v.doc().m_modified != 0;
    v.doc().m_modified |= marker;
    const bool same_scene = v.scene() == before && before;
    if (same_scene && (c->edits == SceneEdit::Always ||
                       (c->edits == SceneEdit::IfChanged && (raised || before->nbobjects != count))))
        v.doc().SetModifiedFlag();
    // The object editor lists the scene's objects: a command that added
    // some (the generators) has it read the scene again.
    if (same_scene && before->nbobjects > count) v.host().refresh_modeless("Object Editor");
    return true;
}

CommandState command_state(ViewBehaviour& v, int id)
{
    const Command* c = find_command(id);
    if (!c) return CommandState{false, false};
    if (!c->run) return CommandState{false, false};
    return c->update ? c->update(v) : CommandState{};
}
