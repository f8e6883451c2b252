// Level-of-detail scripts:
//   LOD: n
//   center: x y z
//   n lines of: label file distance
// Words are separated by white space. Each level file is a VRML scene
// loaded into a scene of its own.
#include "io/lod.h"

#include <algorithm>
#include <string>
#include <string_view>
#include <vector>

#include "io/cut_short.h"
#include "io/readers.h"
#include "io/scene_loader.h"
#include "base/cformat.h"
#include "base/report.h"
#include "scene/scene3d.h"

LODSET::LODSET()
{
    m_camera = new CAMERA3D();
    m_camera->position = Vec3(0.f, 0.f, -1000.f);
}

LODSET::~LODSET()
{
    clear();
    delete m_camera;
}

void LODSET::clear()
{
    if (m_levels) {
        for (int i = 0; i < m_capacity; ++i) delete m_levels[i];
        delete[] m_levels;
        m_levels = nullptr;
    }
    delete[] m_distances;
    m_distances = nullptr;
    delete m_loader;
    m_loader = nullptr;
    m_nlevels = 0;
    m_nactive = 0;
}

namespace {

// Whitespace-separated words of a buffer.
class Words {
public:
    Words(const char* buf, int len) : m_buf(buf), m_len(buf ? len : 0) {}
    // The next word, empty at the end.
    std::string_view next()
    {
        while (m_pos < m_len && is_space(m_buf[m_pos])) ++m_pos;
        int start = m_pos;
        while (m_pos < m_len && !is_space(m_buf[m_pos])) ++m_pos;
        return std::string_view(m_buf + start, (size_t)(m_pos - start));
    }
    // The next word when it is a number (its value in v); otherwise the
    // word is left for the next read and v is 0.
    bool next_number(double& v)
    {
        int at = m_pos;
        std::string_view w = next();
        const char* stop = w.data();
        v = w.empty() ? 0.0 : qv_strtod(w.data(), w.data() + w.size(), &stop);
        if (!w.empty() && stop != w.data()) return true;
        m_pos = at;
        v = 0.0;
        return false;
    }

private:
    static bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
    const char* m_buf;
    int m_len;
    int m_pos = 0;
};

struct Level {
    std::string file;
    float distance;
};

int refuse(LODSET& set)
{
    set.clear();
    MessageBox("corrupted LOD input script!");
    return 0;
}

} // namespace

int read_lod_script(Scene& loader, LODSET& set)
{
    // Only the first word and the centre keyword decide whether the script
    // is refused; a script cut short gives the levels it names.
    Words words(loader.m_buf, loader.m_len);
    if (words.next() != "LOD:") return refuse(set);
    const int announced = qv_atoi(std::string(words.next()).c_str());
    if (words.next() != "center:") return refuse(set);
    Vec3 center;   // a missing value reads as 0
    for (float* c : {&center.x, &center.y, &center.z}) {
        double v;
        words.next_number(v);
        *c = (float)v;
    }
    int n = std::max(announced, 0);
    if (n > set.m_capacity) {
        MessageBoxF("LOD script %s announces %d levels; the first %d are read", loader.m_filename.c_str(), n,
                    set.m_capacity);
        n = set.m_capacity;
    }
    // A level needs its label and its file; a missing distance reads as 0.
    std::vector<Level> levels;
    for (int i = 0; i < n; ++i) {
        std::string_view label = words.next();
        std::string_view file = words.next();
        if (label.empty() || file.empty()) break;
        double distance;
        words.next_number(distance);
        levels.push_back({std::string(file), (float)distance});
    }
    // Fewer levels than announced: the script was probably cut short.
    if ((int)levels.size() < n)
        report_cut_short(loader.m_filename,
                         qv_format("ends after %d of the %d levels announced", (int)levels.size(), announced));
    n = (int)levels.size();

    set.clear();
    set.center = center;
    set.m_levels = new SCENE3D*[(size_t)set.m_capacity]();
    set.m_distances = new float[(size_t)n + 1];
    set.m_distances[0] = -1000.f;
    set.m_nlevels = n;
    for (int i = 0; i < n; ++i) {
        auto* scene = new SCENE3D();
        set.m_levels[i] = scene;
        set.m_distances[i + 1] = levels[(size_t)i].distance;
        // Level files are named relative to the script's folder.
        auto* level_loader = new Scene();
        delete set.m_loader;
        set.m_loader = level_loader;
        std::string path = loader.resolve(levels[(size_t)i].file);
        // A level file that cannot be read gets the loader's own messages
        // (an empty buffer is not a VRML file); its scene stays empty.
        if (!level_loader->load_buffer(path.c_str(), *scene)) {
            if (level_loader->m_read_error) continue;
            level_loader->m_filename = path;
        }
        level_loader->read_file(*scene);
        scene->set_lighting(1);
    }
    return 1;
}
