// The formats of other programs: recognising them, reading them through
// the asset library, exporting scenes to them, and refusing bad files.
#include <gtest/gtest.h>

#include <nlohmann/json.hpp>

#include <assimp/Exporter.hpp>
#include <assimp/Importer.hpp>
#include <assimp/scene.h>

#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <memory>
#include <regex>
#include <set>
#include <sstream>
#include <string>
#include <sys/stat.h>

#include "base/safe_write.h"
#include "image/texture.h"
#include "io/export.h"
#include "io/formats.h"
#include "io/import_assimp.h"
#include "io/lod.h"
#include "io/open.h"
#include "io/formats_support.h"
#include "scene/object3d.h"
#include "scene/scene3d.h"
#include "scene/view_fit.h"
#include "support/recorder.h"

namespace {
std::string read_all(const std::string& path)
{
    std::ifstream f(path, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}

void write_all(const std::string& path, const std::string& bytes)
{
    std::ofstream f(path, std::ios::binary);
    f << bytes;
}

bool exists(const std::string& path)
{
    struct stat st;
    return ::stat(path.c_str(), &st) == 0;
}

uint32_t le32(const std::string& s, size_t at)
{
    uint32_t v;
    std::memcpy(&v, s.data() + at, 4);
    return v;
}

// The JSON chunk of a .glb.
nlohmann::json glb_json(const std::string& glb)
{
    EXPECT_GE(glb.size(), 20u);
    EXPECT_EQ(glb.substr(0, 4), "glTF");
    EXPECT_EQ(le32(glb, 8), glb.size());
    EXPECT_EQ(glb.substr(16, 4), "JSON");
    return nlohmann::json::parse(glb.substr(20, le32(glb, 12)));
}

long long scene_triangles(const SCENE3D& s)
{
    long long n = 0;
    for (int i = 0; i < s.nbobjects; ++i) n += held_triangles(*s.m_objects[i]);
    return n;
}

// Opens a file as the command line does (no GL finishing).
std::unique_ptr<SCENE3D> open_file(const std::string& path, bool expect_ok = true)
{
    std::unique_ptr<SCENE3D> scene;
    std::unique_ptr<LODSET> lod;
    OpenResult r = open_for_command_line(path, scene, lod, nullptr);
    EXPECT_EQ(r == OpenResult::Scene, expect_ok) << path;
    current_scene() = nullptr;
    return scene;
}

// A quad and a triangle: one object of two faces (3 triangles), with a
// material, a transparency and a placement.
const char* k_vrml2 = R"(#VRML V2.0 utf8
DEF Panel Transform {
  translation 1 2 3
  rotation 0 1 0 1.5707963
  scale 2 2 2
  children Shape {
    appearance Appearance { material Material { diffuseColor 1 0 0 emissiveColor 0 0.5 0 transparency 0.25 } }
    geometry IndexedFaceSet {
      coord Coordinate { point [ 0 0 0, 1 0 0, 1 1 0, 0 1 0, 2 0 0 ] }
      coordIndex [ 0 1 2 3 -1 1 4 2 -1 ]
    }
  }
}
)";

const char* k_stl_text = "solid t\n"
                         "facet normal 0 0 1\nouter loop\nvertex 0 0 0\nvertex 1 0 0\nvertex 0 1 0\nendloop\nendfacet\n"
                         "facet normal 0 0 1\nouter loop\nvertex 1 0 0\nvertex 1 1 0\nvertex 0 1 0\nendloop\nendfacet\n"
                         "endsolid t\n";

const char* k_ply_text = "ply\nformat ascii 1.0\nelement vertex 4\nproperty float x\nproperty float y\nproperty float z\n"
                         "property uchar red\nproperty uchar green\nproperty uchar blue\n"
                         "element face 2\nproperty list uchar int vertex_indices\nend_header\n"
                         "0 0 0 255 0 0\n1 0 0 255 0 0\n1 1 0 255 0 0\n0 1 0 0 0 255\n"
                         "3 0 1 2\n3 0 2 3\n";

// Three points, no faces.
const char* k_ply_points = "ply\nformat ascii 1.0\ncomment scan\nelement vertex 3\nproperty float x\nproperty float y\n"
                           "property float z\nend_header\n0 0 0\n1 2 30\n-4.5 0 1\n";

int library_reader(Scene& L, SCENE3D& s)
{
    const FileFormat* f = detect_format(L.m_buf, (size_t)L.m_len, L.m_filename);
    if (!f || f->reader != FormatReader::Library) f = &file_format(FormatId::Stl);
    return read_with_library(L, s, *f);
}
} // namespace

