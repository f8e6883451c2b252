#include "dialogs/board_options_dialog.h"

#include <QDialogButtonBox>
#include <QPushButton>
#include <QRadioButton>
#include <QVBoxLayout>

BoardOptionsDialog::BoardOptionsDialog(BoardOptionsRequest& request, QWidget* parent)
    : QDialog(parent), m_request(request)
{
    setWindowTitle("2D OPTIONS");
    auto* layout = new QVBoxLayout(this);
    m_adjust = new QPushButton("Ajust to Grid", this);
    m_radio = new QRadioButton("Radio1", this);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    layout->addWidget(m_adjust);
    layout->addWidget(m_radio);
    layout->addWidget(buttons);
    connect(m_adjust, &QPushButton::clicked, this, [this] { m_request.snap = m_request.snap ? 0 : 1; });
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
}
