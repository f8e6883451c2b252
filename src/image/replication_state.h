// What the image editor window ("Replication") knows and does, without a
// window system: its picture, the selected rectangle, the mouse rules that
// build the selection, the commands of its menu and the movie playback of a
// lumi sequence. The Qt window only turns its events into these calls,
// starts and stops its 40 ms timer as told, and paints.
//
// Coordinates are the window's client coordinates, which are the picture's
// (x from the left, y from the top line): the picture is drawn at (0, 0).
#pragma once
#include <string>

#include "image/texture.h"

// The window's title, which is also the name under which the view's
// commands ("&Edit..." and "Filter" of the Texture menu) ask the host to run
// it.
inline constexpr char kReplicationDialogName[] = "Replication";

// Inclusive corners. Empty when right < left or bottom < top.
struct SelectionRect {
    int left = 0, top = 0, right = 0, bottom = 0;
    bool empty() const { return right < left || bottom < top; }
    bool operator==(const SelectionRect&) const = default;
};

class ReplicationState {
public:
    CTexture image;
    SelectionRect selection;   // (0, 0, 0, 0) until a picture is opened
    int dragging = 0;          // 1 while the left button is held
    int playing = 0;           // 1 while the movie timer runs
    int last_x = 0, last_y = 0;   // last mouse point taken into the selection
    // Bumped whenever the picture's pixels or size change, so that a painter
    // may keep a converted copy until the next change.
    unsigned revision = 0;

    // A picture is shown: the image holds a valid block.
    bool HasPicture() const;
    // The red selection outline is drawn: a picture, a non-empty selection
    // and no movie playing.
    bool OutlineShown() const;

    // Open: reads the file at the full path into the picture (any picture or
    // movie before it is dropped first) and brings it to display order. On
    // success the whole picture is selected; on failure (the reader has told
    // the user) the window holds no picture and the selection is empty.
    int Open(const std::string& path);
    // Save as: writes the picture under the full path (".bmp" or ".raw",
    // other endings are refused with a message; a 32-bit movie frame goes to
    // a BMP file as the 24-bit picture shown). 0 without a picture.
    int Save(const std::string& path);

    // Mouse, in client coordinates. Without a picture the mouse selects
    // nothing.
    void MouseDown(int x, int y);
    // True when the selection changed (repaint).
    bool MouseMove(int x, int y);
    void MouseUp();

    // Menu commands; each returns true when the window must repaint. All of
    // them are harmless without a picture.
    bool SelectAll();
    bool BlackAndWhite();
    bool Threshold();
    bool Filter();
    bool ReverseColor();
    bool DuplicateMirror();

    // Play: true when the movie starts (the window then runs its 40 ms timer);
    // only a picture read from a lumi sequence plays.
    bool Play();
    void Stop();
    // One timer period: shows the next frame, cycling 0, 1, ..., frame_count,
    // 0, ... True when a frame was shown; false means the movie cannot go on
    // (the window stops its timer).
    bool Tick();

private:
    void select_whole();
};