TEST(FormatTable, ContentComesBeforeTheName)
{
    const std::string glb = std::string("glTF\x02\0\0\0\x0c\0\0\0", 12);
    EXPECT_EQ(detect_format(glb.data(), glb.size(), "scene.wrl")->id, FormatId::Glb);
    const std::string vrml = "#VRML V2.0 utf8\n";
    EXPECT_EQ(detect_format(vrml.data(), vrml.size(), "model.obj")->id, FormatId::Vrml);
    const std::string xof = "xof 0302txt 0032\n";
    EXPECT_EQ(detect_format(xof.data(), xof.size(), "model.ply")->id, FormatId::X);
    EXPECT_EQ(detect_format(k_ply_text, std::strlen(k_ply_text), "a.stl")->id, FormatId::Ply);
    EXPECT_EQ(detect_format(k_stl_text, std::strlen(k_stl_text), "a")->id, FormatId::Stl);
    const std::string json = "\xef\xbb\xbf  {\n \"asset\": {\"version\": \"2.0\"}}";
    EXPECT_EQ(detect_format(json.data(), json.size(), "x.json")->id, FormatId::Gltf);
    // OBJ has no signature: its name says it.
    const std::string obj = "v 0 0 0\n";
    EXPECT_EQ(detect_format(obj.data(), obj.size(), "MODEL.OBJ")->id, FormatId::Obj);
    EXPECT_EQ(detect_format(obj.data(), obj.size(), "model.txt"), nullptr);
}

TEST(FormatTable, WeakSignaturesYieldToTheName)
{
    // 84 + 50 bytes: the size of a binary STL of one triangle.
    std::string bytes(134, '\0');
    bytes[80] = 1;
    EXPECT_EQ(detect_format(bytes.data(), bytes.size(), "house.wrb")->id, FormatId::Binary);
    EXPECT_EQ(detect_format(bytes.data(), bytes.size(), "part")->id, FormatId::Stl);
    EXPECT_EQ(detect_format(bytes.data(), bytes.size(), "part.ply")->id, FormatId::Ply);
    // A compressed file is named by its content.
    EXPECT_EQ(format_by_extension("scene.wrl.gz")->id, FormatId::Vrml);
}

TEST(FormatTable, FiltersHelpAndTypesComeFromTheTable)
{
    const std::string open = open_filter();
    EXPECT_EQ(open.rfind("VRML/MESH Files (*.wrl;*.wrb)|*.wrl;*.wrb|WRBinary Files (*.wrb)|*.wrb|X Files (*.x;*.x)|*.x; *.xls|", 0), 0u);
    for (const char* p : {"*.glb", "*.gltf", "*.obj", "*.stl", "*.ply", "*.3ds", "*.dae", "*.off"})
        EXPECT_NE(open.find(p), std::string::npos) << p;
    EXPECT_EQ(open.substr(open.size() - 21), "All Files (*.*)|*.*||");
    const std::string exp = export_filter();
    EXPECT_NE(exp.find("(*.glb)|*.glb|"), std::string::npos);
    EXPECT_EQ(exp.find("3ds"), std::string::npos);
    EXPECT_EQ(export_extensions_text(), "glb, gltf, obj, stl, ply");
    EXPECT_NE(formats_help_text().find("STL (.stl), also written by --export"), std::string::npos);
    EXPECT_NE(desktop_mime_types().find("model/gltf-binary;"), std::string::npos);
    EXPECT_EQ(export_format_for("OUT.GLB")->id, FormatId::Glb);
    EXPECT_EQ(export_format_for("out.3ds"), nullptr);
    EXPECT_EQ(export_format_for("out"), nullptr);
}

