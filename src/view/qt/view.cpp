#include "view/qt/view.h"

#include <GL/gl.h>

#include <QApplication>
#include <QDir>
#include <QFileDialog>
#include <QKeyEvent>
#include <QMessageBox>
#include <QMouseEvent>
#include <QOpenGLContext>
#include <QOpenGLFramebufferObject>
#include <QOpenGLFunctions>
#include <QPainter>
#include <QPalette>
#include <QTimer>
#include <QWheelEvent>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "render/gl_state.h"
#include "render/headless_gl.h"
#include "render/snapshot.h"
#include "base/report.h"
#include "scene/scene3d.h"
#include "scene/view_fit.h"
#include "model/drawing_board.h"
#include "view/behaviour.h"
#include "view/board_view.h"
#include "view/document.h"
#include "view/qt/board_painter.h"
#include "view/qt/dialog_registry.h"
#include "view/qt/file_filter.h"

namespace {
// Qt makes the context current around its own GL callbacks; host calls made
// from inside them must not release it.
struct InsideCallback {
    explicit InsideCallback(int& depth) : d(depth) { ++d; }
    ~InsideCallback() { --d; }
    int& d;
};

ViewKey view_key(const QKeyEvent& e)
{
    switch (e.key()) {
    case Qt::Key_Escape: return VK_ESCAPE_KEY;
    case Qt::Key_F1: return VK_F1_KEY;
    case Qt::Key_F11: return VK_F11_KEY;
    case Qt::Key_Left: return VK_LEFT_KEY;
    case Qt::Key_Right: return VK_RIGHT_KEY;
    case Qt::Key_Up: return VK_UP_KEY;
    case Qt::Key_Down: return VK_DOWN_KEY;
    case Qt::Key_P: return VK_P_KEY;
    // Only the keypad's + and - scale the drag; the main keyboard's are
    // ordinary keys.
    case Qt::Key_Plus: return e.modifiers() & Qt::KeypadModifier ? VK_ADD_KEY : VK_OTHER_KEY;
    case Qt::Key_Minus: return e.modifiers() & Qt::KeypadModifier ? VK_SUBTRACT_KEY : VK_OTHER_KEY;
    case Qt::Key_Home: return VK_HOME_KEY;
    case Qt::Key_PageUp: return VK_PRIOR_KEY;
    case Qt::Key_PageDown: return VK_NEXT_KEY;
    default: return VK_OTHER_KEY;
    }
}

bool view_button(Qt::MouseButton b, MouseButton& out)
{
    if (b == Qt::LeftButton) out = MB_LEFT;
    else if (b == Qt::RightButton) out = MB_RIGHT;
    else return false;
    return true;
}
} // namespace

QSurfaceFormat CQuorvelView::surfaceFormat()
{
    QSurfaceFormat fmt;
    fmt.setRenderableType(QSurfaceFormat::OpenGL);
    fmt.setProfile(QSurfaceFormat::CompatibilityProfile);
    fmt.setVersion(2, 1);
    fmt.setRedBufferSize(8);
    fmt.setGreenBufferSize(8);
    fmt.setBlueBufferSize(8);
    fmt.setDepthBufferSize(24);
    fmt.setStencilBufferSize(8);
    fmt.setSwapBehavior(QSurfaceFormat::DoubleBuffer);
    fmt.setSamples(0);
    return fmt;
}

CQuorvelView::CQuorvelView(CQuorvelDoc& doc, QWidget* parent)
    : QOpenGLWidget(parent), m_doc(doc), m_view(std::make_unique<ViewBehaviour>(doc, *this))
{
    setFormat(surfaceFormat());
    // An opened scene is on the screen before its lists are compiled.
    m_view->m_lists_after_first_frame = true;
    setFocusPolicy(Qt::StrongFocus);
    setMouseTracking(true);
}

CQuorvelView::~CQuorvelView()
{
    for (auto& [id, t] : m_timers) t->stop();
    for (auto& [name, w] : m_modeless) delete w;
    m_modeless.clear();
    m_sound.close();
    // The board and the view state go while the context still exists.
    GlScope gl(*this);
    m_view.reset();
}

SCENE3D* CQuorvelView::scene() const { return m_view->m_gl.scene; }
GlView& CQuorvelView::glView() { return m_view->m_gl; }

