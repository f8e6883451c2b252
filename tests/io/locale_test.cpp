// Numbers are read and written the same under a locale whose decimal
// separator is a comma.
#include <gtest/gtest.h>

#include <clocale>
#include <string>

#include "io/open.h"
#include "scene/compile_prep.h"
#include "scene/scene3d.h"
#include "support/recorder.h"

namespace {
std::string dump_of(const std::string& path)
{
    std::unique_ptr<SCENE3D> scene;
    bool ok = open_document(path, scene, [](SCENE3D& s) {
        prepare_scene_for_compile(s);
        return 1;
    });
    current_scene() = nullptr;
    if (!ok) return "(refused)";
    dump_scene(*scene, "vrml.out");
    return read_whole_file("vrml.out");
}
} // namespace

TEST(ReaderLocale, FrenchLocaleGivesTheSameScene)
{
    std::string house = source_path("samples/house.wrl");
    std::string v1 = source_path("samples/separators_v1.wrl");
    ScratchDir dir;
    RecordingReporter rec;
    std::string c_house = dump_of(house), c_v1 = dump_of(v1);
    ASSERT_NE(c_house.find("0.95"), std::string::npos);
    const char* fr = std::setlocale(LC_ALL, "fr_FR.UTF-8");
    if (!fr) {
        std::setlocale(LC_ALL, "C");
        GTEST_SKIP() << "fr_FR.UTF-8 is not generated here (localedef -i fr_FR -f UTF-8 fr_FR.UTF-8): not run";
    }
    std::string f_house = dump_of(house), f_v1 = dump_of(v1);
    std::setlocale(LC_ALL, "C");
    EXPECT_EQ(f_house, c_house);
    EXPECT_EQ(f_v1, c_v1);
}