// The desktop's lists of types (desktop entry, thumbnailer, AppStream
// metainfo) say exactly what the table says, and a file manager can tell
// every one of them: each type is either in the system's shared MIME
// database or described in our own MIME file, with a name pattern for each
// of the format's extensions and a content rule where the format has one.
TEST(FormatTable, DesktopTypeListsMatchTheTableAndAreAllDescribed)
{
    auto set_of = [](const std::string& list) {
        std::set<std::string> out;
        std::stringstream s(list);
        std::string item;
        while (std::getline(s, item, ';'))
            if (!item.empty()) out.insert(item);
        return out;
    };
    auto key = [&](const std::string& file, const std::string& name) {
        std::stringstream in(read_whole_file(source_path(file)));
        std::string line;
        while (std::getline(in, line))
            if (line.rfind(name + "=", 0) == 0) return set_of(line.substr(name.size() + 1));
        return std::set<std::string>();
    };
    const std::set<std::string> table = set_of(desktop_mime_types());
    for (const char* t : {"model/gltf-binary", "model/gltf+json", "model/obj", "model/stl", "application/x-ply",
                          "image/x-3ds", "model/vnd.collada+xml", "model/x-off", "model/x-vrml-gzip"})
        EXPECT_TRUE(table.count(t)) << t;
    EXPECT_EQ(key("desktop/quorvel.desktop", "MimeType"), table);
    EXPECT_EQ(key("desktop/quorvel.thumbnailer", "MimeType"), table);
    std::set<std::string> metainfo;
    const std::string meta = read_whole_file(source_path("desktop/org.quorvel.quorvel.metainfo.xml"));
    const std::regex media("<mediatype>([^<]+)</mediatype>");
    for (auto it = std::sregex_iterator(meta.begin(), meta.end(), media); it != std::sregex_iterator(); ++it)
        metainfo.insert((*it)[1]);
    EXPECT_EQ(metainfo, table);

    // One <mime-type> element of a shared MIME file, "" when absent.
    auto element = [](const std::string& xml, const std::string& type) {
        const size_t at = xml.find("<mime-type type=\"" + type + "\"");
        if (at == std::string::npos) return std::string();
        return xml.substr(at, xml.find("</mime-type>", at) - at);
    };
    const std::string ours = read_whole_file(source_path("desktop/quorvel-mime.xml"));
    const std::string system = read_whole_file("/usr/share/mime/packages/freedesktop.org.xml");
    for (const FileFormat& f : file_formats()) {
        SCOPED_TRACE(f.name);
        std::string described;   // the elements of the format's types
        bool own_type = false, own_magic = false;
        for (const std::string& type : set_of(f.mime)) {
            const std::string own = element(ours, type), known = element(system, type);
            if (!system.empty()) {
                EXPECT_FALSE(own.empty() && known.empty()) << type << " is described nowhere";
            }
            described += own + known;
            own_type = own_type || !own.empty();
            own_magic = own_magic || own.find("<magic") != std::string::npos;
        }
        if (f.mime[0] == 0) continue;
        for (const std::string& ext : set_of(f.extensions)) {
            // ".bin" is a name every kind of file takes: the desktop is not
            // told that all of them are scenes.
            if (ext == ".bin") continue;
            EXPECT_NE(described.find("<glob pattern=\"*" + ext + "\"/>"), std::string::npos) << ext;
        }
        // A format we tell by its first bytes is told so to the desktop too.
        if (own_type && f.id != FormatId::Binary) {
            EXPECT_TRUE(own_magic);
        }
    }
}

TEST(MeshImport, TextAndBinaryStlAndColouredPly)
{
    ScratchDir dir;
    RecordingReporter rec;
    write_all(dir.file("a.stl"), k_stl_text);
    auto s = open_file(dir.file("a.stl"));
    ASSERT_TRUE(s);
    EXPECT_EQ(scene_triangles(*s), 2);
    EXPECT_EQ(s->m_frame_on_open, 1);

    // The same two triangles as a binary STL under a name that says nothing.
    std::string bin(80, ' ');
    bin.replace(0, 5, "solid");   // binary files may begin like text ones
    uint32_t n = 2;
    bin.append(reinterpret_cast<const char*>(&n), 4);
    const float tris[2][12] = {{0, 0, 1, 0, 0, 0, 1, 0, 0, 0, 1, 0}, {0, 0, 1, 1, 0, 0, 1, 1, 0, 0, 1, 0}};
    for (const auto& t : tris) {
        bin.append(reinterpret_cast<const char*>(t), 48);
        bin.append(2, '\0');
    }
    write_all(dir.file("part.bin2"), bin);
    s = open_file(dir.file("part.bin2"));
    ASSERT_TRUE(s);
    EXPECT_EQ(scene_triangles(*s), 2);
    EXPECT_FLOAT_EQ(s->m_objects[0]->m_o_max_xyz.x, 1.f);

    // Vertex colours become face colours: the first face is all red, the
    // second mixes two red corners with a blue one.
    write_all(dir.file("c.ply"), k_ply_text);
    s = open_file(dir.file("c.ply"));
    ASSERT_TRUE(s);
    const OBJECT3D& o = *s->m_objects[0];
    ASSERT_EQ(o.nbface, 2);
    ASSERT_NE(o.m_materialindex, nullptr);
    const Vec3* first = o.diffuse(o.m_materialindex[0]);
    const Vec3* second = o.diffuse(o.m_materialindex[1]);
    EXPECT_NEAR(first->x, 1.f, 1e-6);
    EXPECT_NEAR(first->z, 0.f, 1e-6);
    EXPECT_NEAR(second->x, 2.f / 3.f, 0.01);
    EXPECT_NEAR(second->z, 1.f / 3.f, 0.01);
    EXPECT_TRUE(rec.boxes.empty());
}

