// The loader: reads a scene file whole, attaches its companion script and
// cuts a VRML file into objects for the VRML 1.0 and 2.0 readers.
#include "io/scene_loader.h"

#include <climits>
#include <cstring>
#include <new>

#include <sys/mman.h>
#include <sys/stat.h>

#include "io/cut_short.h"
#include "io/file_lookup.h"
#include "scene/report.h"
#include "scene/scene3d.h"

ReaderTemp& reader_temp()
{
    // Raw storage, not value-initialised: only the part a list uses is ever
    // touched. Lives as long as the process.
    static ReaderTemp t = [] {
        ReaderTemp r;
        r.vertices = static_cast<Vec3*>(::operator new(sizeof(Vec3) * QV_TMP_VERTICES));
        r.texvertices = static_cast<TexVertex*>(::operator new(sizeof(TexVertex) * QV_TMP_TEXVERTICES));
        r.indices = static_cast<int32_t*>(::operator new(sizeof(int32_t) * (QV_TMP_INDICES + 1)));
        r.values = static_cast<float*>(::operator new(sizeof(float) * QV_TMP_VALUES));
        return r;
    }();
    return t;
}

Scene::Scene()
{
    m_word = new char[512];
    std::strcpy(m_word, "L");
}

Scene::~Scene()
{
    release_buffer();
    delete[] m_scr_buf;   // only when the scene did not take it
    delete[] m_word;
    if (m_file) std::fclose(m_file);
    if (m_scr_file) std::fclose(m_scr_file);
}

namespace {
// Reads the whole open file f; null (and len 0) when it cannot be read or
// is too large for the 32-bit positions of the tokenizer.
char* read_all(FILE* f, int32_t& len)
{
    len = 0;
    if (std::fseek(f, 0, SEEK_END) != 0) return nullptr;
    long size = std::ftell(f);
    if (size < 0 || size > INT_MAX - 16) return nullptr;
    std::rewind(f);
    char* buf = new (std::nothrow) char[(size_t)size + 1];
    if (!buf) return nullptr;
    size_t got = size ? std::fread(buf, 1, (size_t)size, f) : 0;
    len = (int32_t)got;
    return buf;
}
} // namespace

void Scene::release_buffer()
{
    if (m_mapped_len) munmap(m_buf, m_mapped_len);
    else delete[] m_buf;
    m_buf = nullptr;
    m_mapped_len = 0;
    m_len = 0;
}

