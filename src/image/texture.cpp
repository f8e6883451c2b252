#include "image/texture.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <new>
#include <vector>

#include "image/jpegfile.h"
#include "image/lumi.h"
#include "base/file_lookup.h"
#include "base/safe_write.h"
#include "base/cformat.h"
#include "base/report.h"

namespace {

// Largest block we agree to allocate (bytes). Keeps absurd sizes read from
// damaged files from reaching the allocator.
constexpr uint64_t kMaxBlock = 0x7fffffffULL;

uint16_t rd16(const unsigned char* p) { return (uint16_t)(p[0] | (p[1] << 8)); }
uint32_t rd32(const unsigned char* p)
{
    return (uint32_t)p[0] | ((uint32_t)p[1] << 8) | ((uint32_t)p[2] << 16) | ((uint32_t)p[3] << 24);
}
void wr16(unsigned char* p, uint16_t v)
{
    p[0] = (unsigned char)v;
    p[1] = (unsigned char)(v >> 8);
}
void wr32(unsigned char* p, uint32_t v)
{
    for (int i = 0; i < 4; ++i) p[i] = (unsigned char)(v >> (8 * i));
}

void header_from_bytes(BITMAPINFOHEADER& h, const unsigned char* b)
{
    h.biSize = rd32(b);
    h.biWidth = (int32_t)rd32(b + 4);
    h.biHeight = (int32_t)rd32(b + 8);
    h.biPlanes = rd16(b + 12);
    h.biBitCount = rd16(b + 14);
    h.biCompression = rd32(b + 16);
    h.biSizeImage = rd32(b + 20);
    h.biXPelsPerMeter = (int32_t)rd32(b + 24);
    h.biYPelsPerMeter = (int32_t)rd32(b + 28);
    h.biClrUsed = rd32(b + 32);
    h.biClrImportant = rd32(b + 36);
}

void header_to_bytes(const BITMAPINFOHEADER& h, unsigned char* b)
{
    wr32(b, h.biSize);
    wr32(b + 4, (uint32_t)h.biWidth);
    wr32(b + 8, (uint32_t)h.biHeight);
    wr16(b + 12, h.biPlanes);
    wr16(b + 14, h.biBitCount);
    wr32(b + 16, h.biCompression);
    wr32(b + 20, h.biSizeImage);
    wr32(b + 24, (uint32_t)h.biXPelsPerMeter);
    wr32(b + 28, (uint32_t)h.biYPelsPerMeter);
    wr32(b + 32, h.biClrUsed);
    wr32(b + 36, h.biClrImportant);
}

void trace_info_header(const BITMAPINFOHEADER& h)
{
    Trace("**** IMAGE HEADER :\n");
    Trace("**** biSize : %d\n", (int)h.biSize);
    Trace("**** biWidth : %d\n", (int)h.biWidth);
    Trace("**** biHeight : %d\n", (int)h.biHeight);
    Trace("**** biPlanes : %d\n", (int)h.biPlanes);
    Trace("**** biBitCount : %d\n", (int)h.biBitCount);
    Trace("**** biCompression : %d\n", (int)h.biCompression);
    Trace("**** biSizeImage : %d\n", (int)h.biSizeImage);
    Trace("**** biXPelsPerMeter : %d\n", (int)h.biXPelsPerMeter);
    Trace("**** biYPelsPerMeter : %d\n", (int)h.biYPelsPerMeter);
    Trace("**** biClrUsed : %d\n", (int)h.biClrUsed);
    Trace("**** biClrImportant : %d\n", (int)h.biClrImportant);
}

void trace_file_header(const unsigned char* fh)
{
    Trace("FileHeader.bfType : %d\n", (int)rd16(fh));
    Trace("FileHeader.bfSize : %d\n", (int)rd32(fh + 2));
    Trace("FileHeader.bfReserved1 : %d\n", (int)rd16(fh + 6));
    Trace("FileHeader.bfReserved2 : %d\n", (int)rd16(fh + 8));
    Trace("FileHeader.bfOffBits : %d\n", (int)rd32(fh + 10));
}

std::string lower_tail4(const std::string& path)
{
    std::string t = path.size() > 4 ? path.substr(path.size() - 4) : path;
    for (char& c : t)
        if (c >= 'A' && c <= 'Z') c = (char)(c - 'A' + 'a');
    return t;
}

long long file_size(FILE* f)
{
    struct stat st;
    if (::fstat(fileno(f), &st) != 0) return -1;
    return (long long)st.st_size;
}

// Row size for any width/depth without 32-bit wrap-around.
uint64_t row_bytes64(uint64_t w, uint64_t d)
{
    uint64_t q = (w * d) / 8;
    return q % 4 ? q + 4 - q % 4 : q;
}


// ---------------------------------------------------------------- BMP kinds
// Pictures of 1, 4 and 8 bits (colour table, optionally run-length coded)
// and of 16 and 32 bits (fixed or declared channel masks), turned into the
// 24-bit block every other part takes (32 bits when the file declares an
// alpha channel that is used).

constexpr uint32_t kBiRgb = 0, kBiRle8 = 1, kBiRle4 = 2, kBiBitfields = 3;

// One channel mask: where its bits lie and how many there are.
struct Channel {
    uint32_t mask = 0;
    int shift = 0;
    uint64_t max = 0;
    explicit Channel(uint32_t m = 0) : mask(m)
    {
        if (!m) return;
        while (!((m >> shift) & 1u)) ++shift;
        max = (uint64_t)(m >> shift);
    }
    unsigned char get(uint32_t px) const
    {
        if (!max) return 0;
        return (unsigned char)(((uint64_t)((px & mask) >> shift) * 255u + max / 2) / max);
    }
};

struct BmpPicture {
    unsigned char* block = nullptr;   // bottom line first, rows padded to 4
    int depth = 24;
    uint64_t pitch = 0;
};

// Decodes the run-length coded pixels of `src` (n bytes) into `index`
// (w x h palette indices, bottom line first). Runs and escapes that reach
// beyond the picture are clipped; the picture ends with its data.
void decode_rle(const unsigned char* src, size_t n, bool four, int64_t w, int64_t h, std::vector<uint8_t>& index)
{
    int64_t x = 0, y = 0;
    size_t p = 0;
    auto put = [&](uint8_t v) {
        if (x >= 0 && x < w && y >= 0 && y < h) index[(size_t)(y * w + x)] = v;
        ++x;
    };
    while (p + 1 < n && y < h) {
        const unsigned count = src[p], value = src[p + 1];
        p += 2;
        if (count > 0) {
            for (unsigned i = 0; i < count; ++i) put(four ? (uint8_t)(i & 1 ? value & 15 : value >> 4) : (uint8_t)value);
            continue;
        }
        if (value == 0) {   // end of line
            x = 0;
            ++y;
        } else if (value == 1) {   // end of picture
            break;
        } else if (value == 2) {   // move right and up
            if (p + 1 >= n) break;
            x += src[p];
            y += src[p + 1];
            p += 2;
        } else {   // `value` pixels written out, padded to a whole word
            const size_t bytes = four ? (value + 1) / 2 : value;
            if (p + bytes > n) break;
            for (unsigned i = 0; i < value; ++i) {
                const uint8_t b = src[p + (four ? i / 2 : i)];
                put(four ? (uint8_t)(i & 1 ? b & 15 : b >> 4) : b);
            }
            p += bytes + (bytes & 1);
        }
    }
}

// The picture of a BMP file other than plain 24 bits. `file` holds the
// whole file. On failure the message to show is in `why`.
bool decode_bmp(const std::vector<unsigned char>& file, const BITMAPINFOHEADER& hd, BmpPicture& out,
                std::string& why)
{
    const size_t fsize = file.size();
    const int bits = hd.biBitCount;
    const uint32_t comp = hd.biCompression;
    const bool rle = comp == kBiRle8 || comp == kBiRle4;
    const bool top_down = hd.biHeight < 0;
    const int64_t w = hd.biWidth;
    const int64_t h = top_down ? -(int64_t)hd.biHeight : (int64_t)hd.biHeight;
    if (w <= 0 || h <= 0 || w * h > JpegFile::kMaxPixels || (rle && top_down)) {
        why = "Invalid BMP file size";
        return false;
    }
    // Channel masks: in the header from its version 2 on, else right after
    // a 40-byte header; fixed ones for plain 16 and 32 bits.
    Channel red, green, blue, alpha;
    const size_t info_end = 14 + (size_t)hd.biSize;
    size_t table = info_end;
    if (comp == kBiBitfields) {
        const size_t at = hd.biSize >= 52 ? 14 + 40 : info_end;
        if (at + 12 > fsize) {
            why = "Invalid BMP file: channel masks cut short";
            return false;
        }
        red = Channel(rd32(&file[at]));
        green = Channel(rd32(&file[at + 4]));
        blue = Channel(rd32(&file[at + 8]));
        if (hd.biSize >= 56 && 14 + 56 <= fsize) alpha = Channel(rd32(&file[14 + 52]));
        if (hd.biSize < 52) table = at + 12;
    } else if (bits == 16) {
        red = Channel(0x7C00);
        green = Channel(0x03E0);
        blue = Channel(0x001F);
    } else if (bits == 32) {
        red = Channel(0x00FF0000);
        green = Channel(0x0000FF00);
        blue = Channel(0x000000FF);
    }
    // Colour table of the indexed kinds: blue, green, red, unused.
    std::vector<unsigned char> palette;
    if (bits <= 8) {
        const uint32_t full = 1u << bits;
        const uint32_t used = hd.biClrUsed == 0 || hd.biClrUsed > full ? full : hd.biClrUsed;
        if (table > fsize || (size_t)used * 4 > fsize - table) {
            why = "Invalid BMP file: colour table cut short";
            return false;
        }
        palette.assign(full * 4, 0);   // indices beyond the table are black
        std::memcpy(palette.data(), &file[table], (size_t)used * 4);
        table += (size_t)used * 4;
    }
    const uint32_t off_bits = rd32(&file[10]);
    const size_t start = off_bits >= table && off_bits < fsize ? off_bits : table;
    if (start > fsize) {
        why = "Invalid BMP file size";
        return false;
    }
    const unsigned char* src = file.data() + start;
    const size_t avail = fsize - start;

    // Alpha is kept when declared and used: not all opaque, not all clear
    // (writers that do not use the channel leave it at 0).
    out.depth = 24;
    out.pitch = row_bytes64((uint64_t)w, 24);
    const uint64_t src_pitch = row_bytes64((uint64_t)w, (uint64_t)bits);
    if (!rle && src_pitch * (uint64_t)h > (uint64_t)avail + src_pitch) {
        why = "Invalid BMP file size";
        return false;
    }
    if (rle && (uint64_t)w * (uint64_t)h > ((uint64_t)avail + 1) * 2048) {
        why = "Invalid BMP file size";
        return false;
    }
    auto src_byte = [&](int64_t row, uint64_t k) -> uint32_t {
        const uint64_t at = (uint64_t)row * src_pitch + k;
        return at < avail ? src[at] : 0u;
    };
    auto pixel_word = [&](int64_t row, int64_t x) -> uint32_t {
        const uint64_t k = (uint64_t)x * (uint64_t)(bits / 8);
        uint32_t v = 0;
        for (int b = 0; b < bits / 8; ++b) v |= src_byte(row, k + (uint64_t)b) << (8 * b);
        return v;
    };
    if (bits == 32 && alpha.mask) {
        bool opaque = true, clear = true;
        for (int64_t y = 0; y < h && (opaque || clear); ++y)
            for (int64_t x = 0; x < w; ++x) {
                const unsigned char a = alpha.get(pixel_word(y, x));
                opaque = opaque && a == 255;
                clear = clear && a == 0;
            }
        if (!opaque && !clear) {
            out.depth = 32;
            out.pitch = (uint64_t)w * 4;
        }
    }
    unsigned char* block = new (std::nothrow) unsigned char[out.pitch * (uint64_t)h];
    if (!block) {
        why = "Insuffisant memory";
        return false;
    }
    std::memset(block, 0, out.pitch * (uint64_t)h);
    std::vector<uint8_t> index;
    if (rle) {
        try {
            index.assign((size_t)(w * h), 0);
        } catch (const std::bad_alloc&) {
            delete[] block;
            why = "Insuffisant memory";
            return false;
        }
        decode_rle(src, avail, comp == kBiRle4, w, h, index);
    }
    const int bpp = out.depth / 8;
    for (int64_t y = 0; y < h; ++y) {
        const int64_t row = top_down ? h - 1 - y : y;   // file row of block line y
        unsigned char* d = block + (uint64_t)y * out.pitch;
        for (int64_t x = 0; x < w; ++x, d += bpp) {
            if (bits <= 8) {
                uint32_t i;
                if (rle) i = index[(size_t)(y * w + x)];
                else {
                    const uint64_t bit = (uint64_t)x * (uint64_t)bits;
                    const uint32_t byte = src_byte(row, bit / 8);
                    i = (byte >> (8 - bits - (int)(bit % 8))) & ((1u << bits) - 1u);
                }
                std::memcpy(d, &palette[(size_t)i * 4], 3);
            } else {
                const uint32_t v = pixel_word(row, x);
                d[0] = blue.get(v);
                d[1] = green.get(v);
                d[2] = red.get(v);
                if (bpp == 4) d[3] = alpha.get(v);
            }
        }
    }
    out.block = block;
    return true;
}
} // namespace

