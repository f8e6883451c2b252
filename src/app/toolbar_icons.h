// Pictures of the toolbar buttons (16 x 15 pixels each) and of the
// application, drawn here so that the program carries no image files.
#pragma once
#include <QIcon>

constexpr int k_button_w = 16;
constexpr int k_button_h = 15;

// The picture of toolbar button `id` (a plain frame for an unknown id).
QIcon toolbar_icon(int id);
// The application's picture: a shaded cube, at any size.
QIcon application_icon();
