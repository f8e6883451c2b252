// The board replayed on a Qt painter: a small drawing renders as its
// checked-in baseline (written with QV_WRITE_BASELINES=1), and the pixels
// that carry meaning have the board's colours.
#include <gtest/gtest.h>

#include <QImage>
#include <QPainter>
#include <cstdlib>
#include <memory>
#include <string>

#include "image/texture.h"
#include "model/drawing_board.h"
#include "view/qt/board_painter.h"

namespace {
QImage render_sample_board()
{
    DrawingBoard b;
    // A picture at (0, 0): 4 x 2, bottom line blue, top line green.
    auto img = std::make_shared<CTexture>();
    img->Alloc(4, 2, 24);
    for (int x = 0; x < 4; ++x) {
        unsigned char* bottom = img->data + x * 3;
        unsigned char* top = img->data + img->widthbyte32 + x * 3;
        bottom[0] = 255, bottom[1] = 0, bottom[2] = 0;
        top[0] = 0, top[1] = 255, top[2] = 0;
    }
    img->kind = 10;
    auto pic = std::make_unique<Picture2D>();
    pic->image = img;
    b.shapes.push_back(std::move(pic));

    b.SetMode(DrawingBoard::ModePoints);
    b.Click(20, 100);
    b.SetMode(DrawingBoard::ModeLines);
    b.Click(20, 20), b.Click(140, 20);
    b.SetMode(DrawingBoard::ModeCircle);
    b.Click(60, 60), b.Click(80, 60);
    b.SetMode(DrawingBoard::ModeRectangle);
    b.Click(140, 100), b.Click(100, 60);
    b.SetMode(DrawingBoard::ModeSplines);
    b.Click(0, 0), b.Click(40, 0), b.Click(120, 100), b.Click(140, 120);
    b.DropOverlay();

    QImage image(160, 120, QImage::Format_RGB32);
    image.fill(QColor(0, 0, 0));
    DrawList ops;
    b.Render(image.width(), image.height(), ops);
    QPainter p(&image);
    PaintBoard(p, ops);
    p.end();
    return image;
}

std::string baseline_path() { return std::string(QV_SOURCE_DIR) + "/tests/view/qt/baselines/board.png"; }
} // namespace

TEST(BoardPainter, SampleDrawingMatchesItsBaseline)
{
    QImage shown = render_sample_board();
    if (std::getenv("QV_WRITE_BASELINES")) {
        ASSERT_TRUE(shown.save(QString::fromStdString(baseline_path())));
    }
    QImage expected(QString::fromStdString(baseline_path()));
    ASSERT_FALSE(expected.isNull()) << baseline_path();
    expected = expected.convertToFormat(QImage::Format_RGB32);
    ASSERT_EQ(expected.size(), shown.size());
    int differing = 0;
    for (int y = 0; y < shown.height(); ++y)
        for (int x = 0; x < shown.width(); ++x) differing += shown.pixel(x, y) != expected.pixel(x, y);
    EXPECT_LE(differing, 20);

    auto at = [&](int x, int y) { return QColor(shown.pixel(x, y)); };
    EXPECT_EQ(at(0, 0), QColor(0, 255, 0));     // the picture's top line is shown on top
    EXPECT_EQ(at(0, 1), QColor(0, 0, 255));
    EXPECT_EQ(at(40, 40), QColor(255, 0, 0));   // grid dot, default pen
    EXPECT_EQ(at(80, 20), QColor(0, 0, 255));   // blue line
    EXPECT_EQ(at(80, 60), QColor(255, 0, 0));   // circle of radius 20 about (60, 60)
    EXPECT_EQ(at(120, 80), QColor(255, 255, 255));   // rectangle inside
    EXPECT_EQ(at(100, 70), QColor(0, 0, 0));         // its black outline
    EXPECT_EQ(at(15, 100), QColor(255, 0, 0));       // point cross, half-size 5
    EXPECT_EQ(at(20, 100 - 15), QColor(0, 0, 255));  // origin cross at the first click, half-size 20, blue
}
