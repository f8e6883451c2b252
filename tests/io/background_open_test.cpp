// Opening on a thread of its own: the same scene, the same messages in the
// same order, the finishing steps on the collecting thread; and the object
// loop that splits its work over two threads.
#include <gtest/gtest.h>

#include <filesystem>
#include <map>
#include <memory>
#include <mutex>
#include <random>
#include <string>
#include <thread>
#include <vector>

#include "io/lod.h"
#include "io/open.h"
#include "io/scene_loader.h"
#include "base/cformat.h"
#include "scene/compile_prep.h"
#include "scene/scene3d.h"
#include "support/recorder.h"

namespace {

// Every call a reporter gets, in one list, so that the order across kinds shows.
class Log : public Reporter {
public:
    Log() : m_prev(set_reporter(this)) {}
    ~Log() override { set_reporter(m_prev); }
    void message_box(const std::string& t, const std::string& c) override { calls.push_back("box " + c + ": " + t); }
    void status(const std::string& t) override { calls.push_back("status " + t); }
    void trace(const std::string& t) override { calls.push_back("trace " + t); }
    void begin_group() override { calls.push_back("begin"); }
    void end_group() override { calls.push_back("end"); }
    std::vector<std::string> calls;

private:
    Reporter* m_prev;
};

struct Opened {
    OpenResult result;
    std::vector<std::string> calls;
    std::string dump;   // empty when nothing was read
    bool current;       // the read scene became the current one
};

std::string dump_of(const SCENE3D* s)
{
    if (!s) return {};
    dump_scene(*s, "dump.out");
    return read_whole_file("dump.out");
}

// The finishing steps say something, so that their place among the
// reader's messages shows.
int finish_saying(SCENE3D& s)
{
    MessageBox("finished");
    return s.nbobjects > 0;
}

Opened open_here(const std::string& path)
{
    Log log;
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    OpenResult r = open_for_command_line(path, scene, lod, finish_saying);
    Opened o{r, log.calls, dump_of(scene.get()), scene && current_scene() == scene.get()};
    current_scene() = nullptr;
    return o;
}

Opened open_behind(const std::string& path)
{
    Log log;
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    BackgroundOpen reading(path);
    OpenResult r = reading.collect(scene, lod, finish_saying);
    Opened o{r, log.calls, dump_of(scene.get()), scene && current_scene() == scene.get()};
    current_scene() = nullptr;
    return o;
}

// A world that makes the readers speak: a node they do not read, a texture
// that is missing, and an end cut short.
const char* k_talkative =
    "#VRML V2.0 utf8\n"
    "DEF A Transform { children [ Shape { appearance Appearance { texture ImageTexture { url \"gone.png\" } }\n"
    "  geometry IndexedFaceSet { coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0, 1 1 0 ] }\n"
    "  coordIndex [ 0 1 2 -1, 1 3 2 -1 ] } } ] }\n"
    "NavigationInfo { type \"WALK\" }\n"
    "Sound { }\n"
    "DEF B Transform { translation 2 0 0 children [ Shape { geometry IndexedFaceSet {\n"
    "  coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] } coordIndex [ 0 1 2 -1 ] } } ] }\n"
    "DEF C Transform { children [ Shape { geometry IndexedFaceSet { coord Coordinate { point [ 0 0";

const char* k_vrml1 =
    "#VRML V1.0 ascii\n"
    "Separator { DEF Obj0 Separator { Transform { translation 5 0 0 } Material { diffuseColor 1 0 0 }\n"
    "  Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] } IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] } }\n"
    "  DEF Obj1 Separator { Coordinate3 { point [ 0 0 0, 0 1 0, 0 0 1 ] }\n"
    "  IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] } } }\n";

// `count` square tiles of side x side cells, each a DEF'd node with its
// points, texture coordinates and both index lists, in the given version.
std::string tiles_text(int version, int count, int side)
{
    std::string t = version == 2 ? "#VRML V2.0 utf8\n" : "#VRML V1.0 ascii\nSeparator {\n";
    auto grid = [&](bool tex) {
        std::string g;
        for (int y = 0; y <= side; ++y)
            for (int x = 0; x <= side; ++x)
                g += tex ? qv_format("%.6f %.6f,\n", x / (double)side, y / (double)side)
                         : qv_format("%.6f %.6f %.6f,\n", (double)x, (double)y, 0.01 * ((x * 7 + y * 3) % 11));
        return g;
    };
    std::string index;
    for (int y = 0; y < side; ++y)
        for (int x = 0; x < side; ++x) {
            int a = y * (side + 1) + x;
            index += qv_format("%d, %d, %d, %d, -1,\n", a, a + 1, a + side + 2, a + side + 1);
        }
    for (int i = 0; i < count; ++i) {
        if (version == 2)
            t += qv_format("DEF Obj%d Transform {\n translation %d 0 0\n children [ Shape {\n"
                           "  appearance Appearance { material Material { diffuseColor 0.3 0.4 0.5 } }\n"
                           "  geometry IndexedFaceSet {\n   coord Coordinate { point [\n", i, i * side) +
                 grid(false) + "] }\n   coordIndex [\n" + index + "]\n   texCoord TextureCoordinate { point [\n" +
                 grid(true) + "] }\n   texCoordIndex [\n" + index + "] } } ] }\n";
        else
            t += qv_format("DEF Obj%d Separator {\n Transform { translation %d 0 0 }\n"
                           " Material { diffuseColor 0.3 0.4 0.5 }\n Coordinate3 { point [\n", i, i * side) +
                 grid(false) + "] }\n TextureCoordinate2 { point [\n" + grid(true) +
                 "] }\n IndexedFaceSet { coordIndex [\n" + index + "]\n  textureCoordIndex [\n" + index + "] } }\n";
    }
    return version == 2 ? t : t + "}\n";
}

} // namespace

