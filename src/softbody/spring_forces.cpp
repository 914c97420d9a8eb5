#include "common/simd.h"
#include "softbody/spring_forces.h"

#include <algorithm>
#include <new>
#include <tuple>

#include "softbody/rows_avx2.h"
#include "softbody/soft_checks.h"

namespace {

inline void add_to_pair(SoftBody* body, const SoftSpring& spring, Vec3f f) {
  SoftParticle& a = body->particles[spring.a];
  SoftParticle& b = body->particles[spring.b];
  vec3f_add(&a.force, a.force, f);
  vec3f_sub(&b.force, b.force, f);
}

Vec3f spring_force(const SoftBody* body, const SoftSpring& spring) {
  const SoftParticle& a = body->particles[spring.a];
  const SoftParticle& b = body->particles[spring.b];
  Vec3f d;
  vec3f_sub(&d, a.pos, b.pos);
  const float length = vec3f_length(d);
  Vec3f f = {0.0f, 0.0f, 0.0f};
  if (length != 0.0f) {
    Vec3f stretch;
    vec3f_scale(&stretch, d, 1.0f / length);
    vec3f_scale(&stretch, stretch, -(length - spring.rest) * spring.stiffness);
    vec3f_add(&f, f, stretch);
  }
  Vec3f relative;
  vec3f_sub(&relative, a.vel, b.vel);
  vec3f_scale(&relative, relative, -spring.damping);
  vec3f_add(&f, f, relative);
  return f;
}

// The stored forces added in the plain order, last spring first.
void add_stored_forces(SoftBody* body) {
  for (int32_t s = body->spring_count - 1; s >= 0; --s) {
    const float* f = body->spring_force + 8 * static_cast<int64_t>(s);
    add_to_pair(body, body->springs[s], {f[0], f[1], f[2]});
  }
}

// Each particle's own sum over its records, four lanes at a time (the fourth
// is spare): every lane adds exactly as the plain code does, and without a
// NaN among the forces force - f is force + (-f) bit for bit.
void sum_per_particle(SoftBody* body) {
  for (int32_t p = 0; p < body->particle_count; ++p) {
    Vec3f& force = body->particles[p].force;
    __m128 sum = _mm_setr_ps(force.x, force.y, force.z, 0.0f);
    for (int32_t k = body->incident_start[p]; k < body->incident_start[p + 1]; ++k)
      sum = _mm_add_ps(sum, _mm_loadu_ps(body->spring_force + 4 * static_cast<int64_t>(body->incident[k])));
    alignas(16) float lanes[4];
    _mm_store_ps(lanes, sum);
    force = {lanes[0], lanes[1], lanes[2]};
  }
}

// Particle rows of four floats ending with a vector's x, y, z, so that no load
// reaches the force that the sums are writing.
static_assert(offsetof(SoftParticle, pos) == 4 && offsetof(SoftParticle, vel) == 16);

// Row k of each 128-bit half: the four floats that end with the vector at
// byte `offset` in the particles of spring k (low half) and spring k + 4
// (high half), a minus b.
template <size_t offset>
SIMD_AVX2 inline __m256 difference_row(const SoftBody* body, const SoftSpring* springs, int k) {
  auto row = [body](int32_t particle) {
    return reinterpret_cast<const float*>(reinterpret_cast<const char*>(&body->particles[particle]) + offset - 4);
  };
  return _mm256_sub_ps(_mm256_loadu2_m128(row(springs[k + 4].a), row(springs[k].a)),
                       _mm256_loadu2_m128(row(springs[k + 4].b), row(springs[k].b)));
}

// Spring rows as four floats from `b`: b, stiffness, rest, damping.
static_assert(offsetof(SoftSpring, stiffness) == offsetof(SoftSpring, b) + 4 &&
              offsetof(SoftSpring, rest) == offsetof(SoftSpring, b) + 8 &&
              offsetof(SoftSpring, damping) == offsetof(SoftSpring, b) + 12);

}  // namespace

bool add_spring_forces_plain(SoftBody* body) {
  bool fault = false;
  for (int32_t s = body->spring_count - 1; s >= 0; --s) {
    const Vec3f f = spring_force(body, body->springs[s]);
    fault |= soft_oversized(f);
    add_to_pair(body, body->springs[s], f);
  }
  return fault;
}

