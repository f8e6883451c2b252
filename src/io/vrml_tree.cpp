// Builds the node tree of a VRML file over the loader's tokenizer.
#include "io/vrml_tree.h"

#include <algorithm>
#include <cstring>

#include "io/scene_loader.h"
#include "base/cformat.h"

namespace vrml {

const VField* VNode::field(const char* n) const
{
    for (const VField& f : fields)
        if (f.name == n) return &f;
    return nullptr;
}

const float* VNode::nums(const char* n, size_t count) const
{
    const VField* f = field(n);
    return f && f->nums.size() >= count ? f->nums.data() : nullptr;
}

float VNode::num(const char* n, float dflt) const
{
    const float* v = nums(n, 1);
    return v ? v[0] : dflt;
}

bool VNode::flag(const char* n, bool dflt) const
{
    const VField* f = field(n);
    if (!f || f->words.empty()) return dflt;
    if (f->words[0] == "TRUE") return true;
    if (f->words[0] == "FALSE") return false;
    return dflt;
}

std::string VNode::word(const char* n) const
{
    const VField* f = field(n);
    return f && !f->words.empty() ? f->words[0] : std::string();
}

VNode* VNode::node(const char* n) const
{
    const VField* f = field(n);
    return f && !f->nodes.empty() ? f->nodes[0] : nullptr;
}

namespace {

constexpr int k_max_depth = 200;        // nesting of nodes and lists
constexpr int k_max_proto_depth = 8;    // PROTO instances inside PROTO bodies

struct ProtoDecl {
    std::vector<VField> defaults;   // interface fields with their default values
    int32_t body_start = 0;         // just after the body's "{"
    int32_t body_len = 0;           // bytes of the body, read again for each instance
    bool external = false;
    bool expanding = false;         // an instance of it is being read now
};

class Parser {
public:
    Parser(Scene& L, VTree& t, bool skip)
        : L(L), tree(t), skip_numbers(skip), expansion_budget(((int64_t)16 << 20) + 4 * (int64_t)L.m_len)
    {
    }

    void run()
    {
        L.m_comments = 1;
        L.m_pos = header_end();
        for (;;) {
            if (!next()) break;
            if (is("}") || is("]")) continue;   // stray closers
            VNode* n = statement(0);
            if (n) tree.roots.push_back(n);
        }
        L.m_comments = 0;
    }

private:
    Scene& L;
    VTree& tree;
    bool skip_numbers;
    std::map<std::string, ProtoDecl> protos;
    // Fields of the PROTO instance being expanded, for IS.
    const std::vector<VField>* is_fields = nullptr;
    int proto_depth = 0;
    // Bytes of PROTO bodies still allowed to be read again: instances that
    // multiply inside one another would otherwise cost time without end.
    int64_t expansion_budget;
    int32_t line_pos = 0;
    int line_no = 1;
    std::vector<int32_t> line_ends;

    int32_t header_end() const
    {
        const void* nl = std::memchr(L.m_buf, '\n', (size_t)L.m_len);
        return nl ? (int32_t)((const char*)nl - L.m_buf) + 1 : L.m_len;
    }

    // Line of a buffer position; positions are asked in increasing order
    // except after a PROTO body is read again, which restarts the count.
    int line_at(int32_t pos)
    {
        if (pos < line_pos) {
            // Back in a PROTO body: binary search over the line ends.
            if (line_ends.empty()) {
                for (int32_t i = 0; i < L.m_len; ++i)
                    if (L.m_buf[i] == '\n') line_ends.push_back(i);
                line_ends.push_back(L.m_len);
            }
            return (int)(std::lower_bound(line_ends.begin(), line_ends.end(), pos) - line_ends.begin()) + 1;
        }
        line_no += (int)count_line_feeds(L.m_buf + line_pos, L.m_buf + pos);
        line_pos = pos;
        return line_no;
    }
    int line() { return line_at(L.m_tok_start); }

    bool next()
    {
        quoted = false;
        next_token(L);
        if (!L.m_word[0]) return false;
        if (L.m_word[0] == '"') read_string();
        return true;
    }
    bool is(const char* w) const { return std::strcmp(L.m_word, w) == 0; }

