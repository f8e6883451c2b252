#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "io/scene_loader.h"
#include "base/cformat.h"
#include "scene/object3d.h"
#include "support/recorder.h"
#include "vrml_test_util.h"

namespace {
std::vector<std::string> tokens(const std::string& text, bool v2, int comments = 0, int* depth = nullptr,
                                int* lines = nullptr)
{
    Scene L;
    set_buffer(L, text);
    L.m_comments = comments;
    OBJECT3D o;
    std::vector<std::string> out;
    for (int guard = 0; guard < 10000; ++guard) {
        if (v2) next_token2(o, L);
        else next_token(L);
        if (!L.m_word[0]) break;
        out.push_back(L.m_word);
    }
    if (depth) *depth = L.m_depth;
    if (lines) *lines = o.m_line;
    return out;
}
using V = std::vector<std::string>;
} // namespace

TEST(Tokenizer, SeparatorsBracketsQuotesAndComments)
{
    const struct {
        const char* text;
        bool v2;
        int comments;
        V want;
    } cases[] = {
        {"a,b", false, 0, {"a", "b"}},
        {"a;b", false, 0, {"a;b"}},   // ';' separates in the second variant only
        {"a;b", true, 0, {"a", "b"}},
        {" \t\r\n a \n", false, 0, {"a"}},
        {"point[1 2 3]", false, 0, {"point", "[", "1", "2", "3", "]"}},
        {"url \"my file.bmp\"", true, 0, {"url", "\"my", "file.bmp\""}},   // quotes are ordinary
        {"# Object x\nnext", false, 0, {"#", "Object", "x", "next"}},        // comments only when on
        {"# Object x\nnext", false, 1, {"next"}},
        {"a # rest", false, 1, {"a"}},   // a comment running to the end of the buffer
    };
    for (const auto& c : cases) EXPECT_EQ(tokens(c.text, c.v2, c.comments), c.want) << c.text;
    int depth = 0;
    tokens("{ a { b } c", false, 0, &depth);
    EXPECT_EQ(depth, 1);
}

TEST(Tokenizer, BufferEndingInsideAWord)
{
    Scene L;
    set_buffer(L, "abc de");
    next_token(L);
    EXPECT_STREQ(L.m_word, "abc");
    next_token(L);
    EXPECT_STREQ(L.m_word, "de");
    next_token(L);
    EXPECT_STREQ(L.m_word, "");
    next_token(L);   // stays at the end
    EXPECT_STREQ(L.m_word, "");
}

TEST(Tokenizer, WordLengthLimit)
{
    RecordingReporter rec;
    std::string w500(500, 'x'), w501(501, 'y');
    EXPECT_EQ(tokens(w500 + " z", false), (V{w500, "z"}));
    EXPECT_TRUE(rec.boxes.empty());
    EXPECT_EQ(tokens(w501 + " z", false), V{});
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text, "** Buffer Mot overflow\n");
}

TEST(Tokenizer, Vrml2CountsLineFeedsOutsideComments)
{
    int lines = 0;
    tokens("a\nb\n\nc", true, 0, nullptr, &lines);
    EXPECT_EQ(lines, 3);
    tokens("a # x\n b\n", true, 1, nullptr, &lines);
    EXPECT_EQ(lines, 1);   // the line feed that ends the comment is not counted
}

TEST(Tokenizer, SkipLine)
{
    Scene L;
    set_buffer(L, "a b c\nd e");
    next_token(L);
    skip_line(L);
    EXPECT_STREQ(L.m_word, "d");
    set_buffer(L, "a b");
    skip_line(L);
    EXPECT_STREQ(L.m_word, "");
}

TEST(Tokenizer, NumberListsConvertInPlace)
{
    Scene L;
    set_buffer(L, "1.5 -2,3e2 abc [ 7\n]tail");
    float v[8];
    int n = 0;
    EXPECT_EQ(read_float_list(L, nullptr, v, 8, n), 1);
    ASSERT_EQ(n, 6);
    EXPECT_FLOAT_EQ(v[0], 1.5f);
    EXPECT_FLOAT_EQ(v[1], -2.f);
    EXPECT_FLOAT_EQ(v[2], 300.f);
    EXPECT_FLOAT_EQ(v[3], 0.f);   // a word that is not a number
    EXPECT_FLOAT_EQ(v[4], 0.f);   // an opening bracket
    EXPECT_FLOAT_EQ(v[5], 7.f);
    next_token(L);
    EXPECT_STREQ(L.m_word, "tail");

    int32_t iv[4];
    set_buffer(L, "3 -1 99999999999 2.7 ");
    EXPECT_EQ(read_int_list(L, nullptr, iv, 4, n), 0);   // no closing bracket
    EXPECT_EQ(n, 4);
    EXPECT_EQ(iv[1], -1);
    EXPECT_EQ(iv[2], INT32_MAX);
    EXPECT_EQ(iv[3], 2);
}

