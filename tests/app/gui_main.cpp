// main() of the GUI tests: GoogleTest first, so that listing the tests
// needs no display; the QApplication is made only to run them.
#include <gtest/gtest.h>

#include <QApplication>
#include <QTemporaryDir>
#include <QSurfaceFormat>
#include <clocale>
#include <cstdlib>

int main(int argc, char** argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    // InitGoogleTest takes its own flags out of argv: ask it.
    if (GTEST_FLAG_GET(list_tests)) return RUN_ALL_TESTS();
    // The recent-file list and other settings go to a folder of the run,
    // never to the user's own.
    QTemporaryDir config;
    setenv("XDG_CONFIG_HOME", config.path().toLocal8Bit().constData(), 1);
    QSurfaceFormat fmt;
    fmt.setProfile(QSurfaceFormat::CompatibilityProfile);
    fmt.setDepthBufferSize(24);
    fmt.setStencilBufferSize(8);
    fmt.setSamples(0);
    QSurfaceFormat::setDefaultFormat(fmt);
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName("Local AppWizard-Generated Applications");
    QCoreApplication::setApplicationName("Quorvel");
    std::setlocale(LC_NUMERIC, "C");
    return RUN_ALL_TESTS();
}
