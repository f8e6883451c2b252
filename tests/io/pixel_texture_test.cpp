// Images written in scene files: pixels in every component count, decimal
// or hexadecimal; images that do not hold what they announce are refused
// with their line; see-through images are ordered with transparent objects.
#include <gtest/gtest.h>

#include "image/texture.h"
#include "io/vrml_pixel_texture.h"
#include "io/vrml_tree.h"
#include "scene/compile_prep.h"
#include "vrml_test_util.h"

namespace {
const std::string k_v2 = "#VRML V2.0 utf8\n";

vrml::VField image_field(std::vector<std::string> words)
{
    vrml::VField f;
    f.name = "image";
    f.words = std::move(words);
    return f;
}

// Red, green, blue (and alpha) of pixel (x, y) counted from the top row.
std::vector<int> px(const CTexture& t, int x, int y)
{
    const unsigned char* p = t.data + (size_t)y * t.widthbyte32 + (size_t)x * (t.depth / 8);
    std::vector<int> r{p[0], p[1], p[2]};
    if (t.depth == 32) r.push_back(p[3]);
    return r;
}

std::string quad_with(const std::string& texture, const std::string& x0 = "0")
{
    return "Shape { appearance Appearance { texture " + texture +
           " } geometry IndexedFaceSet { coord Coordinate { point [ " + x0 + " 0 0, 1 0 0, 1 1 0, " + x0 +
           " 1 0 ] } coordIndex [ 0 1 2 3 -1 ] } }\n";
}

struct PixelTextureFile : VrmlLoad {};
} // namespace

TEST(PixelImage, ComponentsRowsAndNumberForms)
{
    std::string why;
    // The first pixel is the bottom-left one; the block holds the top row first.
    std::unique_ptr<CTexture> rgb(vrml::pixel_image(image_field({"2", "2", "3", "0xFF0000", "0x00FF00", "255", "0XFFFFFF"}), why));
    ASSERT_NE(rgb, nullptr) << why;
    EXPECT_EQ(rgb->depth, 24);
    EXPECT_EQ(px(*rgb, 0, 1), (std::vector<int>{255, 0, 0}));
    EXPECT_EQ(px(*rgb, 1, 1), (std::vector<int>{0, 255, 0}));
    EXPECT_EQ(px(*rgb, 0, 0), (std::vector<int>{0, 0, 255}));
    EXPECT_EQ(px(*rgb, 1, 0), (std::vector<int>{255, 255, 255}));
    EXPECT_FALSE(rgb->texel_alpha);

    std::unique_ptr<CTexture> grey(vrml::pixel_image(image_field({"1", "1", "1", "0x80"}), why));
    ASSERT_NE(grey, nullptr);
    EXPECT_EQ(px(*grey, 0, 0), (std::vector<int>{128, 128, 128}));
    std::unique_ptr<CTexture> ga(vrml::pixel_image(image_field({"1", "1", "2", "0x4020"}), why));
    ASSERT_NE(ga, nullptr);
    EXPECT_EQ(px(*ga, 0, 0), (std::vector<int>{64, 64, 64, 32}));
    EXPECT_TRUE(ga->texel_alpha);
    std::unique_ptr<CTexture> rgba(vrml::pixel_image(image_field({"1", "1", "4", "4278190335"}), why));   // 0xFF0000FF
    ASSERT_NE(rgba, nullptr);
    EXPECT_EQ(px(*rgba, 0, 0), (std::vector<int>{255, 0, 0, 255}));
    // Extra pixels are left over without harm.
    std::unique_ptr<CTexture> extra(vrml::pixel_image(image_field({"1", "1", "3", "1", "2", "3"}), why));
    EXPECT_NE(extra, nullptr);
}

