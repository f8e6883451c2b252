// CTexture: the one raster image type. The pixel block is laid out like a
// device-independent bitmap: rows padded to four bytes (widthbyte32), 24 or
// 32 bits per pixel, described by a 40-byte BITMAPINFOHEADER, so the same
// block can be shown, handed to GL and written as a BMP file unchanged.
#pragma once
#include <cstdint>
#include <string>

// The 40-byte bitmap info header, little-endian on disk, natural layout here.
struct BITMAPINFOHEADER {
    uint32_t biSize = 0;
    int32_t biWidth = 0;
    int32_t biHeight = 0;
    uint16_t biPlanes = 0;
    uint16_t biBitCount = 0;
    uint32_t biCompression = 0;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};
static_assert(sizeof(BITMAPINFOHEADER) == 40, "bitmap info header must be 40 bytes");

class CLumiImage;

class CTexture {
public:
    int32_t kind = 0;
    int32_t depth = 0;
    BITMAPINFOHEADER header;
    uint32_t widthbyte32 = 0;
    std::string name;
    unsigned char* data = nullptr;
    int32_t data_size = 0;
    int32_t width = 0;
    int32_t height = 0;
    int32_t frame = 0;
    int32_t frame_count = 0;
    CLumiImage* lumi = nullptr;
    // The texels carry their own transparency (an alpha channel of the
    // image itself, not one added for a material): drawn see-through.
    bool texel_alpha = false;

    CTexture() = default;
    virtual ~CTexture();
    CTexture(const CTexture&) = delete;
    CTexture& operator=(const CTexture&) = delete;

    // Block management.
    int Alloc(int w, int h, int d);
    void Free();
    static unsigned ComputeWidthByte32(unsigned w, unsigned d);
    void UpdateHeader();
    int IsValid() const;
    bool HasAlpha() const { return depth == 32; }
    unsigned char* GetData() const { return data; }
    int GetWidth() const { return width; }
    int GetHeight() const { return height; }
    std::string GetName() const { return name; }
    static int IsPowerOf2(int n);
    int IsPowerOf2Size() const { return IsPowerOf2(width) && IsPowerOf2(height); }
    static int NextPowerOf2(int n);
    int SameSize(const CTexture& o) const { return width == o.width && height == o.height; }
    CTexture* Attach(unsigned char* block, int w, int h, int d);
    int CopyFromPacked(const unsigned char* src, int w, int h, int d);
    int FlipVertical();

    // Drawing without a window system: paints the image as a device would
    // show it (top line first) into a caller's top-down RGB888 buffer of
    // dst_w x dst_h pixels with dst_stride bytes per line, at (x, y), w x h
    // pixels (-1: the image's own size; the block's bottom-left w x h part is
    // shown, as a bottom-up bitmap drawn from source origin 0, 0). Clipped to
    // the buffer. Returns the number of lines drawn, 0 when not valid.
    int Draw(unsigned char* dst, int dst_w, int dst_h, int dst_stride, int x, int y,
             int w = -1, int h = -1) const;

    // Files.
    int ReadFile(const std::string& path, int w = -1, int h = -1, int d = -1);
    int SaveFile(const std::string& path);
    int ReadFileBMP(const std::string& path);
    int SaveFileBMP(const std::string& path);
    int ReadFileRAW(const std::string& path, int w, int h, int d);
    int SaveFileRAW(const std::string& path);
    int ReadFileJpg(const char* path);
    // PNG and GIF pictures, stored in the order of a BMP read.
    int ReadFilePNG(const std::string& path);
    int ReadFileGIF(const std::string& path);
    // Writes the block (24 bits: RGB; 32 bits: RGB and alpha) as an 8-bit
    // PNG picture, top line first, through the atomic writer; what a PNG
    // read of the file gives back is this block.
    int SaveFilePNG(const std::string& path);
    // Targa pictures, in the same order; 32 bits when their alpha is used.
    int ReadFileTGA(const std::string& path);
    // True when the block holds its rows bottom line first in blue-green-red
    // order, as read from a BMP, PNG, GIF or TGA file (the name tells).
    bool IsDibOrdered() const;

    // Lumi/chro sequences.
    int ReadFileLumi(const char* path);
    int OpenLumi(CLumiImage* reader, const char* path);
    void ReadLumiFrame(CLumiImage* reader, int f);
    void LumiToRGB(CLumiImage* reader);

    // Pixel operations.
    int Extract(int x0, int y0, int x1 = -1, int y1 = -1);
    int DuplicateMirror(int x0, int y0, int x1 = -1, int y1 = -1);
    int AddAlphaLayer(int alpha);
    int SetAlpha(int alpha);
    int SetAlphaThreshold(int alpha);
    int FilterImage();
    int MakeBlackAndWhite();
    int ThresholdImage();

private:
    void adopt(unsigned char* block, int w, int h, int d);
};
