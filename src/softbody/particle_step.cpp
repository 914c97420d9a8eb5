#include "common/simd.h"
#include "softbody/particle_step.h"

#include <cfloat>

#include "softbody/rows_avx2.h"
#include "softbody/soft_checks.h"

namespace {

// Adds a contribution to a force, noting whether it breaks the limit.
void add_force(Vec3f* force, Vec3f contribution, bool* fault) {
  *fault |= soft_oversized(contribution);
  vec3f_add(force, *force, contribution);
}

bool add_forces_to(SoftParticle& p, float drag) {
  bool fault = false;
  Vec3f f;
  vec3f_scale(&f, SOFT_GRAVITY, p.mass);
  add_force(&p.force, f, &fault);
  vec3f_scale(&f, p.vel, -drag);
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
  return fault;
}

// Particles [begin, end), last first; stops at a particle whose state would
// not be finite.
bool integrate_range(SoftBody* body, int32_t begin, int32_t end, float dt) {
  for (int32_t i = end - 1; i >= begin; --i) {
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
    if (!soft_finite(pos) || !soft_finite(vel)) return true;
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

// ---- Eight particles at a time: every lane runs the plain sequence, and a
// step the plain code skips is worked out too but not kept (nor checked).

struct Lanes3 {
  __m256 x, y, z;
};

SIMD_AVX2 inline Lanes3 scale3(Lanes3 a, __m256 s) {
  return {_mm256_mul_ps(a.x, s), _mm256_mul_ps(a.y, s), _mm256_mul_ps(a.z, s)};
}

// All-ones lanes where every component's magnitude is at most `bound` (never for NaN).
SIMD_AVX2 inline __m256 at_most(Lanes3 v, float bound) {
  const __m256 sign = _mm256_set1_ps(-0.0f), b = _mm256_set1_ps(bound);
  const __m256 x = _mm256_cmp_ps(_mm256_andnot_ps(sign, v.x), b, _CMP_LE_OQ);
  const __m256 y = _mm256_cmp_ps(_mm256_andnot_ps(sign, v.y), b, _CMP_LE_OQ);
  const __m256 z = _mm256_cmp_ps(_mm256_andnot_ps(sign, v.z), b, _CMP_LE_OQ);
  return _mm256_and_ps(_mm256_and_ps(x, y), z);
}

SIMD_AVX2 inline __m256 within_limit(Lanes3 f) { return at_most(f, SOFT_FORCE_LIMIT); }

SIMD_AVX2 inline __m256 finite8(Lanes3 v) { return at_most(v, FLT_MAX); }

// force + f in the lanes of `taken`; *fault_free loses the taken lanes where f
// breaks the limit.
SIMD_AVX2 inline void add_force8(Lanes3* force, Lanes3 f, __m256 taken, __m256* fault_free) {
  *fault_free = _mm256_andnot_ps(_mm256_andnot_ps(within_limit(f), taken), *fault_free);
  force->x = _mm256_blendv_ps(force->x, _mm256_add_ps(force->x, f.x), taken);
  force->y = _mm256_blendv_ps(force->y, _mm256_add_ps(force->y, f.y), taken);
  force->z = _mm256_blendv_ps(force->z, _mm256_add_ps(force->z, f.z), taken);
}

SIMD_AVX2 inline __m256 length8(Lanes3 v) {
  return _mm256_sqrt_ps(_mm256_add_ps(_mm256_add_ps(_mm256_mul_ps(v.x, v.x), _mm256_mul_ps(v.y, v.y)),
                                      _mm256_mul_ps(v.z, v.z)));
}

// Lanes outside [SOFT_REST_CUTOFF, SOFT_RUNAWAY_CUTOFF]; never a NaN lane.
SIMD_AVX2 inline __m256 cut_off(__m256 length) {
  return _mm256_or_ps(_mm256_cmp_ps(length, _mm256_set1_ps(SOFT_REST_CUTOFF), _CMP_LT_OQ),
                      _mm256_cmp_ps(length, _mm256_set1_ps(SOFT_RUNAWAY_CUTOFF), _CMP_GT_OQ));
}

SIMD_AVX2 inline Lanes3 zero_where(Lanes3 v, __m256 mask) {
  return {_mm256_andnot_ps(mask, v.x), _mm256_andnot_ps(mask, v.y), _mm256_andnot_ps(mask, v.z)};
}

}  // namespace

bool add_particle_forces_plain(SoftBody* body) {
  bool fault = false;
  for (int32_t i = 0; i < body->particle_count; ++i) fault |= add_forces_to(body->particles[i], body->drag);
  return fault;
}

SIMD_AVX2 bool add_particle_forces_avx2(SoftBody* body) {
  const __m256 zero = _mm256_setzero_ps(), all = _mm256_castsi256_ps(_mm256_set1_epi32(-1));
  const __m256 gravity_y = _mm256_set1_ps(SOFT_GRAVITY.y), drag = _mm256_set1_ps(-body->drag);
  const __m256 ground = _mm256_set1_ps(ground_y), friction = _mm256_set1_ps(-ground_friction);
  const __m256 damping = _mm256_set1_ps(-ground_damping), stiffness = _mm256_set1_ps(ground_stiffness);
  static_assert(SOFT_GRAVITY.x == 0.0f && SOFT_GRAVITY.z == 0.0f);
  __m256 fault_free = all;
  int32_t i = 0;
  for (; i + 8 <= body->particle_count; i += 8) {
    SoftParticle* p = body->particles + i;
    __m256 mass_pos[4], vel[4], force[4];
    load_particle_fields(p, ROW_MASS_POS, mass_pos);
    load_particle_fields(p, ROW_VEL, vel);
    load_particle_fields(p, ROW_FORCE, force);
    const __m256 mass = mass_pos[0], pos_y = mass_pos[2];
    const __m256 vx = vel[0], vy = vel[1], vz = vel[2];
    Lanes3 f = {force[1], force[2], force[3]};
    add_force8(&f, {_mm256_mul_ps(zero, mass), _mm256_mul_ps(gravity_y, mass), _mm256_mul_ps(zero, mass)}, all,
               &fault_free);
    add_force8(&f, scale3({vx, vy, vz}, drag), all, &fault_free);
    const __m256 grounded = _mm256_cmp_ps(ground, pos_y, _CMP_GT_OQ);
    add_force8(&f, scale3({vx, zero, vz}, friction), grounded, &fault_free);
    const __m256 sinking = _mm256_and_ps(grounded, _mm256_cmp_ps(vy, zero, _CMP_LT_OQ));
    add_force8(&f, scale3({zero, vy, zero}, damping), sinking, &fault_free);
    add_force8(&f, {zero, _mm256_mul_ps(_mm256_sub_ps(ground, pos_y), stiffness), zero}, grounded, &fault_free);
    force[1] = f.x;
    force[2] = f.y;
    force[3] = f.z;
    store_particle_fields(p, ROW_FORCE, force);
  }
  bool fault = _mm256_movemask_ps(fault_free) != 0xFF;
  _mm256_zeroupper();  // the rest runs plain SSE code
  for (; i < body->particle_count; ++i) fault |= add_forces_to(body->particles[i], body->drag);
  return fault;
}

bool integrate_plain(SoftBody* body, float dt) { return integrate_range(body, 0, body->particle_count, dt); }

SIMD_AVX2 bool integrate_avx2(SoftBody* body, float dt) {
  const __m256 zero = _mm256_setzero_ps(), step = _mm256_set1_ps(dt);
  int32_t end = body->particle_count;
  for (; end >= 8; end -= 8) {
    SoftParticle* p = body->particles + end - 8;
    __m256 mass_pos[4], vel[4], force[4];
    load_particle_fields(p, ROW_MASS_POS, mass_pos);
    load_particle_fields(p, ROW_VEL, vel);
    load_particle_fields(p, ROW_FORCE, force);
    const __m256 mass = mass_pos[0];
    const Lanes3 f = {force[1], force[2], force[3]};
    const Lanes3 dv = scale3(f, _mm256_div_ps(step, mass));
    const __m256 moving = _mm256_cmp_ps(mass, zero, _CMP_NEQ_UQ);
    Lanes3 v = {_mm256_blendv_ps(vel[0], _mm256_add_ps(vel[0], dv.x), moving),
                _mm256_blendv_ps(vel[1], _mm256_add_ps(vel[1], dv.y), moving),
                _mm256_blendv_ps(vel[2], _mm256_add_ps(vel[2], dv.z), moving)};
    const Lanes3 moved = scale3(v, step);
    const Lanes3 pos = {_mm256_add_ps(mass_pos[1], moved.x), _mm256_add_ps(mass_pos[2], moved.y),
                        _mm256_add_ps(mass_pos[3], moved.z)};
    // The plain loop stops within this block: let it, from the block's top.
    if (_mm256_movemask_ps(_mm256_and_ps(finite8(pos), finite8(v))) != 0xFF) {
      _mm256_zeroupper();
      return integrate_range(body, end - 8, end, dt);
    }
    const Lanes3 kept_force = zero_where(f, cut_off(length8(f)));
    v = zero_where(v, cut_off(length8(v)));
    mass_pos[1] = pos.x;
    mass_pos[2] = pos.y;
    mass_pos[3] = pos.z;
    vel[0] = v.x;
    vel[1] = v.y;
    vel[2] = v.z;
    vel[3] = kept_force.x;
    force[0] = v.z;
    force[1] = kept_force.x;
    force[2] = kept_force.y;
    force[3] = kept_force.z;
    store_particle_fields(p, ROW_MASS_POS, mass_pos);
    store_particle_fields(p, ROW_VEL, vel);
    store_particle_fields(p, ROW_FORCE, force);
  }
  _mm256_zeroupper();
  return integrate_range(body, 0, end, dt);
}
