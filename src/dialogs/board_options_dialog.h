// "2D OPTIONS": the drawing board's snapping switch. "Ajust to Grid" flips
// the snap value of the request each time it is clicked; "Radio1" has no
// action; OK and Cancel close the dialog.
#pragma once
#include <QDialog>

#include "view/board_view.h"

class QPushButton;
class QRadioButton;

class BoardOptionsDialog : public QDialog {
    Q_OBJECT
public:
    BoardOptionsDialog(BoardOptionsRequest& request, QWidget* parent = nullptr);

    QPushButton* adjustButton() const { return m_adjust; }
    QRadioButton* radioButton() const { return m_radio; }

private:
    BoardOptionsRequest& m_request;
    QPushButton* m_adjust;
    QRadioButton* m_radio;
};
