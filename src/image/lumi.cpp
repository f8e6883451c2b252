#include "image/lumi.h"

#include <sys/stat.h>

#include <cstring>
#include <new>
#include <string>

#include "image/texture.h"
#include "base/file_lookup.h"
#include "base/report.h"

namespace {

// The header's numeric fields: like scanf's "%4d" at the offset (leading
// blanks skipped, then at most four characters), 0 when there is no number.
bool field4(const unsigned char* text, int size, int off, int& value)
{
    int i = off;
    while (i < size && (text[i] == ' ' || (text[i] >= '\t' && text[i] <= '\r'))) ++i;
    int end = i + 4;
    bool neg = false;
    if (i < size && i < end && (text[i] == '-' || text[i] == '+')) neg = text[i++] == '-';
    int v = 0, digits = 0;
    while (i < size && i < end && text[i] >= '0' && text[i] <= '9') {
        v = v * 10 + (text[i++] - '0');
        ++digits;
    }
    value = neg ? -v : v;
    return digits > 0;
}

long long size_of(FILE* f)
{
    struct stat st;
    if (::fstat(fileno(f), &st) != 0) return -1;
    return (long long)st.st_size;
}

unsigned char clamp255(int v) { return (unsigned char)(v < 0 ? 0 : v > 255 ? 255 : v); }

} // namespace

CLumiImage::~CLumiImage()
{
    close_files();
    delete[] luma;
    delete[] chroma;
    delete[] header_text;
}

void CLumiImage::close_files()
{
    if (lumi_file) std::fclose(lumi_file);
    if (chro_file) std::fclose(chro_file);
    lumi_file = chro_file = nullptr;
}

int lumi_data_offset(int width)
{
    if (width <= 0) return 0;
    return width > 512 ? width : (512 / width) * width;
}

std::string lumi_chro_path(const std::string& lumi_path)
{
    size_t at = lumi_path.find("lumi");
    if (at == std::string::npos) return lumi_path + "chro";
    return lumi_path.substr(0, at) + "chro";
}

int CTexture::OpenLumi(CLumiImage* r, const char* path)
{
    if (!r || !path) return 0;
    if (std::strlen(path) >= (size_t)CLumiImage::kPathMax) {
        MessageBoxF("Lumi file name too long (at most %d characters): %s", CLumiImage::kPathMax - 1,
                    path);
        return 0;
    }
    r->close_files();
    const std::string lumi_path = resolve_path(path);
    r->lumi_file = open_regular_file(lumi_path.c_str());
    if (!r->lumi_file) {
        MessageBoxF("Could not open %s\n", path);
        return 0;
    }
    delete[] r->header_text;
    r->header_text = new unsigned char[CLumiImage::kHeaderSize + 1]();
    size_t got = std::fread(r->header_text, 1, CLumiImage::kHeaderSize, r->lumi_file);
    const unsigned char* h = r->header_text;
    const bool layout_b = got >= 6 && (std::memcmp(h, "IMAG03", 6) == 0 || std::memcmp(h, "IMAG 3", 6) == 0);
    const int base = layout_b ? 82 : 76;
    int w = 0, hgt = 0, count = 0;
    field4(h, CLumiImage::kHeaderSize, base, w);
    field4(h, CLumiImage::kHeaderSize, base + 4, hgt);
    field4(h, CLumiImage::kHeaderSize, base + 8, count);
    const long long fsize = size_of(r->lumi_file);
    const long long offset = lumi_data_offset(w);
    if (w <= 0 || hgt <= 0 || offset + (long long)w * hgt > fsize) {
        MessageBoxF("Lumi file: invalid size %d x %d in %s", w, hgt, path);
        r->close_files();
        return 0;
    }
    width = w;
    height = hgt;
    r->rect = LumiRect{0, 0, w, hgt};
    r->image_count = count;
    frame_count = count;
    r->negative = h[214];
    r->m_lumi_size = w * hgt;
    r->data_offset = (int32_t)offset;
    std::fseek(r->lumi_file, (long)offset, SEEK_SET);

    std::string chro = resolve_path(lumi_chro_path(lumi_path));
    r->chro_file = open_regular_file(chro.c_str());
    delete[] r->chroma;
    r->chroma = nullptr;
    if (r->chro_file) {
        std::fseek(r->chro_file, (long)offset, SEEK_SET);
        r->chroma = new (std::nothrow) unsigned char[(size_t)r->m_lumi_size]();
    } else {
        std::fprintf(stderr, "Could not open %s\n", chro.c_str());   // shown in grey
    }
    delete[] r->luma;
    r->luma = new (std::nothrow) unsigned char[(size_t)r->m_lumi_size]();
    delete[] data;
    data = new (std::nothrow) unsigned char[(size_t)r->m_lumi_size * 4]();
    if (!r->luma || !data) {
        MessageBox("CTexture::Alloc : Insufisant memory");
        r->close_files();
        return 0;
    }
    return 1;
}

