#include "view/view_support.h"

#include "render/gl_state.h"

HeadlessGL& view_test_gl(int w, int h)
{
    static HeadlessGL gl;
    if (!gl.valid()) {
        // A missing context is a failure, never a skip.
        EXPECT_TRUE(gl.create(w, h)) << gl.error();
    } else if (gl.width() != w || gl.height() != h) {
        // The framebuffer is remade in the shared context, whichever a
        // previous test left current.
        gl.make_current();
        EXPECT_TRUE(gl.resize(w, h));
    }
    gl.make_current();
    return gl;
}

TestView::TestView(bool with_scene, bool with_gl, int w, int h)
{
    if (with_scene) doc.OnNewDocument();
    host = std::make_unique<HeadlessHost>(with_gl ? &view_test_gl(w, h) : nullptr);
    host->m_exit_for_real = false;
    view = std::make_unique<ViewBehaviour>(doc, *host);
    host->attach(view.get());
    if (with_gl) {
        const float black[3] = {0.f, 0.f, 0.f};
        view->OnContextCreated(black);
        view->OnSize(w, h);
    }
}

OBJECT3D* TestView::add_square(float x0, float y0, float x1, float y1, float z)
{
    OBJECT3D* o = new OBJECT3D();
    o->nbpts = 4;
    o->m_vertices = new Vec3[4]{{x0, y0, z}, {x1, y0, z}, {x1, y1, z}, {x0, y1, z}};
    o->nbindex = 5;
    o->m_index = new int32_t[5]{0, 1, 2, 3, -1};
    o->nbface = 1;
    o->T_diffuseColor = new Vec3[1]{{0.2f, 0.4f, 0.6f}};
    o->m_nb_diffuse = o->nbmaterial = 1;
    o->compute_bounds();
    o->compute_center();
    scene().add_object(o);
    return o;
}
