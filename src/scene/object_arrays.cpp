#include <algorithm>

#include "scene/object3d.h"

namespace {
template <class T>
T* exact_copy(std::span<const T> src)
{
    if (src.empty()) return nullptr;
    T* block = new T[src.size()];
    std::copy(src.begin(), src.end(), block);
    return block;
}
} // namespace

void OBJECT3D::take_points(std::span<const Vec3> points)
{
    delete[] m_vertices;
    m_vertices = exact_copy(points);
    nbpts = (int32_t)points.size();
}

void OBJECT3D::take_faces(std::span<const int32_t> index)
{
    delete[] m_index;
    m_index = exact_copy(index);
    nbindex = (int32_t)index.size();
    nbface = (int32_t)std::count(index.begin(), index.end(), -1);
}

void OBJECT3D::take_texture_coords(std::span<const TexVertex> coords, std::span<const int32_t> index)
{
    delete[] texvertex;
    delete[] texindex;
    texvertex = exact_copy(coords);
    nbtexvertex = (int32_t)coords.size();
    // The texture index is read position by position beside m_index: keep
    // it exactly that long, a short list padded with -1.
    texindex = nullptr;
    if (!index.empty() && nbindex > 0) {
        texindex = new int32_t[(size_t)nbindex];
        size_t n = std::min(index.size(), (size_t)nbindex);
        std::copy(index.begin(), index.begin() + (ptrdiff_t)n, texindex);
        std::fill(texindex + n, texindex + nbindex, -1);
    }
}

void OBJECT3D::forget_normals()
{
    delete[] m_normals;
    delete[] m_vertex_normals;
    delete[] normalindex;
    delete[] m_vertex_normalindex;
    m_normals = nullptr;
    m_vertex_normals = nullptr;
    normalindex = nullptr;
    m_vertex_normalindex = nullptr;
    m_normals_by_face = 0;
    nbnormal = 0;
}
