#include <cmath>

#include "common/simd.h"
#include "render3d/mat.h"
#include "softbody/particle_step.h"
#include "softbody/soft_checks.h"
#include "softbody/softbody.h"
#include "softbody/spring_forces.h"

namespace {

const auto add_spring_forces = simd_pick(add_spring_forces_plain, add_spring_forces_avx2);
const auto add_particle_forces = simd_pick(add_particle_forces_plain, add_particle_forces_avx2);
const auto integrate = simd_pick(integrate_plain, integrate_avx2);

// Row vector times matrix, w = 1.
Vec3f transform_point(Vec3f p, const Mat4f* q) {
  const float* m = q->m;
  return {p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12],
          p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13],
          p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]};
}

// Moves the body rigidly and carries the free particles the opposite way so
// that they keep their place in world space; pinned ones ride along.
bool move_rigidly(SoftBody* body, float dt) {
  Mesh* mesh = body->mesh;
  const Vec3f old = body->pos;
  Vec3f disp;
  vec3f_scale(&disp, body->vel, dt);
  Vec3f pos;
  vec3f_add(&pos, body->pos, disp);
  Vec3f vel = body->vel;
  if (ground_y > pos.y) {
    pos.y = ground_y;
    vel.y = 0.0f;
    vec3f_sub(&disp, pos, old);
  }
  const float yaw = mesh->yaw;
  const float new_yaw = yaw + dt * body->ang_vel.x;
  if (!soft_finite(pos) || !soft_finite(disp) || !std::isfinite(new_yaw)) return true;

  Mat4f turn_back, shift, unturn, partial, q;
  mat4f_rotation_y(&turn_back, yaw);
  mat4f_translation(&shift, -disp.x, -disp.y, -disp.z);
  mat4f_rotation_y(&unturn, -new_yaw);
  mat4f_mul(&partial, &turn_back, &shift);
  mat4f_mul(&q, &partial, &unturn);

  body->pos = pos;
  body->vel = vel;
  bool fault = false;
  for (int32_t i = body->particle_count - 1; i >= 0; --i) {
    SoftParticle& p = body->particles[i];
    if (p.mass == 0.0f) continue;
    const Vec3f moved = transform_point(p.pos, &q);
    if (soft_finite(moved)) p.pos = moved;
    else fault = true;
  }
  mesh->yaw = new_yaw;
  vec3f_add(&mesh->pos, mesh->pos, disp);
  return fault;
}

}  // namespace

void soft_step(SoftBody* body, float dt) {
  if (!body->active || !body->mesh) return;
  for (int32_t i = body->particle_count - 1; i >= 0; --i)
    body->particles[i].force = {0.0f, 0.0f, 0.0f};
  bool fault = add_spring_forces(body);
  fault |= add_particle_forces(body);
  if (fault || integrate(body, dt) || move_rigidly(body, dt))
    body->active = 0;
}