// A PLY of vertices alone (a scanner's point cloud) opens as one point
// cloud drawn at its own coordinates, text or binary; one whose counts run
// past its data is refused, and cut or damaged ones never break the scene.
TEST(MeshImport, PlyOfVerticesAloneOpensAsAPointCloud)
{
    ScratchDir dir;
    RecordingReporter rec;
    write_all(dir.file("cloud.ply"), k_ply_points);
    auto s = open_file(dir.file("cloud.ply"));
    ASSERT_TRUE(s);
    ASSERT_EQ(s->nbobjects, 1);
    const OBJECT3D& o = *s->m_objects[0];
    EXPECT_EQ(o.m_points_only, k_point_cloud);
    ASSERT_EQ(o.nbpts, 3);
    EXPECT_EQ(o.nbface, 0);
    EXPECT_FLOAT_EQ(o.m_vertices[2].x, -4.5f);
    EXPECT_FLOAT_EQ(o.m_vertices[1].z, 30.f);
    // Framed as drawn: the cloud's own extent, not a hundredth of it (the
    // scale of the point-set files).
    Vec3 mn, mx;
    ASSERT_TRUE(scene_world_box(*s, mn, mx));
    EXPECT_FLOAT_EQ(mn.x, -4.5f);
    EXPECT_FLOAT_EQ(mx.z, 30.f);

    // Binary, little-endian, with a colour per point.
    std::string bin = "ply\nformat binary_little_endian 1.0\nelement vertex 2\nproperty float x\nproperty float y\n"
                      "property float z\nproperty uchar red\nproperty uchar green\nproperty uchar blue\nend_header\n";
    for (float v : {1.f, 2.f, 3.f, 4.f, 5.f, 6.f}) {
        bin.append(reinterpret_cast<const char*>(&v), 4);
        if (v == 3.f || v == 6.f) bin.append("\x10\x20\x30", 3);
    }
    write_all(dir.file("cloud.bin.ply"), bin);
    s = open_file(dir.file("cloud.bin.ply"));
    ASSERT_TRUE(s);
    ASSERT_EQ(s->m_objects[0]->nbpts, 2);
    EXPECT_FLOAT_EQ(s->m_objects[0]->m_vertices[1].y, 5.f);
    EXPECT_TRUE(rec.boxes.empty());

    // A face element of no faces is no mesh either.
    std::string none = k_ply_points;
    none.insert(none.find("end_header"), "element face 0\nproperty list uchar int vertex_indices\n");
    write_all(dir.file("none.ply"), none);
    s = open_file(dir.file("none.ply"));
    ASSERT_TRUE(s);
    EXPECT_EQ(s->m_objects[0]->m_points_only, k_point_cloud);

    // The export writes faces: a scene of points alone is refused, not
    // written empty; beside faces the points are left out with a word.
    EXPECT_FALSE(export_scene(*s, dir.file("c.glb")));
    EXPECT_FALSE(exists(dir.file("c.glb")));
    ASSERT_EQ(rec.boxes.size(), 1u);
    EXPECT_NE(rec.boxes[0].text.find("only points"), std::string::npos) << rec.boxes[0].text;
    auto* quad = new OBJECT3D();
    quad->nbpts = 3;
    quad->m_vertices = new Vec3[3]{Vec3(0, 0, 0), Vec3(1, 0, 0), Vec3(0, 1, 0)};
    quad->nbindex = 4;
    quad->nbface = 1;
    quad->m_index = new int32_t[4]{0, 1, 2, -1};
    s->add_object(quad);
    EXPECT_TRUE(export_scene(*s, dir.file("c.stl")));
    EXPECT_EQ(read_all(dir.file("c.stl")).size(), 84u + 50u);
    ASSERT_EQ(rec.boxes.size(), 2u);
    EXPECT_NE(rec.boxes[1].text.find("without the scene's 1 point set:"), std::string::npos) << rec.boxes[1].text;

    fmt_test::expect_refused(library_reader,
                             "ply\nformat binary_little_endian 1.0\nelement vertex 900000\nproperty float x\n"
                             "property float y\nproperty float z\nend_header\n",
                             "many.ply", "Invalid PLY file: ", "more elements than the file holds");
    fmt_test::sweep(library_reader, k_ply_points, 15, 150);
    fmt_test::sweep(library_reader, bin, 16, 150);
}

