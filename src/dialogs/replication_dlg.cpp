#include "dialogs/replication_dlg.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QFileDialog>
#include <QFontMetrics>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QMouseEvent>
#include <QPainter>
#include <QVBoxLayout>

#include "view/qt/filter_window.h"
#include "view/view_host.h"

// The drawing area under the menu bar. Qt grabs the mouse for the widget
// that got the press, so moves keep coming while the button is held, also
// outside the window.
class ReplicationCanvas : public QWidget {
public:
    explicit ReplicationCanvas(CReplicationDlg* dlg) : QWidget(dlg), m_dlg(dlg)
    {
        setAttribute(Qt::WA_OpaquePaintEvent);
    }

protected:
    void paintEvent(QPaintEvent*) override;
    void mousePressEvent(QMouseEvent* e) override
    {
        if (e->button() != Qt::LeftButton) return;
        const QPoint p = e->position().toPoint();
        m_dlg->m_state.MouseDown(p.x(), p.y());
    }
    void mouseMoveEvent(QMouseEvent* e) override
    {
        const QPoint p = e->position().toPoint();
        if (m_dlg->m_state.MouseMove(p.x(), p.y())) update();
    }
    void mouseReleaseEvent(QMouseEvent* e) override
    {
        if (e->button() != Qt::LeftButton) return;
        m_dlg->m_state.MouseUp();
        update();
    }

private:
    CReplicationDlg* m_dlg;
    QImage m_shown;                 // the picture as last converted
    unsigned m_shown_revision = 0;
    bool m_have_shown = false;
};

void ReplicationCanvas::paintEvent(QPaintEvent*)
{
    const ReplicationState& st = m_dlg->m_state;
    QPainter p(this);
    p.fillRect(rect(), palette().color(QPalette::Window));
    if (st.HasPicture()) {
        const CTexture& img = st.image;
        if (!m_have_shown || m_shown_revision != st.revision || m_shown.width() != img.width ||
            m_shown.height() != img.height) {
            m_shown = QImage(img.width, img.height, QImage::Format_RGB888);
            if (!m_shown.isNull()) img.Draw(m_shown.bits(), img.width, img.height, (int)m_shown.bytesPerLine(), 0, 0);
            m_shown_revision = st.revision;
            m_have_shown = true;
        }
        p.drawImage(0, 0, m_shown);
    } else {
        m_shown = QImage();
        m_have_shown = false;
    }
    if (st.OutlineShown()) {
        // One pixel wide, dashed, red, on the selection's inclusive corners.
        QPen pen(QColor(255, 0, 0));
        pen.setStyle(Qt::DashLine);
        pen.setWidth(1);
        p.setPen(pen);
        p.setBrush(Qt::NoBrush);
        p.setBackgroundMode(Qt::TransparentMode);
        const SelectionRect& s = st.selection;
        const QPoint corners[5] = {{s.left, s.top}, {s.right, s.top}, {s.right, s.bottom},
                                   {s.left, s.bottom}, {s.left, s.top}};
        p.drawPolyline(corners, 5);
    }
}

