// Binary scene format (".wrb"): geometry, normals and the first material of
// every object, 32-bit little-endian integers and floats, no header.
//
//   file   := N:int32, N x record
//   record := nbpts nbface nbindex nbnormal nbmaterial (int32 each)
//             [name: 64 bytes, vertices: nbpts x 3 float]      when nbpts > 0
//             [index: nbindex int32]                          when nbindex > 0
//             [normals: nbnormal x 3 float]                   when nbnormal > 0
//             [normal index: nbindex int32]                   when both > 0
//             [ambient, diffuse, specular, emissive: 3 float each,
//              shininess: float]                              when nbmaterial > 0
//
// The reader trusts nothing: every count is checked against the bytes that
// are left in the file before anything is allocated, and every index entry
// against the vertices and normals that exist, so a damaged or foreign file
// is refused as a whole and the scene is left as it was.
#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include <sys/stat.h>

#include "base/file_lookup.h"
#include "io/readers.h"
#include "base/safe_write.h"
#include "io/scene_loader.h"
#include "base/cformat.h"
#include "scene/object3d.h"
#include "base/report.h"
#include "scene/scene3d.h"

namespace {

constexpr int kNameBytes = 64;
constexpr int kCountsBytes = 20;
constexpr int kMaterialBytes = 4 * 12 + 4;

// Byte order: the file is little-endian; big-endian hosts swap in place.
inline uint32_t swap32(uint32_t v)
{
    return (v >> 24) | ((v >> 8) & 0xff00u) | ((v << 8) & 0xff0000u) | (v << 24);
}

void to_host(void* data, size_t words)
{
    if constexpr (std::endian::native == std::endian::big) {
        auto* p = static_cast<uint32_t*>(data);
        for (size_t i = 0; i < words; ++i) p[i] = swap32(p[i]);
    } else {
        (void)data;
        (void)words;
    }
}

// Writes `words` 32-bit words in file order.
bool put_words(FILE* f, const void* data, size_t words)
{
    if (words == 0) return true;
    if constexpr (std::endian::native == std::endian::big) {
        const auto* p = static_cast<const uint32_t*>(data);
        uint32_t buf[1024];
        while (words > 0) {
            size_t n = std::min<size_t>(words, 1024);
            for (size_t i = 0; i < n; ++i) buf[i] = swap32(p[i]);
            if (std::fwrite(buf, 4, n, f) != n) return false;
            p += n;
            words -= n;
        }
        return true;
    } else {
        return std::fwrite(data, 4, words, f) == words;
    }
}

bool put_int(FILE* f, int32_t v) { return put_words(f, &v, 1); }

bool put_vec(FILE* f, const Vec3* v)
{
    Vec3 zero;
    return put_words(f, v ? v : &zero, 3);
}

// Bytes from the current position to the end of the file, or -1.
long long bytes_left(FILE* f)
{
    long here = std::ftell(f);
    if (here < 0 || std::fseek(f, 0, SEEK_END) != 0) return -1;
    long end = std::ftell(f);
    if (end < 0 || std::fseek(f, here, SEEK_SET) != 0) return -1;
    return (long long)end - here;
}

// Where records are read from.
class ByteSource {
public:
    virtual ~ByteSource() = default;
    // Bytes left to read, or -1 when unknown.
    virtual long long left() = 0;
    virtual bool get(void* data, size_t bytes) = 0;
};

class FileSource : public ByteSource {
public:
    explicit FileSource(FILE* f) : m_f(f) {}
    long long left() override { return bytes_left(m_f); }
    bool get(void* data, size_t bytes) override { return std::fread(data, 1, bytes, m_f) == bytes; }

private:
    FILE* m_f;
};

// A file already held in memory (inflated from a compressed file).
class MemSource : public ByteSource {
public:
    MemSource(const char* data, size_t len) : m_p(data), m_end(data + len) {}
    long long left() override { return (long long)(m_end - m_p); }
    bool get(void* data, size_t bytes) override
    {
        if (bytes > (size_t)(m_end - m_p)) return false;
        if (bytes) std::memcpy(data, m_p, bytes);
        m_p += bytes;
        return true;
    }

private:
    const char* m_p;
    const char* m_end;
};

bool get_words(ByteSource& src, void* data, size_t words)
{
    if (words == 0) return true;
    if (!src.get(data, words * 4)) return false;
    to_host(data, words);
    return true;
}

// Number of -1 entries of an index list.
int count_terminators(const int32_t* idx, int n)
{
    int faces = 0;
    for (int i = 0; i < n; ++i)
        if (idx[i] == -1) ++faces;
    return faces;
}

// True when the reader takes the face index back as it is: every entry -1
// or a vertex number below nbpts, and -1 at the end.
bool index_readable(const int32_t* idx, int n, int nbpts)
{
    for (int i = 0; i < n; ++i)
        if (idx[i] != -1 && (idx[i] < 0 || idx[i] >= nbpts)) return false;
    return n == 0 || idx[n - 1] == -1;
}

// True when the normal index can be written beside the face index: one
// existing normal at every corner and -1 at every terminator.
bool normal_index_usable(const int32_t* index, const int32_t* normalindex, int nbindex, int nbnormal)
{
    if (!normalindex) return false;
    for (int k = 0; k < nbindex; ++k) {
        int32_t n = normalindex[k];
        if (index[k] == -1) {
            if (n != -1) return false;
        } else if (n < 0 || n >= nbnormal) {
            return false;
        }
    }
    return true;
}

// The object's box as compute_bounds gives it (a component moves only for
// a strictly greater or smaller coordinate), in a loop without branches.
void bounds_of(OBJECT3D& o)
{
    if (!o.m_vertices) return;
    Vec3 mx = o.m_o_max_xyz, mn = o.m_o_min_xyz;
    for (int i = 0; i < o.nbpts; ++i) {
        const Vec3& v = o.m_vertices[i];
        mx.x = v.x > mx.x ? v.x : mx.x;
        mx.y = v.y > mx.y ? v.y : mx.y;
        mx.z = v.z > mx.z ? v.z : mx.z;
        mn.x = v.x < mn.x ? v.x : mn.x;
        mn.y = v.y < mn.y ? v.y : mn.y;
        mn.z = v.z < mn.z ? v.z : mn.z;
    }
    o.m_o_max_xyz = mx;
    o.m_o_min_xyz = mn;
}

} // namespace