// ---------------------------------------------------------------- buffer

CTexture::~CTexture() { Free(); }

unsigned CTexture::ComputeWidthByte32(unsigned w, unsigned d)
{
    unsigned q = (w * d) / 8;
    return q % 4 ? q + 4 - q % 4 : q;
}

int CTexture::Alloc(int w, int h, int d)
{
    Free();
    uint64_t size = (w < 0 || h < 0 || d < 0) ? ~0ULL : row_bytes64((unsigned)w, (unsigned)d) * (uint64_t)h;
    unsigned char* block = size <= kMaxBlock ? new (std::nothrow) unsigned char[size ? size : 1] : nullptr;
    if (!block) {
        MessageBox("CTexture::Alloc : Insufisant memory");
        return 0;
    }
    data = block;
    width = w;
    height = h;
    depth = d;
    UpdateHeader();
    return 1;
}

void CTexture::Free()
{
    delete[] data;
    data = nullptr;
    width = height = depth = 0;
    delete lumi;
    lumi = nullptr;
}

void CTexture::UpdateHeader()
{
    widthbyte32 = ComputeWidthByte32((unsigned)width, (unsigned)depth);
    header.biSize = 40;
    header.biWidth = width;
    header.biHeight = height;
    header.biPlanes = 1;
    header.biBitCount = (uint16_t)depth;
    header.biCompression = 0;
    header.biSizeImage = widthbyte32 * (uint32_t)height;
    header.biXPelsPerMeter = header.biYPelsPerMeter = 0;
    header.biClrUsed = header.biClrImportant = 0;
}

