// An off-screen GL context for tests and the command line: EGL on Mesa's
// surfaceless platform (no display server), a compatibility context and a
// framebuffer object the frame is drawn into.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

class HeadlessGL {
public:
    HeadlessGL();
    ~HeadlessGL();
    HeadlessGL(const HeadlessGL&) = delete;
    HeadlessGL& operator=(const HeadlessGL&) = delete;

    // Makes the context current with a w x h framebuffer bound. On failure
    // returns false and error() says why; nothing is left current.
    bool create(int w, int h);
    // Replaces the framebuffer by one of the new size (context stays).
    bool resize(int w, int h);
    bool make_current();
    bool valid() const { return m_ctx != nullptr; }
    int width() const { return m_w; }
    int height() const { return m_h; }
    const std::string& error() const { return m_error; }
    const std::string& renderer() const { return m_renderer; }

private:
    bool make_fbo(int w, int h);
    void free_fbo();
    void destroy();

    void* m_display = nullptr;
    void* m_ctx = nullptr;
    unsigned m_fbo = 0, m_color = 0, m_depth = 0;
    int m_w = 0, m_h = 0;
    std::string m_error;
    std::string m_renderer;
};

// Reads the w x h frame from the bound framebuffer as packed RGB rows of
// exactly 3*w bytes, bottom row first.
std::vector<uint8_t> read_frame_rgb(int w, int h);