    // A quoted string, read again from its first quotation mark so that
    // blanks, brackets and '#' inside it belong to it; backslash escapes.
    void read_string()
    {
        std::string s;
        int32_t p = L.m_tok_start + 1;
        while (p < L.m_len && L.m_buf[p] != '"') {
            if (L.m_buf[p] == '\\' && p + 1 < L.m_len) ++p;
            s += L.m_buf[p++];
        }
        L.m_pos = p < L.m_len ? p + 1 : L.m_len;
        str = std::move(s);
        L.m_word[0] = '"';
        L.m_word[1] = 0;
        quoted = true;
    }
    std::string str;
    bool quoted = false;

    // The next character that is not a separator or a comment, 0 at the end.
    char peek()
    {
        int32_t p = L.m_pos;
        while (p < L.m_len) {
            char c = L.m_buf[p];
            if (c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == ',') {
                ++p;
                continue;
            }
            if (c == '#') {
                const void* nl = std::memchr(L.m_buf + p, '\n', (size_t)(L.m_len - p));
                p = nl ? (int32_t)((const char*)nl - L.m_buf) + 1 : L.m_len;
                continue;
            }
            return c;
        }
        return 0;
    }

    static bool number_start(char c) { return (c >= '0' && c <= '9') || c == '-' || c == '+' || c == '.'; }

    // A word of a field value: a number, TRUE / FALSE, or an enum word
    // (capitals, digits, '_', '|', '(' and ')').
    bool value_word() const
    {
        const char* w = L.m_word;
        if (number_start(w[0])) return true;
        for (const char* k : {"DEF", "USE", "ROUTE", "PROTO", "EXTERNPROTO", "IS", "TO"})
            if (std::strcmp(w, k) == 0) return false;
        bool upper = false;
        for (const char* p = w; *p; ++p) {
            char c = *p;
            if (c >= 'A' && c <= 'Z') upper = true;
            else if (!((c >= '0' && c <= '9') || c == '_' || c == '|' || c == '(' || c == ')')) return false;
        }
        return upper || w[0] == '(' || w[0] == '|';
    }

    VNode* make(const std::string& type, int at)
    {
        tree.pool.push_back(std::make_unique<VNode>());
        VNode* n = tree.pool.back().get();
        n->type = type;
        n->line = at;
        return n;
    }

    // Passes over tokens until the bracket that closes one already open.
    void skip_block(const char* open, const char* close)
    {
        int d = 1;
        while (d > 0 && next()) {
            if (is(open)) ++d;
            else if (is(close)) --d;
        }
        if (d > 0) tree.truncated = true;
    }

    // The current token starts a statement: a node, DEF, USE, PROTO,
    // EXTERNPROTO or ROUTE. Returns the node, or null.
    VNode* statement(int depth)
    {
        if (is("PROTO") || is("EXTERNPROTO")) {
            proto(is("EXTERNPROTO"));
            return nullptr;
        }
        if (is("ROUTE")) {
            route();
            return nullptr;
        }
        return node(depth);
    }

    void route()
    {
        // ROUTE a.b TO c.d
        int at = line();
        if (!next()) return;
        std::string from = L.m_word;
        if (!next()) return;
        if (!is("TO")) return;
        if (!next()) return;
        std::string to = L.m_word;
        size_t d1 = from.find('.'), d2 = to.find('.');
        if (d1 == std::string::npos || d2 == std::string::npos) return;
        VRoute r{from.substr(0, d1), from.substr(d1 + 1), to.substr(0, d2), to.substr(d2 + 1), at};
        auto a = tree.defs.find(r.from_node), b = tree.defs.find(r.to_node);
        if (a != tree.defs.end()) r.from = a->second;
        if (b != tree.defs.end()) r.to = b->second;
        tree.routes.push_back(std::move(r));
    }

    void proto(bool external)
    {
        ++tree.protos;
        if (!next()) return;
        std::string name = L.m_word;
        ProtoDecl decl;
        decl.external = external;
        if (!next() || !is("[")) return;
        // Interface: kind, type, name and, for fields, a default value.
        for (;;) {
            if (!next()) {
                tree.truncated = true;
                return;
            }
            if (is("]")) break;
            bool has_value = !external && (is("field") || is("exposedField"));
            if (!next()) return;   // field type
            if (!next()) return;   // field name
            VField f;
            f.name = L.m_word;
            if (has_value) value(f, 0);
            decl.defaults.push_back(std::move(f));
        }
        if (external) {
            // The URL: one string or a list of strings.
            if (peek() == '[') {
                next();
                skip_block("[", "]");
            } else {
                next();
            }
        } else {
            if (!next() || !is("{")) return;
            decl.body_start = L.m_pos;
            skip_block("{", "}");
            decl.body_len = L.m_pos - decl.body_start;
        }
        protos[name] = std::move(decl);
    }