int CTexture::IsValid() const
{
    if ((depth == 24 || depth == 32) && width != 0 && height != 0 && data) return 1;
    Trace("** Invalid texture\n");
    Trace("** Width  : %d\n", width);
    Trace("** Height : %d\n", height);
    Trace("** Depth  : %d\n", depth);
    Trace("** Data   : %p\n", (const void*)data);
    return 0;
}

int CTexture::IsPowerOf2(int n)
{
    for (int p = 2; p <= 2048; p *= 2)
        if (n == p) return 1;
    return 0;
}

int CTexture::NextPowerOf2(int n)
{
    if (n <= 0) return n;
    if (n > (1 << 30)) return n;   // not representable
    int p = 2;
    while (p < n) p *= 2;
    return p;
}

CTexture* CTexture::Attach(unsigned char* block, int w, int h, int d)
{
    Free();
    data = block;
    width = w;
    height = h;
    depth = d;
    return this;
}

void CTexture::adopt(unsigned char* block, int w, int h, int d)
{
    delete[] data;
    data = block;
    width = w;
    height = h;
    depth = d;
    UpdateHeader();
}

int CTexture::CopyFromPacked(const unsigned char* src, int w, int h, int d)
{
    if (!src || !Alloc(w, h, d)) return 0;
    size_t row = (size_t)w * (size_t)d / 8;
    for (int r = 0; r < h; ++r) {
        unsigned char* dst = data + (size_t)r * widthbyte32;
        std::memcpy(dst, src + (size_t)r * row, row);
        // Padding is written to files as it stands: keep it zero.
        std::memset(dst + row, 0, widthbyte32 - row);
    }
    return 1;
}

