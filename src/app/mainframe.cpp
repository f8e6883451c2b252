#include "app/mainframe.h"

#include <QAction>
#include <QCloseEvent>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QFileInfo>
#include <QGuiApplication>
#include <QLabel>
#include <QMenuBar>
#include <QMimeData>
#include <QMessageBox>
#include <QPageSetupDialog>
#include <QPrintDialog>
#include <QPrintPreviewDialog>
#include <QPrinter>
#include <QProgressBar>
#include <QStatusTipEvent>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>

#include "app/about.h"
#include "app/dialog_wiring.h"
#include "app/printing.h"
#include "app/toolbar_icons.h"
#include "io/lod.h"
#include "io/scene_loader.h"
#include "render/snapshot.h"
#include "base/report.h"
#include "scene/scene3d.h"
#include "view/behaviour.h"
#include "view/commands.h"
#include "view/document.h"
#include "view/qt/view.h"

#if __has_include(<X11/XKBlib.h>)
#include <X11/XKBlib.h>
#define QV_HAVE_XKB 1
#endif

namespace {
// Toolbar resources and their buttons, in order; 0 is a separator.
struct ToolbarDef {
    int resource;
    std::initializer_list<int> buttons;
};
const ToolbarDef k_toolbars[] = {
    {128, {57600, 57601, 57603, 0, 57635, 57634, 57637, 0, 57607, 57664, 0, 32776, 32777, 0, 32778, 32779, 0, 32792,
           32878}},
    {160, {32863, 32864, 32865}},
    {163, {32883, 32884}},
};

// Tool tips of the buttons whose menu text does not say what they do.
const std::map<int, const char*> k_tips = {
    {32776, "Decrease rotation speed"},    {32777, "Increase rotation speed"},
    {32778, "Decrease translation speed"}, {32779, "Increase translation speed"},
};

QString plain(QString text)
{
    text.remove('&');
    if (text.endsWith("...")) text.chop(3);
    return text.trimmed();
}

constexpr const char* k_id = "qv_command";
constexpr const char* k_recent = "qv_recent";
} // namespace

CMainFrame::CMainFrame(QWidget* parent) : QMainWindow(parent), m_doc(std::make_unique<CQuorvelDoc>())
{
    setWindowIcon(application_icon());
    register_shell_dialogs();
    m_doc->OnNewDocument();
    m_view = new CQuorvelView(*m_doc, this);
    // The scene-changed flag that a paint finds also marks the document.
    m_view->on_scene_modified = [this] { m_doc->SetModifiedFlag(); };
    m_doc->on_modified_changed = [this](bool) { update_title(); };
    setCentralWidget(m_view);

    m_frame_commands = {
        {57600, [this] { NewDocument(); }},
        {33003, [this] { open_binary_command(); }},
        {57664, [this] { about(); }},
        {57665, [this] { close(); }},
        {32877, [this] { m_view->open_sound_device(); }},
        {57606, [this] { print_setup(); }},
        {57607, [this] { print_with_dialog(); }},
        {57608, [this] { print_direct(); }},
        {57609, [this] { print_preview(); }},
        // Handled by the frame with empty handlers; the view's own take
        // precedence when it has them.
        {40006, [] {}},
        {40007, [] {}},
        {40008, [] {}},
    };
    build_menus();
    build_toolbars();
    build_status_bar();
    m_recent.load();
    m_prev_progress =
        set_load_progress([this](const std::string& file, int percent) { show_load_progress(file, percent); });
    setAcceptDrops(true);
    resize(800, 600);
    m_seen_scene = m_doc->scene();
    update_title();
    SetStatusText("Ready");
}

CMainFrame::~CMainFrame()
{
    set_load_progress(m_prev_progress);
    // The scene's display lists and textures are released in the view's
    // context, before the view and its context go.
    {
        GlScope gl(*m_view);
        if (current_scene() == m_doc->scene()) current_scene() = nullptr;
        m_doc->lod_slot().reset();
        m_doc->scene_slot().reset();
    }
    delete m_view;
    m_view = nullptr;
}

SCENE3D* CMainFrame::scene() const { return m_doc->scene(); }

// ---- status bar ----

