// Pixel operations of CTexture that change the image in place.
#include <cstring>
#include <new>

#include "image/texture.h"
#include "base/report.h"

int CTexture::Extract(int x0, int y0, int x1, int y1)
{
    if (x1 == -1) x1 = width - 1;
    if (y1 == -1) y1 = height - 1;
    if (!data || (depth != 24 && depth != 32)) return 0;
    if (!(x0 < x1 && y0 < y1 && x0 >= 0 && x0 < width && x1 >= 0 && x1 < width && y0 >= 0 &&
          y0 < height && y1 >= 0 && y1 < height))
        return 0;
    const int W = x1 - x0 + 1, H = y1 - y0 + 1;
    const size_t b = (size_t)depth / 8;
    const size_t R = ComputeWidthByte32((unsigned)W, (unsigned)depth);
    const size_t old_pitch = ComputeWidthByte32((unsigned)width, (unsigned)depth);
    Trace("** Start extracting...\n");
    Trace("** New width : %d\n", W);
    Trace("** New height : %d\n", H);
    unsigned char* block = new (std::nothrow) unsigned char[R * (size_t)H]();
    if (!block) {
        MessageBox("Insuffisant memory");
        return 0;
    }
    for (int i = 0; i < H; ++i) {
        const unsigned char* src = data + (size_t)(height - 1 - (y0 + i)) * old_pitch + (size_t)x0 * b;
        std::memcpy(block + (size_t)i * R, src, (size_t)W * b);
    }
    adopt(block, W, H, depth);
    return 1;
}

int CTexture::DuplicateMirror(int x0, int y0, int x1, int y1)
{
    if (!Extract(x0, y0, x1, y1)) return 0;
    const int W = width, H = height;
    const size_t b = (size_t)depth / 8;
    const size_t R = widthbyte32;
    const size_t R2 = ComputeWidthByte32((unsigned)(2 * W), (unsigned)depth);
    Trace("** Start duplicate mirror...\n");
    Trace("** New width : %d\n", 2 * W);
    Trace("** New widthbyte32 : %d\n", (int)R2);
    Trace("** New height : %d\n", 2 * H);
    unsigned char* block = new (std::nothrow) unsigned char[R2 * 2 * (size_t)H]();
    if (!block) {
        MessageBox("Insuffisant memory");
        return 0;
    }
    for (int i = 0; i < 2 * H; ++i) {
        const unsigned char* e = data + (size_t)(i < H ? H - 1 - i : i - H) * R;
        unsigned char* n = block + (size_t)i * R2;
        for (int j = 0; j < 2 * W; ++j) {
            const int sj = j < W ? j : 2 * W - 1 - j;
            std::memcpy(n + (size_t)j * b, e + (size_t)sj * b, b);
        }
    }
    adopt(block, 2 * W, 2 * H, depth);
    return 1;
}

int CTexture::AddAlphaLayer(int alpha)
{
    if (!IsValid()) return 0;
    if (depth == 32) return SetAlpha(alpha);
    const size_t pitch = ComputeWidthByte32((unsigned)width, 24);
    unsigned char* block = new (std::nothrow) unsigned char[(size_t)width * 4 * (size_t)height];
    if (!block) {
        MessageBox("CTexture::AddAlphaLayer : unsuffisant memory");
        return 0;
    }
    for (int y = 0; y < height; ++y) {
        const unsigned char* s = data + (size_t)y * pitch;
        unsigned char* d = block + (size_t)y * (size_t)width * 4;
        for (int x = 0; x < width; ++x) {
            d[4 * x] = s[3 * x];
            d[4 * x + 1] = s[3 * x + 1];
            d[4 * x + 2] = s[3 * x + 2];
            d[4 * x + 3] = (unsigned char)alpha;
        }
    }
    adopt(block, width, height, 32);
    return 1;
}

int CTexture::SetAlpha(int alpha)
{
    if (!IsValid() || depth != 32) return 0;
    const size_t n = (size_t)width * (size_t)height;
    for (size_t i = 0; i < n; ++i) data[4 * i + 3] = (unsigned char)alpha;
    return 1;
}

int CTexture::SetAlphaThreshold(int alpha)
{
    if (!IsValid() || depth != 32) return 0;
    const size_t n = (size_t)width * (size_t)height;
    for (size_t i = 0; i < n; ++i) {
        unsigned char* p = data + 4 * i;
        const int m = (p[0] + p[1] + p[2]) / 3;
        p[3] = m > 40 ? (unsigned char)alpha : 0;
    }
    return 1;
}

int CTexture::FilterImage()
{
    if (!IsValid() || depth != 24) return 0;
    static const int K[3][3] = {{1, 0, 1}, {0, 1, 0}, {1, 0, 1}};
    const size_t pitch = ComputeWidthByte32((unsigned)width, 24);
    auto px = [&](int x, int y) { return data + (size_t)y * pitch + (size_t)x * 3; };
    for (int y = 1; y < height - 2; ++y) {
        for (int x = 1; x < width - 2; ++x) {
            unsigned char* p = px(x, y);
            p[0] = p[1] = 0;
            double sum = 0.0;
            for (int dy = 0; dy < 3; ++dy)
                for (int dx = 0; dx < 3; ++dx) sum += K[dy][dx] * px(x + dx, y + dy)[2];
            p[2] = (unsigned char)(int)(sum / 9.0);
            p[0] = p[2];
            p[1] = p[0];
        }
    }
    return 1;
}

int CTexture::MakeBlackAndWhite()
{
    if (!IsValid() || depth != 24) return 0;
    const size_t pitch = ComputeWidthByte32((unsigned)width, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* p = data + (size_t)y * pitch + (size_t)x * 3;
            const unsigned char g = (unsigned char)((p[2] + p[1] + p[0]) / 3);
            p[0] = p[1] = p[2] = g;
        }
    return 1;
}

int CTexture::ThresholdImage()
{
    if (!IsValid() || depth != 24) return 0;
    const size_t pitch = ComputeWidthByte32((unsigned)width, 24);
    for (int y = 0; y < height; ++y)
        for (int x = 0; x < width; ++x) {
            unsigned char* p = data + (size_t)y * pitch + (size_t)x * 3;
            const unsigned char v = p[2] > 128 ? 255 : 0;
            p[0] = p[1] = p[2] = v;
        }
    return 1;
}