int CTexture::FlipVertical()
{
    if (!IsValid()) return 0;
    const size_t b = (size_t)depth / 8;
    const size_t pitch = ComputeWidthByte32((unsigned)width, (unsigned)depth);
    // Never beyond the block, whatever data_size says.
    const size_t limit = (size_t)std::max(data_size, 0);
    const size_t block = pitch * (size_t)height;
    auto in_block = [&](size_t off) { return off + 2 < block; };
    for (int i = 0; i < height / 2; ++i) {
        const int k = height - 1 - i;
        for (int j = 0; j < width; ++j) {
            size_t p = (size_t)i * pitch + (size_t)j * b;
            size_t q = (size_t)k * pitch + (size_t)j * b;
            if (p >= limit || !in_block(p) || !in_block(q)) break;
            unsigned char P[3] = {data[p], data[p + 1], data[p + 2]};
            data[p] = data[q + 2];
            data[p + 1] = data[q + 1];
            data[p + 2] = data[q];
            data[q] = P[2];
            data[q + 1] = P[1];
            data[q + 2] = P[0];
        }
    }
    if (height % 2) {
        const int i = height / 2;
        for (int j = 0; j < width; ++j) {
            size_t p = (size_t)i * pitch + (size_t)j * b;
            if (p >= limit || !in_block(p)) break;
            std::swap(data[p], data[p + 2]);
        }
    }
    return 1;
}