void CMainFrame::build_status_bar()
{
    m_status = new QLabel(this);
    m_status->setObjectName("pane0");
    statusBar()->addWidget(m_status, 1);
    m_progress = new QProgressBar(this);
    m_progress->setObjectName("loadProgress");
    m_progress->setRange(0, 100);
    m_progress->setMaximumWidth(160);
    m_progress->hide();
    statusBar()->addWidget(m_progress);
    const char* names[3] = {"MAJ", "NUM", "DEF"};
    for (int i = 0; i < 3; ++i) {
        m_panes[i] = new QLabel(this);
        m_panes[i]->setObjectName(QString("pane%1").arg(i + 1));
        m_panes[i]->setAlignment(Qt::AlignCenter);
        m_panes[i]->setMinimumWidth(m_panes[i]->fontMetrics().horizontalAdvance(names[i]) + 10);
        m_panes[i]->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        statusBar()->addPermanentWidget(m_panes[i]);
    }
    poll_lock_keys();
    auto* t = new QTimer(this);
    connect(t, &QTimer::timeout, this, &CMainFrame::poll_lock_keys);
    t->start(400);
}

// A load that takes a while shows how far it is beside the message pane;
// the bar goes when the load is over.
void CMainFrame::show_load_progress(const std::string& file, int percent)
{
    if (percent >= 100) {
        m_progress->hide();
    } else {
        m_progress->setValue(percent < 0 ? 0 : percent);
        m_progress->setToolTip(QString::fromStdString(file));
        m_progress->show();
        m_progress->repaint();
    }
    if (m_view) m_view->RestoreCurrent();
}

void CMainFrame::SetStatusText(const QString& text)
{
    m_status->setText(text);
    // Shown at once, even in the middle of a long load. The repaint
    // composes the window with Qt's own GL context; GL work that follows
    // the text (lights after "Ready") must reach the view's.
    m_status->repaint();
    if (m_view) m_view->RestoreCurrent();
}

QString CMainFrame::statusText() const { return m_status->text(); }

QString CMainFrame::paneText(int pane) const
{
    if (pane == 0) return m_status->text();
    return pane >= 1 && pane <= 3 ? m_panes[pane - 1]->text() : QString();
}

void CMainFrame::SetLockIndicators(bool caps, bool num, bool scroll)
{
    const bool on[3] = {caps, num, scroll};
    const char* names[3] = {"MAJ", "NUM", "DEF"};
    for (int i = 0; i < 3; ++i) {
        QString t = on[i] ? names[i] : "";
        if (m_panes[i]->text() != t) m_panes[i]->setText(t);
    }
}

void CMainFrame::poll_lock_keys()
{
#ifdef QV_HAVE_XKB
    auto* x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11 || !x11->display()) return;
    Display* dpy = x11->display();
    unsigned state = 0;
    if (XkbGetIndicatorState(dpy, XkbUseCoreKbd, &state) != Success) return;
    // Indicator bits by name, as the keyboard map numbers them.
    auto lit = [dpy, state](const char* name) {
        Atom a = XInternAtom(dpy, name, True);
        int index = -1;
        if (a == None || !XkbGetNamedIndicator(dpy, a, &index, nullptr, nullptr, nullptr) || index < 0) return false;
        return (state >> index & 1u) != 0;
    };
    SetLockIndicators(lit("Caps Lock"), lit("Num Lock"), lit("Scroll Lock"));
#endif
}

// A highlighted menu item or toolbar button shows its prompt in the
// message pane; when it is left the pane says "Ready" again.
bool CMainFrame::event(QEvent* e)
{
    if (e->type() == QEvent::StatusTip) {
        const QString tip = static_cast<QStatusTipEvent*>(e)->tip();
        m_status->setText(tip.isEmpty() ? QStringLiteral("Ready") : tip);
        return true;
    }
    return QMainWindow::event(e);
}

// ---- menus and toolbars ----

QMenu* CMainFrame::menu_for(const QString& path)
{
    auto it = m_menus.find(path);
    if (it != m_menus.end()) return it->second;
    const qsizetype slash = path.lastIndexOf('/');
    QMenu* menu = slash < 0 ? menuBar()->addMenu(path) : menu_for(path.left(slash))->addMenu(path.mid(slash + 1));
    menu->setObjectName(path);
    connect(menu, &QMenu::aboutToShow, this, [this, menu] { RefreshMenu(menu); });
    m_menus[path] = menu;
    return menu;
}

QAction* CMainFrame::action_for(int id)
{
    QAction*& a = m_actions[id];
    if (a) return a;
    const Command* c = find_command(id);
    a = new QAction(c ? QString::fromUtf8(c->text) : QString(), this);
    a->setProperty(k_id, id);
    if (c && *c->shortcut) a->setShortcut(QKeySequence(QString::fromUtf8(c->shortcut)));
    if (c && c->update) a->setCheckable(true);
    auto tip = k_tips.find(id);
    if (tip != k_tips.end()) a->setToolTip(tip->second);
    else if (c && *c->text) a->setToolTip(plain(c->text));
    a->setStatusTip(QString::fromUtf8(command_prompt(id)));
    connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
    apply_state(a);
    return a;
}

