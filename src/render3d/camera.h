#pragma once
// The camera and its matrices: position, angles, lens.
#include "render3d/fixed_math.h"
#include "render3d/mat.h"
#include "render3d/vec.h"

struct Camera {
  Vec3f pos;
  float yaw, pitch, roll;  // negated radians (see cam_set_pose)
  float zoom;
  Fixed near;
  Fixed far;
  Fixed depth_range;       // far - near
  FixMat4 view_proj;       // world to clip space
  FixMat4 view_rot;        // rotation part of the view
};

// What scenes pass: angles in degrees, near and far in whole units.
struct CameraParams {
  float x, y, z;
  float yaw, pitch, roll;
  float near, far;
  float zoom;
};

// The one camera: zoom 200, near 10, far 5000, matrices zero until built.
extern Camera camera;

void cam_set_pose(float x, float y, float z, float yaw_deg, float pitch_deg, float roll_deg);
// Refuses near == far (the lens stays as it was).
void cam_set_lens(Camera* cam, int32_t near, int32_t far, float zoom);
// Keeps the previous matrices when depth_range is 0.
void cam_build_matrices(Camera* cam);
// Pose, lens and matrices in one; a params with near == far changes nothing.
void cam_apply(const CameraParams* params);
