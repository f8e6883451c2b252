// The one table of the scene file formats the program knows: how each is
// recognised (the first bytes of the file, then the name's extension),
// whether our own readers or the mesh library read it, and which ones a
// scene can be exported to. The loader, the file choosers' filters, the
// command line's help and the thumbnailer's list of types all come from it.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

enum class FormatId {
    Vrml,       // VRML 1.0 / 2.0 text
    Binary,     // our binary scene format
    X,          // X text mesh
    Building,   // building outlines
    Grid,       // elevation grid
    Lod,        // level-of-detail script
    Points,     // point-set text
    Gltf,       // glTF 2.0 JSON
    Glb,        // glTF 2.0 binary container
    Obj,        // Wavefront OBJ (with its MTL)
    Stl,        // STL, text or binary
    Ply,        // PLY, text or binary
    Max3ds,     // 3DS
    Collada,    // COLLADA
    Off,        // OFF
};

enum class FormatReader { Ours, Library, None };

struct FileFormat {
    FormatId id;
    const char* name;          // as the file choosers show it
    const char* extensions;    // lower case, ';' separated, with the dot
    const char* mime;          // MIME types for the desktop, ';' separated ("" when none)
    FormatReader reader;
    bool exportable;           // --export / File > Export... write it
};

// Every format, ours first.
const std::vector<FileFormat>& file_formats();
const FileFormat& file_format(FormatId id);

// The format whose signature the first bytes show; null when none does.
// Signatures that only a text of the right shape has (OBJ, an STL without
// its "solid" word) are left to the extension.
const FileFormat* format_by_content(const char* data, size_t len);
// The format of the name's extension (case-insensitive; ".gz" and ".wrz"
// are looked through); null when unknown.
const FileFormat* format_by_extension(const std::string& path);
// Content first, extension second.
const FileFormat* detect_format(const char* data, size_t len, const std::string& path);

// The format an export to `path` writes (by extension); null when the
// extension names none that can be written.
const FileFormat* export_format_for(const std::string& path);

// File chooser filters in the "Text|patterns|...||" form of the view's
// requests. The open filter keeps the program's historic entries first.
std::string open_filter();
std::string export_filter();
// "glb, gltf, obj, stl, ply": the extensions an export accepts.
std::string export_extensions_text();
// One line per readable format for --help: "  NAME  (EXTENSIONS)".
std::string formats_help_text();
// The MIME types of the formats a desktop may hand to the program,
// ';'-separated as desktop entries list them.
std::string desktop_mime_types();
