// Level-of-detail set record (filled by read_lod_script).
#pragma once

struct LODSET {
    int nblevels = 0;
};
