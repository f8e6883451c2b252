#include "dialogs/view_dialogs.h"

#include <QColorDialog>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QShowEvent>
#include <QSlider>
#include <QSpinBox>
#include <QTableWidget>
#include <QVBoxLayout>

#include <cmath>

#include "base/cformat.h"
#include "base/report.h"
#include "view/qt/dialog_registry.h"
#include "view/small_dialogs.h"

ModelessPanel* make_properties_panel(ViewBehaviour& view, QWidget* parent);
ModelessPanel* make_object_editor_panel(ViewBehaviour& view, QWidget* parent);

void ModelessPanel::showEvent(QShowEvent* e)
{
    if (!e->spontaneous()) appearing();
    QDialog::showEvent(e);
}

void ModelessPanel::reopen()
{
    // Asked for again while open: it starts afresh as when it appears.
    if (isVisible()) appearing();
    show();
    raise();
    activateWindow();
}

ColourChooser& colour_chooser()
{
    static ColourChooser chooser = [](QWidget* parent, uint32_t& packed) {
        const QColor start(packed & 0xFF, (packed >> 8) & 0xFF, (packed >> 16) & 0xFF);
        const QColor c = QColorDialog::getColor(start, parent);
        if (!c.isValid()) return false;
        packed = (uint32_t)c.red() | ((uint32_t)c.green() << 8) | ((uint32_t)c.blue() << 16);
        return true;
    };
    return chooser;
}

namespace {
QString q(const std::string& s) { return QString::fromStdString(s); }

template <class W>
W* named(W* w, int id)
{
    w->setObjectName(QString("ctl%1").arg(id));
    return w;
}

QDialogButtonBox* ok_cancel(QDialog* d)
{
    auto* b = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, d);
    b->button(QDialogButtonBox::Ok)->setObjectName("ctl1");
    b->button(QDialogButtonBox::Cancel)->setObjectName("ctl2");
    QObject::connect(b, &QDialogButtonBox::rejected, d, &QDialog::reject);
    return b;
}

// "Focale": the field of view in degrees. A text that is not a number keeps
// the dialog open with a message, as a numeric field does.
class FocaleDialog : public QDialog {
public:
    FocaleDialog(QWidget* parent, FocaleRequest& r) : QDialog(parent), m_r(r)
    {
        setWindowTitle("Dialog");
        auto* g = new QGridLayout(this);
        m_field = named(new QLineEdit(q(qv_format("%.15g", r.fovy)), this), 1082);
        g->addWidget(new QLabel("Focale", this), 0, 0);
        g->addWidget(m_field, 0, 1);
        auto* b = ok_cancel(this);
        g->addWidget(b, 1, 0, 1, 2);
        connect(b, &QDialogButtonBox::accepted, this, [this] {
            const std::string t = m_field->text().trimmed().toStdString();
            const char* stop = nullptr;
            const double v = qv_strtod(t.data(), t.data() + t.size(), &stop);
            if (t.empty() || stop != t.data() + t.size() || !std::isfinite(v)) {
                MessageBox("Please enter a number.");
                return;
            }
            m_r.fovy = v;
            accept();
        });
    }

private:
    FocaleRequest& m_r;
    QLineEdit* m_field;
};

// "Viewpoints": choosing a name moves the camera at once.
class ViewpointsDialog : public QDialog {
public:
    ViewpointsDialog(QWidget* parent, ViewpointsRequest& r) : QDialog(parent)
    {
        setWindowTitle("Dialog");
        auto* g = new QGridLayout(this);
        auto* list = named(new QComboBox(this), 1049);
        for (const std::string& n : r.names) list->addItem(q(n));
        list->setCurrentIndex(-1);
        g->addWidget(new QLabel("Viewpoint names", this), 0, 0);
        g->addWidget(list, 0, 1);
        g->addWidget(new QLabel("Position", this), 1, 0);
        auto* b = ok_cancel(this);
        g->addWidget(b, 2, 0, 1, 2);
        connect(list, &QComboBox::currentIndexChanged, this, [&r](int e) { r.choose(e); });
        connect(b, &QDialogButtonBox::accepted, this, &QDialog::accept);
    }
};

class IgnFileDialog : public QDialog {
public:
    IgnFileDialog(QWidget* parent, IgnFileRequest& r) : QDialog(parent)
    {
        setWindowTitle("Open IGN File");
        auto* g = new QGridLayout(this);
        auto* list = named(new QComboBox(this), 1074);
        list->setEditable(true);
        auto* a = named(new QLineEdit(QString::number(r.a), this), 1071);
        auto* b2 = named(new QLineEdit(QString::number(r.b), this), 1072);
        auto* fill = named(new QPushButton("Button1", this), 1075);
        g->addWidget(list, 0, 0, 1, 2);
        g->addWidget(a, 1, 0);
        g->addWidget(b2, 1, 1);
        g->addWidget(fill, 2, 0);
        auto* b = ok_cancel(this);
        g->addWidget(b, 3, 0, 1, 2);
        connect(fill, &QPushButton::clicked, this, [&r, list] {
            r.fill();
            list->clear();
            for (const std::string& e : r.entries) list->addItem(q(e));
            list->setCurrentText(q(r.text));
        });
        connect(b, &QDialogButtonBox::accepted, this, [this, &r, list, a, b2] {
            r.text = list->currentText().toStdString();
            r.a = qv_atoi(a->text().toStdString().c_str());
            r.b = qv_atoi(b2->text().toStdString().c_str());
            accept();
        });
    }
};

