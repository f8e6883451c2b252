// The fixed files that the generators load ("sphere_01.wrl", "mer_quad.jpg",
// ...): the program ships them in its own data folder.
#pragma once
#include <string>

// Where the file `name` is read from: the working folder first (`folder`,
// the folder of the open scene; the current folder when empty), so that a
// copy placed beside the user's scenes wins; then the program's data folder
// (the installed share folder next to the executable, else the source
// tree's data/ folder of the build). Empty when none holds it.
std::string find_data_file(const std::string& name, const std::string& folder = {});

// find_data_file, or the bare name when no folder holds the file (so that
// the reader it is handed to reports it missing).
std::string data_file_or_name(const std::string& name, const std::string& folder = {});

// The program's data folders in the order they are searched after the
// current folder (folders that do not exist are left out).
std::string installed_data_folder();
std::string source_data_folder();