void CMainFrame::build_menus()
{
    for (const Command& c : command_table()) {
        if (!*c.menu) continue;
        QMenu* menu = menu_for(QString::fromUtf8(c.menu));
        if (c.id == 57607 || c.id == 57665) menu->addSeparator();
        if (c.id == 57665) {
            // The recent files go between the printing items and Exit.
            m_file_menu = menu;
            m_recent_end = menu->addSeparator();
        }
        menu->addAction(action_for(c.id));
    }
    if (m_file_menu) {
        connect(m_file_menu, &QMenu::aboutToShow, this, &CMainFrame::fill_recent_menu);
        fill_recent_menu();
    }
}

void CMainFrame::build_toolbars()
{
    for (const ToolbarDef& def : k_toolbars) {
        auto* bar = new QToolBar(QString("Toolbar %1").arg(def.resource), this);
        bar->setObjectName(QString("toolbar%1").arg(def.resource));
        bar->setIconSize(QSize(k_button_w, k_button_h));
        bar->setAllowedAreas(Qt::TopToolBarArea);
        for (int id : def.buttons) {
            if (id == 0) {
                bar->addSeparator();
                continue;
            }
            QAction* a = action_for(id);
            a->setIcon(toolbar_icon(id));
            bar->addAction(a);
        }
        addToolBar(Qt::TopToolBarArea, bar);
        m_toolbars[def.resource] = bar;
    }
    RefreshToolbars();
}

void CMainFrame::apply_state(QAction* a)
{
    const int id = a->property(k_id).toInt();
    const Command* c = find_command(id);
    if (c && c->run) {
        CommandState s = command_state(m_view->behaviour(), id);
        a->setEnabled(s.enabled);
        a->setChecked(a->isCheckable() && s.checked);
    } else {
        a->setEnabled(m_frame_commands.count(id) != 0);
        a->setChecked(false);
    }
}

void CMainFrame::RefreshMenu(QMenu* menu)
{
    GlScope gl(*m_view);
    for (QAction* a : menu->actions())
        if (a->property(k_id).isValid()) apply_state(a);
}

void CMainFrame::RefreshToolbars()
{
    GlScope gl(*m_view);
    for (auto& [res, bar] : m_toolbars)
        for (QAction* a : bar->actions())
            if (a->property(k_id).isValid()) apply_state(a);
}