TEST(MeshImport, ObjWithMaterialTextureAndNodeNames)
{
    ScratchDir dir;
    RecordingReporter rec;
    CTexture pic;
    ASSERT_TRUE(pic.Alloc(4, 2, 24));
    ASSERT_TRUE(pic.SaveFileBMP(dir.file("wall.bmp")));
    write_all(dir.file("m.mtl"), "newmtl brick\nKd 0.5 0.25 1\nd 0.5\nmap_Kd wall.bmp\n");
    write_all(dir.file("m.obj"), "mtllib m.mtl\no Wall\nv 0 0 0\nv 2 0 0\nv 2 1 0\nv 0 1 0\n"
                                 "vt 0 0\nvt 1 0\nvt 1 1\nvt 0 1\nusemtl brick\nf 1/1 2/2 3/3 4/4\n");
    auto s = open_file(dir.file("m.obj"));
    ASSERT_TRUE(s);
    ASSERT_EQ(s->nbobjects, 1);
    const OBJECT3D& o = *s->m_objects[0];
    EXPECT_EQ(o.m_name, "Wall");
    EXPECT_EQ(held_triangles(o), 2);   // the quad, triangulated
    EXPECT_NEAR(o.diffuse(0)->y, 0.25f, 1e-6);
    EXPECT_NEAR(o.m_transparency, 0.5f, 1e-6);
    EXPECT_EQ(o.m_texture_name, "wall.bmp");
    ASSERT_NE(o.m_texture, nullptr);
    ASSERT_NE(s->get_texture(*o.m_texture), nullptr);
    EXPECT_EQ(s->get_texture(*o.m_texture)->GetWidth(), 4);
    ASSERT_NE(o.texvertex, nullptr);
    EXPECT_TRUE(rec.boxes.empty());
}

TEST(MeshImport, BadFilesAreRefusedWithTheLibrarysReason)
{
    // Refused: one message naming the format, the reason and the file; the
    // scene as it was.
    fmt_test::expect_refused(library_reader, "glTF\x02\0\0\0garbage that is no container", "bad.glb",
                             "Invalid glTF 2.0 binary file: ", "bad.glb");
    fmt_test::expect_refused(library_reader, std::string("solid x\nfacet normal 0 0 1\n"), "cut.stl",
                             "Invalid STL file: ", "cut.stl");
    // Counts the file cannot hold are refused before anything is allocated.
    fmt_test::expect_refused(library_reader,
                             "ply\nformat binary_little_endian 1.0\nelement vertex 4000000000\nproperty float x\n"
                             "end_header\n",
                             "huge.ply", "Invalid PLY file: ", "more elements than the file holds");
    fmt_test::expect_refused(library_reader, "OFF\n900000000 900000000 0\n0 0 0\n", "huge.off", "Invalid OFF file: ",
                             "more vertices or faces");
    // Counts of more digits than any number holds (the library read them
    // wrapped round, and asked for gigabytes).
    fmt_test::expect_refused(library_reader, "OFF\n4 11111111111111111111111111 0\n0 0 0\n1 0 0\n1 1 0\n3 0 1 2\n",
                             "digits.off", "Invalid OFF file: ", "more vertices or faces");
    fmt_test::expect_refused(library_reader,
                             "ply\nformat ascii 1.0\nelement vertex 184467440737095516160\nproperty float x\n"
                             "end_header\n0\n",
                             "digits.ply", "Invalid PLY file: ", "more elements than the file holds");
}

TEST(MeshImport, DamagedFilesNeverBreakTheScene)
{
    // Every cut and a few hundred mutations of small files of each kind.
    fmt_test::sweep(library_reader, k_stl_text, 11, 150);
    fmt_test::sweep(library_reader, k_ply_text, 12, 150);
    // A header whose last line runs into the data made the library loop.
    fmt_test::expect_refused(library_reader,
                             std::string(k_ply_text).replace(std::string(k_ply_text).find("end_header\n"), 11, "end_header"),
                             "run-on.ply", "Invalid PLY file: ", "no end_header line");
    {
        ScratchDir dir;
        write_all(dir.file("p.wrl"), k_vrml2);
        auto s = open_file(dir.file("p.wrl"));
        ASSERT_TRUE(s);
        RecordingReporter rec;
        ASSERT_TRUE(export_scene(*s, dir.file("p.glb")));
        const std::string glb = read_all(dir.file("p.glb"));
        ASSERT_GT(glb.size(), 100u);
        fmt_test::sweep(library_reader, glb.substr(0, 400) + glb.substr(glb.size() - 100), 13, 100);
        fmt_test::sweep(library_reader, glb, 14, 150);
    }
}

