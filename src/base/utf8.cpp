#include "base/utf8.h"

bool utf8_next(const std::string& s, size_t& i, uint32_t& cp)
{
    const size_t n = s.size();
    const unsigned char c = (unsigned char)s[i];
    const size_t len = c < 0x80 ? 1 : (c >> 5) == 6 ? 2 : (c >> 4) == 14 ? 3 : (c >> 3) == 30 ? 4 : 0;
    bool ok = len > 0 && i + len <= n;
    for (size_t k = 1; ok && k < len; ++k) ok = ((unsigned char)s[i + k] >> 6) == 2;
    if (ok) {
        cp = len == 1 ? c : c & (0xFF >> (len + 1));
        for (size_t k = 1; k < len; ++k) cp = cp << 6 | ((unsigned char)s[i + k] & 0x3F);
        const uint32_t least[5] = {0, 0, 0x80, 0x800, 0x10000};
        ok = cp >= least[len] && cp <= 0x10FFFF && (cp < 0xD800 || cp > 0xDFFF);
    }
    i += ok ? len : 1;
    return ok;
}
