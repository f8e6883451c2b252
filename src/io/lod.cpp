// Level-of-detail scripts:
//   LOD: n
//   center: x y z
//   n lines of: label file distance
// Words are separated by white space. Each level file is a VRML scene
// loaded into a scene of its own.
#include "io/lod.h"

#include <string>
#include <string_view>
#include <vector>

#include "io/readers.h"
#include "io/scene_loader.h"
#include "math/cformat.h"
#include "scene/report.h"
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

private:
    static bool is_space(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v'; }
    const char* m_buf;
    int m_len;
    int m_pos = 0;
};

double number(std::string_view w)
{
    return qv_strtod(w.data(), w.data() + w.size());
}

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
    // The whole script is checked before any level is loaded.
    Words words(loader.m_buf, loader.m_len);
    if (words.next() != "LOD:") return refuse(set);
    std::string_view count = words.next();
    if (count.empty()) return refuse(set);
    const int n = qv_atoi(std::string(count).c_str());
    if (words.next() != "center:") return refuse(set);
    Vec3 center;
    for (float* c : {&center.x, &center.y, &center.z}) {
        std::string_view w = words.next();
        if (w.empty()) return refuse(set);
        *c = (float)number(w);
    }
    if (n < 0 || n > set.m_capacity) return refuse(set);
    std::vector<Level> levels;
    levels.reserve((size_t)n);
    for (int i = 0; i < n; ++i) {
        std::string_view label = words.next();
        std::string_view file = words.next();
        std::string_view distance = words.next();
        if (label.empty() || file.empty() || distance.empty()) return refuse(set);
        levels.push_back({std::string(file), (float)number(distance)});
    }

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
        if (!level_loader->load_buffer(path.c_str(), *scene)) {
            MessageBoxF("File %s not found", path.c_str());
            continue;
        }
        level_loader->read_file(*scene);
        scene->set_lighting(1);
    }
    return 1;
}
