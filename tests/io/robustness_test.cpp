// Both VRML readers over damaged files: every truncation of each sample,
// seeded random byte mutations and random keyword soups. Nothing may crash,
// hang or leak, and every object must stay consistent; compile preparation,
// the dump and the statistics must then work on whatever was read.
#include <gtest/gtest.h>

#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "image/texture.h"
#include "io/scene_loader.h"
#include "scene/compile_prep.h"
#include "scene/scene3d.h"
#include "support/invariants.h"
#include "support/recorder.h"
#include "vrml_test_util.h"

namespace {

const char* k_samples[] = {"samples/house.wrl", "samples/anim.wrl", "samples/markers_v1.wrl",
                           "samples/separators_v1.wrl"};

// The same text under the other reader's header.
std::string other_header(const std::string& text)
{
    std::string t = text;
    if (t.compare(0, 10, "#VRML V1.0") == 0) t[8] = '2';
    else if (t.compare(0, 10, "#VRML V2.0") == 0) t[8] = '1';
    return t;
}

// Reads `text` as a whole file and checks the result; "" when all is well.
// Empties a scene for the next file (cheaper than a new one).
void empty_scene(SCENE3D& s)
{
    s.delete_objects();
    for (CTexture* t : s.m_textures) delete t;
    s.m_textures.clear();
    for (LIGHT3D* l : s.m_lights) delete l;
    s.m_lights.clear();
    delete[] s.m_script;
    s.m_script = nullptr;
    s.m_script_len = 0;
}

std::string load_and_check(const std::string& text, bool consumers, FILE* sink)
{
    static SCENE3D s;
    empty_scene(s);
    Scene L;
    L.m_filename = "fuzz.wrl";
    set_buffer(L, text);
    L.read_file(s);
    std::string e = check_scene(s);
    if (!e.empty() || !consumers) return e;
    prepare_scene_for_compile(s);
    for (int i = 0; i < s.nbobjects; ++i) {
        OBJECT3D& o = *s.m_objects[i];
        o.index_statistics();
        if (o.nbindex < 2000) o.test_edges();
        o.dump(sink);
    }
    return check_scene(s);
}

struct Quiet {
    RecordingReporter rec;   // message boxes are expected; they are only recorded
    ScratchDir dir;          // texture and inline names resolve to nothing here
    FILE* sink = std::fopen("/dev/null", "w");
    ~Quiet() { std::fclose(sink); }
};

std::vector<std::string> sample_texts()
{
    std::vector<std::string> out;
    for (const char* p : k_samples) {
        std::string t = read_whole_file(source_path(p));
        EXPECT_FALSE(t.empty()) << p;
        out.push_back(t);
        out.push_back(other_header(t));
    }
    return out;
}

} // namespace

TEST(ReaderRobustness, EveryTruncationOfEverySample)
{
    std::vector<std::string> texts = sample_texts();
    Quiet q;
    for (const std::string& t : texts) {
        for (size_t n = 0; n <= t.size(); ++n) {
            std::string e = load_and_check(t.substr(0, n), n % 7 == 0, q.sink);
            ASSERT_EQ(e, "") << "truncated at " << n << " of:\n" << t.substr(0, 60);
            q.rec.boxes.clear();
            q.rec.statuses.clear();
        }
    }
}

TEST(ReaderRobustness, SeededByteMutations)
{
    std::vector<std::string> texts = sample_texts();
    Quiet q;
    std::mt19937 rng(20240611u);
    const std::string alphabet = "0123456789-.e []{}#\"\n,;DEFabc";
    for (int round = 0; round < 3000; ++round) {
        std::string t = texts[(size_t)round % texts.size()];
        int edits = 1 + (int)(rng() % 8);
        for (int k = 0; k < edits && !t.empty(); ++k) {
            size_t at = rng() % t.size();
            switch (rng() % 4) {
            case 0: t[at] = (char)(rng() % 256); break;
            case 1: t[at] = alphabet[rng() % alphabet.size()]; break;
            case 2: t.erase(at, 1 + rng() % 12); break;
            default: t.insert(at, 1, alphabet[rng() % alphabet.size()]); break;
            }
        }
        std::string e = load_and_check(t, true, q.sink);
        ASSERT_EQ(e, "") << "round " << round;
        q.rec.boxes.clear();
        q.rec.statuses.clear();
    }
}

TEST(ReaderRobustness, KeywordSoup)
{
    Quiet q;
    const char* words[] = {"DEF", "X", "Transform", "Separator", "Coordinate3", "Coordinate", "coord", "texCoord",
                           "point", "coordIndex", "normalIndex", "Normal", "vector", "materialIndex",
                           "textureCoordIndex", "texCoordIndex", "TextureCoordinate2", "TextureCoordinate",
                           "Material", "diffuseColor", "shininess", "transparency", "ambientIntensity",
                           "MatrixTransform", "matrix", "Translation", "translation", "Rotation", "rotation",
                           "Scale", "scale", "scaleOrientation", "Viewpoint", "position", "orientation",
                           "TimeSensor", "loop", "FALSE", "cycleInterval", "PositionInterpolator",
                           "OrientationInterpolator", "key", "keyValue", "PointLight", "SpotLight", "on",
                           "Shape", "#Shape", "#", "Object", "\"n\"", "end", "geometry", "texture", "ImageTexture",
                           "url", "textureTransform", "center", "[", "]", "{", "}", "-1", "0", "1", "2", "7",
                           "-3", "1e9", "0.5", "2147483647", "WWWInline", "name", "\"fuzz.wrl\""};
    std::mt19937 rng(77u);
    for (int round = 0; round < 2000; ++round) {
        std::string t = round % 2 ? "#VRML V1.0 ascii\n" : "#VRML V2.0 utf8\n";
        int n = 20 + (int)(rng() % 300);
        for (int i = 0; i < n; ++i) {
            t += words[rng() % (sizeof words / sizeof *words)];
            t += (rng() % 5) ? " " : "\n";
        }
        std::string e = load_and_check(t, true, q.sink);
        ASSERT_EQ(e, "") << "round " << round << ":\n" << t;
        q.rec.boxes.clear();
        q.rec.statuses.clear();
    }
}
