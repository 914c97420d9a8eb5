#include <cmath>

#include "render3d/mat.h"
#include "softbody/softbody.h"
#include "softbody/spring_forces.h"

namespace {

// True for a component above the force limit or not a number at all.
bool oversized(Vec3f v) {
  return !(std::fabs(v.x) <= SOFT_FORCE_LIMIT && std::fabs(v.y) <= SOFT_FORCE_LIMIT &&
           std::fabs(v.z) <= SOFT_FORCE_LIMIT);
}

bool finite(Vec3f v) { return std::isfinite(v.x) && std::isfinite(v.y) && std::isfinite(v.z); }

// Adds a contribution to a force, noting whether it breaks the limit.
void add_force(Vec3f* force, Vec3f contribution, bool* fault) {
  *fault |= oversized(contribution);
  vec3f_add(force, *force, contribution);
}

// Row vector times matrix, w = 1.
Vec3f transform_point(Vec3f p, const Mat4f* q) {
  const float* m = q->m;
  return {p.x * m[0] + p.y * m[4] + p.z * m[8] + m[12],
          p.x * m[1] + p.y * m[5] + p.z * m[9] + m[13],
          p.x * m[2] + p.y * m[6] + p.z * m[10] + m[14]};
}

bool accumulate_particle_forces(SoftBody* body) {
  bool fault = false;
  for (int32_t i = 0; i < body->particle_count; ++i) {
    SoftParticle& p = body->particles[i];
    Vec3f f;
    vec3f_scale(&f, SOFT_GRAVITY, p.mass);
    add_force(&p.force, f, &fault);
    vec3f_scale(&f, p.vel, -body->drag);
    add_force(&p.force, f, &fault);
    if (ground_y > p.pos.y) {
      vec3f_scale(&f, {p.vel.x, 0.0f, p.vel.z}, -ground_friction);
      add_force(&p.force, f, &fault);
      if (p.vel.y < 0.0f) {
        vec3f_scale(&f, {0.0f, p.vel.y, 0.0f}, -ground_damping);
        add_force(&p.force, f, &fault);
      }
      add_force(&p.force, {0.0f, (ground_y - p.pos.y) * ground_stiffness, 0.0f}, &fault);
    }
  }
  return fault;
}

// Explicit Euler, last to first. A particle whose new state would not be
// finite stops the step before it is written.
bool integrate(SoftBody* body, float dt) {
  for (int32_t i = body->particle_count - 1; i >= 0; --i) {
    SoftParticle& p = body->particles[i];
    Vec3f vel = p.vel;
    if (p.mass != 0.0f) {
      Vec3f dv;
      vec3f_scale(&dv, p.force, dt / p.mass);
      vec3f_add(&vel, vel, dv);
    }
    Vec3f step;
    vec3f_scale(&step, vel, dt);
    Vec3f pos;
    vec3f_add(&pos, p.pos, step);
    if (!finite(pos) || !finite(vel)) return true;
    p.pos = pos;
    p.vel = vel;
    // A vector stopped by the first cut-off has length 0, so each length is
    // taken once for both cut-offs.
    const float force_length = vec3f_length(p.force);
    const float speed = vec3f_length(p.vel);
    if (force_length < SOFT_REST_CUTOFF || force_length > SOFT_RUNAWAY_CUTOFF)
      p.force = {0.0f, 0.0f, 0.0f};
    if (speed < SOFT_REST_CUTOFF || speed > SOFT_RUNAWAY_CUTOFF) p.vel = {0.0f, 0.0f, 0.0f};
  }
  return false;
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
  if (!finite(pos) || !finite(disp) || !std::isfinite(new_yaw)) return true;

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
    if (finite(moved)) p.pos = moved;
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
  fault |= accumulate_particle_forces(body);
  if (fault || integrate(body, dt) || move_rigidly(body, dt)) body->active = 0;
}
