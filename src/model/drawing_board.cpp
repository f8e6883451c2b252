#include "model/drawing_board.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "image/texture.h"
#include "base/file_lookup.h"
#include "math/matrix.h"
#include "base/report.h"

// ------------------------------------------------------------ pens, records

Pen2D BoardPenOf(BoardPen which, int width)
{
    switch (which) {
    case PenDefault: return {255, PenStyle::Solid, width};
    case PenWhite: return {0xFFFFFF, PenStyle::Solid, width};
    case PenBlack: return {0, PenStyle::Solid, width};
    case PenRed: return {255, PenStyle::Solid, width};
    case PenGreen: return {65280, PenStyle::Solid, width};
    case PenBlue: return {0xFF0000, PenStyle::Solid, width};
    case PenDashDotBlue: return {0xFF0000, PenStyle::DashDot, width};
    case PenDashDotWhite: return {0xFFFFFF, PenStyle::DashDot, width};
    case PenDashDotBlack: return {0, PenStyle::DashDot, width};
    case PenWideBlue: return {0xFF0000, PenStyle::Solid, 3};
    }
    return {};
}

bool ShapeEnds(const Shape2D& s, PointI& start, PointI& end)
{
    switch (s.kind) {
    case ShapePoint:
    case ShapePolylineVertex:
    case ShapeCircle:   // x2 holds the radius, not a point
        start = end = {s.x1, s.y1};
        return true;
    case ShapeLine:
    case ShapeRectangle:
    case ShapeSpline:
        start = {s.x1, s.y1};
        end = {s.x2, s.y2};
        return true;
    default:
        return false;
    }
}

DrawOp DrawOp::line(Pen2D pen, PointI a, PointI b)
{
    DrawOp op;
    op.kind = Line;
    op.pen = pen;
    op.x1 = a.x, op.y1 = a.y, op.x2 = b.x, op.y2 = b.y;
    return op;
}

DrawOp DrawOp::cross(Pen2D pen, PointI c, int half)
{
    DrawOp op;
    op.kind = Cross;
    op.pen = pen;
    op.x1 = c.x, op.y1 = c.y, op.x2 = half;
    return op;
}

DrawOp DrawOp::ellipse(Pen2D pen, PointI c, int rx, int ry)
{
    DrawOp op;
    op.kind = Ellipse;
    op.pen = pen;
    op.x1 = c.x, op.y1 = c.y, op.x2 = rx, op.y2 = ry;
    return op;
}

DrawOp DrawOp::rectangle(Pen2D pen, int l, int t, int r, int b, bool filled, uint32_t fill)
{
    DrawOp op;
    op.kind = Rectangle;
    op.pen = pen;
    op.x1 = l, op.y1 = t, op.x2 = r, op.y2 = b;
    op.filled = filled;
    op.fill = fill;
    return op;
}

namespace {
DrawOp points_op(DrawOp::Kind kind, Pen2D pen, std::vector<PointI> pts)
{
    DrawOp op;
    op.kind = kind;
    op.pen = pen;
    op.points = std::move(pts);
    return op;
}
} // namespace

DrawOp DrawOp::polyline(Pen2D pen, std::vector<PointI> pts) { return points_op(Polyline, pen, std::move(pts)); }

DrawOp DrawOp::dots(Pen2D pen, std::vector<PointI> pts) { return points_op(Dots, pen, std::move(pts)); }

DrawOp DrawOp::picture(std::shared_ptr<const CTexture> img, int x, int y)
{
    DrawOp op;
    op.kind = Image;
    op.x1 = x, op.y1 = y;
    op.image = std::move(img);
    return op;
}

// ------------------------------------------------------------ curves

namespace {
// Beyond this many segments a curve is drawn no finer: the end points are
// window pixels, and a longer point list only costs memory on every paint.
constexpr long long kMaxSplineSegments = 1 << 18;
} // namespace

