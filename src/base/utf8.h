// Reading UTF-8 text one character at a time.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// The character at s[i] into cp, i moved past it; false, with i moved past
// one byte, when no well-formed sequence starts there (a stray or cut
// continuation, an overlong form, a surrogate, a value past U+10FFFF).
bool utf8_next(const std::string& s, size_t& i, uint32_t& cp);
