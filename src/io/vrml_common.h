// Node readers shared by the VRML 1.0 and 2.0 readers. Each takes the
// loader, the object being filled and `lines`: the object whose lines the
// VRML 2.0 tokenizer counts, or null for the VRML 1.0 tokenizer.
#pragma once
#include <cstring>
#include <string>

#include "io/scene_loader.h"
#include "scene/object3d.h"

class SCENE3D;

namespace vrml {

inline void tok(Scene& L, OBJECT3D* lines)
{
    if (lines) next_token2(*lines, L);
    else next_token(L);
}
inline bool is(const Scene& L, const char* w) { return std::strcmp(L.m_word, w) == 0; }
inline bool at_end(const Scene& L) { return L.m_word[0] == 0; }
// Reads a token and compares it with w.
inline bool expect(Scene& L, OBJECT3D* lines, const char* w)
{
    tok(L, lines);
    return is(L, w);
}
// While the current token begins with '#', skips the rest of its line and
// reads the next token.
// Empties the object for a new read and points it at the shared temporary
// arrays of the readers.
void begin_object(OBJECT3D& obj);

void skip_comment_tokens(Scene& L, OBJECT3D* lines);
// One number token (a word that is not a number reads as 0).
float number(Scene& L, OBJECT3D* lines);
void numbers(Scene& L, OBJECT3D* lines, float* out, int n);

// A file name token: a leading quotation mark is dropped and the name is
// cut at the next one; a name without quotation marks is taken whole.
std::string quoted_name(const char* word);

// Light node on the current token (PointLight, DirectionalLight,
// SpotLight); nothing for any other token.
void read_light(Scene& L, OBJECT3D* lines, SCENE3D& scene);
// Material node (after the Material token). V2 also reads ambientIntensity.
void read_material(Scene& L, OBJECT3D* lines, OBJECT3D& obj, bool v2);

// After "point" is expected: "[" and the vertex triples into m_vertices.
// 1 when stored, 0 when the node was malformed or the file ended.
int read_points(Scene& L, OBJECT3D* lines, OBJECT3D& obj);
// "[" and the index list into m_index (a missing final -1 is added).
int read_coord_index(Scene& L, OBJECT3D* lines, OBJECT3D& obj);
// "{", "vector", "[" and the normals; -1 when malformed (the object ends).
int read_normals(Scene& L, OBJECT3D* lines, OBJECT3D& obj);
// "[" and a per-corner list aligned with m_index (normalIndex,
// textureCoordIndex); -1 when "[" is missing.
int read_corner_list(Scene& L, OBJECT3D* lines, OBJECT3D& obj, int32_t*& dst, const char* name);
// "[" and the per-face material numbers; v1 maps numbers not below
// nbmaterial to 0.
int read_material_index(Scene& L, OBJECT3D* lines, OBJECT3D& obj, bool v1);
// "{", "point", "[" and the (s, t) pairs into texvertex.
int read_tex_points(Scene& L, OBJECT3D* lines, OBJECT3D& obj);
// Gives the object the texture of that file name (as written in the file).
void set_texture(Scene& L, SCENE3D& scene, OBJECT3D& obj, const std::string& name);

// Moves the read position back to the start of the token read last, so
// that the next object begins with it.
inline void unread(Scene& L, int32_t tok_start, int32_t depth)
{
    L.m_pos = tok_start;
    L.m_depth = depth;
}

} // namespace vrml
