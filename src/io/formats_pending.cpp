// Readers not written yet: each refuses the file with a clear message.
// (Each moves to its own file when it is written.)
#include "io/lod.h"
#include "io/readers.h"
#include "scene/report.h"

namespace {
int pending(const char* what)
{
    MessageBoxF("%s files cannot be read yet", what);
    return 0;
}
} // namespace

int read_lod_script(Scene&, LODSET&) { return pending("Level-of-detail"); }
