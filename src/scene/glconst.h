// The few GL enumerants the scene model stores, without pulling GL headers
// into the core. Values are those of gl.h.
#pragma once

namespace glc {
constexpr int FRONT = 0x0404;
constexpr int BACK = 0x0405;
constexpr int FRONT_AND_BACK = 0x0408;
constexpr int POINT = 0x1B00;
constexpr int LINE = 0x1B01;
constexpr int FILL = 0x1B02;
constexpr int NEAREST = 0x2600;
constexpr int LINEAR = 0x2601;
constexpr int LINEAR_MIPMAP_LINEAR = 0x2703;
} // namespace glc

// Hooks the render layer installs so that the core can release GL objects
// it owns without depending on GL. Both are no-ops until installed.
struct GlHooks {
    void (*delete_list)(unsigned list) = nullptr;
    void (*delete_textures)(int n, const unsigned* names) = nullptr;
};
GlHooks& gl_hooks();
