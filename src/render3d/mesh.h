#pragma once
// Textured triangle meshes: geometry read from .bof files, a pose, a
// texture slot, the distinct edges the rasterizer sets up once per draw,
// and per-vertex fields the transform and rasterizer rewrite every frame.
#include <cstdint>

#include "render3d/fixed_math.h"
#include "render3d/vec.h"

// Texture coordinates are in units of 1/32768; UV_ONE spans a texture once.
constexpr int32_t UV_ONE = 32768;

struct MeshVertex {
  Fixed x, y, z;           // object space
  Fixed tx, ty, tz, tw;    // after mesh_transform: screen x, y (Fixed pixels), depth, FIX_ONE
  int32_t u, v;            // 1/32768 units
  Fixed nx, ny, nz;        // object-space normal
  Fixed vnx, vny, vnz;     // view-space normal
  int32_t outcode;         // clip code, low byte
  int32_t behind;          // -1 behind the camera, else 0
};

struct MeshFace {
  int32_t i0, i1, i2;      // vertex indices within one frame
  int32_t e01, e12, e20;   // edge indices
  int32_t visible;         // -1 passed the clip-code test, 0 rejected
  int32_t reached;         // 1: the last draw found a pixel of it nearer than the depth buffer
};

// Raster fields are rewritten at every draw (see raster.h).
struct MeshEdge {
  int32_t a, b;            // vertex indices, in the order first met
  MeshVertex* top;
  MeshVertex* bottom;
  Fixed x, y;
  int32_t z;
  Fixed u, v;
  Fixed dx;
  int32_t dz;
  Fixed du, dv;
  int32_t flat;
  int32_t ready;
};

struct Mesh {
  int32_t vertex_count;    // per frame
  int32_t face_count;
  int32_t edge_count;
  int32_t frame_count;
  MeshVertex* vertices;    // frame f at f * vertex_count
  MeshFace* faces;
  MeshEdge* edges;
  Vec3f pos;
  float yaw;               // radians, about y
  float pitch;             // about x
  float roll;              // about z
  int32_t texture;         // image_pool slot or -1
  int32_t frame;
  int32_t transformed;     // 0 until the first mesh_transform
  uint32_t edge_serial;    // of the last draw; its edges' `ready` marks
};

// The vertices of the mesh's current frame.
inline MeshVertex* mesh_current_frame(const Mesh* mesh) {
  return mesh->vertices + static_cast<int64_t>(mesh->frame) * mesh->vertex_count;
}

// Distinct edges one mesh may have: the size of the shared scratch table.
constexpr int EDGE_TABLE_CAPACITY = 16384;

// Releases the arrays; counts 0, texture -1. Returns 0 (asset free operation).
int mesh_free(Mesh* mesh);
void mesh_set_pose(Mesh* mesh, float x, float y, float z, float yaw, float pitch, float roll);
void mesh_set_texture(Mesh* mesh, int32_t slot);
// Multiplies every vertex position of every frame by fix_from_float(s).
void mesh_scale(Mesh* mesh, float s);
// True when both current frames have the same vertex count and object-space positions.
bool mesh_same_positions(const Mesh* a, const Mesh* b);
// Area-weighted vertex normals of every frame, unit length.
void mesh_compute_normals(Mesh* mesh);
// Fills faces' edge indices and the mesh's edge array. Returns false (and
// leaves the edges empty) when the mesh has more than EDGE_TABLE_CAPACITY
// distinct edges or the array cannot be allocated.
bool mesh_build_edges(Mesh* mesh);