class ObjectsDialog : public QDialog {
public:
    ObjectsDialog(QWidget* parent, ObjectsRequest& r) : QDialog(parent)
    {
        setWindowTitle("Objects");
        auto* g = new QGridLayout(this);
        auto* list = named(new QTableWidget((int)r.rows.size(), (int)r.columns.size(), this), 1040);
        for (int c = 0; c < (int)r.columns.size(); ++c) {
            list->setHorizontalHeaderItem(c, new QTableWidgetItem(q(r.columns[(size_t)c])));
            list->setColumnWidth(c, 10);
            for (int row = 0; row < (int)r.rows.size(); ++row)
                list->setItem(row, c, new QTableWidgetItem(q(r.rows[(size_t)row])));
        }
        list->setEditTriggers(QAbstractItemView::NoEditTriggers);
        // The list's own text; nothing shows it.
        connect(list, &QTableWidget::cellDoubleClicked, list, [list] { list->setWindowTitle("toto"); });
        g->addWidget(list, 0, 0, 1, 4);
        g->addWidget(named(new QScrollBar(Qt::Vertical, this), 1033), 0, 4);
        g->addWidget(named(new QSpinBox(this), 1041), 1, 0);
        g->addWidget(new QLabel("H", this), 1, 1);
        g->addWidget(named(new QLineEdit(q(r.h), this), 1042), 1, 2);
        g->addWidget(new QLabel("V", this), 2, 1);
        g->addWidget(named(new QLineEdit(q(r.v), this), 1043), 2, 2);
        g->addWidget(new QLabel("Size", this), 3, 1);
        g->addWidget(named(new QLineEdit(q(r.size), this), 1044), 3, 2);
        g->addWidget(named(new QComboBox(this), 1045), 4, 0);
        auto* b = ok_cancel(this);
        g->addWidget(b, 5, 0, 1, 4);
        connect(b, &QDialogButtonBox::accepted, this, &QDialog::accept);
    }
};

// Shown while the camera path plays; its controls do nothing.
class VirtualVisitPanel : public ModelessPanel {
public:
    explicit VirtualVisitPanel(QWidget* parent) : ModelessPanel(parent)
    {
        setWindowTitle("Animate Virtual Visit");
        setObjectName("Animate Virtual Visit");
        auto* l = new QVBoxLayout(this);
        l->addWidget(new QLabel("Camera Choice", this));
        l->addWidget(named(new QComboBox(this), 1053));
        l->addWidget(named(new QSlider(Qt::Horizontal, this), 1068));
    }
};

} // namespace

ModelessPanel* CreateViewPanel(const std::string& name, ViewBehaviour& view, QWidget* parent)
{
    if (name == "Properties") return make_properties_panel(view, parent);
    if (name == "Object Editor") return make_object_editor_panel(view, parent);
    if (name == "Animate Virtual Visit") return new VirtualVisitPanel(parent);
    return nullptr;
}

QDialog* MakeViewDialog(QWidget* parent, DialogRequest& r)
{
    if (auto* x = dynamic_cast<FocaleRequest*>(&r)) return new FocaleDialog(parent, *x);
    if (auto* x = dynamic_cast<ViewpointsRequest*>(&r)) return new ViewpointsDialog(parent, *x);
    if (auto* x = dynamic_cast<IgnFileRequest*>(&r)) return new IgnFileDialog(parent, *x);
    if (auto* x = dynamic_cast<ObjectsRequest*>(&r)) return new ObjectsDialog(parent, *x);
    return nullptr;
}

bool RunViewDialogRequest(QWidget* parent, DialogRequest& request, bool& ok)
{
    QDialog* d = MakeViewDialog(parent, request);
    if (!d) return false;
    ok = d->exec() == QDialog::Accepted;
    delete d;
    return true;
}

void register_view_dialogs()
{
    for (const char* name : {"Focale", "Viewpoints", "Open IGN File", "Objects"})
        register_modal_dialog(name, [](QWidget* parent, DialogRequest& r) {
            bool ok = false;
            return RunViewDialogRequest(parent, r, ok) && ok;
        });
    for (const char* name : {"Properties", "Object Editor", "Animate Virtual Visit"}) {
        const std::string n = name;
        register_modeless_dialog(n, ModelessDialogFns{
            [n](QWidget* parent, ViewBehaviour& view) -> QWidget* { return CreateViewPanel(n, view, parent); },
            [](QWidget* w) {
                if (auto* p = qobject_cast<ModelessPanel*>(w)) p->reread();
            },
            [](QWidget* w) {
                if (auto* p = qobject_cast<ModelessPanel*>(w)) p->reopen();
            }});
    }
}
