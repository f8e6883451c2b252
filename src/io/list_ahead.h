// Number lists read ahead on a second thread. Once a look at a file's
// layout has found where its number lists lie, a helper thread reads part
// of them a little ahead of the reader (a few megabytes at most), in the
// reader's own manner; the reader takes each list read for it instead of
// reading it again, and reads the others itself.
#pragma once
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "io/vrml_tree.h"

class Scene;
class OBJECT3D;
class TempBlock;

class ListsAhead {
public:
    // The reader's manner: lines counted as in the VRML 2.0 object reader
    // (a line-counting object is passed to the list readers), and whether
    // comments are skipped (Scene::m_comments).
    ListsAhead(bool counts_lines, int32_t comments);
    ~ListsAhead();
    ListsAhead(const ListsAhead&) = delete;
    ListsAhead& operator=(const ListsAhead&) = delete;

    // The helper's side: reads the lists found at `lists` (in file order)
    // from `view` (a loader on the same buffer, giving back no pages),
    // until stop() or the last list. Call once.
    void run(Scene& view, std::vector<vrml::NumberListSpan> lists);
    // Ends run() soon; the lists not taken are dropped.
    void stop();

    // The reader's side, at the start of a list (L.m_pos just after "["):
    // when this list was read ahead in the reader's manner, it is copied
    // into dst (room for one more entry for ints) or into the cap entries
    // at dst_capped, L moves past it as the reading would have, and the
    // list readers' result (1 or 0) is returned. Otherwise k_not_ahead:
    // the reader reads the list itself.
    static constexpr int k_not_ahead = -2;
    int take(Scene& L, OBJECT3D* lines, bool ints, TempBlock* dst, void* dst_capped, int cap, int& n);

private:
    struct List;
    List* claim(Scene& L, OBJECT3D* lines, bool ints);

    const bool m_counts_lines;
    const int32_t m_comments;
    std::vector<std::unique_ptr<List>> m_lists;
    std::atomic<bool> m_ready{false};   // m_lists is filled
    std::atomic<bool> m_stop{false};
    std::atomic<int32_t> m_reader_pos{0};   // where the reader took its last list
    std::mutex m_mutex;
    std::condition_variable m_moved;        // the reader moved on, or stop
};
