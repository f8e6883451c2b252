// The modelling commands' modal dialogs: "Dialog_mesh" (the grid's point
// counts) and "Extrude" (section and curve objects). Each edits the request
// it is given; controls are named ctl<resource id>.
#pragma once
#include <QDialog>

#include "view/model_dialogs.h"

class QComboBox;
class QLineEdit;
class QPushButton;

class MeshDialog : public QDialog {
    Q_OBJECT
public:
    MeshDialog(MeshDialogRequest& request, QWidget* parent = nullptr);
    QLineEdit* countN() const { return m_n; }
    QLineEdit* countP() const { return m_p; }

    // OK: both fields must hold whole numbers; then they go to the request.
    void accept() override;

private:
    MeshDialogRequest& m_request;
    QLineEdit* m_n;
    QLineEdit* m_p;
};

class ExtrudeDialog : public QDialog {
    Q_OBJECT
public:
    ExtrudeDialog(ExtrudeDialogRequest& request, QWidget* parent = nullptr);
    QComboBox* sectionList() const { return m_section; }
    QComboBox* curveList() const { return m_curve; }
    QPushButton* curveButton() const { return m_ok; }
    QPushButton* vectorButton() const { return m_vector; }

private:
    ExtrudeDialogRequest& m_request;
    QComboBox* m_section;
    QComboBox* m_curve;
    QPushButton* m_ok;
    QPushButton* m_vector;
};

// Runs the modelling dialog named by the request, if it is one of these.
// Sets *handled; the result is whether it was closed with OK.
bool run_model_dialog(DialogRequest& r, QWidget* parent, bool* handled);