int CTexture::Draw(unsigned char* dst, int dst_w, int dst_h, int dst_stride, int x, int y, int w,
                   int h) const
{
    if (!IsValid() || !dst) return 0;
    if (w == -1) w = width;
    if (h == -1) h = height;
    if (w <= 0 || h <= 0) return 0;
    const size_t b = (size_t)depth / 8;
    const size_t pitch = ComputeWidthByte32((unsigned)width, (unsigned)depth);
    int lines = 0;
    for (int r = 0; r < h; ++r) {
        int src_row = h - 1 - r;   // bottom-up block, source origin at the lower left
        int dy = y + r;
        if (src_row >= height || dy < 0 || dy >= dst_h) continue;
        const unsigned char* s = data + (size_t)src_row * pitch;
        unsigned char* d = dst + (size_t)dy * (size_t)dst_stride;
        bool any = false;
        for (int c = 0; c < w && c < width; ++c) {
            int dx = x + c;
            if (dx < 0 || dx >= dst_w) continue;
            const unsigned char* px = s + (size_t)c * b;
            d[dx * 3] = px[2];
            d[dx * 3 + 1] = px[1];
            d[dx * 3 + 2] = px[0];
            any = true;
        }
        if (any) ++lines;
    }
    return lines;
}

// ---------------------------------------------------------------- files

int CTexture::ReadFile(const std::string& path, int w, int h, int d)
{
    delete[] data;
    data = nullptr;
    std::string tail = lower_tail4(path);
    if (tail == ".bmp") return ReadFileBMP(path);
    if (tail == ".jpg") return ReadFileJpg(path.c_str());
    if (tail == ".raw") return ReadFileRAW(path, w, h, d);
    if (tail == ".png") return ReadFilePNG(path);
    if (tail == ".gif") return ReadFileGIF(path);
    if (tail == ".tga") return ReadFileTGA(path);
    if (tail == "lumi") {
        delete lumi;
        lumi = new CLumiImage();
        int ok = ReadFileLumi(path.c_str());
        if (ok && lumi) Trace("m_lumi_size:%ld\n", (long)lumi->m_lumi_size);
        return ok;
    }
    MessageBoxF("CTexture::ReadFile : invalid file redirection : %s\n", path.c_str());
    return 0;
}

bool CTexture::IsDibOrdered() const
{
    std::string tail = lower_tail4(name);
    return tail == ".bmp" || tail == ".png" || tail == ".gif" || tail == ".tga";
}

int CTexture::SaveFile(const std::string& path)
{
    Trace("** CTexture::SaveFile : file : %s\n", path.c_str());
    std::string tail = lower_tail4(path);
    if (tail == ".raw") return SaveFileRAW(path);
    if (tail == ".bmp") return SaveFileBMP(path);
    if (tail == ".png") return SaveFilePNG(path);
    MessageBoxF("CTexture::SaveFile : invalid file redirection : %s\n", path.c_str());
    return 0;
}