    // The current token begins a node (or DEF / USE / NULL).
    VNode* node(int depth)
    {
        if (is("NULL")) return nullptr;
        if (is("USE")) {
            if (!next()) return nullptr;
            auto it = tree.defs.find(L.m_word);
            if (it == tree.defs.end()) return nullptr;
            ++tree.resolved_uses;
            return it->second;
        }
        std::string def;
        if (is("DEF")) {
            if (!next()) return nullptr;
            def = L.m_word;
            if (!next()) return nullptr;
        }
        std::string type = L.m_word;
        int at = line();
        if (peek() != '{') return nullptr;   // not a node: a stray word
        next();
        VNode* n;
        auto p = protos.find(type);
        // A PROTO met again inside its own body is not expanded (its body
        // would contain itself for ever).
        if (p != protos.end() && !p->second.external && !p->second.expanding) {
            n = instance(type, p->second, at, depth);
        } else {
            n = make(type, at);
            if (p != protos.end()) tree.proto_instances.emplace_back(type, at);
            body(n, depth + 1);
        }
        if (n && !def.empty()) {
            n->def = def;
            tree.defs[def] = n;   // after the body: a node never contains itself
        }
        return n;
    }

    // Fields and child nodes until the closing brace.
    void body(VNode* n, int depth)
    {
        if (depth > k_max_depth) {
            skip_block("{", "}");
            return;
        }
        for (;;) {
            if (!next()) {
                tree.truncated = true;
                return;
            }
            if (is("}")) return;
            if (is("]") || is("{")) {
                if (is("{")) skip_block("{", "}");
                continue;
            }
            if (is("DEF") || is("USE") || is("PROTO") || is("EXTERNPROTO") || is("ROUTE")) {
                VNode* c = statement(depth);
                if (c) n->children.push_back(c);
                continue;
            }
            if (peek() == '{') {   // a child node (VRML 1.0 grouping)
                VNode* c = node(depth);
                if (c) n->children.push_back(c);
                continue;
            }
            VField f;
            f.name = L.m_word;
            f.line = line();
            value(f, depth);
            n->fields.push_back(std::move(f));
        }
    }

    bool index_field(const VField& f) const
    {
        const std::string& s = f.name;
        return s.size() >= 5 && s.compare(s.size() - 5, 5, "Index") == 0;
    }

    // A number list after "[": stored in one pass over the buffer.
    void number_list(VField& f)
    {
        if (skip_numbers) {
            const void* e = std::memchr(L.m_buf + L.m_pos, ']', (size_t)(L.m_len - L.m_pos));
            const int32_t start = L.m_pos;
            L.m_pos = e ? (int32_t)((const char*)e - L.m_buf) + 1 : L.m_len;
            // Once each, in file order (a PROTO body is read again for every instance).
            if (tree.number_lists.empty() || start > tree.number_lists.back().start)
                tree.number_lists.push_back({start, L.m_pos, index_field(f)});
            L.m_word[0] = ']';
            L.m_word[1] = 0;
            if (!e) tree.truncated = true;
            L.release_read_pages();
            return;
        }
        int n = 0;
        int r;
        if (index_field(f)) {
            r = read_int_list(L, nullptr, reader_temp().indices, n, f.name.c_str());
            const int32_t* tmp = reader_temp().indices.as<int32_t>();
            if (r >= 0) f.ints.insert(f.ints.end(), tmp, tmp + n);
        } else {
            r = read_float_list(L, nullptr, reader_temp().vertices, n, f.name.c_str());
            const float* tmp = reader_temp().vertices.as<float>();
            if (r >= 0) f.nums.insert(f.nums.end(), tmp, tmp + n);
        }
        if (r == 0) tree.truncated = true;
    }