TEST(BackgroundOpen, GivesTheSameSceneAndMessagesAsAnOpenHere)
{
    ScratchDir dir;
    write_whole_file("talk.wrl", k_talkative);
    write_whole_file("one.wrl", k_vrml1);
    write_whole_file("bad.wrl", "#VRML V3.0\n");
    write_whole_file("empty.wrl", "");
    for (const char* name : {"talk.wrl", "one.wrl", "bad.wrl", "empty.wrl", "nowhere.wrl"}) {
        SCOPED_TRACE(name);
        Opened here = open_here(name);
        Opened behind = open_behind(name);
        EXPECT_EQ(behind.result, here.result);
        EXPECT_EQ(behind.dump, here.dump);
        EXPECT_EQ(behind.calls, here.calls);
        EXPECT_EQ(behind.current, here.current);
    }
    // The talkative world did speak, and its finishing steps came after
    // everything the reader said before them.
    Opened talk = open_behind("talk.wrl");
    ASSERT_EQ(talk.result, OpenResult::Scene);
    EXPECT_NE(talk.dump.find("B"), std::string::npos);
    size_t finished = 0, said_before = 0;
    for (size_t i = 0; i < talk.calls.size(); ++i) {
        if (talk.calls[i] == "box Quorvel: finished") finished = i;
        if (talk.calls[i].rfind("box", 0) == 0 && talk.calls[i].find("gone.png") != std::string::npos) said_before = i + 1;
    }
    EXPECT_GT(said_before, 0u);
    EXPECT_LT(said_before, finished + 1);
    EXPECT_EQ(open_behind("nowhere.wrl").calls, std::vector<std::string>{"box Quorvel: File not found"});
}

TEST(BackgroundOpen, FinishesOnTheCollectingThreadAndKeepsTheOldSceneOnFailure)
{
    ScratchDir dir;
    RecordingReporter rec;
    write_whole_file("one.wrl", k_vrml1);
    std::unique_ptr<SCENE3D> scene = std::make_unique<SCENE3D>();
    SCENE3D* old = scene.get();
    current_scene() = old;
    std::unique_ptr<LODSET> lod;
    std::thread::id finished_on;
    {
        BackgroundOpen reading("one.wrl");
        // Finishing steps that fail: nothing is replaced.
        OpenResult r = reading.collect(scene, lod, [&](SCENE3D&) {
            finished_on = std::this_thread::get_id();
            return 0;
        });
        EXPECT_EQ(r, OpenResult::Failed);
    }
    EXPECT_EQ(finished_on, std::this_thread::get_id());
    EXPECT_EQ(scene.get(), old);
    EXPECT_EQ(current_scene(), old);
    // Finishing steps that fail have said why themselves.
    EXPECT_TRUE(rec.boxes.empty());

    BackgroundOpen again("one.wrl");
    EXPECT_EQ(again.collect(scene, lod, nullptr), OpenResult::Scene);
    ASSERT_NE(scene.get(), old);
    EXPECT_EQ(current_scene(), scene.get());
    int filled = 0;
    for (int i = 0; i < scene->nbobjects; ++i) filled += scene->m_objects[i] && scene->m_objects[i]->nbface == 1;
    EXPECT_EQ(filled, 2);
    // A second collect has nothing to give and changes nothing.
    SCENE3D* got = scene.get();
    EXPECT_EQ(again.collect(scene, lod, nullptr), OpenResult::Failed);
    EXPECT_EQ(scene.get(), got);
    current_scene() = nullptr;
}

