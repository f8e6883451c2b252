#include "dialogs/model_dialogs_qt.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace {
QString ctl(int id) { return QString("ctl%1").arg(id); }
} // namespace

MeshDialog::MeshDialog(MeshDialogRequest& request, QWidget* parent) : QDialog(parent), m_request(request)
{
    setWindowTitle("Dialog_mesh");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(MeshDialogRequest::kLabel, this));
    auto* form = new QFormLayout();
    m_n = new QLineEdit(QString::number(request.n), this);
    m_p = new QLineEdit(QString::number(request.p), this);
    m_n->setObjectName(ctl(MeshDialogRequest::kCtlN));
    m_p->setObjectName(ctl(MeshDialogRequest::kCtlP));
    for (QLineEdit* e : {m_n, m_p}) e->setValidator(new QIntValidator(e));
    form->addRow("n", m_n);
    form->addRow("p", m_p);
    layout->addLayout(form);
    auto* buttons = new QHBoxLayout();
    auto* ok = new QPushButton("OK", this);
    auto* cancel = new QPushButton("Cancel", this);
    ok->setDefault(true);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(ok, &QPushButton::clicked, this, &MeshDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void MeshDialog::accept()
{
    bool ok_n = false, ok_p = false;
    const int n = m_n->text().toInt(&ok_n);
    const int p = m_p->text().toInt(&ok_p);
    if (!ok_n || !ok_p) return;   // stays open until both are numbers
    m_request.n = n;
    m_request.p = p;
    QDialog::accept();
}

ExtrudeDialog::ExtrudeDialog(ExtrudeDialogRequest& request, QWidget* parent)
    : QDialog(parent), m_request(request)
{
    setWindowTitle("Extrude");
    auto* layout = new QVBoxLayout(this);
    m_section = new QComboBox(this);
    m_curve = new QComboBox(this);
    m_section->setObjectName(ctl(ExtrudeDialogRequest::kCtlSection));
    m_curve->setObjectName(ctl(ExtrudeDialogRequest::kCtlCurve));
    for (QComboBox* c : {m_section, m_curve}) {
        c->clear();
        for (const std::string& line : request.lines) c->addItem(QString::fromStdString(line));
    }
    m_section->setCurrentIndex(request.section);
    m_curve->setCurrentIndex(request.curve);
    layout->addWidget(new QLabel("Object Section", this));
    layout->addWidget(m_section);
    layout->addWidget(new QLabel("Curve", this));
    layout->addWidget(m_curve);
    auto* buttons = new QHBoxLayout();
    m_ok = new QPushButton("Extrude Curve", this);
    m_vector = new QPushButton("Extrude Vector", this);
    auto* cancel = new QPushButton("Cancel", this);
    m_vector->setObjectName(ctl(ExtrudeDialogRequest::kCtlVector));
    m_ok->setDefault(true);
    buttons->addWidget(m_ok);
    buttons->addWidget(m_vector);
    buttons->addWidget(cancel);
    layout->addLayout(buttons);
    connect(m_section, &QComboBox::currentIndexChanged, this, [this](int i) { m_request.section = i; });
    connect(m_curve, &QComboBox::currentIndexChanged, this, [this](int i) { m_request.curve = i; });
    connect(m_ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    // "Extrude Vector" has no action of its own.
}

bool run_model_dialog(DialogRequest& r, QWidget* parent, bool* handled)
{
    if (auto* m = dynamic_cast<MeshDialogRequest*>(&r)) {
        *handled = true;
        MeshDialog d(*m, parent);
        return d.exec() == QDialog::Accepted;
    }
    if (auto* e = dynamic_cast<ExtrudeDialogRequest*>(&r)) {
        *handled = true;
        ExtrudeDialog d(*e, parent);
        return d.exec() == QDialog::Accepted;
    }
    *handled = false;
    return false;
}