int OBJECT3D::write_binary(FILE* f) const
{
    // The counts written are those of the blocks that follow, so that the
    // reader always finds what the counts announce.
    const int32_t pts = (m_vertices && nbpts > 0) ? nbpts : 0;
    const int32_t* index = m_index;
    const int32_t* nindex = normalindex;
    int32_t idx = (m_index && nbindex > 0) ? nbindex : 0;
    // An index the reader would refuse (a corner naming no vertex, no final
    // -1) is written without the corners that are never drawn and without
    // the faces left empty, closed by -1; the normal index follows it corner
    // for corner.
    std::vector<int32_t> kept, kept_normals;
    if (idx > 0 && !index_readable(m_index, idx, pts)) {
        kept.reserve((size_t)idx + 1);
        if (normalindex) kept_normals.reserve((size_t)idx + 1);
        for (int k = 0; k < idx; ++k) {
            const int32_t v = m_index[k];
            if (v != -1 && (v < 0 || v >= pts)) continue;
            if (v == -1 && (kept.empty() || kept.back() == -1)) continue;   // a face with no corner left
            kept.push_back(v);
            if (normalindex) kept_normals.push_back(normalindex[k]);
        }
        if (!kept.empty() && kept.back() != -1) {
            kept.push_back(-1);
            if (normalindex) kept_normals.push_back(-1);
        }
        idx = (int32_t)kept.size();
        index = kept.data();
        nindex = normalindex ? kept_normals.data() : nullptr;
    }
    const int32_t faces = idx > 0 ? count_terminators(index, idx) : 0;
    int32_t nrm = (m_normals && nbnormal > 0) ? nbnormal : 0;
    // Normals that no usable normal index goes with (a VRML 1.0 Normal node
    // without normalIndex) are left out: they would be read back with an
    // index they do not have. Compiling builds face normals again.
    if (nrm > 0 && idx > 0 && !normal_index_usable(index, nindex, idx, nrm)) nrm = 0;
    const int32_t mat = nbmaterial > 0 ? nbmaterial : 0;

    const int32_t counts[5] = {pts, faces, idx, nrm, mat};
    if (!put_words(f, counts, 5)) return 0;
    if (pts > 0) {
        char name[kNameBytes] = {};
        std::memcpy(name, m_name.c_str(), std::min<size_t>(std::strlen(m_name.c_str()), kNameBytes - 1));
        if (std::fwrite(name, 1, kNameBytes, f) != (size_t)kNameBytes) return 0;
        if (!put_words(f, m_vertices, (size_t)pts * 3)) return 0;
    }
    if (idx > 0 && !put_words(f, index, (size_t)idx)) return 0;
    if (nrm > 0 && !put_words(f, m_normals, (size_t)nrm * 3)) return 0;
    if (idx > 0 && nrm > 0 && !put_words(f, nindex, (size_t)idx)) return 0;
    if (mat > 0) {
        const float* shin = shininess(0);
        float s = shin ? *shin : 0.f;
        const Vec3* dif = diffuse(0);
        const Vec3* emi = emissive(0);
        // Lines and points keep the colour they are drawn in, which the
        // reader gives them again from the diffuse colour.
        Vec3 drawn, none;
        if (m_wireframe) {
            drawn = line_colour(m_materialindex && nbface > 0 ? m_materialindex[0] : 0);
            dif = &drawn;
            emi = &none;
        }
        if (!put_vec(f, ambient(0)) || !put_vec(f, dif) || !put_vec(f, specular(0)) || !put_vec(f, emi) ||
            !put_words(f, &s, 1))
            return 0;
    }
    return 1;
}