namespace {

struct MenuEntry {
    const char* popup;
    const char* text;
    int id;
    QKeySequence shortcut;
    bool enabled;
};

const MenuEntry kMenu[] = {
    {"File", "&Open...", CReplicationDlg::ID_FILE_OPEN, {}, true},
    {"File", "&Save as...", CReplicationDlg::ID_FILE_SAVE_AS, {}, true},
    {"Image", "Noir  et Blanc", CReplicationDlg::ID_BLACK_AND_WHITE, {}, true},
    {"Image", "Seuil", CReplicationDlg::ID_THRESHOLD, {}, true},
    {"Image", "Filter", CReplicationDlg::ID_FILTER, {}, true},
    {"Image", "&Duplicate mirror\tF5", CReplicationDlg::ID_DUPLICATE_MIRROR, QKeySequence(Qt::Key_F5), true},
    {"Image", "Duplicate repeat", CReplicationDlg::ID_DUPLICATE_REPEAT, {}, true},
    {"Image", "Reverse color", CReplicationDlg::ID_REVERSE_COLOR, {}, true},
    {"Select", "&All\tCtrl+A", CReplicationDlg::ID_SELECT_ALL, QKeySequence(Qt::CTRL | Qt::Key_A), true},
    // No command behind it: shown disabled.
    {"Select", "&None\tShift+N", CReplicationDlg::ID_SELECT_NONE, {}, false},
    {"Animate", "Play Movie", CReplicationDlg::ID_PLAY_MOVIE, {}, true},
    {"Animate", "Stop", CReplicationDlg::ID_STOP, {}, true},
};

// Dialog units of the window's font: a quarter of the average character
// width across, an eighth of the character height down.
QSize dialog_units_to_pixels(const QFont& font, int du_x, int du_y)
{
    QFontMetrics fm(font);
    const int letters = fm.horizontalAdvance("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz");
    const int cx = (letters / 26 + 1) / 2;
    const int cy = fm.height();
    return QSize((du_x * cx + 2) / 4, (du_y * cy + 4) / 8);
}

// The chooser shows each filter's name and matches the patterns of its
// last parentheses, which it does not show: the files the window reads
// ("lumi" sequences end in those letters with or without a dot; JPEG
// pictures end in .jpg or .jpeg).
const char* const kOpenFilters[] = {"Files (*.lumi,*.bmp,*.jpeg) (*lumi *.bmp *.jpg *.jpeg)",
                                    "BMP (*.bmp) (*.bmp)", "JPEG (*.jpg (*.jpg *.jpeg)", "PCD (*.pcd (*.pcd)",
                                    "All files (*.*) (*)"};
const char* const kSaveFilters[] = {"BMP image file (*.bmp)"};

// A path as the C library sees file names.
std::string local_path(const QString& path) { return QFile::encodeName(path).toStdString(); }

} // namespace

QString NativeFileDialog(QWidget* parent, const FileRequest& request)
{
    QFileDialog dlg(parent);
    dlg.setAcceptMode(request.save ? QFileDialog::AcceptSave : QFileDialog::AcceptOpen);
    dlg.setFileMode(request.save ? QFileDialog::AnyFile : QFileDialog::ExistingFile);
    dlg.setOption(QFileDialog::HideNameFilterDetails);
    dlg.setNameFilters(request.filters);
    if (!request.default_suffix.isEmpty()) dlg.setDefaultSuffix(request.default_suffix);
    if (dlg.exec() != QDialog::Accepted) return QString();
    const QStringList chosen = dlg.selectedFiles();
    return chosen.isEmpty() ? QString() : chosen.first();
}

QStringList CReplicationDlg::OpenFilters()
{
    QStringList l;
    for (const char* f : kOpenFilters) l << QString::fromLatin1(f);
    return l;
}

QStringList CReplicationDlg::SaveFilters()
{
    QStringList l;
    for (const char* f : kSaveFilters) l << QString::fromLatin1(f);
    return l;
}

CReplicationDlg::CReplicationDlg(QWidget* parent) : QDialog(parent), m_file_dialog(NativeFileDialog)
{
    setWindowTitle(kReplicationDialogName);
    setWindowFlags(windowFlags() | Qt::WindowMinMaxButtonsHint);

    m_menu = new QMenuBar(this);
    std::map<QString, QMenu*> popups;
    for (const MenuEntry& e : kMenu) {
        QMenu*& popup = popups[QString::fromLatin1(e.popup)];
        if (!popup) popup = m_menu->addMenu(QString::fromLatin1(e.popup));
        QAction* a = popup->addAction(QString::fromLatin1(e.text));
        if (!e.shortcut.isEmpty()) a->setShortcut(e.shortcut);
        a->setEnabled(e.enabled);
        const int id = e.id;
        connect(a, &QAction::triggered, this, [this, id] { RunCommand(id); });
        m_actions[id] = a;
    }

    m_canvas = new ReplicationCanvas(this);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    layout->setMenuBar(m_menu);
    layout->addWidget(m_canvas, 1);

    const QSize client = dialog_units_to_pixels(font(), 284, 174);
    resize(client.width(), client.height() + m_menu->sizeHint().height());

    m_timer.setInterval(kMoviePeriodMs);
    connect(&m_timer, &QTimer::timeout, this, [this] { next_frame(); });
}

