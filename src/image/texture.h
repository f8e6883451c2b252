// Placeholder image type; the real one replaces this file.
#pragma once
#include <string>

class CTexture {
public:
    std::string name;
    virtual ~CTexture() = default;
    int ReadFile(const char*) { return 0; }
    int AddAlphaLayer(int) { return 0; }
};
