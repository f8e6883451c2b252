// Peer measurement, not part of the program: the triangles Coin3D makes of a
// VRML file, the reference column of bench/corpus-reference-triangles.tsv.
//
//   coin_triangles FILE
//
// Prints "TOTAL<TAB>TEXT" (TEXT: the triangles of Text / AsciiText glyphs),
// or "ERR" when the reader refuses the file or a file it inlines. Per node type counts go to
// stderr. VRML 1.0 WWWInline names are fetched here (relative to the file
// that names them), as the library leaves fetching to its application;
// VRML 2.0 Inline is read by the library itself.
//
// The figures of the table were made with fontconfig restricted to
// fonts-dejavu-core (FONTCONFIG_FILE naming a configuration with only
// /usr/share/fonts/truetype/dejavu), as on a fresh machine set up by
// scripts/install-deps.sh.
//
// Built only where Coin3D (Debian libcoin-dev) is installed.
#include <Inventor/SoDB.h>
#include <Inventor/SoInput.h>
#include <Inventor/SoPrimitiveVertex.h>
#include <Inventor/actions/SoCallbackAction.h>
#include <Inventor/actions/SoSearchAction.h>
#include <Inventor/nodes/SoSeparator.h>
#include <Inventor/nodes/SoShape.h>
#include <Inventor/nodes/SoWWWInline.h>

#include <cstdio>
#include <map>
#include <string>
#include <vector>

namespace {
long g_total = 0;
std::map<std::string, long> g_per_type;
int g_depth = 0;
bool g_inline_refused = false;   // an inlined file was there but refused

void on_triangle(void*, SoCallbackAction* a, const SoPrimitiveVertex*, const SoPrimitiveVertex*,
                 const SoPrimitiveVertex*)
{
    ++g_total;
    ++g_per_type[a->getCurPathTail()->getTypeId().getName().getString()];
}

std::string folder_of(const std::string& path)
{
    size_t k = path.rfind('/');
    return k == std::string::npos ? "." : path.substr(0, k);
}

SoSeparator* read_file(const std::string& path);

// Reads the file every WWWInline of `root` names, relative to `folder`.
void fetch_inlines(SoNode* root, const std::string& folder)
{
    SoSearchAction sa;
    sa.setType(SoWWWInline::getClassTypeId());
    sa.setInterest(SoSearchAction::ALL);
    sa.setSearchingAll(TRUE);
    sa.apply(root);
    std::vector<SoWWWInline*> found;
    for (int i = 0; i < sa.getPaths().getLength(); ++i) {
        auto* n = static_cast<SoWWWInline*>(sa.getPaths()[i]->getTail());
        n->ref();
        found.push_back(n);
    }
    sa.reset();
    for (SoWWWInline* n : found) {
        std::string name = n->name.getValue().getString();
        if (!n->getChildData() && !name.empty() && g_depth < 16) {
            ++g_depth;
            SoSeparator* child = read_file(name[0] == '/' ? name : folder + "/" + name);
            --g_depth;
            if (child) n->setChildData(child);
        }
        n->unref();
    }
}

SoSeparator* read_file(const std::string& path)
{
    SoInput in;
    if (!in.openFile(path.c_str())) return nullptr;
    SoSeparator* s = SoDB::readAll(&in);
    if (!s) {
        if (g_depth > 0) g_inline_refused = true;
        return nullptr;
    }
    s->ref();
    fetch_inlines(s, folder_of(path));
    s->unrefNoDelete();
    return s;
}
} // namespace

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: coin_triangles FILE\n");
        return 2;
    }
    SoDB::init();
    SoSeparator* s = read_file(argv[1]);
    // A file that inlines one the reader refuses has no reference count.
    if (!s || g_inline_refused) {
        std::printf("ERR\n");
        return 1;
    }
    s->ref();
    SoCallbackAction ca;
    ca.addTriangleCallback(SoShape::getClassTypeId(), on_triangle, nullptr);
    ca.apply(s);
    long text = 0;
    for (const auto& [type, n] : g_per_type) {
        std::fprintf(stderr, "  %s %ld\n", type.c_str(), n);
        if (type == "VRMLText" || type == "AsciiText" || type == "Text2" || type == "Text3") text += n;
    }
    std::printf("%ld\t%ld\n", g_total, text);
    s->unref();
    return 0;
}