int SplineCurve(const Spline2D& s, std::vector<PointI>* pts)
{
    const long long dx = (long long)s.P0.x - s.P1.x;
    const long long dy = (long long)s.P0.y - s.P1.y;
    const double d2 = (double)(dx * dx) + (double)(dy * dy);
    long long n = (long long)std::floor(d2 * 0.005);
    // End points closer than 15 pixels would give no segment at all.
    if (n < 1) n = 1;
    if (n > kMaxSplineSegments) n = kMaxSplineSegments;
    if (pts) {
        // Tangents enter scaled by 3.
        const double ax = 3.0 * s.T0.x, ay = 3.0 * s.T0.y;
        const double bx = 3.0 * s.T1.x, by = 3.0 * s.T1.y;
        const double p0x = s.P0.x, p0y = s.P0.y, p1x = s.P1.x, p1y = s.P1.y;
        const double cx3 = 2 * p0x - 2 * p1x + ax + bx, cy3 = 2 * p0y - 2 * p1y + ay + by;
        const double cx2 = -3 * p0x + 3 * p1x - 2 * ax - bx, cy2 = -3 * p0y + 3 * p1y - 2 * ay - by;
        pts->clear();
        pts->reserve((size_t)n + 2);
        pts->push_back(s.P0);
        for (long long i = 0; i <= n; ++i) {
            const double t = (double)i / (double)n;
            const double x = ((cx3 * t + cx2) * t + ax) * t + p0x;
            const double y = ((cy3 * t + cy2) * t + ay) * t + p0y;
            pts->push_back({(int)x, (int)y});
        }
    }
    return (int)n;
}

void ComputePatchNet(SplinePatch2D& patch)
{
    constexpr int S = SplinePatch2D::kSteps;
    // Hermite basis and its transpose.
    static const double basis[4][4] = {{2, -2, 1, 1}, {-3, 3, -2, -1}, {0, 0, 1, 0}, {1, 0, 0, 0}};
    CMatrix M(4, 4), MT(4, 4);
    for (int i = 0; i < 4; ++i)
        for (int j = 0; j < 4; ++j) M.Set(i, j, basis[i][j]);
    MT.Copy(M);
    MT.Transpose();
    // Geometry: both splines' end points and tangents, and the tangents
    // again as the cross derivatives (unscaled).
    auto geometry = [](CMatrix& G, const float* a, const float* b) {
        G.Resize(4, 4);
        for (int j = 0; j < 4; ++j) {
            G.Set(0, j, a[j]);
            G.Set(1, j, b[j]);
        }
        G.Set(2, 0, a[2]);
        G.Set(2, 1, a[3]);
        G.Set(3, 0, b[2]);
        G.Set(3, 1, b[3]);
    };
    CMatrix Gx, Gy;
    geometry(Gx, patch.ax, patch.bx);
    geometry(Gy, patch.ay, patch.by);

    CMatrix U(1, 4), V(4, 1), UM, UMG, X, Y, out;
    patch.net.assign((size_t)S * S, PointI{});
    for (int k = 0; k < S; ++k) {
        const double u = (double)k / S;
        U.Set(0, 0, u * u * u);
        U.Set(0, 1, u * u);
        U.Set(0, 2, u);
        U.Set(0, 3, 1.0);
        UM.Multiply(U, M);
        UMG.Multiply(UM, Gx);
        X.Multiply(UMG, MT);
        UMG.Multiply(UM, Gy);
        Y.Multiply(UMG, MT);
        for (int l = 0; l < S; ++l) {
            const double v = (double)l / S;
            V.Set(0, 0, v * v * v);
            V.Set(1, 0, v * v);
            V.Set(2, 0, v);
            V.Set(3, 0, 1.0);
            out.Multiply(X, V);
            const double x = out.Get(0, 0);
            out.Multiply(Y, V);
            const double y = out.Get(0, 0);
            patch.net[(size_t)k * S + l] = {(int)x, (int)y};
        }
    }
}

// ------------------------------------------------------------ files

