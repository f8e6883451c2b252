// The one-line help of the menu items and toolbar buttons, shown on the
// status line while the item is highlighted. Kept apart from the menu texts
// and joined to them by id.
#include <unordered_map>

#include "view/commands.h"

namespace {
struct Prompt {
    int id;
    const char* text;
};

const Prompt k_prompts[] = {
    // File
    {57600, "Start a new, empty scene"},
    {57601, "Open a scene file"},
    {33003, "Empty the scene and read a binary scene file into it"},
    {32842, "Read a building outline or elevation grid file"},
    {32810, "Open a level-of-detail file (not available)"},
    {40008, "Open a scene from the Internet (not available)"},
    {57603, "Save the scene (not available: use Save as...)"},
    {57604, "Save the scene in the binary scene format under a new name"},
    {32796, "Save what the view shows as a BMP picture"},
    {33004, "Write the scene in another file format"},
    {57607, "Print what the view shows"},
    {57609, "Show the page as it will be printed"},
    {57608, "Print what the view shows on the current printer, without asking"},
    {57606, "Choose the printer, the paper and the margins"},
    {57665, "Quit the program"},
    // Display
    {32780, "Show the scene as wires, or as filled faces again"},
    {32784, "Shade each face with one colour"},
    {32786, "Shade faces smoothly across their edges"},
    {32787, "Switch the lighting on or off"},
    {32785, "Let the lighting tint the textures, or lay textures on unlit"},
    {32800, "Hide the textures, or show them again"},
    {32799, "Show the normal of every vertex"},
    {32804, "Fade distant objects into grey fog"},
    {32812, "Light both sides of each face, or the front side only"},
    {32813, "Make the first diffuse colour of every object white"},
    {32817, "Show the bounding box of every object"},
    {32818, "Hide the objects, or show them again"},
    {32841, "Turn the light with the mouse instead of the camera"},
    {32887, "Light properties switch"},
    {32886, "Shift the camera sideways for the other eye's picture"},
    {32885, "Set the display size to 1500 x 1500"},
    {32790, "Show the properties of an object"},
    {32833, "Edit an object: lists, mouse control and texture coordinates"},
    {32889, "Change the field of view"},
    // Action
    {32782, "Put the camera back at its starting place"},
    {32797, "Spin the scene continuously"},
    {32801, "Move forward continuously"},
    {32807, "Turn the scene about its own centre instead of walking through it"},
    {32795, "Right-click an object to show its name on the status line"},
    {32836, "Play the scene's camera path"},
    {32881, "Start the animation of the sea scene"},
    {32891, "Pause the scene's animations, or play them on"},
    {32890, "Let the camera pass through walls, or stop it at them"},
    {32802, "Check and mend the orientation of every face"},
    {32819, "Recompute the statistics of every object"},
    {32839, "Write a text listing of the scene to vrml.out"},
    {40007, "Write a text listing of the scene to vrml.out"},
    {32830, "Go to one of the scene's viewpoints"},
    // View
    {33001, "Move the camera so that the whole scene is seen"},
    {32792, "Swap the roles of the Y and Z axes for the mouse"},
    {32776, "Turn the scene more slowly"},
    {32777, "Turn the scene faster"},
    {32778, "Move through the scene more slowly"},
    {32779, "Move through the scene faster"},
    {32850, "Make the dark pixels of the tree texture transparent"},
    // 3D modelling
    {32821, "Add a cube"},
    {32822, "Add an open cylinder"},
    {32825, "Add an open cone"},
    {32835, "Extrude an object of the scene along a path"},
    {32809, "Add a flat grid of 100 x 100 points"},
    {32824, "Add a flat grid of a chosen number of points"},
    {32834, "Add a rectangle carrying a chosen picture"},
    {32866, "Add a triangle"},
    {32867, "Add a fractal relief"},
    {32851, "Add a terrain from an elevation picture"},
    {32837, "Add a box of clouds around the scene"},
    {32880, "Add the animated sea scene"},
    {32852, "Add a hull lofted through its sections"},
    {32888, "Add a panorama around the camera"},
    {32854, "Switch between the 3D scene and the 2D drawing board"},
    {40006, "Raise the shapes of the 2D board into a 3D wall"},
    // 2D modelling
    {32855, "Draw points on the board"},
    {32856, "Draw lines on the board"},
    {32873, "Draw polylines on the board"},
    {32868, "Draw circles on the board"},
    {40009, "Draw arcs on the board (not available)"},
    {32869, "Draw ellipses on the board (not available)"},
    {32857, "Draw splines on the board"},
    {32858, "Draw rectangles on the board"},
    {32874, "Build a spline patch from the last two shapes"},
    {32871, "Place a picture on the board"},
    {32870, "Remove every shape from the board"},
    {32872, "Board options: snap to the grid"},
    // Transform
    {32775, "Move every object so that its centre is at the origin"},
    {32826, "List the scene's objects"},
    {32827, "Project texture coordinates onto the 44th object"},
    // Texture
    {32794, "Open the image editor"},
    {40001, "Open the image editor to filter a picture"},
    {32814, "Smooth textures with mipmaps, or use plain linear filtering"},
    {32838, "Turn every texture upside down"},
    {32882, "Edit an object's texture coordinates"},
    // Sounds
    {32877, "Open the sound device"},
    // Help
    {57664, "Show the program's version"},
    // Toolbar buttons
    {32878, "No action"},
    {57635, "Cut (not available)"},
    {57634, "Copy (not available)"},
    {57637, "Paste (not available)"},
    {32863, "Not available"},
    {32864, "Not available"},
    {32865, "Not available"},
    {32883, "Not available"},
    {32884, "Not available"},
};
} // namespace

const char* command_prompt(int id)
{
    static const std::unordered_map<int, const char*> by_id = [] {
        std::unordered_map<int, const char*> m;
        for (const Prompt& p : k_prompts) m.emplace(p.id, p.text);
        return m;
    }();
    auto it = by_id.find(id);
    return it == by_id.end() ? "" : it->second;
}