    void scalar(VField& f)
    {
        if (quoted) {
            f.words.push_back(str);
            quoted = false;
            return;
        }
        // Pixels are 32-bit numbers, often hexadecimal: kept as written.
        if (f.name == "image") {
            f.words.emplace_back(L.m_word);
            return;
        }
        if (number_start(L.m_word[0])) {
            if (index_field(f)) f.ints.push_back(qv_atoi(L.m_word));
            else f.nums.push_back((float)qv_atof(L.m_word));
        } else {
            f.words.emplace_back(L.m_word);
        }
    }

    // The value of a field, after its name.
    void value(VField& f, int depth)
    {
        char c = peek();
        if (c == 0) return;
        if (c == '[') {
            next();
            if (depth > k_max_depth) {
                skip_block("[", "]");
                return;
            }
            for (;;) {
                char pc = peek();
                if (pc == 0) {
                    tree.truncated = true;
                    return;
                }
                if (number_start(pc)) {
                    number_list(f);
                    if (L.m_abort) return;
                    return;   // the list reader stopped at "]" (or the end)
                }
                next();
                if (is("]")) return;
                if (is("[")) continue;
                if (is("{")) {
                    skip_block("{", "}");
                    continue;
                }
                if (!quoted && (is("DEF") || is("USE") || is("NULL") || peek() == '{')) {
                    if (is("NULL")) continue;
                    VNode* n = statement(depth + 1);
                    if (n) f.nodes.push_back(n);
                    continue;
                }
                scalar(f);   // numbers, strings and words of a list
            }
        }
        if (c == '{' || c == '}') return;   // no value
        next();
        if (is("IS")) {
            if (!next()) return;
            if (is_fields)
                for (const VField& v : *is_fields)
                    if (v.name == L.m_word) {
                        std::string keep = f.name;
                        int at = f.line;
                        f = v;
                        f.name = keep;
                        f.line = at;
                        return;
                    }
            f.nodes.push_back(nullptr);   // unresolved: no value
            return;
        }
        if (is("DEF") || is("USE") || is("NULL") || (!quoted && !value_word() && peek() == '{')) {
            if (is("NULL")) {
                f.nodes.push_back(nullptr);
                return;
            }
            VNode* n = statement(depth + 1);
            if (n) f.nodes.push_back(n);
            return;
        }
        if (!quoted && !value_word()) {
            // Not a value: the next field's name. Read it again.
            L.m_pos = L.m_tok_start;
            return;
        }
        // Scalars: every value word that follows.
        scalar(f);
        for (;;) {
            char pc = peek();
            if (pc == 0 || pc == '{' || pc == '}' || pc == '[' || pc == ']') return;
            int32_t save = L.m_pos;
            next();
            if (quoted || (value_word() && peek() != '{')) {
                scalar(f);
                continue;
            }
            L.m_pos = save;
            return;
        }
    }

    // A PROTO instance: its fields, then the first node of the PROTO body
    // read again with IS taking the instance's values (or the defaults).
    VNode* instance(const std::string& type, ProtoDecl& decl, int at, int depth)
    {
        VNode holder;
        holder.type = type;
        body(&holder, depth + 1);
        if (proto_depth >= k_max_proto_depth || expansion_budget < decl.body_len) {
            tree.proto_instances.emplace_back(type, at);
            return nullptr;
        }
        expansion_budget -= decl.body_len;
        std::vector<VField> values = decl.defaults;
        for (VField& v : values)
            for (const VField& given : holder.fields)
                if (given.name == v.name) v = given;
        int32_t resume = L.m_pos;
        const std::vector<VField>* outer = is_fields;
        is_fields = &values;
        ++proto_depth;
        decl.expanding = true;
        L.m_pos = decl.body_start;
        VNode* first = nullptr;
        auto saved_defs = tree.defs;
        for (;;) {
            if (!next() || is("}")) break;
            VNode* n = statement(depth + 1);
            if (!first && n) first = n;
        }
        tree.defs = std::move(saved_defs);
        decl.expanding = false;
        --proto_depth;
        is_fields = outer;
        L.m_pos = resume;
        if (!first) tree.proto_instances.emplace_back(type, at);
        return first;
    }
};

} // namespace

void parse_tree(Scene& L, VTree& tree, bool skip_numbers)
{
    Parser p(L, tree, skip_numbers);
    p.run();
}

} // namespace vrml