TEST(Tokenizer, ListsGrowTheirArrayAndStopOnlyWhenMemoryRunsOut)
{
    RecordingReporter rec;
    Scene L;
    L.m_filename = "f.wrl";
    // A block that starts small grows to take the whole list, whichever way
    // the numbers come (fast lane, words, chunk ends); int lists leave room
    // for a closing -1.
    std::string text = "#VRML\n[";
    for (int i = 0; i < 150000; ++i) text += (i % 1000 == 7) ? " w" : " " + std::to_string(i);
    text += " ] more";
    for (int ints = 0; ints < 2; ++ints) {
        TempBlock block(16);
        set_buffer(L, text);
        L.m_pos = 7;
        int n = 0;
        int r = ints ? read_int_list(L, nullptr, block, n, "coordIndex") : read_float_list(L, nullptr, block, n, "point");
        EXPECT_EQ(r, 1);
        ASSERT_EQ(n, 150000);
        EXPECT_GE(block.capacity<int32_t>(), (size_t)n + ints);
        for (int i : {0, 6, 7, 8, 65535, 65536, 149999}) {
            float want = (i % 1000 == 7) ? 0.f : (float)i;
            float got = ints ? (float)block.as<int32_t>()[i] : block.as<float>()[i];
            EXPECT_EQ(got, want) << i;
        }
        next_token(L);
        EXPECT_STREQ(L.m_word, "more");
    }
    EXPECT_TRUE(rec.boxes.empty());

    // Memory that runs out ends the file with a message naming the list,
    // the file and the line.
    size_t old = set_reader_temp_limit(64);
    TempBlock block(16);
    set_buffer(L, "#VRML\n[ 1 2 3 4 5 6 7 8 9 10 11 12 13 14 15 16 17 ] more");
    L.m_pos = 7;
    int n = 0;
    EXPECT_EQ(read_float_list(L, nullptr, block, n, "point"), -1);
    set_reader_temp_limit(old);
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_EQ(rec.boxes[0].text,
              "Not enough memory to read the list point of f.wrl at line 2; the rest of the file is not read");
    EXPECT_EQ(L.m_abort, 1);
    next_token(L);
    EXPECT_STREQ(L.m_word, "");

    // "At most cap" lists drop the rest silently.
    float v[4];
    set_buffer(L, "1 2 3 4 5 ] more");
    EXPECT_EQ(read_float_list(L, nullptr, v, 2, n), 1);
    EXPECT_EQ(n, 2);
}

// The in-place conversion of list numbers gives exactly the value of the
// full decimal conversion of each word, for exporters' formats and for odd
// words alike.
TEST(Tokenizer, ListNumbersMatchTheFullConversion)
{
    std::mt19937 rng(4242u);
    std::vector<std::string> words;
    const char* fmts[] = {"%.6f", "%.3f", "%.9f", "%.0f", "%g", "%.17g", "%e"};
    for (int i = 0; i < 4000; ++i) {
        double mag = std::pow(10.0, (int)(rng() % 14) - 4);
        double v = ((double)rng() / 4294967296.0 - 0.5) * mag;
        words.push_back(qv_format(fmts[rng() % 7], v));
    }
    for (const char* w : {"+5", "-0", "007", ".5", "5.", "-.25", "1e3", "12345678901234567890", "0.1234567890123456",
                          "99999999.99999999", "abc", "-", "+", ".", "1.2.3", "3-4", "0x10", "inf", "1e400"})
        words.push_back(w);
    std::string text;
    for (size_t i = 0; i < words.size(); ++i) text += words[i] + ((i % 3) ? " " : ",\n    ");
    text += "]";
    for (int v2 = 0; v2 < 2; ++v2) {
        Scene L;
        set_buffer(L, text);
        OBJECT3D o;
        std::vector<float> got(words.size() + 1);
        int n = 0;
        ASSERT_EQ(read_float_list(L, v2 ? &o : nullptr, got.data(), (int)got.size(), n), 1);
        ASSERT_EQ(n, (int)words.size());
        for (size_t i = 0; i < words.size(); ++i) {
            float want = (float)qv_atof(words[i].c_str());
            if (std::isnan(want)) EXPECT_TRUE(std::isnan(got[i])) << words[i];
            else EXPECT_EQ(got[i], want) << words[i];
        }
        std::vector<int32_t> ints(words.size() + 1);
        set_buffer(L, text);
        ASSERT_EQ(read_int_list(L, v2 ? &o : nullptr, ints.data(), (int)ints.size(), n), 1);
        for (size_t i = 0; i < words.size(); ++i) EXPECT_EQ(ints[i], qv_atoi(words[i].c_str())) << words[i];
    }
}

TEST(Tokenizer, LineFeedCountOverAnyRangeAndAlignment)
{
    // Lengths around the sixteen-byte blocks and the 255-block batches the
    // count works in, from every starting alignment, against a plain loop.
    std::mt19937 rng(7);
    std::string text(16 * 255 * 3 + 37, 'x');
    for (char& c : text) c = rng() % 5 == 0 ? '\n' : (rng() % 2 ? ' ' : '7');
    for (size_t len : {0u, 1u, 15u, 16u, 17u, 4079u, 4080u, 4081u, 8161u, 12000u})
        for (size_t start = 0; start < 17; ++start) {
            if (start + len > text.size()) continue;
            const char* b = text.data() + start;
            int64_t expect = std::count(b, b + len, '\n');
            EXPECT_EQ(count_line_feeds(b, b + len), expect) << "start " << start << " length " << len;
        }
    // Every byte a line feed: the byte counters run up to their limit.
    std::string all(16 * 255 * 2 + 5, '\n');
    EXPECT_EQ(count_line_feeds(all.data(), all.data() + all.size()), (int64_t)all.size());
}

TEST(Tokenizer, LineOfAPositionForwardAndBack)
{
    std::string text;
    for (int i = 0; i < 20000; ++i) text += i % 3 ? "1 2 3,\n" : "\n";
    Scene L;
    set_buffer(L, text);
    auto slow = [&](int32_t pos) { return 1 + (int)std::count(text.begin(), text.begin() + pos, '\n'); };
    for (int32_t pos : {0, 1, 5000, 70001, 100000, 4, 90000, (int32_t)text.size(), (int32_t)text.size() + 10, -3})
        EXPECT_EQ(L.line_at(pos), slow(std::clamp(pos, 0, (int32_t)text.size()))) << "position " << pos;
}
