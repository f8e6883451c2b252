// The part of a thumbnail that draws nothing: whether a file may be read
// within a file manager's patience (told from its size before it is read),
// which reader messages leave a scene worth a picture, and the scene framed
// as the thumbnail shows it. File managers run a thumbnailer for every
// scene file a folder shows and kill what takes long.
#pragma once
#include <string>

class SCENE3D;

// The longest a thumbnail may take, in seconds.
constexpr unsigned k_thumbnail_time_limit_s = 10;

// The bytes of scene text the file holds, as far as its size tells: its
// size, or for a gzip member the size it inflates to (the trailer's count,
// which wraps at 4 GiB, taken with the least inflation); -1 with the reason
// when it cannot be read or is no regular file.
long long scene_text_estimate(const std::string& path, std::string& why);

// Whether that much scene text can be read within the time limit, at the
// slowest rate the readers take text.
bool within_read_budget(long long text_bytes);

// Whether a reader's message is about a picture (a texture that could not
// be read leaves a scene worth a thumbnail, drawn without it) rather than
// about the scene file itself.
bool message_about_a_picture(const std::string& text);

// Puts the scene as the thumbnail shows it: a world that moves as it is
// `seconds` after opening, framed whole from the View All camera whatever
// the file's viewpoint. False when there is nothing to frame (no camera
// or no vertices).
bool frame_for_thumbnail(SCENE3D& scene, double seconds);
