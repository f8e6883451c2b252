// Number lists read ahead by a helper are taken exactly as the reader
// would have read them: values, count, result, and where the reading
// leaves the loader (position, token, brace depth, lines).
#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <string>
#include <vector>

#include "io/list_ahead.h"
#include "io/scene_loader.h"
#include "scene/object3d.h"
#include "vrml_test_util.h"

namespace {

struct ListRead {
    int result = 0, n = 0;
    std::vector<int32_t> bits;   // the values' bytes, floats or ints
    int32_t pos = 0, tok_start = 0, depth = 0, line = 0;
    std::string word;
    bool operator==(const ListRead&) const = default;
};

// The lists of `text` as a look at the layout finds them: from each "["
// to the next "]", index lists named "...Index".
std::vector<vrml::NumberListSpan> spans_of(const std::string& text)
{
    std::vector<vrml::NumberListSpan> spans;
    for (size_t open = text.find('['); open != std::string::npos; open = text.find('[', open + 1)) {
        size_t close = text.find(']', open);
        size_t name_end = text.find_last_not_of(' ', open - 1) + 1;
        bool ints = name_end >= 5 && text.compare(name_end - 5, 5, "Index") == 0;
        spans.push_back({(int32_t)open + 1, close == std::string::npos ? (int32_t)text.size() : (int32_t)close + 1, ints});
    }
    return spans;
}

// Reads every list in turn, starting just after its "[" as a reader does.
// helper_text: when given, a helper reads the lists ahead from it first
// (text of the same layout, so that what was taken shows).
// helper_comments: the helper's manner, when not the reader's.
std::vector<ListRead> read_lists(const std::string& text, bool counts_lines, int comments, int cap,
                                 const std::string* helper_text = nullptr, int helper_comments = -1)
{
    std::vector<vrml::NumberListSpan> spans = spans_of(text);
    ListsAhead ahead(counts_lines, helper_comments < 0 ? comments : helper_comments);
    Scene view;
    if (helper_text) {
        set_buffer(view, *helper_text);
        ahead.run(view, spans);
    }
    Scene L;
    set_buffer(L, text);
    L.m_comments = comments;
    if (helper_text) L.m_ahead = &ahead;
    OBJECT3D lines;
    std::vector<ListRead> out;
    for (const vrml::NumberListSpan& s : spans) {
        L.m_pos = s.start;
        ListRead r;
        std::vector<int32_t> capped((size_t)std::max(cap, 1));
        OBJECT3D* counter = counts_lines ? &lines : nullptr;
        const int32_t* values;
        if (cap > 0) {
            r.result = s.ints ? read_int_list(L, counter, capped.data(), cap, r.n)
                              : read_float_list(L, counter, reinterpret_cast<float*>(capped.data()), cap, r.n);
            values = capped.data();
        } else {
            TempBlock& block = s.ints ? reader_temp().indices : reader_temp().vertices;
            r.result = s.ints ? read_int_list(L, counter, block, r.n, "list") : read_float_list(L, counter, block, r.n, "list");
            values = block.as<int32_t>();
        }
        r.bits.assign(values, values + std::max(r.n, 0));
        r.pos = L.m_pos;
        r.tok_start = L.m_tok_start;
        r.depth = L.m_depth;
        r.line = lines.m_line;
        r.word = L.m_word;
        out.push_back(r);
    }
    L.m_ahead = nullptr;
    return out;
}

} // namespace

TEST(ListsAhead, TakenListsReadAsTheReaderReadsThem)
{
    // Plain lists, lines and semicolons, comments, exponents and words,
    // braces inside a list, and a last list the file cuts short.
    const std::string text =
        "point [ 1.5 -2 3, 4 5 6 ]\n"
        "coordIndex [ 0, 1, 2, -1,\n 3, 4, 5, -1 ]\n"
        "vector [ 1e3; 2.5E-1\n # a comment ] 9\n 7 ]\n"
        "colorIndex [ 1 two 3 { 4 5 ]\n"
        "colorIndex [ 6 { 7 ]\n"
        "point [ 0.25 0.5\n\n 0.75 ]\n"
        "texCoordIndex [ 9 8 7";
    for (bool counts_lines : {false, true})
        for (int comments : {0, 1})
            for (int cap : {0, 2, 100}) {
                SCOPED_TRACE(testing::Message() << "lines " << counts_lines << " comments " << comments << " cap " << cap);
                std::vector<ListRead> alone = read_lists(text, counts_lines, comments, cap);
                std::vector<ListRead> taken = read_lists(text, counts_lines, comments, cap, &text);
                ASSERT_EQ(taken.size(), alone.size());
                for (size_t i = 0; i < alone.size(); ++i) {
                    SCOPED_TRACE(i);
                    EXPECT_TRUE(taken[i] == alone[i]);
                    EXPECT_EQ(taken[i].bits, alone[i].bits);
                    EXPECT_EQ(taken[i].pos, alone[i].pos);
                    EXPECT_EQ(taken[i].depth, alone[i].depth);
                    EXPECT_EQ(taken[i].line, alone[i].line);
                    EXPECT_EQ(taken[i].word, alone[i].word);
                }
                // The cut-short list ends with the file, the others at "]".
                EXPECT_EQ(alone.back().result, 0);
                EXPECT_EQ(alone.front().result, 1);
            }
}

TEST(ListsAhead, TheHelperReadsItsShareAndTheReaderTheRest)
{
    // The helper reads a text of the same layout with other digits: the
    // lists it read for the reader show them.
    std::string text, other;
    for (int i = 0; i < 40; ++i) text += "point [ 1 1 1, 1 1 1 ] coordIndex [ 1, 1, 1, -1 ]\n";
    other = text;
    std::replace(other.begin(), other.end(), '1', '7');
    std::vector<ListRead> taken = read_lists(text, true, 0, 0, &other);
    int helper = 0, reader = 0;
    for (const ListRead& r : taken) {
        ASSERT_GE(r.n, 1);
        int32_t first = r.bits[0];
        float as_float;
        std::memcpy(&as_float, &first, sizeof as_float);
        bool seven = first == 7 || as_float == 7.f;
        (seven ? helper : reader) += 1;
    }
    // Shared by the length of their text, about half each.
    EXPECT_GT(helper, 20);
    EXPECT_GT(reader, 20);
    // A reader in another manner (comments skipped) takes none of them.
    for (const ListRead& r : read_lists(text, true, 1, 0, &other, 0))
        EXPECT_TRUE(r.bits[0] == 1 || r.bits[0] == 0x3f800000) << r.bits[0];
}
