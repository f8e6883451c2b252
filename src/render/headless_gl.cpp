#include "render/headless_gl.h"

#include <EGL/egl.h>
#include <EGL/eglext.h>
#include <GL/gl.h>
#include <GL/glext.h>

namespace {
struct FboProcs {
    PFNGLGENFRAMEBUFFERSPROC gen_fb = nullptr;
    PFNGLDELETEFRAMEBUFFERSPROC del_fb = nullptr;
    PFNGLBINDFRAMEBUFFERPROC bind_fb = nullptr;
    PFNGLGENRENDERBUFFERSPROC gen_rb = nullptr;
    PFNGLDELETERENDERBUFFERSPROC del_rb = nullptr;
    PFNGLBINDRENDERBUFFERPROC bind_rb = nullptr;
    PFNGLRENDERBUFFERSTORAGEPROC rb_storage = nullptr;
    PFNGLFRAMEBUFFERRENDERBUFFERPROC fb_rb = nullptr;
    PFNGLCHECKFRAMEBUFFERSTATUSPROC check = nullptr;

    bool load()
    {
        gen_fb = (PFNGLGENFRAMEBUFFERSPROC)eglGetProcAddress("glGenFramebuffers");
        del_fb = (PFNGLDELETEFRAMEBUFFERSPROC)eglGetProcAddress("glDeleteFramebuffers");
        bind_fb = (PFNGLBINDFRAMEBUFFERPROC)eglGetProcAddress("glBindFramebuffer");
        gen_rb = (PFNGLGENRENDERBUFFERSPROC)eglGetProcAddress("glGenRenderbuffers");
        del_rb = (PFNGLDELETERENDERBUFFERSPROC)eglGetProcAddress("glDeleteRenderbuffers");
        bind_rb = (PFNGLBINDRENDERBUFFERPROC)eglGetProcAddress("glBindRenderbuffer");
        rb_storage = (PFNGLRENDERBUFFERSTORAGEPROC)eglGetProcAddress("glRenderbufferStorage");
        fb_rb = (PFNGLFRAMEBUFFERRENDERBUFFERPROC)eglGetProcAddress("glFramebufferRenderbuffer");
        check = (PFNGLCHECKFRAMEBUFFERSTATUSPROC)eglGetProcAddress("glCheckFramebufferStatus");
        return gen_fb && del_fb && bind_fb && gen_rb && del_rb && bind_rb && rb_storage && fb_rb && check;
    }
};
FboProcs g_fbo;
} // namespace

HeadlessGL::HeadlessGL() = default;

HeadlessGL::~HeadlessGL() { destroy(); }

void HeadlessGL::destroy()
{
    if (m_ctx) {
        EGLDisplay dpy = (EGLDisplay)m_display;
        eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, (EGLContext)m_ctx);
        free_fbo();
        eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, EGL_NO_CONTEXT);
        eglDestroyContext(dpy, (EGLContext)m_ctx);
        m_ctx = nullptr;
    }
    // The display is shared by every context of the process (EGL hands out
    // one handle per platform display): it is not terminated here.
    m_display = nullptr;
}

bool HeadlessGL::create(int w, int h)
{
    destroy();
    if (w <= 0 || h <= 0) {
        m_error = "invalid image size";
        return false;
    }
    auto get_platform_display =
        (PFNEGLGETPLATFORMDISPLAYEXTPROC)eglGetProcAddress("eglGetPlatformDisplayEXT");
    EGLDisplay dpy = EGL_NO_DISPLAY;
    if (get_platform_display)
        dpy = get_platform_display(EGL_PLATFORM_SURFACELESS_MESA, EGL_DEFAULT_DISPLAY, nullptr);
    if (dpy == EGL_NO_DISPLAY) {
        m_error = "no EGL surfaceless display (Mesa EGL is required)";
        return false;
    }
    EGLint major = 0, minor = 0;
    if (!eglInitialize(dpy, &major, &minor)) {
        m_error = "EGL initialisation failed";
        return false;
    }
    m_display = dpy;
    if (!eglBindAPI(EGL_OPENGL_API)) {
        m_error = "EGL has no desktop OpenGL";
        destroy();
        return false;
    }
    const EGLint cfg_attr[] = {EGL_RENDERABLE_TYPE, EGL_OPENGL_BIT, EGL_NONE};
    EGLConfig cfg = nullptr;
    EGLint n = 0;
    // Surfaceless contexts need no config; take one when offered.
    if (!eglChooseConfig(dpy, cfg_attr, &cfg, 1, &n) || n < 1) cfg = nullptr;
    const EGLint ctx_attr[] = {EGL_CONTEXT_OPENGL_PROFILE_MASK,
                               EGL_CONTEXT_OPENGL_COMPATIBILITY_PROFILE_BIT, EGL_NONE};
    EGLContext ctx = eglCreateContext(dpy, cfg, EGL_NO_CONTEXT, ctx_attr);
    if (ctx == EGL_NO_CONTEXT) ctx = eglCreateContext(dpy, cfg, EGL_NO_CONTEXT, nullptr);
    if (ctx == EGL_NO_CONTEXT) {
        m_error = "no OpenGL compatibility context could be created";
        destroy();
        return false;
    }
    m_ctx = ctx;
    if (!eglMakeCurrent(dpy, EGL_NO_SURFACE, EGL_NO_SURFACE, ctx)) {
        m_error = "the OpenGL context cannot be made current without a surface";
        destroy();
        return false;
    }
    if (!g_fbo.load()) {
        m_error = "framebuffer objects are not available";
        destroy();
        return false;
    }
    const char* r = (const char*)glGetString(GL_RENDERER);
    m_renderer = r ? r : "";
    if (!make_fbo(w, h)) {
        destroy();
        return false;
    }
    return true;
}