namespace {
// A record whose every face is a segment (corners a, b, b) or a point
// (a, a, a) is a line or point set as it was saved: drawn as such in its
// material's colour. Filled, such faces would show nothing.
void mark_lines(OBJECT3D& o, bool coloured)
{
    const int32_t* idx = o.m_index;
    const int n = o.nbindex;
    if (!idx || n % 4) return;
    bool all_points = true;
    for (int k = 0; k < n; k += 4) {
        if (idx[k + 3] != -1 || idx[k] < 0 || idx[k + 1] != idx[k + 2]) return;
        all_points = all_points && idx[k] == idx[k + 1];
    }
    o.m_wireframe = all_points ? 2 : 1;
    o.m_lighting = 0;
    o.m_line_colours = coloured;
}

int read_record(OBJECT3D& o, ByteSource& src, std::string* why)
{
    o.clear();
    auto fail = [&](std::string text) {
        o.clear();
        if (why) *why = std::move(text);
        return 0;
    };

    long long left = src.left();
    if (left < kCountsBytes) return fail("the file ends inside the counts of an object");
    int32_t c[5];
    if (!get_words(src, c, 5)) return fail("the counts of an object cannot be read");
    left -= kCountsBytes;
    const int32_t pts = c[0], faces = c[1], idx = c[2], nrm = c[3], mat = c[4];
    if (pts < 0) return fail(qv_format("negative vertex count %d", pts));
    if (faces < 0) return fail(qv_format("negative face count %d", faces));
    if (idx < 0) return fail(qv_format("negative index count %d", idx));
    if (nrm < 0) return fail(qv_format("negative normal count %d", nrm));
    if (mat < 0) return fail(qv_format("negative material count %d", mat));
    // Only the first material is stored, so the count costs no bytes; no
    // reader makes more materials than its colour list holds, and the dump
    // writes a line per material, so a larger count is damage.
    if (mat > QV_TMP_VERTICES)
        return fail(qv_format("material count %d is more than the %d an object holds", mat, QV_TMP_VERTICES));

    // Everything the counts announce must be in the file before anything
    // is allocated.
    long long need = 0;
    if (pts > 0) need += kNameBytes + 12LL * pts;
    need += 4LL * idx;
    need += 12LL * nrm;
    if (idx > 0 && nrm > 0) need += 4LL * idx;
    if (mat > 0) need += kMaterialBytes;
    if (need > left)
        return fail(qv_format("counts (%d vertices, %d index entries, %d normals) need %lld bytes "
                              "but only %lld are left",
                              pts, idx, nrm, need, left));

    if (pts > 0) {
        char name[kNameBytes];
        if (!src.get(name, kNameBytes)) return fail("the name cannot be read");
        if (!std::memchr(name, 0, kNameBytes)) return fail("the object name is not terminated");
        o.m_name = name;
        o.m_vertices = new Vec3[(size_t)pts];
        o.nbpts = pts;
        if (!get_words(src, o.m_vertices, (size_t)pts * 3)) return fail("the vertices cannot be read");
    }
    if (idx > 0) {
        o.m_index = new int32_t[(size_t)idx];
        o.nbindex = idx;
        if (!get_words(src, o.m_index, (size_t)idx)) return fail("the face index cannot be read");
        // Entries are -1 or a vertex number: (entry + 1) lies in 0..pts.
        // (In blocks of 8, which the compiler turns into vector code.)
        unsigned bad = 0;
        int terminators = 0;
        const uint32_t* u32 = reinterpret_cast<const uint32_t*>(o.m_index);
        int k = 0;
        for (; k + 8 <= idx; k += 8) {
            for (int j = 0; j < 8; ++j) {
                uint32_t u = u32[k + j] + 1u;
                bad |= (unsigned)(u > (uint32_t)pts);
                terminators += (int)(u == 0);
            }
        }
        for (; k < idx; ++k) {
            uint32_t u = u32[k] + 1u;
            bad |= (unsigned)(u > (uint32_t)pts);
            terminators += (int)(u == 0);
        }
        if (bad) {
            for (int k = 0; k < idx; ++k) {
                int32_t v = o.m_index[k];
                if (v != -1 && (v < 0 || v >= pts))
                    return fail(qv_format("index entry %d names vertex %d but the object has %d vertices", k,
                                          v, pts));
            }
        }
        if (o.m_index[idx - 1] != -1) return fail("the face index does not end with -1");
        if (terminators != faces)
            return fail(qv_format("face count %d but the index holds %d faces", faces, terminators));
    } else if (faces != 0) {
        return fail(qv_format("face count %d without a face index", faces));
    }
    o.nbface = faces;
    if (nrm > 0) {
        o.m_normals = new Vec3[(size_t)nrm];
        o.nbnormal = nrm;
        if (!get_words(src, o.m_normals, (size_t)nrm * 3)) return fail("the normals cannot be read");
    }
    if (idx > 0 && nrm > 0) {
        o.normalindex = new int32_t[(size_t)idx];
        if (!get_words(src, o.normalindex, (size_t)idx)) return fail("the normal index cannot be read");
        // -1 exactly where the face index closes a face, an existing
        // normal everywhere else.
        unsigned bad = 0;
        auto check = [&](int q) {
            int32_t n = o.normalindex[q];
            bad |= o.m_index[q] == -1 ? (unsigned)(n != -1) : (unsigned)((uint32_t)n >= (uint32_t)nrm);
        };
        int k = 0;
        for (; k + 8 <= idx; k += 8)
            for (int j = 0; j < 8; ++j) check(k + j);
        for (; k < idx; ++k) check(k);
        for (int k = 0; bad && k < idx; ++k) {
            int32_t n = o.normalindex[k];
            if (o.m_index[k] == -1) {
                if (n != -1)
                    return fail(qv_format("normal index entry %d is %d where the face index closes a face",
                                          k, n));
            } else if (n < 0 || n >= nrm) {
                return fail(qv_format("normal index entry %d names normal %d but the object has %d normals",
                                      k, n, nrm));
            }
        }
    }
    if (mat > 0) {
        float m[13];
        if (!get_words(src, m, 13)) return fail("the material cannot be read");
        o.T_ambientColor = new Vec3[1]{Vec3(m[0], m[1], m[2])};
        o.T_diffuseColor = new Vec3[1]{Vec3(m[3], m[4], m[5])};
        o.T_specularColor = new Vec3[1]{Vec3(m[6], m[7], m[8])};
        o.T_emissive = new Vec3[1]{Vec3(m[9], m[10], m[11])};
        o.T_shininess = new float[1]{m[12]};
        o.m_nb_ambient = o.m_nb_diffuse = o.m_nb_specular = o.m_nb_emissive = o.m_nb_shininess = 1;
        // The count is kept as stored; the lookups never go past the one entry held.
        o.nbmaterial = mat;
    }
    // Points alone (a point set or a point cloud when it was saved): drawn
    // as points where their coordinates say, not left undrawn.
    if (pts > 0 && faces == 0 && idx == 0) o.m_points_only = k_point_cloud;
    else if (faces > 0) mark_lines(o, mat > 0);
    return 1;
}
} // namespace

