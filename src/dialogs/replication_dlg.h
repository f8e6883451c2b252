// The image editor window "Replication": a modal dialog with its own menu
// that shows one picture at its top left corner, lets the user select a
// rectangle with the mouse, applies the tone filters, builds a mirrored tile
// from the selection, plays a lumi sequence and saves the result. It works
// on its own picture and never on the scene's textures.
//
// It draws with QPainter only: it makes no GL context and leaves the view's
// context as it was. What it decides lives in ReplicationState; this class
// turns Qt events into its calls, runs the 40 ms movie timer and paints.
#pragma once
#include <QDialog>
#include <QPointer>
#include <QStringList>
#include <QTimer>
#include <functional>
#include <map>

#include "image/replication_state.h"

struct DialogRequest;
class QAction;
class QMenuBar;
class ReplicationCanvas;

// One question to the user for a file name. The answer is the full path
// chosen, or empty when the user cancels.
struct FileRequest {
    bool save = false;
    QStringList filters;      // Qt name filters, first one selected
    QString default_suffix;   // added by the dialog to a name without one
};
using FileDialogFn = std::function<QString(QWidget* parent, const FileRequest&)>;

// The platform's file dialog.
QString NativeFileDialog(QWidget* parent, const FileRequest& request);

class CReplicationDlg : public QDialog {
    Q_OBJECT
public:
    // Menu command identifiers.
    enum Command {
        ID_FILE_OPEN = 57601,
        ID_FILE_SAVE_AS = 57603,
        ID_BLACK_AND_WHITE = 40003,
        ID_THRESHOLD = 40004,
        ID_FILTER = 40002,
        ID_DUPLICATE_MIRROR = 32775,
        ID_DUPLICATE_REPEAT = 32777,
        ID_REVERSE_COLOR = 32776,
        ID_SELECT_ALL = 32773,
        ID_SELECT_NONE = 32774,
        ID_PLAY_MOVIE = 32828,
        ID_STOP = 32829,
    };
    static constexpr int kMoviePeriodMs = 40;

    explicit CReplicationDlg(QWidget* parent = nullptr);
    ~CReplicationDlg() override;

    // The view's "Filtre" window, shown after every Open (may be null).
    void SetFilterWindow(QWidget* w) { m_filter_window = w; }
    // Where Open and Save as ask for a file name (the platform's dialog
    // unless set).
    void SetFileDialog(FileDialogFn fn) { m_file_dialog = std::move(fn); }

    ReplicationState& state() { return m_state; }
    // The drawing area: client point (0, 0) is the picture's top left.
    QWidget* canvas() const;
    QMenuBar* menu() const { return m_menu; }
    QAction* action(int id) const;
    // Runs a menu command as if chosen.
    void RunCommand(int id);
    bool MovieRunning() const { return m_timer.isActive(); }
    // The movie's timer: one frame per tick.
    const QTimer& movieTimer() const { return m_timer; }

    // Open and Save as name filters.
    static QStringList OpenFilters();
    static QStringList SaveFilters();

    void done(int r) override;

private:
    friend class ReplicationCanvas;
    void open_file();
    void save_file();
    void duplicate_mirror();
    void next_frame();
    void sync_timer();

    ReplicationState m_state;
    ReplicationCanvas* m_canvas = nullptr;
    QMenuBar* m_menu = nullptr;
    std::map<int, QAction*> m_actions;
    QTimer m_timer;
    QPointer<QWidget> m_filter_window;
    FileDialogFn m_file_dialog;
};

// Runs the window modally and returns how it ended (QDialog's result).
// parent only places the window; filter_window is the view's "Filtre"
// window; file_dialog answers Open and Save as (the platform's dialog when
// empty).
int RunReplicationDialog(QWidget* parent, QWidget* filter_window = nullptr, FileDialogFn file_dialog = {});

// The Qt view's answer to the command table's request for this window
// ("&Edit..." 32794 and "Filter" 40001 of the Texture menu): runs it over
// the view's main window with the view's "Filtre" window, and gives true;
// false, running nothing, for any other dialog's request.
bool RunReplicationRequest(QWidget* view, const DialogRequest& request);