QColor CQuorvelView::clearColour() const { return palette().color(QPalette::Button); }

void CQuorvelView::SceneReplaced()
{
    GlScope gl(*this);
    m_view->SceneChanged();   // frames a scene the reset camera would miss
}

int CQuorvelView::FinishScene(SCENE3D& scene) { return m_view->FinishScene(scene); }

int CQuorvelView::PickObject(int x, int y) { return m_view->Pick(device(x), device(y)); }

int CQuorvelView::device(double logical) const { return (int)(logical * devicePixelRatioF()); }

void CQuorvelView::initializeGL()
{
    InsideCallback inside(m_current_depth);
    QColor c = clearColour();
    const float clear[3] = {(float)c.redF(), (float)c.greenF(), (float)c.blueF()};
    SCENE3D* s = m_doc.scene();
    // Qt gives the widget a new context when it moves to another top-level
    // window. Display lists and textures survive only when the new context
    // shares them; otherwise they are made again. The lights are state of
    // the context and are programmed again in any case.
    const bool again = s && s->m_lists_built && !m_view->m_finish_pending;
    m_view->OnContextCreated(clear);
    if (again) {
        const OBJECT3D* first = s->nbobjects > 0 ? s->m_objects[0] : nullptr;
        if (s->m_lists_deferred) {
            // No list yet; the textures are made again with the first frame.
            finish_scene_gl(*s, true);
        } else if (first && first->m_list && !glIsList((GLuint)first->m_list)) {
            for (int i = 0; i < s->nbobjects; ++i)
                if (s->m_objects[i]) s->m_objects[i]->m_list = 0;
            finish_scene_gl(*s);
        } else {
            glMatrixMode(GL_MODELVIEW);
            glLoadIdentity();
            BuildLights(*s);
        }
    }
}

void CQuorvelView::resizeGL(int w, int h)
{
    InsideCallback inside(m_current_depth);
    m_view->OnSize(device(w), device(h));
    // What clicks drew at once on the board is gone with the old window.
    if (m_view->m_board) m_view->m_board->DropOverlay();
}

void CQuorvelView::paintGL()
{
    InsideCallback inside(m_current_depth);
    // The scene-changed flag lives until the next frame; the frame window
    // keeps the news (title mark) before it goes.
    if (m_doc.m_modified) {
        if (on_scene_modified) on_scene_modified();
        m_doc.m_modified = 0;
    }
    if (m_view->m_2d_mode) {
        // The 2D drawing replaces the scene: the window is cleared and the
        // board drawn on it with the painter.
        const float* c = m_view->m_gl.clear_rgb;
        glClearColor(c[0], c[1], c[2], 1.f);
        glClear(GL_COLOR_BUFFER_BIT);
        DrawList ops;
        board_paint_list(*m_view, ops);
        QPainter p(this);
        const qreal dpr = devicePixelRatioF();
        if (dpr > 0 && dpr != 1) p.scale(1 / dpr, 1 / dpr);   // the board works in device pixels
        PaintBoard(p, ops);
        return;
    }
    // Qt binds the widget's framebuffer object; the draw buffer is left
    // alone. The lights were programmed when the scene was finished.
    PaintView(m_view->m_gl);
    m_view->FrameShown();
}

void CQuorvelView::mousePressEvent(QMouseEvent* e)
{
    MouseButton b;
    if (!view_button(e->button(), b)) return;
    setFocus(Qt::MouseFocusReason);
    GlScope gl(*this);
    m_view->OnButtonDown(b, device(e->position().x()), device(e->position().y()));
}

void CQuorvelView::mouseReleaseEvent(QMouseEvent* e)
{
    MouseButton b;
    if (!view_button(e->button(), b)) return;
    GlScope gl(*this);
    m_view->OnButtonUp(b, device(e->position().x()), device(e->position().y()));
}

void CQuorvelView::mouseMoveEvent(QMouseEvent* e)
{
    GlScope gl(*this);
    m_view->OnMouseMove(device(e->position().x()), device(e->position().y()));
}

void CQuorvelView::wheelEvent(QWheelEvent* e)
{
    GlScope gl(*this);
    m_view->OnMouseWheel(e->angleDelta().y(), device(e->position().x()), device(e->position().y()));
    e->accept();
}