TEST(BackgroundOpen, AReadNeverCollectedEndsQuietly)
{
    ScratchDir dir;
    RecordingReporter rec;
    write_whole_file("one.wrl", k_vrml1);
    write_whole_file("talk.wrl", k_talkative);
    { BackgroundOpen dropped("one.wrl"); }
    { BackgroundOpen dropped("talk.wrl"); }
    // Nothing reached the reporter, and no scene became the current one.
    EXPECT_TRUE(rec.boxes.empty());
    EXPECT_EQ(current_scene(), nullptr);
}

// A large file's layout is looked at on a second thread while the read
// starts the way its version most often needs (VRML 2.0: the object
// readers, VRML 1.0: the node tree). A wrong start is dropped with all it
// made and said: every file gives the scene and the messages of a look
// made first.
TEST(LayoutLookAside, GivesTheSceneAndMessagesOfTheLookMadeFirst)
{
    ScratchDir dir;
    std::vector<std::string> files = {"talk.wrl", "one.wrl", "seed1.wrl", "graph2.wrl", "short1.wrl"};
    write_whole_file("talk.wrl", k_talkative);
    write_whole_file("one.wrl", k_vrml1);
    // VRML 1.0 in the object readers' layout: the node tree read first is dropped.
    write_whole_file("seed1.wrl", "#VRML V1.0 ascii\n"
                                  "DEF A Separator { Material { diffuseColor 1 0 0 } Texture2 { filename \"gone.bmp\" }\n"
                                  "  Coordinate3 { point [ 0 0 0, 1 0 0, 0 1 0 ] } IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] } }\n"
                                  "DEF B Separator { Coordinate3 { point [ 0 0 0, 0 1 0, 0 0 1 ] }\n"
                                  "  IndexedFaceSet { coordIndex [ 0, 1, 2, -1 ] } }\n");
    // VRML 2.0 as a scene graph, with things to say: the object readers'
    // start is dropped, and so is what they said.
    write_whole_file("graph2.wrl", "#VRML V2.0 utf8\n"
                                   "Shape { appearance Appearance { texture ImageTexture { url \"gone.png\" } } geometry Box { } }\n"
                                   "Sound { }\n"
                                   "Transform { translation 3 0 0 children [ DEF X Shape { geometry Sphere { } } ] }\n"
                                   "DEF T Transform { children [ Shape { geometry IndexedFaceSet {\n"
                                   "  coord Coordinate { point [ 0 0 0, 1 0 0, 0 1 0 ] } coordIndex [ 0 1 2 -1 ] } } ] }\n");
    write_whole_file("short1.wrl", std::string(k_vrml1).substr(0, std::string(k_vrml1).size() / 2));
    // Grids of tiles large enough for the helper to read lists while the
    // reader reads others: VRML 2.0 in the object readers' layout, VRML 1.0
    // as a scene graph (its tiles are placed by Transforms).
    write_whole_file("tiles2.wrl", tiles_text(2, 12, 60));
    write_whole_file("tiles1.wrl", tiles_text(1, 12, 60));
    files.push_back("tiles2.wrl");
    files.push_back("tiles1.wrl");
    for (const char* s : {"house.wrl", "anim.wrl", "markers_v1.wrl", "separators_v1.wrl", "levels_hi.wrl"})
        files.push_back(source_path(std::string("samples/") + s));
    const std::filesystem::path real = source_path("../shared/repro/real-world");
    if (std::filesystem::is_directory(real))
        for (const auto& e : std::filesystem::directory_iterator(real))
            if (e.path().extension() == ".wrl") files.push_back(e.path().string());

    const int32_t size_before = set_layout_look_aside(0);
    for (const std::string& f : files) {
        SCOPED_TRACE(f);
        set_second_thread(false);
        Opened first = open_here(f);
        set_second_thread(true);
        Opened beside = open_here(f);
        EXPECT_EQ(beside.result, first.result);
        EXPECT_EQ(beside.dump, first.dump);
        EXPECT_EQ(beside.calls, first.calls);
        // Read on a thread of its own too, whose messages are held in turn.
        Opened behind = open_behind(f);
        EXPECT_EQ(behind.result, first.result);
        EXPECT_EQ(behind.dump, first.dump);
        EXPECT_EQ(behind.calls, first.calls);
    }
    set_layout_look_aside(size_before);

    // Both starts were taken and dropped above: the scenes are those of the
    // right reader.
    Opened graph2 = open_here("graph2.wrl");
    ASSERT_EQ(graph2.result, OpenResult::Scene);
    int said = 0;
    for (const std::string& c : graph2.calls) said += c.find("Sound at line 3: not read") != std::string::npos;
    EXPECT_EQ(said, 1);
    for (const char* t : {"tiles1.wrl", "tiles2.wrl"}) {
        Opened tiles = open_here(t);
        ASSERT_EQ(tiles.result, OpenResult::Scene);
        EXPECT_NE(tiles.dump.find("Obj11"), std::string::npos) << t;
        EXPECT_NE(tiles.dump.find("nbpts      :      3721"), std::string::npos) << t;
    }
    Opened seed1 = open_here("seed1.wrl");
    ASSERT_EQ(seed1.result, OpenResult::Scene);
    EXPECT_NE(seed1.dump.find("A"), std::string::npos);
    EXPECT_NE(seed1.dump.find("B"), std::string::npos);
}

