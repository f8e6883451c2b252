#include <gtest/gtest.h>

#include "view/qt/file_filter.h"

TEST(FileFilter, MenuFiltersBecomeOneQtEntryPerChoice)
{
    struct Case {
        const char* filter;
        QStringList want;
    } cases[] = {
        {"VRML/MESH Files (*.wrl;*.wrb)|*.wrl;*.wrb|WRBinary Files (*.wrb)|*.wrb|X Files (*.x;*.x)|*.x; *.xls|All "
         "Files (*.*)|*.*||",
         {"VRML/MESH Files (*.wrl *.wrb)", "WRBinary Files (*.wrb)", "X Files (*.x *.xls)", "All Files (*)"}},
        {"BMP Files (*.bmp)|*.bmp", {"BMP Files (*.bmp)"}},
        {"*.wrb", {"*.wrb"}},                                        // a bare pattern
        {"Binary image file (*.bin)", {"Binary image file (*.bin)"}},  // patterns only in the name
        {"", {"*"}},
        {"||", {"*"}},
        {"Odd|", {"Odd"}},   // a name without patterns is its own pattern
    };
    for (const Case& c : cases) EXPECT_EQ(qt_name_filters(c.filter), c.want) << c.filter;
    EXPECT_EQ(default_suffix("*.bmp"), "bmp");
    EXPECT_EQ(default_suffix("bmp"), "bmp");
    EXPECT_EQ(default_suffix("*.*"), "");
}
