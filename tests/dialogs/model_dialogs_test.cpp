#include <gtest/gtest.h>

#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QTest>

#include "dialogs/model_dialogs_qt.h"

TEST(MeshDialog, OpensAtTenByTenAndTakesNumbersOnly)
{
    MeshDialogRequest r;
    MeshDialog d(r);
    EXPECT_EQ(d.windowTitle(), "Dialog_mesh");
    QLineEdit* n = d.findChild<QLineEdit*>("ctl1039");
    QLineEdit* p = d.findChild<QLineEdit*>("ctl1038");
    ASSERT_TRUE(n && p);
    EXPECT_EQ(n->text(), "10");
    EXPECT_EQ(p->text(), "10");
    n->setText("");
    d.accept();   // not a number: stays open, nothing stored
    EXPECT_EQ(d.result(), QDialog::Rejected);
    EXPECT_EQ(r.n, 10);
    n->setText("3");
    p->setText("7");
    d.accept();
    EXPECT_EQ(d.result(), QDialog::Accepted);
    EXPECT_EQ(r.n, 3);
    EXPECT_EQ(r.p, 7);
}

TEST(ExtrudeDialog, ListsStartUnselectedAndRecordTheChoice)
{
    ExtrudeDialogRequest r;
    r.lines = {"   0 Triangle", "   1 Cube"};
    ExtrudeDialog d(r);
    EXPECT_EQ(d.windowTitle(), "Extrude");
    QComboBox* sec = d.findChild<QComboBox*>("ctl1053");
    QComboBox* cur = d.findChild<QComboBox*>("ctl1054");
    ASSERT_TRUE(sec && cur);
    EXPECT_EQ(sec->count(), 2);
    EXPECT_EQ(cur->itemText(1), "   1 Cube");
    EXPECT_EQ(sec->currentIndex(), -1);
    QTest::mouseClick(d.vectorButton(), Qt::LeftButton);   // no action
    EXPECT_TRUE(d.result() != QDialog::Accepted);
    sec->setCurrentIndex(1);
    EXPECT_EQ(r.section, 1);
    EXPECT_EQ(r.curve, -1);
    EXPECT_EQ(d.curveButton()->text(), "Extrude Curve");
}
