#include <gtest/gtest.h>

#include <QPushButton>
#include <QRadioButton>
#include <QTest>

#include "dialogs/board_options_dialog.h"

TEST(BoardOptionsDialog, AdjustToGridFlipsSnappingAtEachClick)
{
    BoardOptionsRequest r;
    BoardOptionsDialog d(r);
    EXPECT_EQ(d.windowTitle(), "2D OPTIONS");
    EXPECT_EQ(d.adjustButton()->text(), "Ajust to Grid");
    QTest::mouseClick(d.adjustButton(), Qt::LeftButton);
    EXPECT_EQ(r.snap, 0);
    QTest::mouseClick(d.radioButton(), Qt::LeftButton);   // no action
    EXPECT_EQ(r.snap, 0);
    QTest::mouseClick(d.adjustButton(), Qt::LeftButton);
    EXPECT_EQ(r.snap, 1);
}
