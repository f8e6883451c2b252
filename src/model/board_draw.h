// What the drawing board puts on the window, as a list of plain drawing
// records in window pixels. The board produces them; a window layer only
// replays them in order with its own painter, so everything the board
// decides (pens, order, geometry) is computed and checked without a window.
#pragma once
#include <memory>
#include <vector>

#include "model/shape2d.h"

class CTexture;

struct DrawOp {
    enum Kind : uint8_t {
        Line,        // (x1, y1) to (x2, y2)
        Polyline,    // move to points[0], lines through the rest
        Ellipse,     // outline of the ellipse of centre (x1, y1) and radii x2, y2
        Rectangle,   // box (x1, y1) - (x2, y2), right and bottom exclusive; filled when `filled`
        Cross,       // centre (x1, y1), half-size x2: a horizontal and a vertical line
        Dots,        // one pixel at each of points
        Image,       // the image at (x1, y1), full size
    };
    Kind kind = Line;
    Pen2D pen;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    bool filled = false;
    uint32_t fill = 0xFFFFFF;   // packed 0x00BBGGRR
    std::vector<PointI> points;
    std::shared_ptr<const CTexture> image;

    static DrawOp line(Pen2D pen, PointI a, PointI b);
    static DrawOp cross(Pen2D pen, PointI c, int half);
    static DrawOp ellipse(Pen2D pen, PointI c, int rx, int ry);
    static DrawOp rectangle(Pen2D pen, int l, int t, int r, int b, bool filled, uint32_t fill);
    static DrawOp polyline(Pen2D pen, std::vector<PointI> pts);
    static DrawOp dots(Pen2D pen, std::vector<PointI> pts);
    static DrawOp picture(std::shared_ptr<const CTexture> img, int x = 0, int y = 0);
};

using DrawList = std::vector<DrawOp>;