void CQuorvelView::keyPressEvent(QKeyEvent* e)
{
    ViewKey k = view_key(*e);
    GlScope gl(*this);
    m_view->OnKeyDown(k);
    if (k == VK_OTHER_KEY) QOpenGLWidget::keyPressEvent(e);
}

// ---- ViewHost ----

void CQuorvelView::redraw(bool) { update(); }

void CQuorvelView::start_timer(int id, int interval_ms)
{
    QTimer*& t = m_timers[id];
    if (!t) {
        t = new QTimer(this);
        connect(t, &QTimer::timeout, this, [this, id] { tick(id); });
    }
    t->start(interval_ms < 0 ? 0 : interval_ms);
}

void CQuorvelView::stop_timer(int id)
{
    auto it = m_timers.find(id);
    if (it != m_timers.end()) it->second->stop();
}

std::map<int, int> CQuorvelView::runningTimers() const
{
    std::map<int, int> r;
    for (const auto& [id, t] : m_timers)
        if (t->isActive()) r[id] = t->interval();
    return r;
}

void CQuorvelView::tick(int id)
{
    GlScope gl(*this);
    m_view->OnTimer(id);
}

bool CQuorvelView::make_current()
{
    if (!isValid()) return false;
    // Always made current again, even inside another scope: anything that
    // repaints a widget synchronously (the status line) leaves Qt's own
    // compositing context current.
    ++m_current_depth;
    makeCurrent();
    return true;
}

void CQuorvelView::RestoreCurrent()
{
    if (m_current_depth > 0 && isValid()) makeCurrent();
}

void CQuorvelView::done_current()
{
    if (m_current_depth > 0 && --m_current_depth == 0) doneCurrent();
}

QImage CQuorvelView::board_image(int w, int h)
{
    GlView& g = m_view->m_gl;
    QImage img(w, h, QImage::Format_RGB32);
    if (img.isNull()) return img;
    const float* c = g.clear_rgb;
    img.fill(QColor::fromRgbF(c[0], c[1], c[2]));
    DrawList ops;
    board_paint_list(*m_view, ops);
    QPainter p(&img);
    // The board works in the view's device pixels.
    if (g.width > 0 && g.height > 0) p.scale((qreal)w / g.width, (qreal)h / g.height);
    PaintBoard(p, ops);
    return img;
}

QImage CQuorvelView::renderImage(int w, int h)
{
    if (w <= 0 || h <= 0) return {};
    if (m_view->m_2d_mode) return board_image(w, h);
    GlScope gl(*this);
    if (!gl.ok()) return {};
    GlView& g = m_view->m_gl;
    const int vw = g.width, vh = g.height;
    QImage out;
    {
        QOpenGLFramebufferObject fbo(w, h, QOpenGLFramebufferObject::CombinedDepthStencil);
        if (fbo.isValid() && fbo.bind()) {
            ResizeView(g, w, h);
            PaintView(g);
            glFinish();
            const std::vector<uint8_t> rgb = read_frame_rgb(w, h);
            out = QImage(w, h, QImage::Format_RGB888);
            for (int y = 0; y < h && !rgb.empty(); ++y)   // GL rows come bottom first
                std::memcpy(out.scanLine(h - 1 - y), rgb.data() + (size_t)y * 3 * w, (size_t)w * 3);
            fbo.release();
        }
    }
    // Back to the widget's own framebuffer and size.
    QOpenGLContext::currentContext()->functions()->glBindFramebuffer(GL_FRAMEBUFFER, defaultFramebufferObject());
    ResizeView(g, vw, vh);
    update();
    return out;
}

std::vector<uint8_t> CQuorvelView::read_frame(int& w, int& h)
{
    GlScope gl(*this);
    w = h = 0;
    if (!gl.ok()) return {};
    GlView& g = m_view->m_gl;
    w = g.width;
    h = g.height;
    if (m_view->m_2d_mode) {
        // What the view shows: the board, not the scene behind it.
        const QImage img = board_image(w, h).convertToFormat(QImage::Format_RGB888);
        std::vector<uint8_t> px((size_t)w * 3 * (size_t)h);
        for (int y = 0; y < h && !img.isNull(); ++y)
            std::memcpy(px.data() + (size_t)y * 3 * w, img.constScanLine(h - 1 - y), (size_t)w * 3);
        return px;
    }
    PaintView(g);
    glFinish();
    std::vector<uint8_t> px = read_frame_rgb(w, h);
    update();   // the screen gets a frame of its own
    return px;
}

