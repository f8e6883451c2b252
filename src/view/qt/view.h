// The document's OpenGL view: a QOpenGLWidget that turns Qt's events into
// calls of the view's behaviour and serves it as its host (timers, file
// choosers, dialogs, frames read back). Qt renders it into its own
// framebuffer object, which is the "back buffer" of the frame and of the
// pick pass.
#pragma once
#include <QImage>
#include <QOpenGLWidget>
#include <functional>
#include <map>
#include <memory>

#include "render/frame.h"
#include "sound/sound_device.h"
#include "view/view_host.h"

class CQuorvelDoc;
class SCENE3D;
class ViewBehaviour;
class QTimer;

class CQuorvelView : public QOpenGLWidget, public ViewHost {
    Q_OBJECT
public:
    // The view works on `doc`, which must outlive it.
    explicit CQuorvelView(CQuorvelDoc& doc, QWidget* parent = nullptr);
    ~CQuorvelView() override;

    // The pixel format of the view: RGBA 8-8-8, depth, 8-bit stencil,
    // double buffered, compatibility profile, single-sampled so that the
    // pick pass can read back.
    static QSurfaceFormat surfaceFormat();

    ViewBehaviour& behaviour() { return *m_view; }
    CQuorvelDoc& document() { return m_doc; }
    SCENE3D* scene() const;
    GlView& glView();

    // The document replaced its scene: the frame follows it at the reset
    // camera.
    void SceneReplaced();
    // The finishing steps of an open (textures, lists, lights) in this
    // view's context; deferred to the context's creation when it has none.
    int FinishScene(SCENE3D& scene);
    // Picks the object under client point (x, y) (logical pixels), reports
    // it on the status line and schedules a normal frame. Index or -1.
    int PickObject(int x, int y);
    // Clear colour: the desktop's button-face colour.
    QColor clearColour() const;

    // What the view shows (the scene, or the board in 2D mode) drawn anew at
    // w x h pixels with the view's camera and proportions stretched to fit:
    // the scene is rendered off-screen at that size, the board is painted
    // scaled. A null image when it cannot be made.
    QImage renderImage(int w, int h);

    // After a modal loop (chooser, dialog, message box) inside a GL scope:
    // Qt composed the window with a context of its own meanwhile, so the
    // view's is made current again.
    void RestoreCurrent();

    // Called by a paint that finds the scene-changed flag set, before the
    // paint clears it.
    std::function<void()> on_scene_modified;

    // ViewHost.
    void redraw(bool erase = false) override;
    void start_timer(int id, int interval_ms) override;
    void stop_timer(int id) override;
    bool make_current() override;
    void done_current() override;
    std::vector<uint8_t> read_frame(int& w, int& h) override;
    bool file_dialog(FileDialogRequest& r) override;
    bool run_modal(DialogRequest& r) override;
    void show_modeless(const std::string& name) override;
    void refresh_modeless(const std::string& name) override;
    void capture_mouse(bool on) override;
    void set_display_size(int w, int h) override;
    bool open_sound_device() override;
    void exit_process(int status) override;
    void set_wait_cursor(bool on) override;
    SaveAnswer ask_save_changes(const std::string& name) override;

    // Answers "Save changes to NAME?" (given the whole question) instead of
    // the modal box when set: scripted runs and tests.
    std::function<SaveAnswer(const std::string&)> save_question;

    const SoundDevice& sound() const { return m_sound; }
    // Timers now running: id -> interval in ms.
    std::map<int, int> runningTimers() const;

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;
    void mousePressEvent(QMouseEvent* e) override;
    void mouseReleaseEvent(QMouseEvent* e) override;
    void mouseMoveEvent(QMouseEvent* e) override;
    void wheelEvent(QWheelEvent* e) override;
    void keyPressEvent(QKeyEvent* e) override;

private:
    int device(double logical) const;
    QImage board_image(int w, int h);
    void tick(int id);

    CQuorvelDoc& m_doc;
    std::unique_ptr<ViewBehaviour> m_view;
    int m_current_depth = 0;
    std::map<int, QTimer*> m_timers;
    std::map<std::string, QWidget*> m_modeless;
    SoundDevice m_sound;
};