int OBJECT3D::read_binary(FILE* f, std::string* why)
{
    FileSource src(f);
    return read_record(*this, src, why);
}

int save_binary(const char* path, const SCENE3D& scene)
{
    if (!path || !*path) return 0;
    return write_file_safely(path, [&](FILE* f) {
        int32_t n = 0;
        for (int i = 0; i < scene.nbobjects; ++i)
            if (scene.m_objects[i]) ++n;
        bool ok = put_int(f, n);
        for (int i = 0; ok && i < scene.nbobjects; ++i)
            if (const OBJECT3D* o = scene.m_objects[i]) ok = o->write_binary(f) != 0;
        return ok;
    });
}

namespace {
// Reads the objects of a whole binary scene file from src into the scene;
// on any fault the scene is left as it was and the message names `path`.
int load_records(ByteSource& src, const char* path, SCENE3D& scene)
{
    // Objects are read aside and handed to the scene only when the whole
    // file has been read without fault.
    std::vector<std::unique_ptr<OBJECT3D>> objects;
    std::string why;
    long long left = src.left();
    int32_t n = 0;
    if (left < 4 || !get_words(src, &n, 1)) {
        why = "the file is shorter than its object count";
    } else if (n < 0) {
        why = qv_format("negative object count %d", n);
    } else if (n > scene.m_capacity) {
        why = qv_format("%d objects, more than the %d a scene holds", n, scene.m_capacity);
    } else if ((long long)n * kCountsBytes > left - 4) {
        why = qv_format("%d objects announced but the file holds at most %lld", n, (left - 4) / kCountsBytes);
    } else {
        objects.reserve((size_t)n);
        for (int i = 0; i < n; ++i) {
            auto o = std::make_unique<OBJECT3D>();
            std::string reason;
            if (!read_record(*o, src, &reason)) {
                why = qv_format("object %d: %s", i, reason.c_str());
                break;
            }
            objects.push_back(std::move(o));
        }
        // Bytes after the N objects are not read.
    }
    if (!why.empty()) {
        MessageBox("Invalid binary scene file: " + why + "\n" + path);
        return 0;
    }

    scene.delete_objects();
    for (auto& o : objects) {
        OBJECT3D* obj = o.release();
        scene.add_object(obj);
        bounds_of(*obj);
        obj->compute_center();
        scene.compute_world_bounds(scene.nbobjects - 1);
    }
    return 1;
}
} // namespace

int load_binary(const char* path, SCENE3D& scene)
{
    if (!path || !*path) return 0;
    FILE* f = open_regular_file(path);
    if (!f) return 0;
    struct stat st;
    if (::fstat(fileno(f), &st) != 0 || S_ISDIR(st.st_mode)) {
        std::fclose(f);
        return 0;
    }
    // Large blocks go straight from the file into the object arrays.
    FileSource src(f);
    int ok = load_records(src, path, scene);
    std::fclose(f);
    return ok;
}

int load_binary_buffer(const char* data, size_t len, const char* path, SCENE3D& scene)
{
    if (!data && len) return 0;
    MemSource src(data, len);
    return load_records(src, path ? path : "", scene);
}