namespace {
// A private, writable (copy-on-write) mapping of the whole open file: no
// copy of large files. Null when the file cannot be mapped.
char* map_all(FILE* f, int32_t& len, size_t& mapped)
{
    struct stat st;
    if (fstat(fileno(f), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size <= 0 || st.st_size > INT_MAX - 16)
        return nullptr;
    void* p = mmap(nullptr, (size_t)st.st_size, PROT_READ | PROT_WRITE, MAP_PRIVATE, fileno(f), 0);
    if (p == MAP_FAILED) return nullptr;
    len = (int32_t)st.st_size;
    mapped = (size_t)st.st_size;
    return static_cast<char*>(p);
}
} // namespace

int Scene::load_buffer(const char* path, SCENE3D& scene)
{
    if (!path) return 0;
    m_filename = path;
    size_t slash = m_filename.find_last_of('/');
    m_folder = slash == std::string::npos ? std::string() : m_filename.substr(0, slash);
    m_file = open_regular_file(path);
    if (!m_file) return 0;
    SetStatusText("Read scene:%s", path);
    int32_t len = 0;
    size_t mapped = 0;
    char* buf = map_all(m_file, len, mapped);
    if (!buf) buf = read_all(m_file, len);
    std::fclose(m_file);
    m_file = nullptr;
    if (!buf) return 0;
    release_buffer();   // a loader used twice gets a buffer of the right size
    m_buf = buf;
    m_len = len;
    m_mapped_len = mapped;
    m_pos = 0;
    load_script(scene);
    return 1;
}

int Scene::load_script(SCENE3D& scene)
{
    std::string path = m_filename;
    size_t dot = path.find_last_of('.');
    size_t slash = path.find_last_of('/');
    if (dot != std::string::npos && (slash == std::string::npos || dot > slash)) path.resize(dot);
    path += ".scr";
    m_scr_file = open_regular_file(path.c_str());
    if (!m_scr_file) m_scr_file = open_regular_file(resolve_path(path).c_str());
    if (!m_scr_file) return 0;
    SetStatusTextRaw(path);
    int32_t len = 0;
    char* buf = read_all(m_scr_file, len);
    std::fclose(m_scr_file);
    m_scr_file = nullptr;
    if (!buf) return 0;
    // A scene keeps the first script it was given: the script of an inlined
    // file does not replace the one of the file that inlines it.
    if (scene.m_script) {
        delete[] buf;
        return 0;
    }
    m_scr_buf = nullptr;
    scene.m_script = buf;
    scene.m_script_len = len;
    m_scr_len = len;
    return 1;
}

std::string Scene::resolve(const std::string& name) const
{
    if (name.empty()) return name;
    bool absolute = name[0] == '/';
    std::string full = (absolute || m_folder.empty()) ? name : m_folder + "/" + name;
    return resolve_path(full);
}

int Scene::line_at(int32_t pos) const
{
    int line = 1;
    if (pos > m_len) pos = m_len;
    for (int32_t i = 0; i < pos; ++i)
        if (m_buf[i] == '\n') ++line;
    return line;
}

void Scene::refuse_list(const char* list, int limit, int32_t at)
{
    MessageBoxF("List %s too long in %s: more than %d values at line %d; the rest of the file is not read",
                list, m_filename.c_str(), limit, line_at(at));
    m_abort = 1;
    m_pos = m_len;
    m_word[0] = 0;
}

int Scene::read_file(SCENE3D& scene)
{
    m_comments = 0;
    m_depth = 0;
    if (m_len < 7 || std::memcmp(m_buf, "#VRML V", 7) != 0) {
        MessageBoxF("File %s is not a vrml one", m_filename.c_str());
        return 0;
    }
    int version = 0;
    if (m_len >= 10 && !std::memcmp(m_buf, "#VRML V1.0", 10)) version = 1;
    else if (m_len >= 10 && !std::memcmp(m_buf, "#VRML V2.0", 10)) version = 2;
    else {
        MessageBox("Invalid vrml version");
        return 0;
    }
    m_pos = 0;
    m_abort = 0;
    std::strcpy(m_word, "L");
    Scene* root = this;
    while (root->m_parent) root = root->m_parent;
    int more = 1;
    while (m_word[0] && more == 1) {
        if (scene.nbobjects + scene.m_nbboxes >= scene.m_capacity) {
            if (!root->m_overflow_reported) MessageBox("** Scene::read_file : overflow");
            root->m_overflow_reported = 1;
            break;
        }
        // The object takes its slot before it is read, so that the objects of
        // an inlined file come after it.
        OBJECT3D* obj = new OBJECT3D();
        int slot = scene.nbobjects;
        scene.add_object(obj);
        more = version == 1 ? read_vrml1_object(*obj, scene, *this) : read_vrml2_object(*obj, scene, *this);
        obj->m_tmp_vertices = nullptr;
        obj->m_tmp_texvertex = nullptr;
        obj->m_tmp_index = nullptr;
        obj->compute_bounds();
        obj->compute_center();
        scene.compute_world_bounds(slot);
    }
    // The readers stop quietly at the end of the buffer, wherever it falls;
    // a read already ended with a message needs no second one.
    if (!m_abort && (!m_word[0] || more != 1)) check_cut_short(*this);
    SetStatusText("End Read %s", m_filename.c_str());
    return 1;
}
