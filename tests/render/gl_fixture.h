// Shared helpers of the render tests: one off-screen GL context for the
// whole test binary (tests fail, never skip, when it cannot be made), and
// small meshes built in code.
#pragma once
#include <gtest/gtest.h>

#include <GL/gl.h>

#include <array>
#include <cstdint>
#include <functional>
#include <initializer_list>
#include <vector>

#include "render/frame.h"
#include "render/gl_state.h"
#include "render/headless_gl.h"
#include "scene/scene3d.h"

HeadlessGL& test_gl();

// Makes the shared context current at w x h with a black clear colour and
// the view's global state, lights 1..7 off.
::testing::AssertionResult prepare_gl(int w, int h);

struct Rgb {
    int r, g, b;
};
Rgb read_pixel(int x, int y);   // GL window coordinates (origin bottom-left)
inline bool operator==(const Rgb& a, const Rgb& b) { return a.r == b.r && a.g == b.g && a.b == b.b; }
std::ostream& operator<<(std::ostream& os, const Rgb& c);
// Pixels of the window rectangle [x0, x1) x [y0, y1) that satisfy pred;
// by default those that are not black.
int count_pixels(int x0, int y0, int x1, int y1,
                 const std::function<bool(const Rgb&)>& pred = [](const Rgb& c) { return c.r || c.g || c.b; });

// A mesh with the given vertices and index list (faces closed by -1).
OBJECT3D* make_mesh(std::initializer_list<Vec3> vertices, std::initializer_list<int> index,
                    const char* name = "");
// A square from (x0, y0) to (x1, y1) at depth z, one quad face.
OBJECT3D* make_square(float x0, float y0, float x1, float y1, float z = 0.f, const char* name = "");

// A view on the scene at w x h, camera reset, examine off.
void setup_view(GlView& v, SCENE3D* scene, int w, int h);
