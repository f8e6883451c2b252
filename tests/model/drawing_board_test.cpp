#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "image/texture.h"
#include "model/drawing_board.h"
#include "model/extrude.h"
#include "scene/object3d.h"
#include "support/recorder.h"

namespace {
void clicks(DrawingBoard& b, std::vector<PointI> pts)
{
    for (PointI p : pts) b.Click(p.x, p.y);
}

int count_kind(const DrawList& ops, DrawOp::Kind k)
{
    int n = 0;
    for (const DrawOp& op : ops) n += op.kind == k;
    return n;
}

void write_bmp(const std::string& path, int w, int h)
{
    CTexture t;
    ASSERT_TRUE(t.Alloc(w, h, 24));
    for (uint32_t i = 0; i < t.widthbyte32 * (uint32_t)h; ++i) t.data[i] = (unsigned char)i;
    ASSERT_TRUE(t.SaveFileBMP(path));
}
} // namespace

TEST(DrawingBoard, SnapsToTheNearestNodeHalfGoingDown)
{
    DrawingBoard b;
    struct { PointI in, out; } cases[] = {
        {{31, 50}, {40, 40}}, {{30, 49}, {20, 40}}, {{0, 0}, {0, 0}}, {{10, 11}, {0, 20}}, {{59, 1}, {60, 0}}};
    for (auto c : cases) EXPECT_EQ(b.Snap(c.in), c.out) << c.in.x << "," << c.in.y;
    b.m_grid = {0, 7};   // a zero step must not divide
    EXPECT_EQ(b.Snap({31, 11}), (PointI{31, 14}));
    b.m_snap = 0;
    EXPECT_EQ(b.Snap({31, 50}), (PointI{31, 50}));
}

TEST(DrawingBoard, SplineSegmentCount)
{
    Spline2D s;
    s.P1 = {100, 0};
    std::vector<PointI> pts;
    EXPECT_EQ(SplineCurve(s, &pts), 50);
    ASSERT_EQ(pts.size(), 52u);   // the move to P0, then t = 0 ... 1
    EXPECT_EQ(pts.front(), (PointI{0, 0}));
    EXPECT_EQ(pts.back(), (PointI{100, 0}));
    EXPECT_EQ(pts[26], (PointI{50, 0}));   // t = 1/2 of a straight spline
    // End points too close for a segment: drawn with one.
    s.P1 = {10, 0};
    s.T0 = {5, 5};
    EXPECT_EQ(SplineCurve(s, &pts), 1);
    EXPECT_EQ(pts, (std::vector<PointI>{{0, 0}, {0, 0}, {10, 0}}));
}

