#include "render3d/transform.h"

#include "render3d/camera.h"
#include "render3d/mat.h"

namespace {

MeshVertex* current_frame(Mesh* mesh) {
  return mesh->vertices + static_cast<int64_t>(mesh->frame) * mesh->vertex_count;
}

}  // namespace

void clip_outcode(MeshVertex* vertex) {
  int32_t code = 0;
  if (vertex->tx < -FIX_ONE) code |= OUTCODE_LEFT;
  if (vertex->tx > FIX_ONE) code |= OUTCODE_RIGHT;
  if (vertex->ty < -FIX_ONE) code |= OUTCODE_BOTTOM;
  if (vertex->ty > FIX_ONE) code |= OUTCODE_TOP;
  if (vertex->tz < -FIX_ONE) code |= OUTCODE_FAR;
  if (vertex->tz > FIX_ONE) code |= OUTCODE_NEAR;
  vertex->outcode = (vertex->outcode & ~0xFF) | code;
}

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
  for (int32_t i = 0; i < mesh->vertex_count; ++i) {
    MeshVertex& v = vertices[i];
    v.tx = mat_apply_column(m, 0, v.x, v.y, v.z);
    v.ty = mat_apply_column(m, 1, v.x, v.y, v.z);
    v.tz = mat_apply_column(m, 2, v.x, v.y, v.z);
    v.tw = mat_apply_column(m, 3, v.x, v.y, v.z);
  }
  mesh->transformed = 1;
  for (int32_t i = 0; i < mesh->vertex_count; ++i) {
    MeshVertex& v = vertices[i];
    v.vnx = mat_apply_column(n, 0, v.nx, v.ny, v.nz);
    v.vny = mat_apply_column(n, 1, v.nx, v.ny, v.nz);
    v.vnz = mat_apply_column(n, 2, v.nx, v.ny, v.nz);
  }
  for (int32_t i = 0; i < mesh->vertex_count; ++i) {
    MeshVertex& v = vertices[i];
    // g = 32 / w: one division, then three multiplications.
    const Fixed g = v.tw != 0 ? fix_div(32 * FIX_ONE, v.tw) : 0;
    v.tx = fix_mul(v.tx, g) >> 5;
    v.ty = fix_mul(v.ty, g) >> 5;
    v.tz = fix_mul(v.tz, g) >> 5;
    v.tw = FIX_ONE;
    v.behind = g > 0 ? -1 : 0;
    clip_outcode(&v);
    v.tx = fix_from_int(120) - v.tx * 120;
    v.ty = v.ty * 75 + fix_from_int(75);
    v.tz = static_cast<int32_t>(static_cast<uint32_t>(32 * FIX_ONE - v.tz) << 13);
  }
}

void mesh_transform_like(Mesh* mesh, const Mesh* shape) {
  FixMat4 r, m, n;
  mesh_clip_matrix(mesh, &r, &m);
  mat_mul(&n, &r, &camera.view_rot);

  MeshVertex* vertices = current_frame(mesh);
  const MeshVertex* from = shape->vertices + static_cast<int64_t>(shape->frame) * shape->vertex_count;
  for (int32_t i = 0; i < mesh->vertex_count; ++i) {
    MeshVertex& v = vertices[i];
    v.tx = from[i].tx;
    v.ty = from[i].ty;
    v.tz = from[i].tz;
    v.tw = from[i].tw;
    v.behind = from[i].behind;
    v.outcode = (v.outcode & ~0xFF) | (from[i].outcode & 0xFF);
    v.vnx = mat_apply_column(n, 0, v.nx, v.ny, v.nz);
    v.vny = mat_apply_column(n, 1, v.nx, v.ny, v.nz);
    v.vnz = mat_apply_column(n, 2, v.nx, v.ny, v.nz);
  }
  mesh->transformed = 1;
}

void mesh_env_map(Mesh* mesh) {
  MeshVertex* vertices = current_frame(mesh);
  for (int32_t i = 0; i < mesh->vertex_count; ++i) {
    MeshVertex& v = vertices[i];
    const float u = fix_to_float(v.vnx) * 0.5f + 0.5f;
    const float t = 0.5f - fix_to_float(v.vny) * 0.5f;
    v.u = fix_int_times_float(UV_ONE, u);
    v.v = fix_int_times_float(UV_ONE, t);
  }
}