// Damaged large files (cut short, bytes changed, lists broken) read the
// same with the look and the lists ahead as without: a list the helper
// could not read as the reader would is read by the reader.
TEST(LayoutLookAside, DamagedFilesReadAsWithoutIt)
{
    ScratchDir dir;
    std::mt19937 rng(20261209);
    const int32_t size_before = set_layout_look_aside(0);
    for (int version : {1, 2}) {
        const std::string whole = tiles_text(version, 3, 24);
        std::vector<std::string> damaged;
        for (int k = 1; k <= 6; ++k) damaged.push_back(whole.substr(0, whole.size() * k / 7));
        const char junk[] = {']', '[', '{', '}', '#', 'x', '\n', ';', '-', '.', 'e', '\0'};
        for (int k = 0; k < 12; ++k) {
            std::string d = whole;
            for (int flips = 0; flips < 1 + k % 4; ++flips)
                d[std::uniform_int_distribution<size_t>(0, d.size() - 1)(rng)] = junk[k];
            damaged.push_back(d);
        }
        for (size_t i = 0; i < damaged.size(); ++i) {
            SCOPED_TRACE(testing::Message() << "version " << version << " damage " << i);
            write_whole_file("damaged.wrl", damaged[i]);
            set_second_thread(false);
            Opened first = open_here("damaged.wrl");
            set_second_thread(true);
            Opened beside = open_here("damaged.wrl");
            EXPECT_EQ(beside.result, first.result);
            EXPECT_EQ(beside.dump, first.dump);
            EXPECT_EQ(beside.calls, first.calls);
        }
    }
    set_layout_look_aside(size_before);
}

TEST(HeldReporter, DeliversEveryKindInItsOrderOnce)
{
    HeldReporter held;
    std::thread t([&] {
        set_thread_reporter(&held);
        {
            ReportGroup group;
            SetStatusText("reading %d", 1);
            MessageBox("first");
            Trace("t");
            ReportAbout about("pic.png");
            MessageBox("second");
        }
        set_thread_reporter(nullptr);
        // Back to the process's reporter: nothing more is held.
        Trace("not held");
    });
    t.join();
    Log log;
    EXPECT_EQ(held.deliver(log), 6u);
    EXPECT_EQ(log.calls, (std::vector<std::string>{"begin", "status reading 1", "box Quorvel: first", "trace t",
                                                   "box Quorvel: second (pic.png)", "end"}));
    EXPECT_EQ(held.deliver(log), 0u);
    // The subject of one thread's messages is not another thread's.
    ReportAbout mine("mine.png");
    std::thread other([&] {
        set_thread_reporter(&held);
        MessageBox("plain");
        set_thread_reporter(nullptr);
    });
    other.join();
    held.deliver(log);
    EXPECT_EQ(log.calls.back(), "box Quorvel: plain");
}

