#include "io/formats.h"

#include <algorithm>
#include <cctype>
#include <cstdint>
#include <cstring>

namespace {
const std::vector<FileFormat> k_formats = {
    {FormatId::Vrml, "VRML", ".wrl;.wrz", "model/vrml;model/x-vrml-gzip", FormatReader::Ours, false},
    {FormatId::Binary, "WRBinary", ".wrb;.bin", "application/x-quorvel-binary-scene", FormatReader::Ours, false},
    {FormatId::X, "X", ".x", "model/x-directx", FormatReader::Ours, false},
    {FormatId::Building, "IGN buildings", ".ign", "", FormatReader::Ours, false},
    {FormatId::Grid, "IGN grid", ".igz", "", FormatReader::Ours, false},
    {FormatId::Lod, "Level of detail", ".lod", "", FormatReader::Ours, false},
    {FormatId::Points, "Points", "", "", FormatReader::Ours, false},
    {FormatId::Glb, "glTF 2.0 binary", ".glb", "model/gltf-binary", FormatReader::Library, true},
    {FormatId::Gltf, "glTF 2.0", ".gltf", "model/gltf+json", FormatReader::Library, true},
    {FormatId::Obj, "Wavefront OBJ", ".obj", "model/obj", FormatReader::Library, true},
    {FormatId::Stl, "STL", ".stl", "model/stl", FormatReader::Library, true},
    {FormatId::Ply, "PLY", ".ply", "application/x-ply", FormatReader::Library, true},
    {FormatId::Max3ds, "3DS", ".3ds", "image/x-3ds", FormatReader::Library, false},
    {FormatId::Collada, "COLLADA", ".dae", "model/vnd.collada+xml", FormatReader::Library, false},
    {FormatId::Off, "OFF", ".off", "model/x-off", FormatReader::Library, false},
};

bool starts(const char* data, size_t len, const char* s)
{
    size_t n = std::strlen(s);
    return len >= n && std::memcmp(data, s, n) == 0;
}

// Whether `word` occurs in the first `span` bytes.
bool contains(const char* data, size_t len, const char* word, size_t span)
{
    const size_t n = std::strlen(word), end = std::min(len, span);
    if (n > end) return false;
    for (size_t i = 0; i + n <= end; ++i)
        if (std::memcmp(data + i, word, n) == 0) return true;
    return false;
}

uint32_t le32(const char* p)
{
    const auto* u = reinterpret_cast<const unsigned char*>(p);
    return (uint32_t)u[0] | (uint32_t)u[1] << 8 | (uint32_t)u[2] << 16 | (uint32_t)u[3] << 24;
}

std::string lower(std::string s)
{
    for (char& c : s) c = (char)std::tolower((unsigned char)c);
    return s;
}

bool has_ext(const std::string& lower_path, const std::string& ext)
{
    return lower_path.size() > ext.size() && lower_path.compare(lower_path.size() - ext.size(), ext.size(), ext) == 0;
}

std::vector<std::string> split_list(const char* list)
{
    std::vector<std::string> out;
    std::string cur;
    for (const char* p = list; *p; ++p) {
        if (*p == ';') {
            if (!cur.empty()) out.push_back(cur);
            cur.clear();
        } else {
            cur += *p;
        }
    }
    if (!cur.empty()) out.push_back(cur);
    return out;
}

// "*.gltf;*.glb" for one format.
std::string patterns(const FileFormat& f)
{
    std::string out;
    for (const std::string& e : split_list(f.extensions)) out += (out.empty() ? "*" : ";*") + e;
    return out;
}
// Signatures that other files may show by chance (a size that fits, two
// bytes): believed only when the name's extension says nothing.
const FileFormat* weak_content(const char* data, size_t len)
{
    if (!data) return nullptr;
    // A binary STL: 80 bytes of header (which may well begin "solid"), the
    // triangle count and 50 bytes per triangle, exactly.
    if (len >= 84 && (uint64_t)le32(data + 80) * 50u + 84u == (uint64_t)len) return &file_format(FormatId::Stl);
    // The main chunk of a 3DS file, with a length that the file can hold.
    if (len >= 16 && (unsigned char)data[0] == 0x4d && (unsigned char)data[1] == 0x4d) {
        uint32_t chunk = le32(data + 2);
        if (chunk >= 6 && chunk <= len) return &file_format(FormatId::Max3ds);
    }
    return nullptr;
}
} // namespace

const std::vector<FileFormat>& file_formats() { return k_formats; }

