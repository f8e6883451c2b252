// The node tree of a VRML 1.0 or 2.0 file, for the scene-graph reader:
// nodes with their fields (numbers, words and strings, child nodes), DEF
// names resolved for USE (a USE shares the node it names), PROTO and
// EXTERNPROTO declarations passed over and ROUTEs kept.
#pragma once
#include <cstdint>
#include <map>
#include <memory>
#include <string>
#include <vector>

class Scene;

namespace vrml {

struct VNode;

struct VField {
    std::string name;
    int line = 0;
    std::vector<float> nums;
    std::vector<int32_t> ints;       // lists of fields named ...Index, as integers
    std::vector<std::string> words;  // strings (without their quotation marks), enum words
    std::vector<VNode*> nodes;       // node values (null for NULL)
};

struct VNode {
    std::string type;
    std::string def;    // DEF name, "" when none
    int line = 0;
    std::vector<VField> fields;
    std::vector<VNode*> children;   // nodes written directly in the body (VRML 1.0)

    const VField* field(const char* name) const;
    // The field's numbers, or null when absent or holding fewer than n.
    const float* nums(const char* name, size_t n) const;
    float num(const char* name, float dflt) const;
    bool flag(const char* name, bool dflt) const;
    // First word of the field, "" when absent.
    std::string word(const char* name) const;
    // Node value of the field (first one), or null.
    VNode* node(const char* name) const;
};

struct VRoute {
    std::string from_node, from_field, to_node, to_field;
    int line = 0;
    // The nodes the names stood for where the ROUTE was written (inside a
    // PROTO body, the instance's own nodes); null when not DEF'd before.
    VNode* from = nullptr;
    VNode* to = nullptr;
};

// Where a number list lies: from just after its "[" to its "]" (as a look
// that does not read numbers finds it), and whether it is an index list.
struct NumberListSpan {
    int32_t start = 0, end = 0;
    bool ints = false;
};

struct VTree {
    std::vector<std::unique_ptr<VNode>> pool;
    std::vector<VNode*> roots;
    std::map<std::string, VNode*> defs;   // the last node of each DEF name
    std::vector<VRoute> routes;
    int resolved_uses = 0;                // USEs naming a node DEF'd before
    int protos = 0;                       // PROTO and EXTERNPROTO declarations
    bool truncated = false;               // the file ended inside a node
    // Read without numbers: the number lists, in file order.
    std::vector<NumberListSpan> number_lists;
    // Node types met as PROTO instances, with their first line.
    std::vector<std::pair<std::string, int>> proto_instances;
};

// Parses the loader's whole buffer (after the header line). With
// skip_numbers, number lists are passed over without being stored (enough
// to see how the file is laid out). Uses the loader's tokenizer state.
void parse_tree(Scene& L, VTree& tree, bool skip_numbers);

} // namespace vrml
