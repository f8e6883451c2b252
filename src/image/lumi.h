// Reader of a lumi/chro image sequence: 8-bit luminance frames behind a
// 720-byte text header, and an optional chroma companion of the same frame
// size. Both files stay open for random access by frame number.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

struct LumiRect {
    int32_t left = 0, top = 0, right = 0, bottom = 0;
};

class CLumiImage {
public:
    static constexpr int kHeaderSize = 720;
    static constexpr int kPathMax = 128;   // path and terminator

    int32_t image_count = 0;
    LumiRect rect;
    unsigned char* header_text = nullptr;   // kHeaderSize bytes (+ a terminator)
    int32_t data_offset = 0;
    int32_t m_lumi_size = 0;
    uint32_t negative = 0;
    FILE* lumi_file = nullptr;
    FILE* chro_file = nullptr;
    unsigned char* luma = nullptr;
    unsigned char* chroma = nullptr;

    CLumiImage() = default;
    virtual ~CLumiImage();
    CLumiImage(const CLumiImage&) = delete;
    CLumiImage& operator=(const CLumiImage&) = delete;

    void close_files();
};

// Data offset of the frames for a given width: whole lines of the raster
// covering the header (width itself above 512).
int lumi_data_offset(int width);
// Name of the chroma companion: cut at the first "lumi", "chro" appended.
std::string lumi_chro_path(const std::string& lumi_path);