TEST(MeshExport, GlbHoldsNodesMaterialsAndData)
{
    ScratchDir dir;
    RecordingReporter rec;
    write_all(dir.file("p.wrl"), k_vrml2);
    auto s = open_file(dir.file("p.wrl"));
    ASSERT_TRUE(s);
    ExportSummary sum;
    ASSERT_TRUE(export_scene(*s, dir.file("p.glb"), &sum));
    EXPECT_EQ(sum.triangles, 3);
    const std::string glb = read_all(dir.file("p.glb"));
    nlohmann::json j = glb_json(glb);
    EXPECT_EQ(j["asset"]["version"], "2.0");
    const nlohmann::json* panel = nullptr;
    for (const auto& n : j["nodes"])
        if (n.value("name", "") == "Panel") panel = &n;
    ASSERT_NE(panel, nullptr);
    // The placement is the node's transform, not baked into the vertices.
    EXPECT_NEAR((*panel)["translation"][1].get<double>(), 2.0, 1e-6);
    EXPECT_NEAR((*panel)["scale"][0].get<double>(), 2.0, 1e-6);
    EXPECT_NEAR((*panel)["rotation"][1].get<double>(), std::sin(M_PI / 4), 1e-5);
    EXPECT_NEAR((*panel)["rotation"][3].get<double>(), std::cos(M_PI / 4), 1e-5);
    const auto& mesh = j["meshes"][(*panel)["mesh"].get<int>()];
    const auto& prim = mesh["primitives"][0];
    const auto& idx = j["accessors"][prim["indices"].get<int>()];
    EXPECT_EQ(idx["count"], 9);   // a quad and a triangle: three triangles
    const auto& pos = j["accessors"][prim["attributes"]["POSITION"].get<int>()];
    EXPECT_EQ(pos["max"][0], 2.0);
    const auto& mat = j["materials"][prim["material"].get<int>()];
    EXPECT_EQ(mat["alphaMode"], "BLEND");
    EXPECT_NEAR(mat["pbrMetallicRoughness"]["baseColorFactor"][3].get<double>(), 0.75, 1e-6);
    EXPECT_NEAR(mat["pbrMetallicRoughness"]["baseColorFactor"][0].get<double>(), 1.0, 1e-6);
    EXPECT_NEAR(mat["emissiveFactor"][1].get<double>(), 0.5, 1e-6);
    // The binary chunk holds what the buffer says.
    const size_t json_len = le32(glb, 12);
    EXPECT_EQ(le32(glb, 20 + json_len), j["buffers"][0]["byteLength"].get<uint32_t>());
    EXPECT_EQ(glb.substr(24 + json_len, 4), std::string("BIN\0", 4));
    EXPECT_TRUE(rec.boxes.empty());
}

// Names written in a code page (here Latin-1, "Carré"), or holding bytes
// that are no text at all, go into the glTF document as UTF-8 text; the
// export used to end the program there.
TEST(MeshExport, NamesThatAreNotUtf8AreWrittenAsUtf8)
{
    ScratchDir dir;
    RecordingReporter rec;
    const std::string names[] = {"Carr\xe9", "P\xd4\x20\x80\xff", "D\xc3\xa9j\xc3\xa0", "\xed\xa0\x80"};
    const std::string want[] = {"Carr\xc3\xa9", "P\xc3\x94\x20\xc2\x80\xc3\xbf", "D\xc3\xa9j\xc3\xa0", "\xc3\xad\xc2\xa0\xc2\x80"};
    for (size_t k = 0; k < 4; ++k) {
        SCOPED_TRACE(k);
        write_all(dir.file("n.obj"), "o " + names[k] + "\nv 0 0 0\nv 1 0 0\nv 0 1 0\nf 1 2 3\n");
        auto s = open_file(dir.file("n.obj"));
        ASSERT_TRUE(s);
        ASSERT_EQ(s->nbobjects, 1);
        s->m_objects[0]->m_name = names[k];
        for (const char* out : {"n.glb", "n.gltf"}) {
            ASSERT_TRUE(export_scene(*s, dir.file(out), nullptr)) << out;
            auto back = open_file(dir.file(out));
            ASSERT_TRUE(back) << out;
            ASSERT_EQ(back->nbobjects, 1);
            EXPECT_EQ(back->m_objects[0]->m_name, want[k]) << out;
        }
    }
    EXPECT_TRUE(rec.boxes.empty()) << rec.boxes[0].text;
}