// Each lane runs the plain sequence for one spring: the same operations in the
// same order, with square root and division exact in both. The block's forces
// are then added one spring at a time, last first, as the plain loop does.
SIMD_AVX2 bool add_spring_forces_avx2(SoftBody* body) {
  if (!body->spring_force || !body->incident) return add_spring_forces_plain(body);
  const __m256 zero = _mm256_setzero_ps(), sign = _mm256_set1_ps(-0.0f);
  const __m256 limit = _mm256_set1_ps(SOFT_FORCE_LIMIT), one = _mm256_set1_ps(1.0f);
  __m256 in_limit = _mm256_castsi256_ps(_mm256_set1_epi32(-1));
  int32_t s = body->spring_count;
  for (; s >= 8; s -= 8) {
    const SoftSpring* springs = body->springs + s - 8;
    __m256 position[4], velocity[4], params[4];
    for (int k = 0; k < 4; ++k) {
      position[k] = difference_row<offsetof(SoftParticle, pos)>(body, springs, k);
      velocity[k] = difference_row<offsetof(SoftParticle, vel)>(body, springs, k);
      params[k] = _mm256_loadu2_m128(reinterpret_cast<const float*>(&springs[k + 4].b),
                                     reinterpret_cast<const float*>(&springs[k].b));
    }
    transpose4x2(position);
    transpose4x2(velocity);
    transpose4x2(params);
    const __m256* d = &position[1];
    const __m256* relative = &velocity[1];
    const __m256 stiffness = params[1], rest = params[2], damping = params[3];
    const __m256 length = _mm256_sqrt_ps(_mm256_add_ps(
        _mm256_add_ps(_mm256_mul_ps(d[0], d[0]), _mm256_mul_ps(d[1], d[1])), _mm256_mul_ps(d[2], d[2])));
    const __m256 stretching = _mm256_cmp_ps(length, zero, _CMP_NEQ_UQ);
    const __m256 inverse = _mm256_div_ps(one, length);
    const __m256 pull = _mm256_mul_ps(_mm256_xor_ps(_mm256_sub_ps(length, rest), sign), stiffness);
    const __m256 drag = _mm256_xor_ps(damping, sign);
    __m256 f[4], minus_f[4];
    for (int k = 0; k < 3; ++k) {
      const __m256 stretch = _mm256_and_ps(_mm256_mul_ps(_mm256_mul_ps(d[k], inverse), pull), stretching);
      f[k] = _mm256_add_ps(_mm256_add_ps(zero, stretch), _mm256_mul_ps(relative[k], drag));
      in_limit = _mm256_and_ps(in_limit, _mm256_cmp_ps(_mm256_andnot_ps(sign, f[k]), limit, _CMP_LE_OQ));
      minus_f[k] = _mm256_xor_ps(f[k], sign);
    }
    f[3] = minus_f[3] = zero;
    transpose4x2(f);
    transpose4x2(minus_f);
    float* records = body->spring_force + 8 * static_cast<int64_t>(s - 8);
    for (int k = 0; k < 4; ++k) {
      _mm256_storeu2_m128(records + 8 * (k + 4), records + 8 * k, f[k]);
      _mm256_storeu2_m128(records + 8 * (k + 4) + 4, records + 8 * k + 4, minus_f[k]);
    }
  }
  bool fault = _mm256_movemask_ps(in_limit) != 0xFF;
  _mm256_zeroupper();  // the rest runs plain SSE code
  for (--s; s >= 0; --s) {
    const Vec3f f = spring_force(body, body->springs[s]);
    fault |= soft_oversized(f);
    float* records = body->spring_force + 8 * static_cast<int64_t>(s);
    std::tie(records[0], records[1], records[2], records[3]) = std::tuple(f.x, f.y, f.z, 0.0f);
    std::tie(records[4], records[5], records[6], records[7]) = std::tuple(-f.x, -f.y, -f.z, -0.0f);
  }
  if (fault) {
    add_stored_forces(body);
  } else {
    sum_per_particle(body);
  }
  return fault;
}

bool soft_index_springs(SoftBody* body) {
  const int32_t n = body->spring_count, particles = body->particle_count;
  body->spring_force = new (std::nothrow) float[8 * static_cast<int64_t>(n)];
  body->incident = new (std::nothrow) int32_t[2 * static_cast<int64_t>(n)];
  body->incident_start = new (std::nothrow) int32_t[particles + 1]();
  int32_t* next = new (std::nothrow) int32_t[particles];
  const bool made = body->spring_force && body->incident && body->incident_start && next;
  if (made) {
    for (int32_t s = 0; s < n; ++s) {
      ++body->incident_start[body->springs[s].a + 1];
      ++body->incident_start[body->springs[s].b + 1];
    }
    for (int32_t p = 0; p < particles; ++p) body->incident_start[p + 1] += body->incident_start[p];
    std::copy(body->incident_start, body->incident_start + particles, next);
    // Last spring first, and a before b within one spring, as the plain sums run.
    for (int32_t s = n - 1; s >= 0; --s) {
      body->incident[next[body->springs[s].a]++] = 2 * s;
      body->incident[next[body->springs[s].b]++] = 2 * s + 1;
    }
  }
  delete[] next;
  return made;
}
