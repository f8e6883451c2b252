// GL texture objects: power-of-two resampling, filters, drawing with and
// without a usable texture slot.
#include <gtest/gtest.h>

#include <cstring>

#include "gl_fixture.h"
#include "image/texture.h"
#include "render/textures.h"
#include "scene/glconst.h"
#include "support/recorder.h"

namespace {
CTexture* solid_texture(int w, int h, int depth, unsigned char r, unsigned char g, unsigned char b)
{
    CTexture* t = new CTexture();
    EXPECT_TRUE(t->Alloc(w, h, depth));
    const int bpp = depth / 8;
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            unsigned char* p = t->data + (size_t)y * t->widthbyte32 + (size_t)x * bpp;
            p[0] = r;
            p[1] = g;
            p[2] = b;
            if (bpp == 4) p[3] = 255;
        }
    return t;
}
GLint level0(GLenum what)
{
    GLint v = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, what, &v);
    return v;
}
GLint min_filter()
{
    GLint v = -1;
    glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &v);
    return v;
}
OBJECT3D* textured_square(int texture_index)
{
    OBJECT3D* o = make_square(-5, -5, 5, 5);
    o->texvertex = new TexVertex[4]{{0, 0}, {1, 0}, {1, 1}, {0, 1}};
    o->nbtexvertex = 4;
    o->texindex = new int32_t[5]{0, 1, 2, 3, -1};
    o->m_texture = new int32_t(texture_index);
    o->m_texture_mode = 1;
    return o;
}
} // namespace

TEST(Textures, NonPowerOfTwoImagesAreResampledOnceAndUploadedWithMipmaps)
{
    ASSERT_TRUE(prepare_gl(16, 16));
    SCENE3D scene;
    scene.m_textures.push_back(solid_texture(300, 200, 24, 200, 10, 10));
    scene.m_textures.push_back(solid_texture(256, 256, 24, 1, 2, 3));
    scene.m_textures.push_back(solid_texture(5, 1, 32, 9, 9, 9));
    scene.m_textures.push_back(solid_texture(4096, 2, 24, 5, 6, 7));   // large power of two: kept as is
    unsigned char* kept = scene.m_textures[1]->data;
    scene.add_object(make_square(0, 0, 1, 1));
    ASSERT_EQ(BuildTextures(scene), 1);
    ASSERT_EQ(scene.m_nb_texture_names, 4);
    CTexture* t0 = GetTexture(scene, 0);
    EXPECT_EQ(t0->GetWidth(), 512);
    EXPECT_EQ(t0->GetHeight(), 256);
    EXPECT_EQ(t0->data[0], 200);   // resampled, same colour
    EXPECT_EQ(GetTexture(scene, 1)->data, kept);
    EXPECT_EQ(GetTexture(scene, 2)->GetWidth(), 8);
    EXPECT_EQ(GetTexture(scene, 2)->GetHeight(), 2);
    EXPECT_EQ(GetTexture(scene, 3)->GetWidth(), 4096);
    EXPECT_EQ(GetTexture(scene, 3)->GetHeight(), 2);
    EXPECT_EQ(GetTexture(scene, 3)->data[0], 5);
    EXPECT_EQ(GetTexture(scene, 4), nullptr);
    EXPECT_EQ(GetTexture(scene, -1), nullptr);

    glBindTexture(GL_TEXTURE_2D, scene.m_texture_names[0]);
    EXPECT_EQ(level0(GL_TEXTURE_WIDTH), 512);
    EXPECT_EQ(level0(GL_TEXTURE_HEIGHT), 256);
    GLint w9 = -1;
    glGetTexLevelParameteriv(GL_TEXTURE_2D, 9, GL_TEXTURE_WIDTH, &w9);
    EXPECT_EQ(w9, 1);   // a full mipmap chain
    EXPECT_EQ(min_filter(), GL_LINEAR_MIPMAP_LINEAR);

    // A second build recreates the names; the images are not resampled again.
    unsigned char* resampled = t0->data;
    scene.m_min_filter = glc::LINEAR;
    ASSERT_EQ(BuildTextures(scene), 1);
    EXPECT_EQ(GetTexture(scene, 0)->data, resampled);
    glBindTexture(GL_TEXTURE_2D, scene.m_texture_names[0]);
    EXPECT_EQ(min_filter(), GL_LINEAR);
    glBindTexture(GL_TEXTURE_2D, scene.m_texture_names[2]);
    EXPECT_EQ(min_filter(), GL_LINEAR_MIPMAP_LINEAR);   // RGBA keeps mipmaps
    glBindTexture(GL_TEXTURE_2D, 0);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}

TEST(Textures, ObjectsDrawWithTheirTextureAndABadSlotDrawsUntextured)
{
    ASSERT_TRUE(prepare_gl(32, 32));
    SCENE3D scene;
    // Mostly blue image.
    scene.m_textures.push_back(solid_texture(4, 4, 24, 0, 0, 255));
    OBJECT3D* good = textured_square(0);
    scene.add_object(good);
    ASSERT_EQ(BuildTextures(scene), 1);
    GlView v;
    setup_view(v, &scene, 32, 32);
    PaintView(v);
    Rgb c = read_pixel(16, 16);
    EXPECT_EQ(c.r, 0);
    EXPECT_GT(c.b, 60);

    *good->m_texture = 7;   // no such texture: drawn untextured (white material)
    PaintView(v);
    c = read_pixel(16, 16);
    EXPECT_GT(c.r, 60);
    EXPECT_EQ(c.r, c.b);
    good->m_texture_mode = -1;
    *good->m_texture = 0;
    PaintView(v);
    Rgb untextured = read_pixel(16, 16);
    EXPECT_EQ(untextured, c);
    EXPECT_EQ(glGetError(), (GLenum)GL_NO_ERROR);
}
