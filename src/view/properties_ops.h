// "Properties": the values of the modeless object-properties dialog and the
// changes its controls make. One object and one light of the current scene
// are shown at a time, chosen by the index spin; every control that acts on
// object i or light i does nothing when i names none.
//
// The operations edit the scene only; the GL steps that follow them
// (lights sent again, textures uploaded again) are run by the caller in the
// view's context, see properties_gl_*.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "math/vec3.h"

class SCENE3D;
class OBJECT3D;
class CTexture;
class ViewHost;
class ViewBehaviour;

// Packed colours of the colour chooser: 0x00BBGGRR, red in the low byte.
uint32_t packed_colour(const Vec3& c);       // components x 255, truncated
Vec3 colour_of_packed(uint32_t packed);       // bytes / 255

// Every text of the dialog for index i. `valid` is false (and every field
// empty) when the scene has no object i.
struct PropertiesFields {
    bool valid = false;
    int spin_max = 0;                 // 1002: 0 .. count - 1
    std::string name;                 // 1000
    std::string nbpts, nbface, nbnormal;   // 1001, 1006, 1022
    std::string face_total;           // 1027
    std::string nbobjects;            // 1036
    std::string index;                // 1037
    std::vector<std::string> names;   // 1048
    std::string ambient, diffuse, specular;   // 1008, 1009, 1014
    uint32_t sw_ambient = 0, sw_diffuse = 0, sw_specular = 0;   // 1012, 1013, 1015
    bool has_light = false;
    std::string intensity;            // 1010
    std::string light_colour, light_location, light_direction;   // 1004, 1007, 1005
    uint32_t sw_light = 0;            // 1016
    std::string transparency;         // 1017
    std::string texture;              // 1019
    std::string box_x, box_y, box_z;  // 1023, 1024, 1025
};
PropertiesFields properties_fields(const SCENE3D* scene, int i);

// The texture image object i is drawn with, or null.
CTexture* object_texture(const SCENE3D& scene, int i);

enum class MaterialSlot { Ambient, Diffuse, Specular };
// Swatches 1012/1013/1015: material 0 of object i takes the colour and is
// compiled again at its next draw. 0 when object i has no points or no
// such list.
int set_material_colour(SCENE3D& scene, int i, MaterialSlot slot, uint32_t packed);
// Swatch 1016: colour of light i. 0 when the scene has no light i.
int set_light_colour(SCENE3D& scene, int i, uint32_t packed);
// Spin 1011 at position k: light i's intensity becomes k x 0.1.
int light_intensity(SCENE3D& scene, int i, int k);
// Spin 1029 at position k: the distance where the fog begins becomes
// k x 10 (the spin covers the fog range 0 .. 100).
void fog_from_spin(SCENE3D& scene, int k);

// "Update" (1018): every alpha of object i's texture becomes
// floor(t / 100 x 255) (an alpha layer is added when there is none) and
// the object's transparency t / 100. Returns the texture's index, or -1
// when nothing changed (no object i, no texture).
int apply_transparency(SCENE3D& scene, int i, int percent);
// "Arbre" (1030): tree cut-out at threshold t%: pixels whose mean is above
// 40 get alpha floor(t / 100 x 255), the others 0. Texture index or -1.
int tree_threshold(SCENE3D& scene, int i, int percent);
// Texture "Update" (1026): object i's texture becomes the file at `path`
// (found in the table or loaded); the object keeps the file name without
// its folder. Texture index, or -1 when nothing changed (no object i, or
// the file could not be read).
int change_texture(SCENE3D& scene, int i, const std::string& path);
// "Displayed Object" (1028): shown objects are compiled again, hidden ones
// are no longer drawn. 0 when there is no object i.
int set_displayed(SCENE3D& scene, int i, bool shown);

// Percent texts typed in 1017 and 1031 (C locale; a word that is not a
// number reads as 0, as the dialog's integer fields do). Clamped to 0..100
// so that the alpha stays a byte.
int percent_of_text(const std::string& text);

// GL steps after the changes above, run in the view's context when it has
// one; the view is redrawn in every case.
void properties_gl_lights(ViewHost& host, SCENE3D& scene);
void properties_gl_textures(ViewHost& host, SCENE3D& scene, int texture_index);
// Swatch 1020: the view's clear colour (alpha 1) becomes the colour.
void set_background(ViewBehaviour& view, uint32_t packed);