TEST(DrawingBoard, ClickSequencesOfEachMode)
{
    struct Case {
        int mode;
        std::vector<PointI> clicks;
        std::vector<int> kinds;
        Shape2D last;
        PointI current;
    };
    const Case cases[] = {
        {DrawingBoard::ModeNone, {{40, 40}}, {}, {}, {0, 0}},
        {DrawingBoard::ModePoints, {{40, 40}, {60, 20}}, {4, 4}, {4, 60, 20, 60, 20, {}}, {0, 0}},
        {DrawingBoard::ModeLines, {{0, 0}, {40, 20}, {60, 60}}, {6}, {6, 0, 0, 40, 20, {}}, {40, 20}},
        {DrawingBoard::ModeCircle, {{20, 20}, {50, 60}}, {7}, {7, 20, 20, 44, 0, {}}, {0, 0}},   // (50, 60) snaps to (40, 60)
        {DrawingBoard::ModeRectangle, {{60, 40}, {20, 20}}, {12}, {12, 60, 40, 20, 20, {}}, {0, 0}},
        {DrawingBoard::ModePolylines, {{20, 20}, {40, 20}, {40, 60}}, {4, 11, 11}, {11, 40, 60, 40, 60, {}}, {40, 60}},
        // The spline starts at the current point, whatever the first click.
        {DrawingBoard::ModeSplines, {{80, 80}, {20, 0}, {100, 0}, {100, 40}}, {9}, {9, 0, 0, 100, 0, {}}, {100, 0}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.mode);
        DrawingBoard b;
        b.SetMode(c.mode);
        clicks(b, c.clicks);
        std::vector<int> kinds;
        for (const auto& s : b.shapes) kinds.push_back(s->kind);
        EXPECT_EQ(kinds, c.kinds);
        EXPECT_EQ(b.m_current, c.current);
        EXPECT_EQ(b.m_origin, c.mode ? c.clicks[0] : (PointI{-1, -1}));
        if (kinds.empty()) continue;
        const Shape2D& s = *b.shapes.back();
        EXPECT_EQ((std::vector<int>{s.x1, s.y1, s.x2, s.y2}),
                  (std::vector<int>{c.last.x1, c.last.y1, c.last.x2, c.last.y2}));
    }
    // Spline tangents and pens.
    DrawingBoard b;
    b.SetMode(DrawingBoard::ModeSplines);
    clicks(b, {{80, 80}, {20, 0}, {100, 0}, {100, 40}});
    const auto& sp = dynamic_cast<const Spline2D&>(*b.shapes[0]);
    EXPECT_EQ(sp.T0, (PointI{20, 0}));
    EXPECT_EQ(sp.T1, (PointI{0, 40}));
    EXPECT_EQ(sp.pen, BoardPenOf(PenRed));
    b.SetMode(DrawingBoard::ModeLines);
    clicks(b, {{0, 0}, {20, 20}});
    EXPECT_EQ(b.shapes.back()->pen.color, 0xFF0000u);   // lines are blue
}

TEST(DrawingBoard, SplinePatchNeedsTwoSplinesLast)
{
    DrawingBoard b;
    EXPECT_EQ(b.MakePatch(), 0);
    b.SetMode(DrawingBoard::ModeSplines);
    clicks(b, {{0, 0}, {20, 0}, {100, 0}, {100, 40}});
    EXPECT_EQ(b.MakePatch(), 0);   // one shape
    b.SetMode(DrawingBoard::ModePoints);
    clicks(b, {{200, 200}});
    b.SetMode(DrawingBoard::ModeSplines);
    clicks(b, {{0, 0}, {100, 100}, {100, 200}, {160, 200}});
    EXPECT_EQ(b.MakePatch(), 0);   // a point between the splines
    EXPECT_EQ(b.shapes.size(), 3u);

    clicks(b, {{0, 0}, {140, 200}, {200, 100}, {200, 60}});
    ASSERT_EQ(b.MakePatch(), 1);
    ASSERT_EQ(b.shapes.size(), 5u);
    const auto& p = dynamic_cast<const SplinePatch2D&>(*b.shapes.back());
    EXPECT_EQ(p.kind, 13);
    ASSERT_EQ(p.net.size(), 2500u);
    // a: P0 (100, 0) P1 (100, 200) T0 (0, 100) T1 (60, 0);
    // b: P0 (100, 200) P1 (200, 100) T0 (40, 0) T1 (0, -40).
    EXPECT_EQ(p.net[0], (PointI{100, 0}));
    // Along v = 0 the patch is the Hermite curve a.P0 -> b.P0 with tangents
    // a.T0 and b.T0: at u = 1/2, (P0a + P0b)/2 + (T0a - T0b)/8.
    EXPECT_EQ(p.net[25 * 50], (PointI{95, 112}));
    // Along u = 0 it is spline a with unscaled tangents: v = 1/2.
    EXPECT_EQ(p.net[25], (PointI{92, 112}));
    DrawList ops;
    b.RenderShape(4, ops);
    ASSERT_EQ(ops.size(), 100u);
    EXPECT_EQ(ops[0].points.size(), 51u);
    EXPECT_EQ(ops[0].points[0], (PointI{100, 0}));   // every curve starts at a.P0
    EXPECT_EQ(ops[0].pen, BoardPenOf(PenRed));
}

