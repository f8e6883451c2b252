// Real-world VRML files written by other tools (../shared/corpus): each
// loads without fault into a consistent scene, with plausible counts.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <string>

#include "io/scene_loader.h"
#include "scene/compile_prep.h"
#include "scene/scene3d.h"
#include "support/invariants.h"
#include "support/recorder.h"

namespace fs = std::filesystem;

namespace {
fs::path corpus_dir() { return fs::path(source_path("")) / ".." / "shared" / "corpus"; }

struct Counts {
    int objects = 0;
    long long points = 0, faces = 0;
    int ok = 0;
    std::string fault;
};

Counts load(const fs::path& p)
{
    Counts c;
    SCENE3D s;
    Scene L;
    if (!L.load_buffer(p.string().c_str(), s)) {
        c.fault = "cannot read";
        return c;
    }
    c.ok = L.read_file(s);
    c.fault = check_scene(s);
    prepare_scene_for_compile(s);
    if (c.fault.empty()) c.fault = check_scene(s);
    c.objects = s.nbobjects;
    for (int i = 0; i < s.nbobjects; ++i) {
        c.points += s.m_objects[i]->nbpts;
        c.faces += s.m_objects[i]->nbface;
    }
    return c;
}
} // namespace

TEST(Corpus, EveryVrmlFileLoadsConsistently)
{
    fs::path dir = corpus_dir();
    if (!fs::is_directory(dir)) GTEST_SKIP() << "corpus folder " << dir << " absent: not run";
    RecordingReporter rec;
    std::map<std::string, Counts> all;
    for (const auto& e : fs::recursive_directory_iterator(dir)) {
        if (!e.is_regular_file()) continue;
        std::string ext = e.path().extension().string();
        if (ext != ".wrl" && ext != ".gz") continue;
        std::string rel = fs::relative(e.path(), dir).string();
        Counts c = load(e.path());
        EXPECT_EQ(c.fault, "") << rel;
        all[rel] = c;
    }
    ASSERT_GE(all.size(), 100u);
    // Compressed files are read as the text they hold, whatever their name.
    int compressed = 0;
    for (auto& [rel, c] : all) {
        EXPECT_EQ(c.ok, 1) << rel;
        compressed += rel.find(".gz") != std::string::npos || rel.find("gzipped") != std::string::npos;
    }
    EXPECT_GE(compressed, 4);
    EXPECT_FALSE(rec.has_box_containing("is not a vrml one"));

    auto at = [&](const char* rel) { return all.at(rel); };
    Counts teapot = at("castle-engine-demo-models/vrml_2/teapot.wrl");
    EXPECT_GT(teapot.points, 1000);
    EXPECT_GT(teapot.faces, 1000);
    Counts graz = at("castle-engine-demo-models/lights_materials/raytracer/graz.wrl");
    EXPECT_GT(graz.objects, 1000);
    EXPECT_GT(graz.faces, 10000);
    Counts forest = at("castle-engine-demo-models/lights_materials/vrml_1/forest-fog/forest.wrl");
    EXPECT_GT(forest.faces, 5000);   // CRLF line ends
    EXPECT_EQ(at("castle-engine-demo-models/lights_materials/cubes_mesh.wrl").objects, 512);
    Counts castle = at("castle-engine-demo-models/castle/old/vrml_1/castle.wrl");
    // The version with lights only gathers its lights and the castle: the
    // castle's objects, no empty one of its own.
    Counts with_lights = at("castle-engine-demo-models/castle/old/vrml_1/castle_with_lights.wrl");
    EXPECT_EQ(with_lights.faces, castle.faces);
    EXPECT_EQ(with_lights.objects, castle.objects);
    EXPECT_EQ(at("castle-engine-demo-models/vrml_2/empty.wrl").points, 0);
}
