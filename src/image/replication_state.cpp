#include "image/replication_state.h"

#include <algorithm>
#include <cctype>
#include <cstring>

#include "image/lumi.h"

bool ReplicationState::HasPicture() const
{
    // IsValid traces its reasons; the window asks on every paint.
    return (image.depth == 24 || image.depth == 32) && image.width > 0 && image.height > 0 && image.data;
}

bool ReplicationState::OutlineShown() const { return !playing && HasPicture() && !selection.empty(); }

void ReplicationState::select_whole()
{
    // Without a picture width and height are 0: (0, 0, -1, -1), the empty
    // selection.
    selection = SelectionRect{0, 0, image.width - 1, image.height - 1};
    if (!HasPicture()) selection = SelectionRect{0, 0, -1, -1};
}

int ReplicationState::Open(const std::string& path)
{
    // The new picture replaces the old one whole: a movie of the old
    // sequence must not go on reading into a block that is no longer its
    // own, and a failed read must not leave the old sizes or reader behind.
    Stop();
    dragging = 0;
    image.Free();
    int ok = image.ReadFile(path, -1, -1, -1);
    if (ok) image.FlipVertical();
    if (!ok || !HasPicture()) {
        image.Free();
        ok = 0;
    }
    ++revision;
    select_whole();
    return ok;
}

int ReplicationState::Save(const std::string& path)
{
    if (!HasPicture()) return 0;
    // BMP files are written in 24 bits only: a frame of a lumi movie (32
    // bits) would be refused without a word, so the picture as shown is
    // written instead. A PNG keeps the alpha of a picture that has one; the
    // fourth byte of a movie frame is no alpha (it would make it invisible).
    std::string tail = path.size() >= 4 ? path.substr(path.size() - 4) : path;
    for (char& c : tail) c = (char)std::tolower((unsigned char)c);
    if (image.depth == 32 && (tail == ".bmp" || (tail == ".png" && image.lumi))) {
        CTexture shown;
        if (!shown.Alloc(image.width, image.height, 24)) return 0;
        const size_t src_pitch = CTexture::ComputeWidthByte32((unsigned)image.width, 32);
        for (int r = 0; r < image.height; ++r) {
            const unsigned char* s = image.data + (size_t)r * src_pitch;
            unsigned char* d = shown.data + (size_t)r * shown.widthbyte32;
            std::memset(d, 0, shown.widthbyte32);
            for (int x = 0; x < image.width; ++x) std::memcpy(d + 3 * x, s + 4 * x, 3);
        }
        return shown.SaveFile(path);
    }
    return image.SaveFile(path);
}

void ReplicationState::MouseDown(int x, int y)
{
    if (!HasPicture()) return;
    dragging = 1;
    last_x = x;
    last_y = y;
    // A press on or beyond the last column (line) starts the selection at
    // the left (top) edge.
    if (x >= image.width - 1 || x < 0) x = 0;
    if (y >= image.height - 1 || y < 0) y = 0;
    selection = SelectionRect{x, y, x, y};
}

bool ReplicationState::MouseMove(int x, int y)
{
    if (!dragging) return false;
    if (!HasPicture()) {
        dragging = 0;
        return false;
    }
    // The mouse is captured while dragging, so points may lie outside the
    // window on any side: the corner stays on the picture.
    x = std::clamp(x, 0, image.width - 1);
    y = std::clamp(y, 0, image.height - 1);
    selection.right = x;
    selection.bottom = y;
    last_x = x;
    last_y = y;
    return true;
}

void ReplicationState::MouseUp()
{
    dragging = 0;
    if (!HasPicture()) return;
    if (selection.left > selection.right) std::swap(selection.left, selection.right);
    if (selection.top > selection.bottom) std::swap(selection.top, selection.bottom);
}

bool ReplicationState::SelectAll()
{
    select_whole();
    return true;
}

bool ReplicationState::BlackAndWhite()
{
    if (!HasPicture()) return false;
    image.MakeBlackAndWhite();
    ++revision;
    return true;
}

bool ReplicationState::Threshold()
{
    if (!HasPicture()) return false;
    image.ThresholdImage();
    ++revision;
    return true;
}

bool ReplicationState::Filter()
{
    if (!HasPicture()) return false;
    image.FilterImage();
    ++revision;
    return true;
}

bool ReplicationState::ReverseColor()
{
    if (!HasPicture()) return false;
    image.FlipVertical();
    ++revision;
    return true;
}

bool ReplicationState::DuplicateMirror()
{
    // An empty selection would read as "to the last column and line" in the
    // cut-out's convention: it cuts nothing instead.
    if (HasPicture() && !selection.empty()) {
        image.DuplicateMirror(selection.left, selection.top, selection.right, selection.bottom);
        ++revision;
    }
    select_whole();
    return true;
}

bool ReplicationState::Play()
{
    if (!image.lumi || !HasPicture()) return false;
    playing = 1;
    return true;
}

void ReplicationState::Stop() { playing = 0; }

bool ReplicationState::Tick()
{
    if (!playing) return false;
    if (!image.lumi || !HasPicture()) {
        playing = 0;
        return false;
    }
    image.frame = image.frame < image.frame_count ? image.frame + 1 : 0;
    image.ReadLumiFrame(image.lumi, image.frame);
    image.LumiToRGB(image.lumi);
    ++revision;
    return true;
}
