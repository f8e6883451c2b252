// Shapes of the 2D drawing board, in window pixel coordinates, and the flat
// curve that can be attached to an object (the extrusion keeps its profile
// this way; the display list draws its points as a red line strip).
#pragma once
#include <cstdint>
#include <memory>
#include <vector>

class CTexture;

struct Point2D {
    float x = 0.f, y = 0.f;
};

struct PointI {
    int x = 0, y = 0;
    bool operator==(const PointI&) const = default;
};

// A board pen: packed colour 0x00BBGGRR (red in the lowest byte), style and
// width in pixels.
enum class PenStyle : uint8_t { Solid, DashDot };
struct Pen2D {
    uint32_t color = 255;
    PenStyle style = PenStyle::Solid;
    int width = 1;
    bool operator==(const Pen2D&) const = default;
};

// The board's pens, in the order the board creates them.
enum BoardPen {
    PenDefault,     // solid red
    PenWhite,
    PenBlack,
    PenRed,
    PenGreen,
    PenBlue,
    PenDashDotBlue,
    PenDashDotWhite,
    PenDashDotBlack,
    PenWideBlue,    // geometric, width 3
};
Pen2D BoardPenOf(BoardPen which, int width = 1);

// Shape kinds; a picture (10) is an image buffer whose kind is 10.
enum ShapeKind {
    ShapeNone = 0,
    ShapePoint = 4,
    ShapeLine = 6,
    ShapeCircle = 7,
    ShapeSpline = 9,
    ShapePicture = 10,
    ShapePolylineVertex = 11,
    ShapeRectangle = 12,
    ShapePatch = 13,
};

// One board shape: first point (x1, y1), second point (x2, y2) (a circle
// keeps its radius in x2), pen. `points` is the attached-curve form.
struct Shape2D {
    int kind = 0;
    int x1 = 0, y1 = 0, x2 = 0, y2 = 0;
    Pen2D pen;
    std::vector<Point2D> points;

    Shape2D() = default;
    Shape2D(int k, int ax, int ay, int bx, int by, Pen2D p) : kind(k), x1(ax), y1(ay), x2(bx), y2(by), pen(p) {}
    virtual ~Shape2D() = default;
};

// Cubic Hermite spline from P0 to P1 with tangents T0 and T1 (kind 9).
// x1, y1 and x2, y2 repeat P0 and P1.
struct Spline2D : Shape2D {
    PointI P0, P1, T0, T1;
    Spline2D() { kind = ShapeSpline; }
};

// Bicubic patch between two splines a (older) and b (newer), kind 13: their
// end points and tangents as floats, and the 50 x 50 net of patch points
// computed once (net[k * 50 + l] is the point at u = k/50, v = l/50).
struct SplinePatch2D : Shape2D {
    static constexpr int kSteps = 50;
    float ax[4] = {}, ay[4] = {};   // a: P0, P1, T0, T1
    float bx[4] = {}, by[4] = {};   // b: P0, P1, T0, T1
    std::vector<PointI> net;
    SplinePatch2D() { kind = ShapePatch; }
};

// A picture placed on the board at (0, 0); the image's own kind is 10.
struct Picture2D : Shape2D {
    std::shared_ptr<const CTexture> image;
    Picture2D() { kind = ShapePicture; }
};

using ShapeList = std::vector<std::unique_ptr<Shape2D>>;

// Start and end of a shape's outline (what the wall extrusion stands on):
// points and polyline vertices start and end at their point, lines and
// rectangles at their two points, circles at their centre, splines at P0 and
// P1. False for shapes without an outline point (pictures, patches).
bool ShapeEnds(const Shape2D& s, PointI& start, PointI& end);