bool CQuorvelView::file_dialog(FileDialogRequest& r)
{
    // Qt's own chooser: it never changes the process's current folder, and
    // it behaves the same on every desktop.
    QFileDialog dlg(this, QString::fromStdString(r.title));
    dlg.setOption(QFileDialog::DontUseNativeDialog);
    dlg.setNameFilters(qt_name_filters(r.filter));
    dlg.setAcceptMode(r.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(r.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    const QString suffix = default_suffix(r.default_ext);
    if (!suffix.isEmpty()) dlg.setDefaultSuffix(suffix);
    dlg.setDirectory(m_doc.m_folder.empty() ? QDir::currentPath() : QString::fromStdString(m_doc.m_folder));
    if (!r.default_name.empty() && r.default_name.find('*') == std::string::npos)
        dlg.selectFile(QString::fromStdString(r.default_name));
    const int answer = dlg.exec();
    RestoreCurrent();
    if (answer != QDialog::Accepted || dlg.selectedFiles().isEmpty()) return false;
    r.path = QDir::toNativeSeparators(dlg.selectedFiles().first()).toStdString();
    return !r.path.empty();
}

bool CQuorvelView::run_modal(DialogRequest& r)
{
    const ModalDialogFn* show = find_modal_dialog(r.name);
    if (!show) {
        Trace("no dialog named %s", r.name);
        return false;
    }
    const bool ok = (*show)(this, r);
    RestoreCurrent();
    return ok;
}

void CQuorvelView::set_wait_cursor(bool on)
{
    if (on) QApplication::setOverrideCursor(Qt::WaitCursor);
    else QApplication::restoreOverrideCursor();
}

void CQuorvelView::show_modeless(const std::string& name)
{
    QWidget*& w = m_modeless[name];
    if (w && w->isVisible()) {
        const ModelessDialogFns* fns = find_modeless_dialog(name);
        if (fns && fns->reopen) fns->reopen(w);
    }
    if (!w) {
        const ModelessDialogFns* fns = find_modeless_dialog(name);
        if (!fns || !fns->create) {
            m_modeless.erase(name);
            return;
        }
        w = fns->create(window(), *m_view);
        if (!w) {
            m_modeless.erase(name);
            return;
        }
    }
    w->show();
    w->raise();
    w->activateWindow();
}

void CQuorvelView::refresh_modeless(const std::string& name)
{
    auto it = m_modeless.find(name);
    if (it == m_modeless.end()) return;
    const ModelessDialogFns* fns = find_modeless_dialog(name);
    if (fns && fns->refresh) fns->refresh(it->second);
}

void CQuorvelView::capture_mouse(bool on)
{
    if (on) grabMouse();
    else releaseMouse();
}

// "Resize Display" changes what the commands believe the display size is;
// the window and the GL viewport stay as they are.
void CQuorvelView::set_display_size(int, int) {}

bool CQuorvelView::open_sound_device() { return m_sound.open(); }

SaveAnswer CQuorvelView::ask_save_changes(const std::string& name)
{
    const std::string question = "Save changes to " + name + "?";
    if (save_question) return save_question(question);
    QMessageBox box(QMessageBox::Warning, "Quorvel", QString::fromStdString(question),
                    QMessageBox::Save | QMessageBox::Discard | QMessageBox::Cancel, window());
    box.setDefaultButton(QMessageBox::Save);
    const int answer = box.exec();
    RestoreCurrent();
    if (answer == QMessageBox::Save) return SaveAnswer::Save;
    if (answer == QMessageBox::Discard) return SaveAnswer::Discard;
    return SaveAnswer::Cancel;
}

void CQuorvelView::exit_process(int status)
{
    // At once, as the key asks: no window teardown, but what was printed
    // reaches its file.
    std::fflush(nullptr);
    std::_Exit(status);
}