bool HeadlessGL::make_current()
{
    if (!m_ctx) return false;
    if (!eglMakeCurrent((EGLDisplay)m_display, EGL_NO_SURFACE, EGL_NO_SURFACE, (EGLContext)m_ctx))
        return false;
    g_fbo.bind_fb(GL_FRAMEBUFFER, m_fbo);
    return true;
}

bool HeadlessGL::resize(int w, int h)
{
    if (!m_ctx || w <= 0 || h <= 0) return false;
    if (w == m_w && h == m_h) return true;
    free_fbo();
    return make_fbo(w, h);
}

bool HeadlessGL::make_fbo(int w, int h)
{
    GLint max_rb = 0;
    glGetIntegerv(GL_MAX_RENDERBUFFER_SIZE, &max_rb);
    if (max_rb > 0 && (w > max_rb || h > max_rb)) {
        m_error = "image size too large for this OpenGL";
        return false;
    }
    g_fbo.gen_fb(1, &m_fbo);
    g_fbo.bind_fb(GL_FRAMEBUFFER, m_fbo);
    g_fbo.gen_rb(1, &m_color);
    g_fbo.bind_rb(GL_RENDERBUFFER, m_color);
    g_fbo.rb_storage(GL_RENDERBUFFER, GL_RGBA8, w, h);
    g_fbo.fb_rb(GL_FRAMEBUFFER, GL_COLOR_ATTACHMENT0, GL_RENDERBUFFER, m_color);
    g_fbo.gen_rb(1, &m_depth);
    g_fbo.bind_rb(GL_RENDERBUFFER, m_depth);
    g_fbo.rb_storage(GL_RENDERBUFFER, GL_DEPTH24_STENCIL8, w, h);
    g_fbo.fb_rb(GL_FRAMEBUFFER, GL_DEPTH_ATTACHMENT, GL_RENDERBUFFER, m_depth);
    g_fbo.fb_rb(GL_FRAMEBUFFER, GL_STENCIL_ATTACHMENT, GL_RENDERBUFFER, m_depth);
    if (g_fbo.check(GL_FRAMEBUFFER) != GL_FRAMEBUFFER_COMPLETE) {
        m_error = "the off-screen framebuffer is incomplete";
        free_fbo();
        return false;
    }
    glDrawBuffer(GL_COLOR_ATTACHMENT0);
    glReadBuffer(GL_COLOR_ATTACHMENT0);
    m_w = w;
    m_h = h;
    return true;
}

void HeadlessGL::free_fbo()
{
    if (!g_fbo.del_fb) return;
    if (m_fbo) {
        g_fbo.bind_fb(GL_FRAMEBUFFER, 0);
        g_fbo.del_fb(1, &m_fbo);
    }
    if (m_color) g_fbo.del_rb(1, &m_color);
    if (m_depth) g_fbo.del_rb(1, &m_depth);
    m_fbo = m_color = m_depth = 0;
    m_w = m_h = 0;
}

std::vector<uint8_t> read_frame_rgb(int w, int h)
{
    std::vector<uint8_t> px;
    if (w <= 0 || h <= 0) return px;
    px.resize((size_t)w * 3 * (size_t)h);
    GLint old_align = 4;
    glGetIntegerv(GL_PACK_ALIGNMENT, &old_align);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGB, GL_UNSIGNED_BYTE, px.data());
    glPixelStorei(GL_PACK_ALIGNMENT, old_align);
    return px;
}
