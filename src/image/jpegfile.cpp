#include "image/jpegfile.h"

#include <csetjmp>
#include <cstdio>
#include <cstring>
#include <new>

#include <jpeglib.h>

#include "image/texture.h"
#include "base/file_lookup.h"
#include "base/report.h"

namespace {

struct JpegErrorManager {
    jpeg_error_mgr pub;       // first: the library sees only this part
    std::jmp_buf jump;
    unsigned char* buffer;    // output being filled, released on error
};

} // namespace

void JpegErrorExit(jpeg_common_struct* cinfo)
{
    auto* err = reinterpret_cast<JpegErrorManager*>(cinfo->err);
    {
        char text[JMSG_LENGTH_MAX];
        (*cinfo->err->format_message)(cinfo, text);
        MessageBox(text, "JPEG Fatal Error");
    }
    std::longjmp(err->jump, 1);
}

// Nothing with a destructor may live in this frame between setjmp and the
// end of the decode: the error path returns here with longjmp.
static unsigned char* decode(FILE* file, int& width, int& height)
{
    jpeg_decompress_struct cinfo;
    JpegErrorManager jerr;
    cinfo.err = jpeg_std_error(&jerr.pub);
    jerr.pub.error_exit = JpegErrorExit;
    jerr.buffer = nullptr;

    if (setjmp(jerr.jump)) {
        delete[] jerr.buffer;
        jerr.buffer = nullptr;
        jpeg_destroy_decompress(&cinfo);
        width = height = 0;
        return nullptr;
    }
    jpeg_create_decompress(&cinfo);
    jpeg_stdio_src(&cinfo, file);
    jpeg_read_header(&cinfo, TRUE);
    if ((long long)cinfo.image_width * (long long)cinfo.image_height > JpegFile::kMaxPixels) {
        MessageBox("JpegFile :\nOut of memory", "Quorvel");
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    jpeg_start_decompress(&cinfo);
    const int comps = cinfo.output_components;
    if (comps != 1 && comps != 3) {
        MessageBox("JpegFile :\nUnsupported JPEG colour format (" + std::to_string(comps) +
                   " components)");
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    const size_t w = cinfo.output_width, h = cinfo.output_height;
    jerr.buffer = new (std::nothrow) unsigned char[w * h > 0 ? w * h * 3 : 1];
    if (!jerr.buffer) {
        MessageBox("JpegFile :\nOut of memory");
        jpeg_destroy_decompress(&cinfo);
        return nullptr;
    }
    width = (int)w;
    height = (int)h;
    JSAMPARRAY row = (*cinfo.mem->alloc_sarray)((j_common_ptr)&cinfo, JPOOL_IMAGE,
                                                (JDIMENSION)(w * (size_t)comps), 1);
    while (cinfo.output_scanline < cinfo.output_height) {
        jpeg_read_scanlines(&cinfo, row, 1);
        size_t s = cinfo.output_scanline - 1;
        unsigned char* out = jerr.buffer + s * w * 3;
        if (comps == 3) {
            std::memcpy(out, row[0], w * 3);
        } else {
            for (size_t x = 0; x < w; ++x) out[3 * x] = out[3 * x + 1] = out[3 * x + 2] = row[0][x];
        }
    }
    jpeg_finish_decompress(&cinfo);
    jpeg_destroy_decompress(&cinfo);
    unsigned char* result = jerr.buffer;
    return result;
}

unsigned char* JpegFile::LoadRGB(std::string path, int& width, int& height)
{
    width = 0;
    height = 0;
    FILE* file = open_regular_file(resolve_path(path).c_str());
    if (!file) {
        // The process goes on: the caller is left without a picture.
        MessageBoxF("JPEG :\nCan't open %s\n", path.c_str());
        return nullptr;
    }
    unsigned char* buf = decode(file, width, height);
    std::fclose(file);
    if (!buf) width = height = 0;
    return buf;
}

int CTexture::ReadFileJpg(const char* path)
{
    name = path;
    if (data) {
        MessageBox("***memory not desallocated in ReadFileJpg!");
        return 0;
    }
    int w = 0, h = 0;
    unsigned char* rgb = JpegFile::LoadRGB(name, w, h);
    width = w;
    height = h;
    if (!rgb) {
        Free();
        return 0;
    }
    const size_t row = (size_t)w * 3;
    const unsigned pitch = ComputeWidthByte32((unsigned)w, 24);
    if (pitch == row) {
        data = rgb;
    } else {
        unsigned char* block = new (std::nothrow) unsigned char[(size_t)pitch * (size_t)h];
        if (!block) {
            delete[] rgb;
            MessageBox("JpegFile :\nOut of memory");
            Free();
            return 0;
        }
        for (int r = 0; r < h; ++r) {
            std::memcpy(block + (size_t)r * pitch, rgb + (size_t)r * row, row);
            std::memset(block + (size_t)r * pitch + row, 0, pitch - row);
        }
        delete[] rgb;
        data = block;
    }
    data_size = (int32_t)(row * (size_t)h);
    depth = 24;
    UpdateHeader();
    return 1;
}
