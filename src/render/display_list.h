// Compiling scene objects into GL display lists and drawing them.
#pragma once
#include <cstdint>

class OBJECT3D;
struct Shape2D;

// Compiles the object's display list (point sets through BuildPointList).
// 1 when a list was compiled; 0 when there was nothing to compile or GL
// gave no list name.
int BuildList(OBJECT3D& o);
// BuildList in two steps: the normals a lit compilation needs (built again,
// on the existing sums, at every call), then the list itself.
// Drawn from the arrays with `lists_follow`, the object keeps the face
// normals its list will be compiled with.
void PrepareList(OBJECT3D& o, bool lit, bool lists_follow = false);
int CompileList(OBJECT3D& o);
// CompileList of n objects (null entries passed over), with lighting off
// for this compilation when `bare`. Where the faces go into buffer
// objects, they are gathered on two threads; the lists are the same.
void CompileLists(OBJECT3D* const* objects, int n, bool bare);
// Point set: every vertex as a GL point, at one hundredth of its size.
int BuildPointList(OBJECT3D& o);
// Sets polygon mode, compiles when needed (normal pass only) and calls the
// list. Hidden objects (m_ready 0) are drawn in the pick pass only.
int DrawObject(OBJECT3D& o, bool normal_pass);

// Deletes an object's list and the buffer object that holds its faces.
void DeleteObjectList(unsigned list);
// Where GL has buffer objects (1.5 and later), a compiled object keeps its
// faces in one and its list holds only the overlays; the frames are those
// of whole lists. Allowed by default; false keeps whole lists everywhere.
void set_buffer_objects(bool allowed);

// Direct drawing, for one-shot frames in a context of their own: BuildList
// prepares the object (normals) without compiling a list, and DrawObject
// sends the same geometry at every draw. The pixels are those of the list;
// compiling millions of vertices into lists only pays for repeated frames.
// Objects compiled before the switch keep drawing from their lists.
void set_direct_drawing(bool on);
bool direct_drawing();
// Direct drawing on or off for a scope, the setting before it put back.
class DirectDrawing {
public:
    explicit DirectDrawing(bool on) : m_was(direct_drawing()) { set_direct_drawing(on); }
    ~DirectDrawing() { set_direct_drawing(m_was); }
    DirectDrawing(const DirectDrawing&) = delete;
    DirectDrawing& operator=(const DirectDrawing&) = delete;

private:
    bool m_was;
};


// Steps of the compilation, usable inside glNewList/glEndList.
void SetFaceMaterial(OBJECT3D& o, int face);
// Counts the usable corners of the face at o.m_cursor (into m_face_size)
// and opens GL_TRIANGLES, GL_QUADS or GL_POLYGON for 3, 4 or more; none
// below 3. Returns the number of usable corners.
int BeginFace(OBJECT3D& o);
void DrawNormals(OBJECT3D& o);
void DrawAxes(int gl_face = 0x0408 /* GL_FRONT_AND_BACK */);
void DrawTexCoords(OBJECT3D& o);
void DrawShape2D(const Shape2D& shape);

// Pick colours: the object's index in red (low byte) and green (high
// byte), the face number's low byte in blue.
struct PickColour {
    uint8_t r, g, b;
};
PickColour pick_colour(int pick_id, int face);
// The object index a pick pixel names (the face byte is ignored).
int pick_decode(uint8_t r, uint8_t g);
