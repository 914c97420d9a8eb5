#include "render3d/transform.h"

#include <cstring>

#include "common/simd.h"
#include "render3d/camera.h"
#include "render3d/mat.h"
#include "render3d/vertex_batch.h"

namespace {

const auto transform_vertices = simd_pick(transform_vertices_plain, transform_vertices_avx2);
const auto transform_like = simd_pick(transform_like_plain, transform_like_avx2);
const auto env_map = simd_pick(env_map_plain, env_map_avx2);

// The matrices of the last pose and camera. A mesh whose box was just tested
// and a coat drawn over it in the same pose reuse them instead of multiplying
// them out again; they are compared bit for bit, so the results are the same.
struct PoseMatrices {
  float pose[6];
  FixMat4 view_proj, view_rot;
  FixMat4 rotation, clip;
  FixMat4 normal;  // rotation x view_rot, made when first needed
  bool valid, normal_ready;
};
PoseMatrices last_pose;

bool same_bits(const void* a, const void* b, size_t size) { return std::memcmp(a, b, size) == 0; }

PoseMatrices& pose_matrices(const Mesh* mesh) {
  const float pose[6] = {mesh->pos.x, mesh->pos.y, mesh->pos.z, mesh->yaw, mesh->pitch, mesh->roll};
  PoseMatrices& last = last_pose;
  if (last.valid && same_bits(pose, last.pose, sizeof pose) &&
      same_bits(&camera.view_proj, &last.view_proj, sizeof(FixMat4)) &&
      same_bits(&camera.view_rot, &last.view_rot, sizeof(FixMat4)))
    return last;
  std::memcpy(last.pose, pose, sizeof pose);
  last.view_proj = camera.view_proj;
  last.view_rot = camera.view_rot;
  FixMat4 t, rx, ry, rz, rxy, rt;
  mat_translation(&t, fix_from_float(mesh->pos.x), fix_from_float(mesh->pos.y),
                  fix_from_float(mesh->pos.z));
  mat_rotation_x(&rx, mesh->pitch);
  mat_rotation_y(&ry, mesh->yaw);
  mat_rotation_z(&rz, mesh->roll);
  // Turned about z first, then x, then y.
  mat_mul(&rxy, &rx, &ry);
  mat_mul(&last.rotation, &rz, &rxy);
  mat_mul(&rt, &last.rotation, &t);
  mat_mul(&last.clip, &rt, &camera.view_proj);
  last.valid = true;
  last.normal_ready = false;
  return last;
}

const FixMat4& normal_matrix(PoseMatrices& matrices) {
  if (!matrices.normal_ready) {
    mat_mul(&matrices.normal, &matrices.rotation, &matrices.view_rot);
    matrices.normal_ready = true;
  }
  return matrices.normal;
}

}  // namespace

void mesh_clip_matrix(const Mesh* mesh, FixMat4* rotation, FixMat4* clip) {
  const PoseMatrices& matrices = pose_matrices(mesh);
  *rotation = matrices.rotation;
  *clip = matrices.clip;
}

void mesh_transform(Mesh* mesh) {
  PoseMatrices& matrices = pose_matrices(mesh);
  const FixMat4& n = normal_matrix(matrices);
  MeshVertex* vertices = mesh_current_frame(mesh);
  transform_vertices(vertices, mesh->vertex_count, matrices.clip, n);
  mesh->transformed = 1;
}

void mesh_transform_like(Mesh* mesh, const Mesh* shape) {
  const FixMat4& n = normal_matrix(pose_matrices(mesh));
  MeshVertex* vertices = mesh_current_frame(mesh);
  const MeshVertex* from = mesh_current_frame(shape);
  transform_like(vertices, from, mesh->vertex_count, n);
  mesh->transformed = 1;
}

void mesh_env_map(Mesh* mesh) {
  MeshVertex* vertices = mesh_current_frame(mesh);
  env_map(vertices, mesh->vertex_count);
}
