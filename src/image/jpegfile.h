// JPEG decoding through the system's libjpeg.
#pragma once
#include <string>

struct jpeg_common_struct;

namespace JpegFile {
// Decodes a JPEG file into a new tightly packed buffer of width x height x 3
// bytes, top line first, red-green-blue (grey samples copied to all three).
// The caller releases it with delete[]. Null on failure, after a message.
unsigned char* LoadRGB(std::string path, int& width, int& height);
// Largest picture accepted, in pixels.
constexpr long long kMaxPixels = 1LL << 26;
} // namespace JpegFile

// Error-exit entry installed in the library's error manager: shows the
// library's message under "JPEG Fatal Error" and returns to the decode.
void JpegErrorExit(jpeg_common_struct* cinfo);