const FileFormat& file_format(FormatId id)
{
    for (const FileFormat& f : k_formats)
        if (f.id == id) return f;
    return k_formats.front();
}

const FileFormat* format_by_content(const char* data, size_t len)
{
    if (!data || len == 0) return nullptr;
    auto is = [](FormatId id) { return &file_format(id); };
    if (starts(data, len, "#VRML V")) return is(FormatId::Vrml);
    if (starts(data, len, "xof")) return is(FormatId::X);
    if (starts(data, len, "CODE")) return is(FormatId::Building);
    if (data[0] == ' ') return is(FormatId::Grid);
    if (starts(data, len, "POINTS")) return is(FormatId::Points);
    if (len >= 12 && starts(data, len, "glTF")) return is(FormatId::Glb);
    if (starts(data, len, "ply\n") || starts(data, len, "ply\r")) return is(FormatId::Ply);
    if (starts(data, len, "solid") && contains(data, len, "facet", 4096)) return is(FormatId::Stl);
    if ((starts(data, len, "OFF") || starts(data, len, "COFF") || starts(data, len, "NOFF")) && len > 4) {
        size_t n = data[0] == 'O' ? 3 : 4;
        if (std::isspace((unsigned char)data[n])) return is(FormatId::Off);
    }
    if ((starts(data, len, "<?xml") || starts(data, len, "<COLLADA")) && contains(data, len, "<COLLADA", 2048))
        return is(FormatId::Collada);
    // glTF JSON: an object that names its asset early on.
    size_t i = 0;
    if (len >= 3 && (unsigned char)data[0] == 0xef && (unsigned char)data[1] == 0xbb && (unsigned char)data[2] == 0xbf)
        i = 3;
    while (i < len && std::isspace((unsigned char)data[i])) ++i;
    if (i < len && data[i] == '{' && contains(data + i, len - i, "\"asset\"", 65536)) return is(FormatId::Gltf);
    return nullptr;
}

const FileFormat* format_by_extension(const std::string& path)
{
    std::string name = lower(path);
    if (has_ext(name, ".gz")) name.resize(name.size() - 3);
    for (const FileFormat& f : k_formats)
        for (const std::string& e : split_list(f.extensions))
            if (has_ext(name, e)) return &f;
    return nullptr;
}

const FileFormat* detect_format(const char* data, size_t len, const std::string& path)
{
    if (const FileFormat* f = format_by_content(data, len)) return f;
    if (const FileFormat* f = format_by_extension(path)) return f;
    return weak_content(data, len);
}

const FileFormat* export_format_for(const std::string& path)
{
    const FileFormat* f = format_by_extension(path);
    return f && f->exportable ? f : nullptr;
}

std::string open_filter()
{
    std::string all, entries;
    for (const FileFormat& f : k_formats) {
        if (f.reader != FormatReader::Library) continue;
        std::string p = patterns(f);
        entries += std::string(f.name) + " Files (" + p + ")|" + p + "|";
        all += (all.empty() ? "" : ";") + p;
    }
    return "VRML/MESH Files (*.wrl;*.wrb)|*.wrl;*.wrb|WRBinary Files (*.wrb)|*.wrb|X Files (*.x;*.x)|*.x; *.xls|"
           "3D Models (" + all + ")|" + all + "|" + entries + "All Files (*.*)|*.*||";
}

std::string export_filter()
{
    std::string out;
    for (const FileFormat& f : k_formats)
        if (f.exportable) {
            std::string p = patterns(f);
            out += std::string(f.name) + " (" + p + ")|" + p + "|";
        }
    return out + "|";
}

std::string export_extensions_text()
{
    std::string out;
    for (const FileFormat& f : k_formats)
        if (f.exportable)
            for (const std::string& e : split_list(f.extensions)) out += (out.empty() ? "" : ", ") + e.substr(1);
    return out;
}

std::string formats_help_text()
{
    std::string out;
    for (const FileFormat& f : k_formats) {
        if (f.reader == FormatReader::None) continue;
        std::string exts;
        for (const std::string& e : split_list(f.extensions)) exts += (exts.empty() ? "" : " ") + e;
        if (exts.empty()) exts = "text beginning with POINTS";
        out += std::string("  ") + f.name + " (" + exts + ")" + (f.exportable ? ", also written by --export" : "") + "\n";
    }
    return out;
}

std::string desktop_mime_types()
{
    std::string out;
    for (const FileFormat& f : k_formats)
        if (f.reader != FormatReader::None)
            for (const std::string& t : split_list(f.mime)) out += t + ";";
    return out;
}