TEST(MeshExport, PicturesAreEmbeddedOrWrittenBeside)
{
    ScratchDir dir;
    RecordingReporter rec;
    auto s = open_file(std::string(QV_SOURCE_DIR) + "/samples/house.wrl");
    ASSERT_TRUE(s);
    const long long held = scene_triangles(*s);
    ASSERT_TRUE(export_scene(*s, dir.file("h.glb")));
    const std::string glb = read_all(dir.file("h.glb"));
    nlohmann::json j = glb_json(glb);
    ASSERT_FALSE(j["images"].empty());
    const auto& view = j["bufferViews"][j["images"][0]["bufferView"].get<int>()];
    const size_t bin = 20 + le32(glb, 12) + 8;
    EXPECT_EQ(glb.substr(bin + view.value("byteOffset", 0), 4), "\x89PNG");
    // Texture v counts down from the picture's top line: the file's t
    // (up from the bottom) becomes 1 - t.
    ASSERT_TRUE(export_scene(*s, dir.file("h.gltf")));
    nlohmann::json g = nlohmann::json::parse(read_all(dir.file("h.gltf")));
    EXPECT_EQ(g["buffers"][0]["uri"], "h.bin");
    EXPECT_TRUE(exists(dir.file("h.bin")));
    EXPECT_TRUE(exists(dir.file(g["images"][0]["uri"].get<std::string>())));
    // Both read back with their pictures and every triangle.
    for (const char* name : {"h.glb", "h.gltf"}) {
        auto back = open_file(dir.file(name));
        ASSERT_TRUE(back);
        EXPECT_EQ(scene_triangles(*back), held) << name;
        EXPECT_FALSE(back->m_textures.empty()) << name;
        for (CTexture* t : back->m_textures) EXPECT_GT(t->GetWidth(), 0) << name;
    }
    EXPECT_TRUE(rec.boxes.empty());
}

TEST(MeshExport, ObjStlAndPlyKeepEveryTriangle)
{
    ScratchDir dir;
    RecordingReporter rec;
    auto s = open_file(std::string(QV_SOURCE_DIR) + "/samples/house.wrl");
    ASSERT_TRUE(s);
    const long long held = scene_triangles(*s);
    ASSERT_GT(held, 0);
    for (const char* name : {"h.obj", "h.stl", "h.ply", "h.glb"}) {
        ExportSummary sum;
        ASSERT_TRUE(export_scene(*s, dir.file(name), &sum)) << name;
        EXPECT_EQ(sum.triangles, held) << name;
        auto back = open_file(dir.file(name));
        ASSERT_TRUE(back) << name;
        EXPECT_EQ(scene_triangles(*back), held) << name;
    }
    EXPECT_EQ(read_all(dir.file("h.stl")).size(), 84u + 50u * (size_t)held);
    const std::string mtl = read_all(dir.file("h.mtl"));
    EXPECT_NE(mtl.find("map_Kd h_0.png"), std::string::npos) << mtl;
    EXPECT_TRUE(exists(dir.file("h_0.png")));
    const std::string ply = read_all(dir.file("h.ply"));
    EXPECT_NE(ply.find("element face " + std::to_string(held) + "\n"), std::string::npos);
    EXPECT_NE(ply.find("property uchar red"), std::string::npos);
    EXPECT_TRUE(rec.boxes.empty());
}

TEST(MeshExport, ShearIsBakedIntoTheVertices)
{
    SCENE3D s;
    auto* o = new OBJECT3D();
    o->m_name = "sheared";
    const Vec3 pts[3] = {{0, 0, 0}, {1, 0, 0}, {0, 1, 0}};
    o->take_points(pts);
    const int32_t idx[4] = {0, 1, 2, -1};
    o->take_faces(idx);
    // A non-uniform scale along a turned axis shears.
    o->echelle = Vec3(1, 3, 1);
    o->m_scale_angle = 45;
    o->m_scale_axis = Vec3(0, 0, 1);
    ASSERT_TRUE(s.add_object(o));
    ScratchDir dir;
    RecordingReporter rec;
    ASSERT_TRUE(export_scene(s, dir.file("s.glb")));
    nlohmann::json j = glb_json(read_all(dir.file("s.glb")));
    EXPECT_FALSE(j["nodes"][0].contains("scale"));
    EXPECT_FALSE(j["nodes"][0].contains("matrix"));
    // (1, 0, 0) through R(-45) S(1, 3, 1) R(45) is (2, 1, 0).
    const auto& pos = j["accessors"][j["meshes"][0]["primitives"][0]["attributes"]["POSITION"].get<int>()];
    EXPECT_NEAR(pos["max"][0].get<double>(), 2.0, 1e-5);
}

