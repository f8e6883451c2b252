// The main window: the document and its view, the menus and toolbars built
// from the command table, the status bar, the recent-file list and the
// files dropped on the window.
#pragma once
#include <QMainWindow>
#include <chrono>
#include <functional>
#include <map>
#include <memory>
#include <string>

#include "app/recent_files.h"

class BackgroundOpen;
class CQuorvelDoc;
class CQuorvelView;
class QAction;
class QLabel;
class QMenu;
class QPrinter;
class QProgressBar;
class QToolBar;
class SCENE3D;

class CMainFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit CMainFrame(QWidget* parent = nullptr);
    ~CMainFrame() override;

    CQuorvelView* view() const { return m_view; }
    CQuorvelDoc& document() { return *m_doc; }
    SCENE3D* scene() const;

    // Status bar: the message pane (pane 0), updated at once, and the lock
    // indicators (panes 1 to 3: "MAJ", "NUM", "DEF", blank while off).
    void SetStatusText(const QString& text);
    QString statusText() const;
    QString paneText(int pane) const;
    void SetLockIndicators(bool caps, bool num, bool scroll);

    // Document operations. New: an empty scene. OpenDocument: the road of
    // the command line, the recent-file list and dropped files (the reader
    // chosen by the file's first bytes; binary scenes and level-of-detail
    // sets by their extension). A file that cannot be read changes nothing
    // (scene, title, camera, recent files); its messages come in one box.
    // New, the opens and closing the window first ask whether to save a
    // modified document; Cancel stops them.
    void NewDocument();
    // With `reading`, the file named `path` is already being read on a
    // thread of its own (started before the window was built) and is
    // collected here.
    bool OpenDocument(const QString& path, BackgroundOpen* reading = nullptr);
    bool OpenFile(const QString& path) { return OpenDocument(path); }
    // "Open Binary": the scene is emptied, then the binary file is read.
    int OpenBinary(const QString& path);
    // The document's save: the binary scene file at `path`.
    bool SaveDocument(const QString& path);
    // "Save changes to NAME?" when the document is modified; true when the
    // caller may go on.
    bool SaveModified();

    // Runs command `id` as its menu item or toolbar button does.
    void RunCommand(int id);
    // The action of command `id` (shared by menu and toolbar), or null.
    QAction* commandAction(int id) const;
    // Toolbar 128, 160 or 163.
    QToolBar* toolBar(int resource) const;
    const RecentFiles& recentFiles() const { return m_recent; }
    // The printer the printing commands use (chosen by "Print Setup" and
    // the print dialog, kept for the session).
    QPrinter& printer();
    // Refreshes the enabled state and check marks of the actions of `menu`
    // (what opening it does) or of the toolbars.
    void RefreshMenu(QMenu* menu);
    void RefreshToolbars();

protected:
    bool event(QEvent* e) override;
    void dragEnterEvent(QDragEnterEvent* e) override;
    void dropEvent(QDropEvent* e) override;
    void closeEvent(QCloseEvent* e) override;

private:
    QMenu* menu_for(const QString& path);
    QAction* action_for(int id);
    void build_menus();
    void build_toolbars();
    void build_status_bar();
    void apply_state(QAction* a);
    void fill_recent_menu();
    void after_change();
    void update_title();
    void poll_lock_keys();
    void show_load_progress(const std::string& file, int percent);
    void open_binary_command();
    void about();
    void print_with_dialog();
    void print_preview();
    void print_direct();
    void print_setup();

    std::unique_ptr<CQuorvelDoc> m_doc;
    std::unique_ptr<QPrinter> m_printer;
    CQuorvelView* m_view = nullptr;
    QLabel* m_status = nullptr;
    QLabel* m_panes[3] = {nullptr, nullptr, nullptr};
    QProgressBar* m_progress = nullptr;
    std::function<void(const std::string&, int)> m_prev_progress;
    std::map<QString, QMenu*> m_menus;
    std::map<int, QAction*> m_actions;
    std::map<int, QToolBar*> m_toolbars;
    std::map<int, std::function<void()>> m_frame_commands;
    QMenu* m_file_menu = nullptr;
    QAction* m_recent_end = nullptr;
    QList<QAction*> m_recent_actions;
    RecentFiles m_recent;
    // What the window last showed of the document.
    const SCENE3D* m_seen_scene = nullptr;
    std::string m_seen_path;
};
