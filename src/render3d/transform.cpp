#include "render3d/transform.h"

#include "render3d/camera.h"
#include "render3d/mat.h"
#include "render3d/vertex_batch.h"

namespace {

MeshVertex* current_frame(Mesh* mesh) {
  return mesh->vertices + static_cast<int64_t>(mesh->frame) * mesh->vertex_count;
}

bool cpu_has_avx2() {
  static const bool has = __builtin_cpu_supports("avx2");
  return has;
}

}  // namespace

void mesh_clip_matrix(const Mesh* mesh, FixMat4* rotation, FixMat4* clip) {
  FixMat4 t, rx, ry, rz, rxy, rt;
  mat_translation(&t, fix_from_float(mesh->pos.x), fix_from_float(mesh->pos.y),
                  fix_from_float(mesh->pos.z));
  mat_rotation_x(&rx, mesh->pitch);
  mat_rotation_y(&ry, mesh->yaw);
  mat_rotation_z(&rz, mesh->roll);
  // Turned about z first, then x, then y.
  mat_mul(&rxy, &rx, &ry);
  mat_mul(rotation, &rz, &rxy);
  mat_mul(&rt, rotation, &t);
  mat_mul(clip, &rt, &camera.view_proj);
}

void mesh_transform(Mesh* mesh) {
  FixMat4 r, m, n;
  mesh_clip_matrix(mesh, &r, &m);
  mat_mul(&n, &r, &camera.view_rot);
  MeshVertex* vertices = current_frame(mesh);
  if (cpu_has_avx2()) {
    transform_vertices_avx2(vertices, mesh->vertex_count, m, n);
  } else {
    transform_vertices_plain(vertices, mesh->vertex_count, m, n);
  }
  mesh->transformed = 1;
}

void mesh_transform_like(Mesh* mesh, const Mesh* shape) {
  FixMat4 r, m, n;
  mesh_clip_matrix(mesh, &r, &m);
  mat_mul(&n, &r, &camera.view_rot);
  MeshVertex* vertices = current_frame(mesh);
  const MeshVertex* from = shape->vertices + static_cast<int64_t>(shape->frame) * shape->vertex_count;
  if (cpu_has_avx2()) {
    transform_like_avx2(vertices, from, mesh->vertex_count, n);
  } else {
    transform_like_plain(vertices, from, mesh->vertex_count, n);
  }
  mesh->transformed = 1;
}

void mesh_env_map(Mesh* mesh) {
  MeshVertex* vertices = current_frame(mesh);
  if (cpu_has_avx2()) {
    env_map_avx2(vertices, mesh->vertex_count);
  } else {
    env_map_plain(vertices, mesh->vertex_count);
  }
}
