// The loader of one file: reads it whole into one buffer and keeps the
// tokenizer's state for the VRML readers.
#pragma once
#include <cstdint>
#include <cstdio>
#include <string>

#include "math/vec3.h"

class SCENE3D;
class OBJECT3D;

class Scene {
public:
    char* m_buf = nullptr;        // whole file, not zero-terminated
    char* m_scr_buf = nullptr;    // companion script, handed to the scene
    FILE* m_file = nullptr;
    FILE* m_scr_file = nullptr;
    std::string m_filename;
    int32_t m_len = 0;
    int32_t m_scr_len = 0;
    int32_t m_pos = 0;
    char* m_word = nullptr;       // 512 bytes, zero-terminated current token
    int32_t m_comments = 0;
    int32_t m_depth = 0;
    int32_t m_def_depth = 0;
    Vec3 m_top_translation;

    Scene();
    ~Scene();
    Scene(const Scene&) = delete;
    Scene& operator=(const Scene&) = delete;

    int load_buffer(const char* path, SCENE3D& scene);
    int load_script(SCENE3D& scene);
    int read_file(SCENE3D& scene);
};

// Tokenizer
void next_token(Scene& loader);
void next_token2(OBJECT3D& obj, Scene& loader);
void skip_line(Scene& loader);
