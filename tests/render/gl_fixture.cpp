#include "gl_fixture.h"

#include <ostream>

HeadlessGL& test_gl()
{
    static HeadlessGL gl;
    return gl;
}

::testing::AssertionResult prepare_gl(int w, int h)
{
    HeadlessGL& gl = test_gl();
    if (!gl.valid() && !gl.create(w, h))
        return ::testing::AssertionFailure() << "no off-screen GL context: " << gl.error();
    if (!gl.make_current()) return ::testing::AssertionFailure() << "context cannot be made current";
    if (!gl.resize(w, h)) return ::testing::AssertionFailure() << "framebuffer resize failed: " << gl.error();
    while (glGetError() != GL_NO_ERROR) {
    }
    InitGlobalState(0.f, 0.f, 0.f);
    for (int k = 1; k < 8; ++k) glDisable((GLenum)(GL_LIGHT0 + k));
    glDisable(GL_FOG);
    glDisable(GL_TEXTURE_2D);
    glPolygonMode(GL_FRONT_AND_BACK, GL_FILL);
    return ::testing::AssertionSuccess();
}

Rgb read_pixel(int x, int y)
{
    GLubyte px[4] = {0, 0, 0, 0};
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(x, y, 1, 1, GL_RGBA, GL_UNSIGNED_BYTE, px);
    return Rgb{px[0], px[1], px[2]};
}

int count_pixels(int x0, int y0, int x1, int y1, const std::function<bool(const Rgb&)>& pred)
{
    int n = 0;
    for (int x = x0; x < x1; ++x)
        for (int y = y0; y < y1; ++y) n += pred(read_pixel(x, y)) ? 1 : 0;
    return n;
}

std::ostream& operator<<(std::ostream& os, const Rgb& c)
{
    return os << "(" << c.r << ", " << c.g << ", " << c.b << ")";
}

OBJECT3D* make_mesh(std::initializer_list<Vec3> vertices, std::initializer_list<int> index, const char* name)
{
    OBJECT3D* o = new OBJECT3D();
    o->m_name = name;
    o->nbpts = (int)vertices.size();
    o->m_vertices = new Vec3[vertices.size()];
    int i = 0;
    for (const Vec3& v : vertices) o->m_vertices[i++] = v;
    o->nbindex = (int)index.size();
    o->m_index = new int32_t[index.size()];
    i = 0;
    o->nbface = 0;
    for (int k : index) {
        o->m_index[i++] = k;
        if (k == -1) ++o->nbface;
    }
    o->compute_bounds();
    o->compute_center();
    return o;
}

OBJECT3D* make_square(float x0, float y0, float x1, float y1, float z, const char* name)
{
    return make_mesh({Vec3(x0, y0, z), Vec3(x1, y0, z), Vec3(x1, y1, z), Vec3(x0, y1, z)}, {0, 1, 2, 3, -1},
                     name);
}

void setup_view(GlView& v, SCENE3D* scene, int w, int h)
{
    v.scene = scene;
    v.clear_rgb[0] = v.clear_rgb[1] = v.clear_rgb[2] = 0.f;
    ResetCamera(v);
    ResizeView(v, w, h);
}
