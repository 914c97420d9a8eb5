#include "render3d/camera.h"

Camera camera = {{0.0f, 0.0f, 0.0f}, 0.0f, 0.0f, 0.0f, 200.0f, 10 * FIX_ONE, 5000 * FIX_ONE, 0, {}, {}};

namespace {

float negated_radians(float degrees) {
  return static_cast<float>(-static_cast<double>(degrees) * 3.1416 * 2 / 360);
}

}  // namespace

void cam_set_pose(float x, float y, float z, float yaw_deg, float pitch_deg, float roll_deg) {
  camera.pos = {x, y, z};
  camera.yaw = negated_radians(yaw_deg);
  camera.pitch = negated_radians(pitch_deg);
  camera.roll = negated_radians(roll_deg);
}

void cam_set_lens(Camera* cam, int32_t near, int32_t far, float zoom) {
  // A zero depth range would divide by zero in the projection.
  if (fix_from_int(far - near) == 0) return;
  cam->near = fix_from_int(near);
  cam->far = fix_from_int(far);
  cam->depth_range = fix_from_int(far - near);
  cam->zoom = zoom;
}

void cam_build_matrices(Camera* cam) {
  if (cam->depth_range == 0) return;
  FixMat4 tc, rx, ry, rz, p, ryx, moved;
  mat_translation(&tc, fix_from_float(-cam->pos.x), fix_from_float(-cam->pos.y),
                  fix_from_float(-cam->pos.z));
  mat_rotation_x(&rx, -cam->pitch);
  mat_rotation_y(&ry, -cam->yaw);
  mat_rotation_z(&rz, -cam->roll);

  mat_identity(&p);
  p.m[0] = fix_from_float(cam->zoom / 160.0f);
  p.m[5] = fix_from_float(cam->zoom / 100.0f);
  p.m[10] = fix_div(cam->far + cam->near, cam->depth_range);
  p.m[14] = fix_div(fix_mul(-2 * cam->far, cam->near), cam->depth_range);
  p.m[11] = -FIX_ONE;
  p.m[15] = 0;

  mat_mul(&ryx, &ry, &rx);
  mat_mul(&cam->view_rot, &ryx, &rz);
  mat_mul(&moved, &tc, &cam->view_rot);
  mat_mul(&cam->view_proj, &moved, &p);
}

void cam_apply(const CameraParams* params) {
  const int32_t near = trunc_to_i32(params->near);
  const int32_t far = trunc_to_i32(params->far);
  if (fix_from_int(far - near) == 0) return;
  cam_set_pose(params->x, params->y, params->z, params->yaw, params->pitch, params->roll);
  cam_set_lens(&camera, near, far, params->zoom);
  cam_build_matrices(&camera);
}
