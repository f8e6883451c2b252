#include "render/textures.h"

#include <GL/gl.h>
#include <GL/glu.h>

#include <algorithm>
#include <new>
#include <string>
#include <vector>

#include "image/texture.h"
#include "render/display_list.h"
#include "scene/compile_prep.h"
#include "base/report.h"
#include "scene/scene3d.h"

CTexture* GetTexture(SCENE3D& scene, int k) { return scene.get_texture(k); }

int UploadTexture(SCENE3D& scene, int k)
{
    CTexture* t = scene.get_texture(k);
    if (!t || !t->GetData() || t->GetWidth() <= 0 || t->GetHeight() <= 0) return 1;
    if (!scene.m_texture_names) return 1;
    const bool alpha = t->HasAlpha();
    const int d = alpha ? 32 : 24;
    if (!alpha && t->depth != 24) return 1;   // neither RGB nor RGBA: nothing GL can take
    const GLenum fmt = alpha ? GL_RGBA : GL_RGB;

    glBindTexture(GL_TEXTURE_2D, scene.m_texture_names[k]);
    // Image rows are padded to four bytes: the GL default alignment.
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 4);
    if (!t->IsPowerOf2Size()) {
        const int w = t->GetWidth(), h = t->GetHeight();
        const int nw = CTexture::NextPowerOf2(w), nh = CTexture::NextPowerOf2(h);
        const size_t pitch = CTexture::ComputeWidthByte32((unsigned)nw, (unsigned)d);
        unsigned char* block = new (std::nothrow) unsigned char[pitch * (size_t)nh];
        if (!block) {
            if (!alpha) MessageBox("pData Texture non NULL");
            return 1;
        }
        if (gluScaleImage(fmt, w, h, GL_UNSIGNED_BYTE, t->GetData(), nw, nh, GL_UNSIGNED_BYTE,
                          block) != 0) {
            delete[] block;
            return 1;
        }
        t->Attach(block, nw, nh, d);
        t->UpdateHeader();
        t->data_size = (int32_t)(pitch * (size_t)nh);
    }
    // Images read from BMP, PNG and GIF files hold their rows bottom first
    // in blue-green-red order; GL gets them as the JPEG ones (top first, red
    // first) so that all kinds show the same way with the same texture
    // coordinates.
    std::vector<unsigned char> upload;
    const unsigned char* pixels = t->GetData();
    if (t->IsDibOrdered()) {
        const int w = t->GetWidth(), h = t->GetHeight(), bpp = d / 8;
        const size_t pitch = CTexture::ComputeWidthByte32((unsigned)w, (unsigned)d);
        upload.resize(pitch * (size_t)h);
        for (int y = 0; y < h; ++y) {
            const unsigned char* src = pixels + (size_t)(h - 1 - y) * pitch;
            unsigned char* dst = upload.data() + (size_t)y * pitch;
            for (int x = 0; x < w; ++x, src += bpp, dst += bpp) {
                dst[0] = src[2];
                dst[1] = src[1];
                dst[2] = src[0];
                if (bpp == 4) dst[3] = src[3];
            }
        }
        pixels = upload.data();
    }
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    alpha ? GL_LINEAR_MIPMAP_LINEAR : scene.m_min_filter);
    gluBuild2DMipmaps(GL_TEXTURE_2D, alpha ? 4 : 3, t->GetWidth(), t->GetHeight(), fmt,
                      GL_UNSIGNED_BYTE, pixels);
    return 1;
}


int PrepareSceneGL(SCENE3D& scene, bool lists_follow)
{
    if (scene.nbobjects <= 0) return 0;
    SetStatusText("Ready");
    if (scene.m_textured) {
        if (scene.m_texture_names) {
            if (scene.m_nb_texture_names > 0)
                glDeleteTextures((GLsizei)scene.m_nb_texture_names, scene.m_texture_names);
            delete[] scene.m_texture_names;
            scene.m_texture_names = nullptr;
            scene.m_nb_texture_names = 0;
        }
        const int n = (int)scene.m_textures.size();
        if (n > 0) {
            scene.m_texture_names = new unsigned[(size_t)n]();
            scene.m_nb_texture_names = n;
            glGenTextures((GLsizei)n, scene.m_texture_names);
            for (int k = 0; k < n; ++k) UploadTexture(scene, k);
            glBindTexture(GL_TEXTURE_2D, 0);
        }
    }
    order_objects_for_compile(scene);
    // The normals of the objects, on both cores: each object's are its own.
    const bool textured = scene.m_textured != 0;
    for_each_object_on_two_threads(scene, [textured, lists_follow](OBJECT3D& o) {
        // An untextured scene compiles bare geometry: no normals.
        PrepareList(o, textured && o.m_lighting, lists_follow);
    });
    return 1;
}

int CompileSceneLists(SCENE3D& scene)
{
    if (scene.nbobjects <= 0) return 0;
    // Whatever the lists were deferred for, they are made now (or, in a
    // frame of direct drawing, the objects are prepared for it).
    if (!direct_drawing()) scene.m_lists_deferred = 0;
    // An untextured scene compiles bare geometry.
    CompileLists(scene.m_objects, scene.nbobjects, !scene.m_textured);
    compute_scene_bounds(scene);
    scene.m_lists_built = 1;
    return 1;
}

int BuildTextures(SCENE3D& scene)
{
    if (!PrepareSceneGL(scene)) return 0;
    return CompileSceneLists(scene);
}

int BuildTexturesForFirstFrame(SCENE3D& scene)
{
    int r;
    {
        DirectDrawing direct(true);
        r = PrepareSceneGL(scene, true) ? CompileSceneLists(scene) : 0;
    }
    if (r) scene.m_lists_deferred = 1;
    return r;
}

int CompileDeferredLists(SCENE3D& scene)
{
    if (!scene.m_lists_deferred) return 0;
    DirectDrawing lists(false);
    // The textures, the order and the pick numbers are those of the first
    // frame; only the normals and the lists are made.
    const bool textured = scene.m_textured != 0;
    for_each_object_on_two_threads(scene, [textured](OBJECT3D& o) {
        // Vertex normals made for the first frame (smoothed objects) are
        // those of the lists: made again, they would be summed twice.
        if (!o.m_vertex_normals) PrepareList(o, textured && o.m_lighting);
    });
    return CompileSceneLists(scene);
}

unsigned object_texture_name(const SCENE3D& scene, int i)
{
    const OBJECT3D* o = (i >= 0 && i < scene.m_capacity) ? scene.m_objects[i] : nullptr;
    if (!o || o->m_texture_mode == -1 || !o->m_texture || !scene.m_texture_names) return 0;
    int k = *o->m_texture;
    if (k < 0 || k >= scene.m_nb_texture_names) return 0;
    return scene.m_texture_names[k];
}
