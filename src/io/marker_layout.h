// A quick look at the object marker comments of a VRML file ("# Object
// "name"" lines): whether there are any, whether every one stands where
// this program writes them, and how many geometry nodes the text opens.
// One pass over the bytes, without tokens or allocations.
#pragma once

class Scene;

namespace vrml {

struct MarkerScan {
    int markers = 0;        // "# Object "name"" lines
    int misplaced = 0;      // of those, the ones inside a grouping node or a list
    int geometry = 0;       // geometry nodes opened with a brace
};

// Where markers stand in our own files: at the top level of the file, or
// (VRML 1.0) directly in the body of a top-level Separator.
MarkerScan scan_markers(const Scene& L, int version);

// True when the file carries markers and all of them are in those places.
bool markers_in_place(const Scene& L, int version);

} // namespace vrml