TEST(DrawingBoard, ClearEmptiesAndLeavesNoMode)
{
    DrawingBoard b;
    b.SetMode(DrawingBoard::ModeLines);
    clicks(b, {{0, 0}, {40, 40}, {60, 60}});
    ASSERT_EQ(b.m_step, 1);
    ASSERT_FALSE(b.overlay().empty());
    b.Clear();
    EXPECT_TRUE(b.shapes.empty());
    EXPECT_EQ(b.m_mode, 0);
    EXPECT_EQ(b.m_step, 0);
    EXPECT_TRUE(b.overlay().empty());
    clicks(b, {{20, 20}});
    EXPECT_TRUE(b.shapes.empty());
}

TEST(DrawingBoard, PaintShowsGridAlwaysAndShapesOnlyWithAMode)
{
    DrawingBoard b;
    b.SetMode(DrawingBoard::ModeRectangle);
    clicks(b, {{60, 40}, {20, 20}});
    b.DropOverlay();
    b.m_mode = 0;
    DrawList ops;
    b.Render(100, 50, ops);
    ASSERT_EQ(ops.size(), 1u);
    EXPECT_EQ(ops[0].kind, DrawOp::Dots);
    EXPECT_EQ(ops[0].points.size(), 10u);   // 5 x 2 nodes

    b.m_mode = DrawingBoard::ModeRectangle;
    b.m_origin = {-1, -1};
    ops.clear();
    b.Render(100, 50, ops);
    ASSERT_EQ(ops.size(), 4u);
    EXPECT_EQ(ops[1].kind, DrawOp::Cross);
    EXPECT_EQ(ops[1].pen, BoardPenOf(PenGreen));
    EXPECT_EQ(ops[2].x2, 20);   // the origin cross, placed at the current point
    EXPECT_EQ(b.m_origin, b.m_current);
    EXPECT_EQ((std::vector<int>{ops[3].x1, ops[3].y1, ops[3].x2, ops[3].y2}), (std::vector<int>{20, 20, 60, 40}));
}

TEST(DrawingBoard, PicturesAndUnreadablePictures)
{
    RecordingReporter rec;
    ScratchDir dir;
    write_bmp(dir.file("a.bmp"), 8, 4);
    DrawingBoard b;
    EXPECT_EQ(b.AddPicture(dir.file("missing.bmp")), 0);
    EXPECT_TRUE(b.shapes.empty());
    ASSERT_EQ(b.AddPicture(dir.file("a.bmp")), 1);
    ASSERT_EQ(b.shapes.size(), 1u);
    const auto& pic = dynamic_cast<const Picture2D&>(*b.shapes[0]);
    EXPECT_EQ(pic.kind, 10);
    EXPECT_EQ(pic.image->kind, 10);
    ASSERT_EQ(count_kind(b.overlay(), DrawOp::Image), 1);
}

TEST(SlideList, ReadsPairsWithinItsLimits)
{
    RecordingReporter rec;
    ScratchDir dir;
    std::string many;
    for (int i = 0; i < 120; ++i) many += "p" + std::to_string(i) + ".jpg 10\n";
    const std::string long_name(64, 'x');
    struct { std::string text; std::vector<std::string> names; std::vector<int> ms; } cases[] = {
        {"a.jpg 1000\n  b.bmp\t250 c.jpg -5", {"a.jpg", "b.bmp", "c.jpg"}, {1000, 250, -5}},
        {"a.jpg 100 b.jpg x12 c.jpg 5", {"a.jpg"}, {100}},       // stops at a bad time
        {"a.jpg 100 b.jpg", {"a.jpg"}, {100}},                   // a name without its time
        {"a.jpg 100 " + long_name + " 5", {"a.jpg"}, {100}},     // 64 characters
        {std::string(63, 'y') + " 7", {std::string(63, 'y')}, {7}},
        {"", {}, {}},
    };
    for (const auto& c : cases) {
        write_whole_file(dir.file("list.txt"), c.text);
        std::vector<SlideEntry> out;
        ASSERT_EQ(ReadSlideList("list.txt", out), 1);
        std::vector<std::string> names;
        std::vector<int> ms;
        for (const auto& e : out) names.push_back(e.name), ms.push_back(e.ms);
        EXPECT_EQ(names, c.names) << c.text;
        EXPECT_EQ(ms, c.ms) << c.text;
    }
    write_whole_file(dir.file("list.txt"), many);
    std::vector<SlideEntry> out;
    ReadSlideList("list.txt", out);
    EXPECT_EQ(out.size(), 100u);
    EXPECT_TRUE(rec.boxes.empty());
    EXPECT_EQ(ReadSlideList("listeimages.txt", out), 0);
    EXPECT_TRUE(rec.has_box("Unable to open file for reading listeimages.txt"));
}