int CTexture::ReadFileBMP(const std::string& path)
{
    FILE* f = open_regular_file(resolve_path(path).c_str());
    if (!f) {
        MessageBoxF("Unable to open file for reading %s", path.c_str());
        return 0;
    }
    unsigned char fh[14];
    if (std::fread(fh, 1, 14, f) != 14) {
        MessageBox("Error during reading file header");
        std::fclose(f);
        return 0;
    }
    trace_file_header(fh);
    if (rd16(fh) != 0x4D42) {
        MessageBox("Invalid BMP file");
        std::fclose(f);
        return 0;
    }
    unsigned char ih[40];
    if (std::fread(ih, 1, 40, f) != 40) {
        MessageBox("Error during reading image header");
        std::fclose(f);
        return 0;
    }
    BITMAPINFOHEADER hd;
    header_from_bytes(hd, ih);
    trace_info_header(hd);
    const uint32_t comp = hd.biCompression;
    const int bits = hd.biBitCount;
    const bool known = hd.biSize >= 40 &&
                       ((comp == kBiRgb && (bits == 1 || bits == 4 || bits == 8 || bits == 16 || bits == 24 ||
                                            bits == 32)) ||
                        (comp == kBiRle8 && bits == 8) || (comp == kBiRle4 && bits == 4) ||
                        (comp == kBiBitfields && (bits == 16 || bits == 32)));
    if (hd.biPlanes != 1 || !known) {
        header = hd;
        MessageBoxF("Unsupported BMP file %s: %d bits per pixel, compression %u, %d planes", path.c_str(), bits,
                    (unsigned)comp, (int)hd.biPlanes);
        std::fclose(f);
        return 0;
    }
    if (bits != 24) {
        Free();
        data_size = 0;
        const long long fsize = file_size(f);
        std::vector<unsigned char> file;
        if (fsize > 0 && (uint64_t)fsize <= kMaxBlock) {
            try {
                file.resize((size_t)fsize);
            } catch (const std::bad_alloc&) {
                file.clear();
            }
        }
        const bool read = !file.empty() && std::fseek(f, 0, SEEK_SET) == 0 &&
                          std::fread(file.data(), 1, file.size(), f) == file.size();
        std::fclose(f);
        if (!read) {
            MessageBox("Error during reading image");
            return 0;
        }
        BmpPicture pic;
        std::string why;
        if (!decode_bmp(file, hd, pic, why)) {
            if (why == "Insuffisant memory") MessageBox(why.c_str());
            else MessageBoxF("%s : %s", why.c_str(), path.c_str());
            return 0;
        }
        const int64_t hgt = hd.biHeight < 0 ? -(int64_t)hd.biHeight : (int64_t)hd.biHeight;
        // The header describes the block as held from now on.
        header = hd;
        header.biSize = 40;
        header.biHeight = (int32_t)hgt;
        header.biBitCount = (uint16_t)pic.depth;
        header.biCompression = kBiRgb;
        header.biSizeImage = (uint32_t)(pic.pitch * (uint64_t)hgt);
        header.biClrUsed = header.biClrImportant = 0;
        data = pic.block;
        width = hd.biWidth;
        height = (int32_t)hgt;
        depth = pic.depth;
        name = path;
        widthbyte32 = (uint32_t)pic.pitch;
        return 1;
    }
    Free();
    data_size = 0;

    // Sizes: refuse what the file cannot describe or hold.
    const long long fsize = file_size(f);
    const uint32_t off_bits = rd32(fh + 10);
    const bool top_down = hd.biHeight < 0;
    const int64_t w = hd.biWidth;
    const int64_t hgt = top_down ? -(int64_t)hd.biHeight : (int64_t)hd.biHeight;
    const uint64_t pitch = w > 0 ? row_bytes64((uint64_t)w, 24) : 0;
    const uint64_t needed = pitch * (uint64_t)(hgt > 0 ? hgt : 0);
    // Pixels start after the headers; a file with a larger header or a colour
    // table says where in bfOffBits.
    const long long start = (off_bits > 54 && (long long)off_bits < fsize) ? (long long)off_bits : 54;
    const long long avail = fsize - start;
    if (w <= 0 || hgt <= 0 || w > 0x7fffffff / 32 || needed > kMaxBlock ||
        (long long)needed > avail + (long long)pitch) {
        // (A missing tail of at most one row is tolerated: some writers drop
        // the last row's padding.)
        MessageBoxF("Invalid BMP file size : %s", path.c_str());
        std::fclose(f);
        return 0;
    }
    header = hd;
    unsigned char* block = new (std::nothrow) unsigned char[needed];
    if (!block) {
        MessageBox("Insuffisant memory");
        std::fclose(f);
        return 0;
    }
    size_t got = 0;
    if (std::fseek(f, start, SEEK_SET) == 0) got = std::fread(block, 1, needed, f);
    if (got < needed) std::memset(block + got, 0, needed - got);
    std::fclose(f);
    if (top_down) {
        std::vector<unsigned char> tmp(pitch);
        for (int64_t r = 0; r < hgt / 2; ++r) {
            unsigned char* a = block + r * pitch;
            unsigned char* b = block + (hgt - 1 - r) * pitch;
            std::memcpy(tmp.data(), a, pitch);
            std::memcpy(a, b, pitch);
            std::memcpy(b, tmp.data(), pitch);
        }
        header.biHeight = (int32_t)hgt;
    }
    // The header describes the block as held from now on.
    header.biSize = 40;
    header.biSizeImage = (uint32_t)needed;
    data = block;
    width = (int32_t)w;
    height = (int32_t)hgt;
    depth = 24;
    name = path;
    widthbyte32 = (uint32_t)pitch;
    return 1;
}