TEST(MeshExport, FailuresLeaveNothingBehind)
{
    ScratchDir dir;
    auto s = open_file(std::string(QV_SOURCE_DIR) + "/samples/house.wrl");
    ASSERT_TRUE(s);
    {
        RecordingReporter rec;
        EXPECT_EQ(export_scene(*s, dir.file("h.fbx")), 0);
        ASSERT_EQ(rec.boxes.size(), 1u);
        EXPECT_NE(rec.boxes[0].text.find("glb, gltf, obj, stl, ply"), std::string::npos);
        EXPECT_FALSE(exists(dir.file("h.fbx")));
    }
    {
        RecordingReporter rec;
        EXPECT_EQ(export_scene(*s, dir.file("missing/h.glb")), 0);
        EXPECT_EQ(rec.boxes.size(), 1u);
    }
    // The document itself cannot be written: the buffer and pictures
    // already written beside it are taken back.
    for (const char* name : {"h.gltf", "h.obj"}) {
        RecordingReporter rec;
        safe_write_faults::fail(safe_write_faults::Step::Rename, 3, ENOSPC);
        EXPECT_EQ(export_scene(*s, dir.file(name)), 0) << name;
        safe_write_faults::reset();
        EXPECT_EQ(rec.boxes.size(), 1u) << name;
        EXPECT_FALSE(exists(dir.file(name))) << name;
        for (const char* side : {"h.bin", "h_0.png", "h.mtl"}) EXPECT_FALSE(exists(dir.file(side))) << side;
    }
}

// Small files of each format, read back whole; with QV_FUZZ_SEED_DIR set
// they are also left there (behind the byte that names their kind) as the
// seeds of the import fuzz target.
TEST(MeshFuzzSeeds, SmallFileOfEachFormatReadsBack)
{
    ScratchDir dir;
    RecordingReporter rec;
    write_all(dir.file("p.wrl"), k_vrml2);
    auto s = open_file(dir.file("p.wrl"));
    ASSERT_TRUE(s);
    struct Seed {
        std::string name;
        int kind;
        long long triangles;
    };
    std::vector<Seed> seeds = {{"p.glb", 0, 3}, {"p.obj", 2, 3}, {"p.stl", 3, 3}, {"p.ply", 4, 3}};
    for (const Seed& seed : seeds) ASSERT_TRUE(export_scene(*s, dir.file(seed.name))) << seed.name;
    write_all(dir.file("t.stl"), k_stl_text);
    write_all(dir.file("c.ply"), k_ply_text);
    write_all(dir.file("q.off"), "OFF\n4 1 0\n0 0 0\n1 0 0\n1 1 0\n0 1 0\n4 0 1 2 3\n");
    write_all(dir.file("e.gltf"),
              R"({"asset":{"version":"2.0"},"scenes":[{"nodes":[0]}],"nodes":[{"mesh":0}],)"
              R"("meshes":[{"primitives":[{"attributes":{"POSITION":0}}]}],)"
              R"("accessors":[{"bufferView":0,"componentType":5126,"count":3,"type":"VEC3","min":[0,0,0],"max":[1,1,0]}],)"
              R"("bufferViews":[{"buffer":0,"byteLength":36}],)"
              R"("buffers":[{"byteLength":36,"uri":"data:application/octet-stream;base64,AAAAAAAAAAAAAAAAAACAPwAAAAAAAAAAAAAAAAAAgD8AAAAA"}]})");
    // COLLADA and 3DS, which the program does not write: the asset
    // library's own writers make them from the OBJ.
    {
        Assimp::Importer importer;
        const aiScene* obj = importer.ReadFile(dir.file("p.obj"), 0);
        ASSERT_NE(obj, nullptr) << importer.GetErrorString();
        Assimp::Exporter exporter;
        ASSERT_EQ(exporter.Export(obj, "collada", dir.file("p.dae")), AI_SUCCESS) << exporter.GetErrorString();
        ASSERT_EQ(exporter.Export(obj, "3ds", dir.file("p.3ds")), AI_SUCCESS) << exporter.GetErrorString();
    }
    seeds.push_back({"p.dae", 6, 3});
    seeds.push_back({"p.3ds", 5, 3});
    write_all(dir.file("cloud.ply"), k_ply_points);
    seeds.push_back({"cloud.ply", 4, 0});
    seeds.push_back({"t.stl", 3, 2});
    seeds.push_back({"c.ply", 4, 2});
    seeds.push_back({"q.off", 7, 2});
    seeds.push_back({"e.gltf", 1, 1});
    const char* out = std::getenv("QV_FUZZ_SEED_DIR");
    for (const Seed& seed : seeds) {
        auto back = open_file(dir.file(seed.name));
        ASSERT_TRUE(back) << seed.name;
        EXPECT_EQ(scene_triangles(*back), seed.triangles) << seed.name;
        if (out && *out) write_all(std::string(out) + "/seed-" + seed.name, std::string(1, (char)seed.kind) + read_all(dir.file(seed.name)));
    }
    EXPECT_TRUE(rec.boxes.empty()) << rec.boxes[0].text;
}
