// Images written in the scene file itself (PixelTexture, Texture2 image):
// width, height, components (1 grey, 2 grey and alpha, 3 RGB, 4 RGBA),
// then one number per pixel, decimal or hexadecimal, from the bottom row up.
#pragma once
#include <string>

class CTexture;
class SCENE3D;

namespace vrml {

struct VField;

// The image of an image field, in the row and byte order of a decoded JPEG
// (top row first, red first; 24 bits, or 32 with alpha for 2 and 4
// components). Null when there is no image (a 0 x 0 one, `why` empty) or
// when it is refused (`why` says why: a pixel count short of width x
// height, a word that is not a number, sizes out of range).
CTexture* pixel_image(const VField& image, std::string& why);

// Adds the image of `image` to the scene's texture table under `key`
// (once: a key met again gives the same entry). The texture index, or -1
// with `why` set as above.
int add_pixel_texture(SCENE3D& scene, const VField& image, const std::string& key, std::string& why);

} // namespace vrml
