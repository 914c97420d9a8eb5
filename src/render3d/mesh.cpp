#include "render3d/mesh.h"

#include <cstdlib>

namespace {

struct EdgeKey {
  int32_t a, b;
};

// Shared by every load; emptied at the start of each edge build.
EdgeKey edge_table[EDGE_TABLE_CAPACITY];
int32_t edge_table_count;

// Index of the edge p-q in either direction, appended when new; -1 when the
// table is full.
int32_t edge_find_or_add(int32_t p, int32_t q) {
  for (int32_t i = 0; i < edge_table_count; ++i) {
    const EdgeKey& e = edge_table[i];
    if ((e.a == p && e.b == q) || (e.a == q && e.b == p)) return i;
  }
  if (edge_table_count == EDGE_TABLE_CAPACITY) return -1;
  edge_table[edge_table_count] = {p, q};
  return edge_table_count++;
}

FixVec3 vertex_position(const MeshVertex& v) { return {v.x, v.y, v.z}; }

}  // namespace

int mesh_free(Mesh* mesh) {
  std::free(mesh->vertices);
  std::free(mesh->faces);
  std::free(mesh->edges);
  mesh->vertices = nullptr;
  mesh->faces = nullptr;
  mesh->edges = nullptr;
  mesh->vertex_count = 0;
  mesh->face_count = 0;
  mesh->edge_count = 0;
  mesh->texture = -1;
  return 0;
}

void mesh_set_pose(Mesh* mesh, float x, float y, float z, float yaw, float pitch, float roll) {
  mesh->pos = {x, y, z};
  mesh->yaw = yaw;
  mesh->pitch = pitch;
  mesh->roll = roll;
}

void mesh_set_texture(Mesh* mesh, int32_t slot) { mesh->texture = slot; }

void mesh_scale(Mesh* mesh, float s) {
  const Fixed k = fix_from_float(s);
  const int64_t records = static_cast<int64_t>(mesh->frame_count) * mesh->vertex_count;
  for (int64_t i = 0; i < records; ++i) {
    MeshVertex& v = mesh->vertices[i];
    v.x = fix_mul(v.x, k);
    v.y = fix_mul(v.y, k);
    v.z = fix_mul(v.z, k);
  }
}

bool mesh_same_positions(const Mesh* a, const Mesh* b) {
  if (a->vertex_count != b->vertex_count || !a->vertices || !b->vertices) return false;
  const MeshVertex* va = mesh_current_frame(a);
  const MeshVertex* vb = mesh_current_frame(b);
  for (int32_t i = 0; i < a->vertex_count; ++i) {
    if (va[i].x != vb[i].x || va[i].y != vb[i].y || va[i].z != vb[i].z) return false;
  }
  return true;
}

void mesh_compute_normals(Mesh* mesh) {
  const int64_t records = static_cast<int64_t>(mesh->frame_count) * mesh->vertex_count;
  for (int64_t i = 0; i < records; ++i) {
    MeshVertex& v = mesh->vertices[i];
    v.nx = v.ny = v.nz = 0;
  }
  for (int32_t f = 0; f < mesh->frame_count; ++f) {
    MeshVertex* frame = mesh->vertices + static_cast<int64_t>(f) * mesh->vertex_count;
    for (int32_t i = 0; i < mesh->face_count; ++i) {
      const MeshFace& face = mesh->faces[i];
      MeshVertex* corner[3] = {&frame[face.i0], &frame[face.i1], &frame[face.i2]};
      FixVec3 e1, e2, n;
      vec_sub(&e1, vertex_position(*corner[1]), vertex_position(*corner[0]));
      vec_sub(&e2, vertex_position(*corner[2]), vertex_position(*corner[0]));
      vec_cross(&n, e1, e2);
      for (MeshVertex* v : corner) {
        v->nx += n.x;
        v->ny += n.y;
        v->nz += n.z;
      }
    }
  }
  for (int64_t i = 0; i < records; ++i) {
    MeshVertex& v = mesh->vertices[i];
    FixVec3 n = {v.nx, v.ny, v.nz};
    vec_normalize(&n);
    v.nx = n.x;
    v.ny = n.y;
    v.nz = n.z;
  }
}

bool mesh_build_edges(Mesh* mesh) {
  edge_table_count = 0;
  for (int32_t i = 0; i < mesh->face_count; ++i) {
    MeshFace& face = mesh->faces[i];
    face.e01 = edge_find_or_add(face.i0, face.i1);
    face.e12 = edge_find_or_add(face.i1, face.i2);
    face.e20 = edge_find_or_add(face.i2, face.i0);
    if (face.e01 < 0 || face.e12 < 0 || face.e20 < 0) return false;
  }
  // One spare record keeps the allocation non-empty for a mesh without faces.
  auto* edges = static_cast<MeshEdge*>(std::calloc(edge_table_count + 1, sizeof(MeshEdge)));
  if (!edges) return false;
  for (int32_t i = 0; i < edge_table_count; ++i) {
    edges[i].a = edge_table[i].a;
    edges[i].b = edge_table[i].b;
  }
  mesh->edges = edges;
  mesh->edge_count = edge_table_count;
  return true;
}
