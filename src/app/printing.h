// Printing what the view shows: the frame (the 3D scene, or the 2D board)
// centred on the printable area and scaled to fit it, proportions kept,
// drawn anew at the printer's resolution.
#pragma once
#include <QRect>
#include <QSize>

class CQuorvelView;
class QPainter;
class QPrinter;

// The largest side, in pixels, of the picture drawn for a page; a page that
// needs more gets this picture enlarged.
constexpr int k_print_max_side = 4096;

// The rectangle of `area` that a picture of proportions `picture` fills
// when centred and scaled to fit, proportions kept. Empty for empty sizes.
QRect fit_centred(const QSize& picture, const QRect& area);

// Paints the view's frame on `painter`, whose viewport is the printable
// area. false when there is nothing to print (a view without size) or the
// picture could not be made.
bool paint_view_page(CQuorvelView& view, QPainter& painter);
// One page on `printer`. false when the printer could not be opened or the
// picture could not be made.
bool print_view(CQuorvelView& view, QPrinter& printer);