CReplicationDlg::~CReplicationDlg() { m_timer.stop(); }

QWidget* CReplicationDlg::canvas() const { return m_canvas; }

QAction* CReplicationDlg::action(int id) const
{
    auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

void CReplicationDlg::RunCommand(int id)
{
    bool repaint = false;
    switch (id) {
    case ID_FILE_OPEN: open_file(); break;
    case ID_FILE_SAVE_AS: save_file(); break;
    case ID_BLACK_AND_WHITE: repaint = m_state.BlackAndWhite(); break;
    case ID_THRESHOLD: repaint = m_state.Threshold(); break;
    case ID_FILTER: repaint = m_state.Filter(); break;
    case ID_DUPLICATE_MIRROR: duplicate_mirror(); break;
    case ID_REVERSE_COLOR: repaint = m_state.ReverseColor(); break;
    case ID_SELECT_ALL: repaint = m_state.SelectAll(); break;
    case ID_PLAY_MOVIE:
        m_state.Play();
        break;
    case ID_STOP:
        m_state.Stop();
        repaint = true;   // the outline comes back
        break;
    default: break;   // Duplicate repeat, Select None: nothing
    }
    sync_timer();
    if (repaint) m_canvas->update();
}

void CReplicationDlg::open_file()
{
    FileRequest req;
    req.filters = OpenFilters();
    const QString path = m_file_dialog ? m_file_dialog(this, req) : QString();
    if (!path.isEmpty()) {
        m_state.Open(local_path(path));
        m_canvas->update();
    }
    if (m_filter_window) m_filter_window->show();
}

void CReplicationDlg::save_file()
{
    if (!m_state.HasPicture()) return;   // nothing to write
    FileRequest req;
    req.save = true;
    req.filters = SaveFilters();
    req.default_suffix = "bmp";
    const QString path = m_file_dialog ? m_file_dialog(this, req) : QString();
    if (!path.isEmpty()) m_state.Save(local_path(path));
}

void CReplicationDlg::duplicate_mirror()
{
    QApplication::setOverrideCursor(Qt::WaitCursor);
    m_state.DuplicateMirror();
    m_canvas->update();
    QApplication::restoreOverrideCursor();
}

void CReplicationDlg::next_frame()
{
    if (m_state.Tick()) {
        const CTexture& img = m_state.image;
        m_canvas->update(0, 0, img.width, img.height);
    }
    sync_timer();
}

void CReplicationDlg::sync_timer()
{
    if (m_state.playing && !m_timer.isActive()) m_timer.start();
    if (!m_state.playing && m_timer.isActive()) m_timer.stop();
}

void CReplicationDlg::done(int r)
{
    // The movie ends with the window.
    m_state.Stop();
    m_timer.stop();
    // The "Filtre" window it showed goes with it.
    if (m_filter_window) m_filter_window->hide();
    QDialog::done(r);
}

int RunReplicationDialog(QWidget* parent, QWidget* filter_window, FileDialogFn file_dialog)
{
    CReplicationDlg dlg(parent);
    dlg.SetFilterWindow(filter_window);
    if (file_dialog) dlg.SetFileDialog(std::move(file_dialog));
    return dlg.exec();
}

bool RunReplicationRequest(QWidget* view, const DialogRequest& request)
{
    if (!request.name || QLatin1String(request.name) != QLatin1String(kReplicationDialogName)) return false;
    RunReplicationDialog(view ? view->window() : nullptr, ViewFilterWindow(view));
    return true;
}
