#include "app/toolbar_icons.h"

#include <QPainter>
#include <QPainterPath>
#include <QPixmap>

namespace {
void page(QPainter& p, int x, int y)
{
    p.setPen(Qt::black);
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygon({QPoint(x, y), QPoint(x + 6, y), QPoint(x + 9, y + 3), QPoint(x + 9, y + 12),
                            QPoint(x, y + 12)}));
    p.drawLine(x + 6, y, x + 6, y + 3);
    p.drawLine(x + 6, y + 3, x + 9, y + 3);
}

void sign(QPainter& p, bool plus, int x, int y)
{
    p.setPen(QPen(QColor(0, 110, 0), 2));
    p.drawLine(x - 3, y, x + 3, y);
    if (plus) p.drawLine(x, y - 3, x, y + 3);
}

void rotation(QPainter& p, bool plus)
{
    p.setPen(QPen(QColor(0, 0, 160), 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRect(1, 1, 10, 10), 30 * 16, 280 * 16);
    p.setBrush(QColor(0, 0, 160));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygon({QPoint(9, 0), QPoint(13, 3), QPoint(8, 5)}));
    sign(p, plus, 12, 11);
}

void translation(QPainter& p, bool plus)
{
    p.setPen(QPen(QColor(160, 0, 0), 2));
    p.drawLine(1, 5, 10, 5);
    p.setBrush(QColor(160, 0, 0));
    p.setPen(Qt::NoPen);
    p.drawPolygon(QPolygon({QPoint(9, 1), QPoint(14, 5), QPoint(9, 9)}));
    sign(p, plus, 5, 11);
}

void letters(QPainter& p, const char* text, QColor c)
{
    QFont f = p.font();
    f.setPixelSize(9);
    f.setBold(true);
    p.setFont(f);
    p.setPen(c);
    p.drawText(QRect(0, 0, k_button_w, k_button_h), Qt::AlignCenter, text);
}

void draw(QPainter& p, int id)
{
    switch (id) {
    case 57600: page(p, 3, 1); break;                                  // New
    case 57601:                                                        // Open
        p.setPen(Qt::black);
        p.setBrush(QColor(230, 190, 60));
        p.drawRect(1, 4, 12, 9);
        p.drawRect(1, 2, 5, 2);
        p.setBrush(QColor(250, 220, 110));
        p.drawPolygon(QPolygon({QPoint(3, 7), QPoint(15, 7), QPoint(13, 13), QPoint(1, 13)}));
        break;
    case 57603:                                                        // Save
        p.setPen(Qt::black);
        p.setBrush(QColor(40, 60, 150));
        p.drawRect(1, 1, 13, 12);
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 7, 5);
        p.setBrush(QColor(180, 180, 180));
        p.drawRect(4, 9, 7, 4);
        break;
    case 57635:                                                        // Cut
        p.setPen(Qt::black);
        p.setBrush(Qt::NoBrush);
        p.drawEllipse(2, 9, 4, 4);
        p.drawEllipse(9, 9, 4, 4);
        p.drawLine(5, 9, 10, 1);
        p.drawLine(10, 9, 5, 1);
        break;
    case 57634: page(p, 1, 0); page(p, 6, 2); break;                   // Copy
    case 57637:                                                        // Paste
        p.setPen(Qt::black);
        p.setBrush(QColor(150, 100, 50));
        p.drawRect(1, 2, 10, 12);
        p.setBrush(QColor(200, 200, 200));
        p.drawRect(4, 1, 4, 2);
        page(p, 6, 2);
        break;
    case 57607:                                                        // Print
        p.setPen(Qt::black);
        p.setBrush(Qt::white);
        p.drawRect(4, 1, 7, 5);
        p.setBrush(QColor(190, 190, 190));
        p.drawRect(1, 6, 13, 5);
        p.setBrush(Qt::white);
        p.drawRect(4, 10, 7, 4);
        break;
    case 57664: letters(p, "?", QColor(0, 0, 160)); break;             // About
    case 32776: rotation(p, false); break;
    case 32777: rotation(p, true); break;
    case 32778: translation(p, false); break;
    case 32779: translation(p, true); break;
    case 32792: letters(p, "YZ", QColor(120, 0, 120)); break;
    case 32878:                                                        // sound
        p.setPen(Qt::black);
        p.setBrush(QColor(90, 90, 90));
        p.drawPolygon(QPolygon({QPoint(2, 5), QPoint(5, 5), QPoint(9, 1), QPoint(9, 13), QPoint(5, 9), QPoint(2, 9)}));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRect(7, 3, 6, 8), -60 * 16, 120 * 16);
        break;
    case 32863: letters(p, "1", QColor(100, 100, 100)); break;
    case 32864: letters(p, "2", QColor(100, 100, 100)); break;
    case 32865: letters(p, "3", QColor(100, 100, 100)); break;
    case 32883: letters(p, "A", QColor(100, 100, 100)); break;
    case 32884: letters(p, "B", QColor(100, 100, 100)); break;
    default:
        p.setPen(Qt::gray);
        p.drawRect(1, 1, 13, 12);
        break;
    }
}

void cube(QPainter& p, double s)
{
    // Three faces of a cube seen from above, lit from the upper left.
    auto pt = [s](double x, double y) { return QPointF(x * s, y * s); };
    p.setPen(QPen(QColor(30, 30, 40), s / 32.0 + 0.5));
    p.setBrush(QColor(120, 170, 230));
    p.drawPolygon(QPolygonF({pt(0.5, 0.08), pt(0.92, 0.3), pt(0.5, 0.52), pt(0.08, 0.3)}));
    p.setBrush(QColor(60, 110, 190));
    p.drawPolygon(QPolygonF({pt(0.08, 0.3), pt(0.5, 0.52), pt(0.5, 0.94), pt(0.08, 0.72)}));
    p.setBrush(QColor(30, 70, 140));
    p.drawPolygon(QPolygonF({pt(0.92, 0.3), pt(0.5, 0.52), pt(0.5, 0.94), pt(0.92, 0.72)}));
}
} // namespace

QIcon toolbar_icon(int id)
{
    QPixmap pm(k_button_w, k_button_h);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    draw(p, id);
    p.end();
    return QIcon(pm);
}

QIcon application_icon()
{
    QIcon icon;
    for (int s : {16, 32, 48, 64, 128}) {
        QPixmap pm(s, s);
        pm.fill(Qt::transparent);
        QPainter p(&pm);
        p.setRenderHint(QPainter::Antialiasing);
        cube(p, s);
        p.end();
        icon.addPixmap(pm);
    }
    return icon;
}
