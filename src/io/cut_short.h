// Files that end too early: a download that stopped or a disk that filled
// leaves a scene file that the readers take as a complete, smaller scene.
// The loader keeps what such a file holds and says once that it may be cut
// short, naming what was left open and where.
#pragma once
#include <cstdint>
#include <string>

// How a VRML text ends when it seems cut short: "" when every node, field
// list and string is closed and nothing follows the last node but complete
// statements; else the words used in the message, such as "ends inside
// IndexedFaceSet opened at line 12", "ends inside the list coordIndex opened
// at line 14, in IndexedFaceSet opened at line 12" or "ends after Transform
// at line 30" (a node without its body).
std::string vrml_left_open(const char* buf, int32_t len);

// After a VRML file was read to its end: says so once when it ends inside
// something. A file whose braces balance for the tokenizer and that ends
// with a closing bracket is taken as whole without a second look.
class Scene;
void check_cut_short(const Scene& loader);

// The message of a file cut short: "File PATH HOW: the file may be cut
// short", HOW as vrml_left_open gives it.
void report_cut_short(const std::string& path, const std::string& what);