TEST(SlideShow, StepsThroughTheListAndLoops)
{
    RecordingReporter rec;
    ScratchDir dir;
    DrawingBoard b;
    EXPECT_EQ(b.StartSlideShow(), 0);
    EXPECT_TRUE(rec.has_box("Unable to open file for reading listeimages.txt"));
    EXPECT_EQ(b.m_grid_shown, 1);

    write_bmp(dir.file("a.bmp"), 8, 4);
    write_bmp(dir.file("b.bmp"), 4, 4);
    write_whole_file(dir.file("listeimages.txt"), "a.bmp 300 gone.bmp 50 b.bmp 0\n");
    ASSERT_EQ(b.StartSlideShow(), 1);
    EXPECT_EQ(b.m_slide_period, 300);
    EXPECT_EQ(b.m_grid_shown, 0);
    ASSERT_EQ(b.shapes.size(), 1u);   // only the first slide joins the shapes
    const CTexture* a = b.currentSlide().get();

    rec.boxes.clear();
    EXPECT_EQ(b.NextSlide(), 50);        // unreadable: a stays on show
    EXPECT_EQ(b.currentSlide().get(), a);
    EXPECT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(b.NextSlide(), DrawingBoard::kMinSlidePeriod);
    EXPECT_EQ(b.currentSlide()->width, 4);
    EXPECT_EQ(b.NextSlide(), 300);       // loops to the first
    EXPECT_EQ(b.slideIndex(), 0);
    EXPECT_EQ(b.NextSlide(), 10);        // the unreadable one is passed over
    EXPECT_EQ(b.slideIndex(), 2);
    EXPECT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(b.shapes.size(), 1u);
    // Only the last of same-sized slides stays in the overlay.
    for (int i = 0; i < 10; ++i) b.NextSlide();
    EXPECT_LE(count_kind(b.overlay(), DrawOp::Image), 2);
}

TEST(ExtrudeDrawing, WallUnderTheOutline)
{
    DrawingBoard b;
    b.SetMode(DrawingBoard::ModeLines);
    clicks(b, {{0, 0}, {40, 0}, {40, 0}, {40, 40}, {40, 40}, {0, 40}});
    ASSERT_EQ(b.shapes.size(), 3u);
    OBJECT3D wall;
    ASSERT_EQ(ExtrudeDrawing(wall, b.shapes), 1);
    EXPECT_EQ(wall.nbpts, 8);
    EXPECT_EQ(wall.nbface, 3);
    EXPECT_EQ(std::vector<int32_t>(wall.m_index, wall.m_index + wall.nbindex),
              (std::vector<int32_t>{0, 1, 5, 4, -1, 1, 2, 6, 5, -1, 2, 3, 7, 6, -1}));
    EXPECT_EQ(wall.m_vertices[3], Vec3(0, 40, 0));    // end of the last line
    EXPECT_EQ(wall.m_vertices[6], Vec3(40, 40, 20));

    // Shapes without an outline point add nothing.
    ShapeList only_picture;
    only_picture.push_back(std::make_unique<Picture2D>());
    EXPECT_EQ(ExtrudeDrawing(wall, only_picture), 0);
    EXPECT_EQ(wall.nbpts, 0);
}