void CTexture::ReadLumiFrame(CLumiImage* r, int f)
{
    if (!r) return;
    const int w = r->rect.right - r->rect.left, h = r->rect.bottom - r->rect.top;
    r->m_lumi_size = w * h;
    if (!r->lumi_file || !r->luma) {
        MessageBox("Read_Image impossible in_File lumi errone\n");
        return;
    }
    if (f < 0) return;
    const long long pos = (long long)r->data_offset + (long long)f * r->m_lumi_size;
    const size_t n = (size_t)r->m_lumi_size;
    // A frame that is not wholly in the file (the movie shows frame_count,
    // one past the last) keeps the picture as it was: reading it would mix
    // frames, invert the previous frame's bytes a second time and give up
    // the chroma of the frames that do exist.
    const long long fsize = size_of(r->lumi_file);
    if (fsize < 0 || pos + (long long)n > fsize) return;
    size_t got = 0;
    if (fseeko(r->lumi_file, (off_t)pos, SEEK_SET) == 0) got = std::fread(r->luma, 1, n, r->lumi_file);
    if (r->negative == 1)
        for (size_t i = 0; i < got; ++i) r->luma[i] = (unsigned char)~r->luma[i];
    if (r->chro_file && r->chroma) {
        size_t cgot = 0;
        if (fseeko(r->chro_file, (off_t)pos, SEEK_SET) == 0) cgot = std::fread(r->chroma, 1, n, r->chro_file);
        if (cgot == 0) {
            delete[] r->chroma;
            r->chroma = nullptr;
        }
    }
}

void CTexture::LumiToRGB(CLumiImage* r)
{
    if (!r || !r->luma || !data) {
        MessageBox("Y ou DRDB non cree\n");
        return;
    }
    const int w = r->rect.right - r->rect.left, h = r->rect.bottom - r->rect.top;
    if (w != width || h != height || depth != 32) return;   // block does not match the frame
    const size_t size = (size_t)w * (size_t)h;
    const unsigned char* Y = r->luma;
    const unsigned char* C = r->chroma;
    // The second component is sampled one pixel ahead; past the frame's end
    // the last C2 byte (odd offset) serves.
    const size_t last_c2 = size >= 2 ? (size % 2 ? size - 2 : size - 1) : 0;
    size_t p1 = 0, p2 = 1;
    int t = 1;
    size_t n = 0;
    for (int line = 0; line < h; ++line) {
        unsigned char* row = data + (size_t)(h - 1 - line) * (size_t)w * 4;
        for (int x = 0; x < w; ++x, ++n) {
            unsigned char* px = row + (size_t)x * 4;
            const int y = Y[n];
            if (!C) {
                px[0] = px[1] = px[2] = (unsigned char)y;
                continue;
            }
            const int c1 = C[p1];
            const int c2 = size >= 2 ? C[p2 < size ? p2 : last_c2] : 128;
            const int a = y + c1 - 128;
            const int d = y + c2 - 128;
            const int g = (1744 * y - 522 * a - 199 * d) >> 10;
            px[0] = clamp255(a);
            px[1] = clamp255(g);
            px[2] = clamp255(d);
            if (t == 1) p2 += 2;
            else p1 += 2;
            t = !t;
        }
    }
}

int CTexture::ReadFileLumi(const char* path)
{
    if (!lumi) lumi = new CLumiImage();
    if (!OpenLumi(lumi, path)) {
        if (!lumi->header_text) MessageBox("Read_Image impossible in_File lumi errone\n");
        Free();
        return 0;
    }
    depth = 32;
    frame = 0;
    data_size = 0;
    ReadLumiFrame(lumi, 0);
    LumiToRGB(lumi);
    name = path;
    UpdateHeader();
    return 1;
}