TEST(PixelImage, RefusalsSayWhy)
{
    std::string why;
    EXPECT_EQ(vrml::pixel_image(image_field({"0", "0", "0"}), why), nullptr);
    EXPECT_EQ(why, "");   // no image: nothing to say
    struct Case {
        std::vector<std::string> words;
        const char* why;
    } cases[] = {
        {{"2", "2", "3", "1", "2", "3"}, "3 pixels of 2 x 2"},
        {{"1", "1", "5", "1"}, "5 components (1 to 4)"},
        {{"1", "1", "0", "1"}, "0 components (1 to 4)"},
        {{"100000", "100000", "3"}, "100000 x 100000 pixels, more than an image may hold"},
        {{"1", "1", "3", "0xZZ"}, "pixel 1 is not a whole number"},
        {{"1", "1", "3", "0x100000000"}, "pixel 1 is not a whole number"},
        {{"two", "1", "3", "1"}, "its width, height and components are not whole numbers"},
        {{"1", "1"}, "the image has no width, height and components"},
    };
    for (const Case& c : cases) {
        EXPECT_EQ(vrml::pixel_image(image_field(c.words), why), nullptr) << c.why;
        EXPECT_EQ(why, c.why);
    }
}

TEST_F(PixelTextureFile, ShortImagesAreRefusedWithTheirLine)
{
    std::string text = k_v2 + "\n" + quad_with("PixelTexture {\n image 2 2 3 0xFF0000 0x00FF00 0x0000FF }") +
                       quad_with("PixelTexture { image 1 1 3 0x123456 }", "2");
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_EQ(s.nbobjects, 2);
    EXPECT_EQ(s.m_not_read, (std::vector<std::string>{"PixelTexture at line 4: 3 pixels of 2 x 2; not read"}));
    ASSERT_EQ(s.m_textures.size(), 1u);   // only the good one
    EXPECT_EQ(s.m_objects[0]->m_texture_mode, -1);
    ASSERT_NE(s.m_objects[1]->m_texture, nullptr);
    EXPECT_EQ(*s.m_objects[1]->m_texture, 0);
    EXPECT_EQ(px(*s.m_textures[0], 0, 0), (std::vector<int>{0x12, 0x34, 0x56}));
}

TEST_F(PixelTextureFile, SharedImagesAreOneTextureAndVrml1ImagesAreRead)
{
    std::string text = k_v2 + quad_with("DEF P PixelTexture { image 1 1 3 0xFF00FF }") + quad_with("USE P", "3");
    ASSERT_EQ(load_text(s, text), 1);
    EXPECT_EQ(s.m_textures.size(), 1u);
    EXPECT_EQ(*s.m_objects[0]->m_texture, *s.m_objects[1]->m_texture);

    SCENE3D s1;
    ASSERT_EQ(load_text(s1, "#VRML V1.0 ascii\nSeparator { Texture2 { image 2 1 1 0x00 0xFF }\n"
                            " Coordinate3 { point [ 0 0 0, 1 0 0, 1 1 0 ] } IndexedFaceSet { coordIndex [ 0 1 2 -1 ] } }\n"),
              1);
    ASSERT_EQ(s1.m_textures.size(), 1u);
    EXPECT_EQ(px(*s1.m_textures[0], 1, 0), (std::vector<int>{255, 255, 255}));
    EXPECT_TRUE(s1.m_not_read.empty());
}

TEST_F(PixelTextureFile, SeeThroughImagesAreOrderedWithTransparentObjects)
{
    std::string text = k_v2 + quad_with("PixelTexture { image 1 1 4 0xFF000080 }") +
                       quad_with("PixelTexture { image 1 1 3 0x00FF00 }", "2") +
                       "Shape { geometry Box { } }\n";
    ASSERT_EQ(load_text(s, text), 1);
    ASSERT_EQ(s.nbobjects, 3);
    OBJECT3D* see_through = s.m_objects[0];
    EXPECT_TRUE(has_texel_alpha(s, *see_through));
    EXPECT_FALSE(has_texel_alpha(s, *s.m_objects[1]));
    order_objects_for_compile(s);
    EXPECT_EQ(s.m_objects[2], see_through);
    EXPECT_EQ(see_through->m_pick_id, 2);
}
