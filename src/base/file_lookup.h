// File names written on a platform whose file system ignores letter case and
// separates folders with backslashes.
#pragma once
#include <string>

// The name under which the file can be opened here: the name itself when it
// exists; else the name with backslashes read as '/'; else each path
// component matched without regard to ASCII letter case in its folder (the
// first match in name order when several differ only by case). The name is
// returned unchanged when nothing matches.
std::string resolve_path(const std::string& name);

// A file named inside a document of folder `folder` ("" for the current
// folder): the name, relative to the folder unless absolute, as
// resolve_path finds it; when that fails, the file of the same base name
// (after the last '/' or '\\') in the folder itself, without regard to
// letter case, as documents moved from another machine name their
// pictures ("C:\\Models\\Tex.BMP"). Otherwise the joined name unchanged.
std::string resolve_beside(const std::string& folder, const std::string& name);

#include <cstdio>

// Opens a file for binary reading, like fopen(path, "rb"), but only when it
// is a regular file: a name that leads to a pipe, a device or a folder gives
// null at once instead of blocking or reading without end.
FILE* open_regular_file(const char* path);
