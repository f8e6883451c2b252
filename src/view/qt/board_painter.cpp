#include "view/qt/board_painter.h"

#include <QImage>
#include <QPainter>
#include <QPen>
#include <QPolygon>

#include "image/texture.h"

namespace {
QColor colour_of(uint32_t packed)
{
    return QColor((int)(packed & 0xFF), (int)((packed >> 8) & 0xFF), (int)((packed >> 16) & 0xFF));
}

QPen pen_of(const Pen2D& pen)
{
    QPen q(colour_of(pen.color));
    q.setWidth(pen.width < 1 ? 1 : pen.width);
    q.setStyle(pen.style == PenStyle::DashDot ? Qt::DashDotLine : Qt::SolidLine);
    q.setCapStyle(Qt::FlatCap);
    return q;
}

QPolygon polygon_of(const std::vector<PointI>& pts)
{
    QPolygon poly((int)pts.size());
    for (size_t i = 0; i < pts.size(); ++i) poly.setPoint((int)i, pts[i].x, pts[i].y);
    return poly;
}

void draw_picture(QPainter& p, const CTexture& img, int x, int y)
{
    if (!img.IsValid()) return;
    QImage q(img.width, img.height, QImage::Format_RGB888);
    if (q.isNull()) return;
    img.Draw(q.bits(), q.width(), q.height(), (int)q.bytesPerLine(), 0, 0);
    p.drawImage(x, y, q);
}
} // namespace

void PaintBoard(QPainter& p, const DrawList& ops)
{
    p.save();
    p.setRenderHint(QPainter::Antialiasing, false);
    for (const DrawOp& op : ops) {
        p.setPen(pen_of(op.pen));
        p.setBrush(Qt::NoBrush);
        switch (op.kind) {
        case DrawOp::Line:
            p.drawLine(op.x1, op.y1, op.x2, op.y2);
            break;
        case DrawOp::Polyline:
            if (op.points.size() >= 2) p.drawPolyline(polygon_of(op.points));
            break;
        case DrawOp::Ellipse:
            p.drawEllipse(QPoint(op.x1, op.y1), op.x2, op.y2);
            break;
        case DrawOp::Rectangle:
            // Right and bottom edges are outside the rectangle.
            if (op.x2 - op.x1 < 1 || op.y2 - op.y1 < 1) break;
            if (op.filled) p.setBrush(colour_of(op.fill));
            p.drawRect(op.x1, op.y1, op.x2 - op.x1 - 1, op.y2 - op.y1 - 1);
            break;
        case DrawOp::Cross:
            p.drawLine(op.x1 - op.x2, op.y1, op.x1 + op.x2, op.y1);
            p.drawLine(op.x1, op.y1 - op.x2, op.x1, op.y1 + op.x2);
            break;
        case DrawOp::Dots: {
            QPen dot = pen_of(op.pen);
            dot.setCapStyle(Qt::SquareCap);   // a flat cap would leave a dot empty
            p.setPen(dot);
            p.drawPoints(polygon_of(op.points));
            break;
        }
        case DrawOp::Image:
            if (op.image) draw_picture(p, *op.image, op.x1, op.y1);
            break;
        }
    }
    p.restore();
}
