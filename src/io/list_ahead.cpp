#include "io/list_ahead.h"

#include <algorithm>
#include <cstring>
#include <new>
#include <thread>

#include "base/report.h"
#include "io/scene_loader.h"
#include "scene/object3d.h"

namespace {
// The helper stays this far ahead of the reader at most (bytes of the
// file): what it read and the reader did not take yet is held in memory.
constexpr int32_t k_ahead_bytes = 4 << 20;
// The helper takes lists until it holds this share of the list text
// (percent): the reader also reads everything between the lists.
constexpr int64_t k_helper_share = 55;

enum State : int { Free, Reading, Read, Reader, Failed };
// Values of both kinds are copied as 32-bit words.
static_assert(sizeof(float) == sizeof(int32_t));
} // namespace

struct ListsAhead::List {
    vrml::NumberListSpan span;
    bool helper = false;   // the helper's to read
    std::atomic<int> state{Free};
    // Set by the helper before state becomes Read:
    std::unique_ptr<TempBlock> values;
    int n = 0;
    int result = 0;
    int32_t end = 0, tok_start = 0, depth_change = 0, lines = 0;
    std::string word;
};

ListsAhead::ListsAhead(bool counts_lines, int32_t comments) : m_counts_lines(counts_lines), m_comments(comments) {}

ListsAhead::~ListsAhead() = default;

void ListsAhead::stop()
{
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_stop.store(true);
    }
    m_moved.notify_all();
}

void ListsAhead::run(Scene& view, std::vector<vrml::NumberListSpan> lists)
{
    // Every list is the helper's or the reader's, by the length of its
    // text, so that both have their share all along the file.
    int64_t helper_bytes = 0, reader_bytes = 0;
    m_lists.reserve(lists.size());
    for (const vrml::NumberListSpan& s : lists) {
        auto l = std::make_unique<List>();
        l->span = s;
        const int64_t len = std::max<int64_t>(0, (int64_t)s.end - s.start);
        l->helper = helper_bytes * (100 - k_helper_share) <= reader_bytes * k_helper_share;
        (l->helper ? helper_bytes : reader_bytes) += len;
        m_lists.push_back(std::move(l));
    }
    m_ready.store(true, std::memory_order_release);

    // What the helper's reading would say is said by the reader, which
    // reads such a list again itself.
    HeldReporter held;
    Reporter* before = set_thread_reporter(&held);
    OBJECT3D counter;
    for (const std::unique_ptr<List>& l : m_lists) {
        if (!l->helper) continue;
        {
            std::unique_lock<std::mutex> lock(m_mutex);
            m_moved.wait(lock, [&] {
                return m_stop.load() || l->span.start - m_reader_pos.load() <= k_ahead_bytes;
            });
        }
        if (m_stop.load()) break;
        if (l->span.start < m_reader_pos.load()) continue;   // the reader is past it
        int expected = Free;
        if (!l->state.compare_exchange_strong(expected, Reading)) continue;
        view.m_pos = l->span.start;
        view.m_comments = m_comments;
        view.m_abort = 0;
        view.m_depth = 0;
        counter.m_line = 0;
        OBJECT3D* lines = m_counts_lines ? &counter : nullptr;
        try {
            l->values = std::make_unique<TempBlock>((size_t)std::max(4096, (l->span.end - l->span.start) / 2));
            l->result = l->span.ints ? read_int_list(view, lines, *l->values, l->n, "list")
                                     : read_float_list(view, lines, *l->values, l->n, "list");
        } catch (const std::bad_alloc&) {
            l->result = -1;
        }
        const bool said = held.forget() > 0;
        if (l->result < 0 || said || view.m_abort) {
            l->values.reset();
            l->state.store(Failed, std::memory_order_release);
            continue;
        }
        l->end = view.m_pos;
        l->tok_start = view.m_tok_start;
        l->depth_change = view.m_depth;
        l->lines = counter.m_line;
        l->word = view.m_word;
        l->state.store(Read, std::memory_order_release);
    }
    set_thread_reporter(before);
}

ListsAhead::List* ListsAhead::claim(Scene& L, OBJECT3D* lines, bool ints)
{
    if (!m_ready.load(std::memory_order_acquire)) return nullptr;
    if ((lines != nullptr) != m_counts_lines || L.m_comments != m_comments) return nullptr;
    const int32_t pos = L.m_pos;
    // The reader mostly goes forward, but an object reader goes back to
    // the start of the next object.
    auto at = std::lower_bound(m_lists.begin(), m_lists.end(), pos,
                               [](const std::unique_ptr<List>& l, int32_t p) { return l->span.start < p; });
    {
        std::lock_guard<std::mutex> lock(m_mutex);
        m_reader_pos.store(pos);
    }
    m_moved.notify_all();
    if (at == m_lists.end() || (*at)->span.start != pos) return nullptr;
    List* l = at->get();
    int state = Free;
    if (l->state.compare_exchange_strong(state, Reader) || l->span.ints != ints) return nullptr;
    while (state == Reading) {
        std::this_thread::yield();
        state = l->state.load(std::memory_order_acquire);
    }
    return state == Read ? l : nullptr;
}

int ListsAhead::take(Scene& L, OBJECT3D* lines, bool ints, TempBlock* dst, void* dst_capped, int cap, int& n)
{
    List* l = claim(L, lines, ints);
    if (!l) return k_not_ahead;
    size_t count = (size_t)l->n;
    if (dst) {
        // Room as the list readers leave it: one more entry after an index list.
        if (!dst->reserve<int32_t>(count + (ints ? 1 : 0))) return k_not_ahead;
        std::memcpy(dst->as<int32_t>(), l->values->as<int32_t>(), count * sizeof(int32_t));
    } else {
        count = std::min(count, (size_t)std::max(cap, 0));
        std::memcpy(dst_capped, l->values->as<int32_t>(), count * sizeof(int32_t));
    }
    n = (int)count;
    L.m_pos = l->end;
    L.m_tok_start = l->tok_start;
    L.m_depth += l->depth_change;
    std::memcpy(L.m_word, l->word.c_str(), l->word.size() + 1);
    if (lines) lines->m_line += l->lines;
    const int result = l->result;
    l->values.reset();
    l->state.store(Reader, std::memory_order_relaxed);
    return result;
}
