#include "app/printing.h"

#include <QImage>
#include <QPainter>
#include <QPrinter>
#include <algorithm>
#include <cmath>

#include "render/frame.h"
#include "view/qt/view.h"

QRect fit_centred(const QSize& picture, const QRect& area)
{
    if (picture.width() <= 0 || picture.height() <= 0 || area.width() <= 0 || area.height() <= 0) return {};
    const double scale = std::min((double)area.width() / picture.width(), (double)area.height() / picture.height());
    const int w = std::max(1, (int)std::lround(picture.width() * scale));
    const int h = std::max(1, (int)std::lround(picture.height() * scale));
    return QRect(area.x() + (area.width() - w) / 2, area.y() + (area.height() - h) / 2, w, h);
}

bool paint_view_page(CQuorvelView& view, QPainter& painter)
{
    const GlView& g = view.glView();
    const QSize shown(g.width, g.height);
    const QRect target = fit_centred(shown, painter.viewport());
    if (target.isEmpty()) return false;
    // Drawn anew at the size the page needs, up to a bound; beyond it the
    // picture is enlarged.
    QSize pixels = target.size();
    const int side = std::max(pixels.width(), pixels.height());
    if (side > k_print_max_side) pixels = pixels * ((double)k_print_max_side / side);
    pixels = pixels.expandedTo(QSize(1, 1));
    const QImage image = view.renderImage(pixels.width(), pixels.height());
    if (image.isNull()) return false;
    painter.save();
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    painter.drawImage(target, image);
    painter.restore();
    return true;
}

bool print_view(CQuorvelView& view, QPrinter& printer)
{
    QPainter painter;
    if (!painter.begin(&printer)) return false;
    const bool ok = paint_view_page(view, painter);
    painter.end();
    return ok;
}
