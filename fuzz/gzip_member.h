// The input as one gzip member, for the targets that feed compressed
// scene files to the readers.
#pragma once
#include <zlib.h>

#include <cstdint>
#include <cstdlib>
#include <string>

namespace fuzz {

inline std::string gzip(const uint8_t* data, size_t size)
{
    z_stream z{};
    if (deflateInit2(&z, 6, Z_DEFLATED, 15 + 16, 8, Z_DEFAULT_STRATEGY) != Z_OK) std::abort();
    std::string out(deflateBound(&z, size) + 32, '\0');
    z.next_in = const_cast<Bytef*>(data);
    z.avail_in = (uInt)size;
    z.next_out = (Bytef*)out.data();
    z.avail_out = (uInt)out.size();
    if (deflate(&z, Z_FINISH) != Z_STREAM_END) std::abort();
    out.resize(z.total_out);
    deflateEnd(&z);
    return out;
}

} // namespace fuzz