QAction* CMainFrame::commandAction(int id) const
{
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

QToolBar* CMainFrame::toolBar(int resource) const
{
    auto it = m_toolbars.find(resource);
    return it == m_toolbars.end() ? nullptr : it->second;
}

void CMainFrame::fill_recent_menu()
{
    for (QAction* a : m_recent_actions) {
        m_file_menu->removeAction(a);
        delete a;
    }
    m_recent_actions.clear();
    const QStringList& files = m_recent.files();
    for (int i = 0; i < files.size(); ++i) {
        const QString number = i < 9 ? QString("&%1").arg(i + 1) : QString("1&0");
        const QString shown = fontMetrics().elidedText(files[i], Qt::ElideMiddle, 360);
        auto* a = new QAction(number + " " + shown, this);
        a->setProperty(k_recent, files[i]);
        const QString path = files[i];
        connect(a, &QAction::triggered, this, [this, path] { OpenDocument(path); });
        m_file_menu->insertAction(m_recent_end, a);
        m_recent_actions << a;
    }
}

// ---- commands ----

void CMainFrame::RunCommand(int id)
{
    {
        GlScope gl(*m_view);
        const Command* c = find_command(id);
        if (c && c->run) {
            run_command(m_view->behaviour(), id);
        } else {
            auto it = m_frame_commands.find(id);
            if (it != m_frame_commands.end()) it->second();
            m_view->RestoreCurrent();
        }
    }
    after_change();
}

void CMainFrame::after_change()
{
    if (!m_view) return;
    // A command may have opened another file (File Open) or changed the
    // scene; the title and the recent-file list follow.
    if (m_doc->scene() != m_seen_scene || m_doc->m_path != m_seen_path) {
        if (!m_doc->m_path.empty() && m_doc->m_path != m_seen_path)
            m_recent.add(QString::fromStdString(m_doc->m_path));
        m_seen_scene = m_doc->scene();
        m_seen_path = m_doc->m_path;
    }
    update_title();
    RefreshToolbars();
}

void CMainFrame::update_title()
{
    setWindowTitle(QString::fromStdString(m_doc->title()) + "[*] - Quorvel");
    setWindowModified(m_doc->IsModified());
}

bool CMainFrame::SaveModified()
{
    GlScope gl(*m_view);
    const bool go_on = m_view->behaviour().SaveModified();
    m_view->RestoreCurrent();
    after_change();
    return go_on;
}

void CMainFrame::closeEvent(QCloseEvent* e)
{
    // Escape ends the program at once; the close box and Exit ask first.
    if (SaveModified()) e->accept();
    else e->ignore();
}

void CMainFrame::NewDocument()
{
    if (!SaveModified()) return;
    {
        GlScope gl(*m_view);
        m_doc->OnNewDocument();
        m_view->SceneReplaced();
    }
    m_seen_scene = nullptr;   // a new scene is news even with the same address
    after_change();
}

bool CMainFrame::OpenDocument(const QString& path, BackgroundOpen* reading)
{
    if (!SaveModified()) return false;
    OpenResult r;
    {
        GlScope gl(*m_view);
        {
            // The messages of the load are shown together once it is over.
            ReportGroup group;
            const FinishFn finish = [this](SCENE3D& s) { return m_view->FinishScene(s); };
            r = reading ? m_doc->CollectOpen(*reading, path.toStdString(), finish)
                        : m_doc->OpenForCommandLine(path.toStdString(), finish);
        }
        m_view->RestoreCurrent();
        // A file that could not be read leaves the document, the view and
        // the recent-file list as they were.
        if (r != OpenResult::Scene && r != OpenResult::Lod) return false;
        m_view->SceneReplaced();
    }
    m_recent.add(path);
    m_seen_path = m_doc->m_path;
    m_seen_scene = nullptr;
    after_change();
    return true;
}

int CMainFrame::OpenBinary(const QString& path)
{
    {
        GlScope gl(*m_view);
        int r;
        {
            ReportGroup group;
            r = m_doc->OpenBinary(path.toStdString());
        }
        m_view->RestoreCurrent();
        if (!r) return 0;
        // The read objects are ordered and numbered for picking and drawn
        // with the scene's lights, as after any other open.
        m_view->FinishScene(*m_doc->scene());
        m_view->SceneReplaced();
    }
    m_seen_scene = nullptr;
    after_change();
    return 1;
}

void CMainFrame::open_binary_command()
{
    if (!SaveModified()) return;
    FileDialogRequest req;
    req.title = "Open Binary";
    req.filter = "Binary image file (*.bin)";
    req.default_name = "*.*";
    if (!m_view->file_dialog(req)) return;
    // The whole chosen path is read, wherever the chooser was.
    OpenBinary(QString::fromStdString(req.path));
}

bool CMainFrame::SaveDocument(const QString& path)
{
    if (path.isEmpty() || !m_doc->OnSaveDocument(path.toStdString())) return false;
    after_change();
    return true;
}

// ---- printing ----

QPrinter& CMainFrame::printer()
{
    if (!m_printer) m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void CMainFrame::print_with_dialog()
{
    QPrintDialog dlg(&printer(), this);
    dlg.setWindowTitle("Print");
    const bool ok = dlg.exec() == QDialog::Accepted;
    m_view->RestoreCurrent();
    if (ok) print_direct();
}

void CMainFrame::print_direct()
{
    if (!print_view(*m_view, printer())) QMessageBox::warning(this, "Quorvel", "The page could not be printed.");
}

void CMainFrame::print_preview()
{
    QPrintPreviewDialog dlg(&printer(), this);
    dlg.setWindowTitle("Print Preview");
    connect(&dlg, &QPrintPreviewDialog::paintRequested, this, [this](QPrinter* p) { print_view(*m_view, *p); });
    dlg.exec();
    m_view->RestoreCurrent();
}

void CMainFrame::print_setup()
{
    QPageSetupDialog dlg(&printer(), this);
    dlg.setWindowTitle("Print Setup");
    dlg.exec();
    m_view->RestoreCurrent();
}

void CMainFrame::about()
{
    CAboutDlg dlg(this);
    dlg.exec();
}

// ---- dropped files ----

namespace {
QString first_local_file(const QMimeData* m)
{
    if (!m || !m->hasUrls()) return {};
    for (const QUrl& u : m->urls())
        if (u.isLocalFile() && !u.toLocalFile().isEmpty()) return u.toLocalFile();
    return {};
}
} // namespace

void CMainFrame::dragEnterEvent(QDragEnterEvent* e)
{
    if (!first_local_file(e->mimeData()).isEmpty()) e->acceptProposedAction();
}

void CMainFrame::dropEvent(QDropEvent* e)
{
    const QString path = first_local_file(e->mimeData());
    if (path.isEmpty()) return;
    e->acceptProposedAction();
    activateWindow();
    // Opened once the drop is over: the program that dragged the file is
    // not kept waiting by a long load or a message box.
    QTimer::singleShot(0, this, [this, path] { OpenDocument(path); });
}
