#include "view/document.h"

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
    m_lod.reset();
    bool ok = open_document(path, m_scene, finish);
    if (ok) set_folder_of(path);
    m_modified = 0;
    return ok;
}

OpenResult CQuorvelDoc::OpenForCommandLine(const std::string& path, const FinishFn& finish)
{
    std::unique_ptr<LODSET> lod;
    OpenResult r = open_for_command_line(path, m_scene, lod, finish);
    if (r == OpenResult::Lod) m_lod = std::move(lod);
    if (r == OpenResult::Scene || r == OpenResult::Lod) set_folder_of(path);
    m_modified = 0;
    return r;
}

OpenResult CQuorvelDoc::OpenByExtension(const std::string& path, const FinishFn& finish)
{
    std::unique_ptr<LODSET> lod;
    OpenResult r = open_by_extension(path, m_scene, lod, finish);
    if (r == OpenResult::Lod) m_lod = std::move(lod);
    else if (r == OpenResult::Scene) m_lod.reset();
    if (r == OpenResult::Scene || r == OpenResult::Lod) set_folder_of(path);
    return r;
}

int CQuorvelDoc::OpenBinary(const std::string& path)
{
    if (!m_scene) OnNewDocument();
    m_scene->delete_objects();
    return load_binary(path.c_str(), *m_scene);
}

int CQuorvelDoc::OnSaveDocument(const std::string& path)
{
    if (!m_scene) return 0;
    return save_binary(path.c_str(), *m_scene);
}