namespace {
// A scene of `count` strips of `quads` quads each, every strip bent so that
// its vertex normals differ from point to point.
std::unique_ptr<SCENE3D> strips(int count, int quads)
{
    auto s = std::make_unique<SCENE3D>();
    s->m_textured = 1;
    for (int k = 0; k < count; ++k) {
        auto* o = new OBJECT3D();
        o->nbpts = 2 * (quads + 1);
        o->m_vertices = new Vec3[(size_t)o->nbpts];
        for (int i = 0; i <= quads; ++i) {
            float z = (float)((i * 7 + k) % 5) * 0.3f;
            o->m_vertices[2 * i] = Vec3((float)i, 0.f, z);
            o->m_vertices[2 * i + 1] = Vec3((float)i, 1.f, -z);
        }
        o->nbindex = 5 * quads;
        o->nbface = quads;
        o->m_index = new int32_t[(size_t)o->nbindex];
        for (int i = 0; i < quads; ++i) {
            int32_t* q = o->m_index + 5 * i;
            q[0] = 2 * i, q[1] = 2 * i + 2, q[2] = 2 * i + 3, q[3] = 2 * i + 1, q[4] = -1;
        }
        o->m_lighting = 1;
        o->m_norm_binding = 1;   // smoothed: vertex normals are made too
        s->add_object(o);
    }
    return s;
}

bool same_normals(const OBJECT3D& a, const OBJECT3D& b)
{
    if (a.nbnormal != b.nbnormal || !a.m_vertex_normals || !b.m_vertex_normals) return false;
    for (int i = 0; i < a.nbpts; ++i)
        if (a.m_vertex_normals[i].x != b.m_vertex_normals[i].x || a.m_vertex_normals[i].y != b.m_vertex_normals[i].y ||
            a.m_vertex_normals[i].z != b.m_vertex_normals[i].z)
            return false;
    for (int i = 0; i < a.nbnormal; ++i)
        if (a.m_normals[i].x != b.m_normals[i].x || a.m_normals[i].z != b.m_normals[i].z) return false;
    return true;
}
} // namespace

TEST(TwoThreadObjects, LargeScenesSplitAndGiveTheNormalsOfOneRun)
{
    auto split = strips(9, 6000);
    auto serial = strips(9, 6000);
    Log log;
    std::vector<std::thread::id> ran_on((size_t)split->nbobjects);
    std::vector<int> runs((size_t)split->nbobjects, 0);
    std::map<const OBJECT3D*, int> index;
    for (int i = 0; i < split->nbobjects; ++i) index[split->m_objects[i]] = i;
    for_each_object_on_two_threads(*split, [&](OBJECT3D& o) {
        const int i = index.at(&o);
        ++runs[(size_t)i];
        ran_on[(size_t)i] = std::this_thread::get_id();
        build_compile_normals(*split, o);
        SetStatusText("object %d", i);
    });
    for (int i = 0; i < serial->nbobjects; ++i) build_compile_normals(*serial, *serial->m_objects[i]);
    // Every object once, the later ones on another thread, the results those
    // of one run in order.
    EXPECT_EQ(runs, std::vector<int>((size_t)split->nbobjects, 1));
    EXPECT_EQ(ran_on.front(), std::this_thread::get_id());
    EXPECT_NE(ran_on.back(), std::this_thread::get_id());
    for (int i = 0; i < split->nbobjects; ++i) {
        SCOPED_TRACE(i);
        EXPECT_TRUE(same_normals(*split->m_objects[i], *serial->m_objects[i]));
    }
    // What the objects said comes in their order.
    std::vector<std::string> expected;
    for (int i = 0; i < split->nbobjects; ++i) expected.push_back("status object " + std::to_string(i));
    EXPECT_EQ(log.calls, expected);
}

TEST(TwoThreadObjects, SmallScenesAndSingleObjectsStayOnTheCallingThread)
{
    for (auto [count, quads] : {std::pair{5, 10}, std::pair{1, 40000}, std::pair{0, 0}}) {
        auto s = strips(count, quads);
        int calls = 0;
        bool elsewhere = false;
        const std::thread::id me = std::this_thread::get_id();
        for_each_object_on_two_threads(*s, [&](OBJECT3D&) {
            ++calls;
            if (std::this_thread::get_id() != me) elsewhere = true;
        });
        EXPECT_EQ(calls, count);
        EXPECT_FALSE(elsewhere);
    }
    // A scene with empty slots passes them over.
    auto s = strips(4, 20000);
    delete s->m_objects[1];
    s->m_objects[1] = nullptr;
    int calls = 0;
    std::mutex m;
    for_each_object_on_two_threads(*s, [&](OBJECT3D& o) {
        std::lock_guard<std::mutex> lock(m);
        EXPECT_NE(&o, nullptr);
        ++calls;
    });
    EXPECT_EQ(calls, 3);
}