namespace {
// What the image writers show when a save fails: the file cannot be created
// (their long-standing wording), or the bytes did not reach the disk.
SafeWriteOptions image_write_options(const std::string& path)
{
    SafeWriteOptions o;
    o.create_failure = qv_format("Unable to open file for reading %s", path.c_str());
    o.write_failure = "Error during writing image";
    return o;
}
} // namespace

int CTexture::SaveFileBMP(const std::string& path)
{
    if (!IsValid() || depth != 24) return 0;
    // A header that no longer describes the block (e.g. after Attach) is
    // refreshed so that the file and the bytes written agree.
    const uint32_t pitch = ComputeWidthByte32((unsigned)width, 24);
    if (header.biWidth != width || header.biHeight != height || header.biBitCount != 24 ||
        header.biSizeImage != pitch * (uint32_t)height || widthbyte32 != pitch)
        UpdateHeader();
    unsigned char fh[14];
    wr16(fh, 0x4D42);
    wr32(fh + 2, 54 + widthbyte32 * (uint32_t)height);
    wr16(fh + 6, 0);
    wr16(fh + 8, 0);
    wr32(fh + 10, 54);
    unsigned char ih[40];
    header_to_bytes(header, ih);
    Trace("\nSave BMP File...\n");
    trace_file_header(fh);
    trace_info_header(header);
    return write_file_safely(path, [&](FILE* f) {
        return std::fwrite(fh, 1, 14, f) == 14 && std::fwrite(ih, 1, 40, f) == 40 &&
               std::fwrite(data, 1, header.biSizeImage, f) == header.biSizeImage;
    }, image_write_options(path));
}

int CTexture::ReadFileRAW(const std::string& path, int w, int h, int d)
{
    FILE* f = open_regular_file(resolve_path(path).c_str());
    if (!f) {
        MessageBoxF("Unable to open file for reading %s", path.c_str());
        return 0;
    }
    if (w <= 0 || h <= 0 || d <= 0) {
        MessageBoxF("CTexture::ReadFileRAW : invalid image size %d x %d x %d", w, h, d);
        std::fclose(f);
        return 0;
    }
    if (!Alloc(w, h, d)) {
        MessageBox("Insuffisant memory");
        std::fclose(f);
        return 0;
    }
    data_size = 0;
    size_t n = (size_t)((uint64_t)w * (uint64_t)h * (uint64_t)d / 8);
    size_t got = std::fread(data, 1, n, f);
    if (std::ferror(f)) {
        MessageBox("Error during reading image");
        std::fclose(f);
        Free();
        return 0;
    }
    // The rows' padding at the end of the block, and what a short file did
    // not fill, are black rather than whatever the memory held.
    const size_t block = (size_t)(row_bytes64((unsigned)w, (unsigned)d) * (uint64_t)h);
    if (got < block) std::memset(data + got, 0, block - got);
    std::fclose(f);
    name = path;
    return 1;
}

int CTexture::SaveFileRAW(const std::string& path)
{
    if (width <= 0 || height <= 0 || depth <= 0 || !data) {
        MessageBox("CTexture::SaveFileRAW : invalid image");
        return 0;
    }
    // Written over an existing longer file, the bytes beyond the image stay,
    // as they always have; a missing file is created.
    const size_t n = (size_t)((uint64_t)(unsigned)width * (unsigned)height * (unsigned)depth / 8);
    SafeWriteOptions o = image_write_options(path);
    o.keep_tail = true;
    return write_file_safely(path, [&](FILE* f) { return std::fwrite(data, 1, n, f) == n; }, o);
}
