#include "view/document.h"

#include <cstdio>
#include <cstring>

#include "io/lod.h"
#include "io/readers.h"
#include "scene/scene3d.h"

CQuorvelDoc::CQuorvelDoc() = default;

CQuorvelDoc::~CQuorvelDoc()
{
    if (current_scene() == m_scene.get()) current_scene() = nullptr;
}

void CQuorvelDoc::OnNewDocument()
{
    if (current_scene() == m_scene.get()) current_scene() = nullptr;
    m_scene.reset();
    m_lod.reset();
    m_scene = std::make_unique<SCENE3D>();
    current_scene() = m_scene.get();
    m_modified = 0;
    m_path.clear();
    m_binary_file = false;
    SetModifiedFlag(false);
}

void CQuorvelDoc::SetModifiedFlag(bool on)
{
    if (m_edited == on) return;
    m_edited = on;
    if (on_modified_changed) on_modified_changed(on);
}

std::string CQuorvelDoc::title() const
{
    if (m_path.empty()) return "Scene";
    size_t slash = m_path.rfind('/');
    return slash == std::string::npos ? m_path : m_path.substr(slash + 1);
}

namespace {
// A plain ".wrb" name whose file is not a point set (which the open by
// extension takes whatever the name): read by the binary reader.
bool read_as_binary(const std::string& path)
{
    if (path.size() < 4 || path.compare(path.size() - 4, 4, ".wrb") != 0) return false;
    char head[6] = {};
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return false;
    size_t n = std::fread(head, 1, sizeof head, f);
    std::fclose(f);
    return !(n == sizeof head && std::memcmp(head, "POINTS", 6) == 0);
}
} // namespace

void CQuorvelDoc::opened(const std::string& path)
{
    set_folder_of(path);
    m_binary_file = read_as_binary(path);
    m_modified = 0;
    SetModifiedFlag(false);
}

void CQuorvelDoc::set_folder_of(const std::string& path)
{
    size_t slash = path.rfind('/');
    m_folder = slash == std::string::npos ? std::string() : path.substr(0, slash);
    m_path = path;
}

std::string CQuorvelDoc::in_folder(const std::string& name) const
{
    if (m_folder.empty() || (!name.empty() && name[0] == '/')) return name;
    return m_folder + "/" + name;
}

bool CQuorvelDoc::OnOpenDocument(const std::string& path, const FinishFn& finish)
{
    if (!open_document(path, m_scene, finish)) return false;
    m_lod.reset();
    opened(path);
    return true;
}

OpenResult CQuorvelDoc::OpenForCommandLine(const std::string& path, const FinishFn& finish)
{
    std::unique_ptr<LODSET> lod;
    OpenResult r = open_for_command_line(path, m_scene, lod, finish);
    if (r == OpenResult::Scene || r == OpenResult::Lod) {
        m_lod = std::move(lod);
        opened(path);
    }
    return r;
}

OpenResult CQuorvelDoc::CollectOpen(BackgroundOpen& reading, const std::string& path, const FinishFn& finish)
{
    std::unique_ptr<LODSET> lod;
    OpenResult r = reading.collect(m_scene, lod, finish);
    if (r == OpenResult::Scene || r == OpenResult::Lod) {
        m_lod = std::move(lod);
        opened(path);
    }
    return r;
}

OpenResult CQuorvelDoc::OpenByExtension(const std::string& path, const FinishFn& finish)
{
    std::unique_ptr<LODSET> lod;
    OpenResult r = open_by_extension(path, m_scene, lod, finish);
    if (r == OpenResult::Scene || r == OpenResult::Lod) {
        m_lod = std::move(lod);
        opened(path);
    }
    return r;
}

int CQuorvelDoc::OpenBinary(const std::string& path)
{
    auto fresh = std::make_unique<SCENE3D>();
    if (!load_binary(path.c_str(), *fresh)) return 0;
    if (current_scene() == m_scene.get()) current_scene() = nullptr;
    m_scene = std::move(fresh);
    current_scene() = m_scene.get();
    m_lod.reset();
    opened(path);
    m_binary_file = true;
    return 1;
}

int CQuorvelDoc::OnSaveDocument(const std::string& path)
{
    if (!m_scene) return 0;
    if (!save_binary(path.c_str(), *m_scene)) return 0;
    set_folder_of(path);
    m_binary_file = true;
    SetModifiedFlag(false);
    return 1;
}