int ReadSlideList(const std::string& path, std::vector<SlideEntry>& out)
{
    out.clear();
    FILE* f = open_regular_file(resolve_path(path).c_str());
    if (!f) {
        MessageBoxF("Unable to open file for reading %s", path.c_str());
        return 0;
    }
    // One whitespace-free word, at most `limit` characters; false at the end
    // of the file or when the word is longer.
    auto word = [f](std::string& w, size_t limit) {
        w.clear();
        int c;
        do c = std::getc(f);
        while (c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f');
        while (c != EOF && c != ' ' && c != '\t' && c != '\n' && c != '\r' && c != '\v' && c != '\f') {
            if (w.size() == limit) return false;
            w.push_back((char)c);
            c = std::getc(f);
        }
        return !w.empty();
    };
    std::string name, num;
    while ((int)out.size() < kMaxSlides) {
        if (!word(name, kMaxSlideName)) {
            if (!name.empty()) Trace("slide list %s: name longer than %d characters\n", path.c_str(), kMaxSlideName);
            break;
        }
        if (!word(num, 16)) break;
        // The display time: a whole word of decimal digits, optionally signed.
        size_t i = (num[0] == '-' || num[0] == '+') ? 1 : 0;
        if (i == num.size()) break;
        long long ms = 0;
        bool ok = true;
        for (; i < num.size(); ++i) {
            if (num[i] < '0' || num[i] > '9') {
                ok = false;
                break;
            }
            if (ms < 1000000000LL) ms = ms * 10 + (num[i] - '0');
        }
        if (!ok) break;
        if (num[0] == '-') ms = -ms;
        ms = std::clamp<long long>(ms, -2000000000LL, 2000000000LL);
        out.push_back({name, (int)ms});
    }
    std::fclose(f);
    return 1;
}

std::shared_ptr<CTexture> LoadBoardPicture(const std::string& path)
{
    auto img = std::make_shared<CTexture>();
    if (!img->ReadFile(path) || !img->IsValid()) return nullptr;
    img->FlipVertical();
    img->kind = ShapePicture;
    return img;
}

// ------------------------------------------------------------ the board

DrawingBoard::DrawingBoard()
{
    m_tmp.pen = pen(PenDefault);
    m_tmp_spline.pen = pen(PenDefault);
    m_patch.pen = pen(PenDefault);
}

void DrawingBoard::add(std::unique_ptr<Shape2D> s) { shapes.push_back(std::move(s)); }

void DrawingBoard::draw_now(DrawOp op) { m_overlay.push_back(std::move(op)); }

void DrawingBoard::show_picture(std::shared_ptr<const CTexture> img)
{
    // A picture at (0, 0) hides every earlier one it is at least as large
    // as: those need not be kept (a looping slide show would pile them up).
    auto covered = [&](const DrawOp& op) {
        return op.kind == DrawOp::Image && op.image && op.x1 == 0 && op.y1 == 0 && op.image->width <= img->width &&
               op.image->height <= img->height;
    };
    m_overlay.erase(std::remove_if(m_overlay.begin(), m_overlay.end(), covered), m_overlay.end());
    m_overlay.push_back(DrawOp::picture(std::move(img)));
}

void DrawingBoard::SetMode(int mode)
{
    m_mode = mode;
    if (mode != ModePoints) m_step = 0;
}

void DrawingBoard::Clear()
{
    m_mode = ModeNone;
    shapes.clear();
    m_step = 0;
    m_overlay.clear();
}

PointI DrawingBoard::Snap(PointI p) const
{
    if (!m_snap) return p;
    auto snap1 = [](int v, int g) {
        if (g <= 0) return v;
        return (v / g) * g + ((v % g) > g / 2 ? g : 0);
    };
    return {snap1(p.x, m_grid.x), snap1(p.y, m_grid.y)};
}

void DrawingBoard::Click(int x, int y)
{
    const PointI p = Snap({x, y});
    if (m_mode == ModeNone) return;
    if (m_origin == PointI{-1, -1}) m_origin = p;

    switch (m_mode) {
    case ModePoints:
        add(std::make_unique<Shape2D>(ShapePoint, p.x, p.y, p.x, p.y, pen(PenDefault)));
        draw_now(DrawOp::cross(pen(PenDefault), p, 5));
        break;

    case ModeLines:
        if (m_step == 0) {
            m_tmp = Shape2D(ShapeLine, p.x, p.y, p.x, p.y, pen(PenBlue));
            m_step = 1;
        } else {
            m_tmp.x2 = p.x;
            m_tmp.y2 = p.y;
            m_current = p;
            draw_now(DrawOp::line(m_tmp.pen, {m_tmp.x1, m_tmp.y1}, p));
            add(std::make_unique<Shape2D>(ShapeLine, m_tmp.x1, m_tmp.y1, m_tmp.x2, m_tmp.y2, m_tmp.pen));
            m_step = 0;
        }
        break;

    case ModeCircle:
        if (m_step == 0) {
            draw_now(DrawOp::cross(pen(PenDefault), p, 5));
            m_tmp = Shape2D(ShapeCircle, p.x, p.y, 0, 0, pen(PenRed));
            m_step = 1;
        } else {
            const double dx = (double)p.x - m_tmp.x1, dy = (double)p.y - m_tmp.y1;
            const int r = (int)std::sqrt(dx * dx + dy * dy);
            m_tmp.x2 = r;
            draw_now(DrawOp::ellipse(pen(PenRed), {m_tmp.x1, m_tmp.y1}, r, r));
            add(std::make_unique<Shape2D>(ShapeCircle, m_tmp.x1, m_tmp.y1, r, 0, pen(PenRed)));
            m_step = 0;
        }
        break;

    case ModeSplines:
        switch (m_step) {
        case 0:
            m_tmp_spline.P0 = m_current;
            m_tmp_spline.pen = pen(PenRed);
            draw_now(DrawOp::cross(pen(PenDefault), m_current, 5));
            m_step = 1;
            break;
        case 1:
            draw_now(DrawOp::cross(pen(PenDefault), p, 5));
            draw_now(DrawOp::line(pen(PenBlue), m_tmp_spline.P0, p));
            m_tmp_spline.T0 = {p.x - m_tmp_spline.P0.x, p.y - m_tmp_spline.P0.y};
            m_step = 2;
            break;
        case 2:
            m_tmp_spline.P1 = p;
            draw_now(DrawOp::cross(pen(PenDefault), p, 5));
            m_current = p;
            m_step = 3;
            break;
        default: {
            draw_now(DrawOp::cross(pen(PenDefault), p, 5));
            m_tmp_spline.T1 = {p.x - m_tmp_spline.P1.x, p.y - m_tmp_spline.P1.y};
            draw_now(DrawOp::line(pen(PenBlue), m_tmp_spline.P1, p));
            auto s = std::make_unique<Spline2D>(m_tmp_spline);
            s->x1 = s->P0.x, s->y1 = s->P0.y, s->x2 = s->P1.x, s->y2 = s->P1.y;
            add(std::move(s));
            RenderShape(shapes.size() - 1, m_overlay);
            m_tmp = Shape2D(ShapeNone, m_tmp_spline.P1.x, m_tmp_spline.P1.y, 0, 0, m_tmp.pen);
            m_step = 0;
            break;
        }
        }
        break;

    case ModePolylines:
        if (m_step == 0) {
            draw_now(DrawOp::cross(pen(PenDefault), p, 5));
            m_current = p;
            add(std::make_unique<Shape2D>(ShapePoint, p.x, p.y, p.x, p.y, pen(PenDefault)));
            m_step = 1;
        } else {
            draw_now(DrawOp::line(pen(PenDefault), m_current, p));
            add(std::make_unique<Shape2D>(ShapePolylineVertex, p.x, p.y, p.x, p.y, pen(PenDefault)));
            m_current = p;
        }
        break;

    case ModeRectangle:
        if (m_step == 0) {
            draw_now(DrawOp::cross(pen(PenDefault), p, 5));
            m_tmp = Shape2D(ShapeRectangle, p.x, p.y, p.x, p.y, pen(PenBlack));
            m_step = 1;
        } else {
            m_tmp.x2 = p.x;
            m_tmp.y2 = p.y;
            add(std::make_unique<Shape2D>(m_tmp.kind, m_tmp.x1, m_tmp.y1, m_tmp.x2, m_tmp.y2, m_tmp.pen));
            RenderShape(shapes.size() - 1, m_overlay);
            m_step = 0;
        }
        break;

    default:
        break;
    }
}

int DrawingBoard::MakePatch()
{
    if (shapes.size() < 2) return 0;
    const Shape2D* older = shapes[shapes.size() - 2].get();
    const Shape2D* newer = shapes[shapes.size() - 1].get();
    if (older->kind != ShapeSpline || newer->kind != ShapeSpline) return 0;
    const auto* a = dynamic_cast<const Spline2D*>(older);
    const auto* b = dynamic_cast<const Spline2D*>(newer);
    if (!a || !b) return 0;
    auto fill = [](float* xs, float* ys, const Spline2D& s) {
        const PointI v[4] = {s.P0, s.P1, s.T0, s.T1};
        for (int i = 0; i < 4; ++i) {
            xs[i] = (float)v[i].x;
            ys[i] = (float)v[i].y;
        }
    };
    auto patch = std::make_unique<SplinePatch2D>();
    fill(patch->ax, patch->ay, *a);
    fill(patch->bx, patch->by, *b);
    patch->pen = pen(PenRed);
    patch->x1 = a->P0.x, patch->y1 = a->P0.y, patch->x2 = b->P1.x, patch->y2 = b->P1.y;
    ComputePatchNet(*patch);
    // The board keeps the last patch as well.
    std::copy(patch->ax, patch->ax + 4, m_patch.ax);
    std::copy(patch->ay, patch->ay + 4, m_patch.ay);
    std::copy(patch->bx, patch->bx + 4, m_patch.bx);
    std::copy(patch->by, patch->by + 4, m_patch.by);
    m_patch.pen = patch->pen;
    m_patch.net = patch->net;
    add(std::move(patch));
    RenderShape(shapes.size() - 1, m_overlay);
    return 1;
}

int DrawingBoard::AddPicture(const std::string& path)
{
    m_step = 0;
    std::shared_ptr<CTexture> img = LoadBoardPicture(path);
    if (!img) return 0;
    auto shape = std::make_unique<Picture2D>();
    shape->image = img;
    add(std::move(shape));
    show_picture(img);
    return 1;
}

void DrawingBoard::RenderShape(size_t i, DrawList& out) const
{
    if (i >= shapes.size()) return;
    const Shape2D& s = *shapes[i];
    const Pen2D def = pen(PenDefault);
    switch (s.kind) {
    case ShapePoint:
        out.push_back(DrawOp::cross(def, {s.x1, s.y1}, 5));
        break;
    case ShapeLine:
        out.push_back(DrawOp::line(s.pen, {s.x1, s.y1}, {s.x2, s.y2}));
        break;
    case ShapeCircle:
        out.push_back(DrawOp::ellipse(pen(PenRed), {s.x1, s.y1}, s.x2, s.x2));
        break;
    case ShapeSpline: {
        const auto* sp = dynamic_cast<const Spline2D*>(&s);
        if (!sp) break;
        std::vector<PointI> pts;
        SplineCurve(*sp, &pts);
        out.push_back(DrawOp::polyline(sp->pen, std::move(pts)));
        const Pen2D blue = pen(PenBlue);
        out.push_back(DrawOp::line(blue, sp->P0, {sp->P0.x + sp->T0.x, sp->P0.y + sp->T0.y}));
        out.push_back(DrawOp::line(blue, sp->P1, {sp->P1.x + sp->T1.x, sp->P1.y + sp->T1.y}));
        break;
    }
    case ShapePicture: {
        const auto* pic = dynamic_cast<const Picture2D*>(&s);
        if (pic && pic->image) out.push_back(DrawOp::picture(pic->image));
        break;
    }
    case ShapePolylineVertex: {
        // From where the previous shape ended.
        PointI from{s.x1, s.y1}, start;
        if (i > 0) ShapeEnds(*shapes[i - 1], start, from);
        out.push_back(DrawOp::line(def, from, {s.x1, s.y1}));
        out.push_back(DrawOp::cross(pen(PenGreen), m_current, 5));
        break;
    }
    case ShapeRectangle:
        // The rectangle outline and its inside in the window's default
        // (white) brush; right and bottom edges exclusive.
        out.push_back(DrawOp::rectangle(pen(PenBlack), std::min(s.x1, s.x2), std::min(s.y1, s.y2),
                                        std::max(s.x1, s.x2), std::max(s.y1, s.y2), true, 0xFFFFFF));
        break;
    case ShapePatch: {
        const auto* pa = dynamic_cast<const SplinePatch2D*>(&s);
        constexpr int S = SplinePatch2D::kSteps;
        if (!pa || pa->net.size() != (size_t)S * S) break;
        const PointI start{(int)pa->ax[0], (int)pa->ay[0]};
        for (int k = 0; k < S; ++k) {
            std::vector<PointI> pts{start};
            for (int l = 0; l < S; ++l) pts.push_back(pa->net[(size_t)k * S + l]);
            out.push_back(DrawOp::polyline(pa->pen, std::move(pts)));
        }
        for (int l = 0; l < S; ++l) {
            std::vector<PointI> pts{start};
            for (int k = 0; k < S; ++k) pts.push_back(pa->net[(size_t)k * S + l]);
            out.push_back(DrawOp::polyline(pa->pen, std::move(pts)));
        }
        break;
    }
    default:
        break;
    }
}

void DrawingBoard::Render(int w, int h, DrawList& out)
{
    if (m_grid_shown && m_grid.x > 0 && m_grid.y > 0 && w > 0 && h > 0) {
        std::vector<PointI> pts;
        const int nx = w / m_grid.x, ny = h / m_grid.y;
        pts.reserve((size_t)nx * (size_t)ny);
        for (int i = 0; i < nx; ++i)
            for (int j = 0; j < ny; ++j) pts.push_back({i * m_grid.x, j * m_grid.y});
        out.push_back(DrawOp::dots(pen(PenDefault), std::move(pts)));
    }
    if (m_mode != ModeNone) {
        out.push_back(DrawOp::cross(pen(PenGreen), m_current, 5));
        if (m_origin == PointI{-1, -1}) m_origin = m_current;
        out.push_back(DrawOp::cross(pen(PenBlue), m_origin, 20));
        for (size_t i = 0; i < shapes.size(); ++i) RenderShape(i, out);
    }
    out.insert(out.end(), m_overlay.begin(), m_overlay.end());
}

// ------------------------------------------------------------ slide show

int DrawingBoard::StartSlideShow(const std::string& list)
{
    std::vector<SlideEntry> slides;
    if (!ReadSlideList(list, slides)) return 0;
    if (slides.empty()) {
        MessageBoxF("No picture to show in %s", list.c_str());
        return 0;
    }
    m_slides = std::move(slides);
    // Pictures named without a folder are looked up beside the list.
    const size_t slash = list.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : list.substr(0, slash + 1);
    for (SlideEntry& e : m_slides)
        if (!folder.empty() && e.name[0] != '/') e.name = folder + e.name;
    m_slide_index = 0;
    m_slide.reset();
    std::shared_ptr<CTexture> img = LoadBoardPicture(m_slides[0].name);
    if (img) {
        auto shape = std::make_unique<Picture2D>();
        shape->image = img;
        add(std::move(shape));
        m_slide = img;
        show_picture(img);
    } else {
        m_slides[0].bad = true;
    }
    m_grid_shown = 0;
    m_slide_period = std::max(m_slides[0].ms, kMinSlidePeriod);
    return img ? 1 : 0;
}

int DrawingBoard::NextSlide()
{
    const int n = (int)m_slides.size();
    // Pictures that could not be read are passed over from then on: their
    // message is shown once, not at every turn of the loop.
    int next = -1;
    for (int k = 1; k <= n; ++k) {
        const int i = (m_slide_index + k) % n;
        if (!m_slides[(size_t)i].bad) {
            next = i;
            break;
        }
    }
    if (next < 0) return 0;
    m_slide_index = next;
    // A slide that cannot be read leaves the previous one on show for its time.
    std::shared_ptr<CTexture> img = LoadBoardPicture(m_slides[(size_t)m_slide_index].name);
    if (img) {
        m_slide = img;
        show_picture(img);
    } else {
        m_slides[(size_t)m_slide_index].bad = true;
    }
    m_slide_period = std::max(m_slides[(size_t)m_slide_index].ms, kMinSlidePeriod);
    return m_slide_period;
}
