#include <gtest/gtest.h>

#include <QTest>

#include "app/mainframe.h"
#include "app/qt_reporter.h"
#include "view/qt/view.h"

TEST(MainFrame, StatusTextReachesTheStatusLine)
{
    CMainFrame frame;
    QtReporter rep;
    rep.on_status = [&frame](const std::string& s) { frame.SetStatusText(QString::fromStdString(s)); };
    Reporter* prev = set_reporter(&rep);
    frame.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&frame));
    SetStatusText("Objet: %d Nombre d'objets:%d", 3, 10);
    set_reporter(prev);
    EXPECT_EQ(frame.statusText().toStdString(), "Objet: 3 Nombre d'objets:10");
    EXPECT_EQ(frame.windowTitle().toStdString(), "Scene[*] - Quorvel");
    EXPECT_NE(frame.view(), nullptr);
}
