// Which commands change the scene: they mark the document modified, so that
// the title shows it and nothing is dropped without a question.
#include "view/commands.h"

namespace {
const CommandEdit k_edits[] = {
    // Edits of the objects already there.
    {32775, SceneEdit::Always},      // Center
    {32802, SceneEdit::Always},      // Test Facettes
    {32813, SceneEdit::Always},      // Diffuse Color White
    {32827, SceneEdit::Always},      // Map Picture on Mesh
    {32838, SceneEdit::Always},      // Reverse Texture
    {32850, SceneEdit::Always},      // Set Tree Transparency
    // Generators: a dialog or chooser may be cancelled first.
    {32809, SceneEdit::IfChanged},   // Mesh
    {32821, SceneEdit::IfChanged},   // cube
    {32822, SceneEdit::IfChanged},   // cylinder
    {32825, SceneEdit::IfChanged},   // cone
    {32824, SceneEdit::IfChanged},   // Mesh n*p
    {32834, SceneEdit::IfChanged},   // Rectangle
    {32866, SceneEdit::IfChanged},   // Triangle
    {32867, SceneEdit::IfChanged},   // Fractal
    {32851, SceneEdit::IfChanged},   // Terrain
    {32837, SceneEdit::IfChanged},   // Clouds_box
    {32880, SceneEdit::IfChanged},   // Mesh_Sphere
    {32835, SceneEdit::IfChanged},   // Extrude
    {32852, SceneEdit::IfChanged},   // Loft
    {32888, SceneEdit::IfChanged},   // Panoramique
    {32874, SceneEdit::IfChanged},   // Spline 3D
    {40006, SceneEdit::IfChanged},   // Extrude (2D drawing)
};
} // namespace

std::span<const CommandEdit> scene_edit_commands() { return k_edits; }
