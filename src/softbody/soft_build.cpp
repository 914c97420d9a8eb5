#include <new>

#include "common/numeric.h"
#include "render3d/fixed_math.h"
#include "softbody/softbody.h"
#include "softbody/spring_forces.h"

float ground_y = 0.0f;
float ground_friction = 0.2f;
float ground_stiffness = 100.0f;
float ground_damping = 2.0f;

namespace {

FixVec3 vertex_position(const MeshVertex& v) { return {v.x, v.y, v.z}; }

bool close_enough_to_weld(const MeshVertex& a, const MeshVertex& b) {
  FixVec3 d;
  vec_sub(&d, vertex_position(a), vertex_position(b));
  return fix_to_float(vec_length_sq(d)) < SOFT_WELD_DISTANCE_SQ;
}

// vertex_map[j] = the first earlier vertex (itself a representative) close to
// j, or j itself. Returns the number of distinct vertices.
int32_t weld(const Mesh* mesh, int32_t vertex_count, int32_t* vertex_map) {
  int32_t distinct = 0;
  for (int32_t j = 0; j < vertex_count; ++j) {
    vertex_map[j] = j;
    for (int32_t i = 0; i < j; ++i) {
      if (vertex_map[i] != i) continue;  // its representative came earlier
      if (close_enough_to_weld(mesh->vertices[i], mesh->vertices[j])) {
        vertex_map[j] = i;
        break;
      }
    }
    if (vertex_map[j] == j) distinct++;
  }
  return distinct;
}

void make_particles(SoftBody* body, Vec3f centre, float pin_radius, float mass) {
  const Mesh* mesh = body->mesh;
  int32_t k = 0;
  for (int32_t j = 0; j < body->vertex_count; ++j) {
    if (body->vertex_map[j] != j) {
      body->vertex_map[j] = body->vertex_map[body->vertex_map[j]];
      continue;
    }
    const MeshVertex& v = mesh->vertices[j];
    SoftParticle& p = body->particles[k];
    p.pos = {fix_to_float(v.x), fix_to_float(v.y), fix_to_float(v.z)};
    p.vel = p.force = {0.0f, 0.0f, 0.0f};
    Vec3f offset;
    vec3f_sub(&offset, p.pos, centre);
    p.mass = vec3f_length(offset) > pin_radius ? mass : 0.0f;
    body->vertex_map[j] = k++;
  }
}

bool spring_exists(const SoftSpring* springs, int32_t count, int32_t pa, int32_t pb) {
  for (int32_t s = 0; s < count; ++s)
    if ((springs[s].a == pa && springs[s].b == pb) || (springs[s].a == pb && springs[s].b == pa))
      return true;
  return false;
}

// One spring per distinct particle pair joined by a triangle edge. Returns the
// count; `scratch` holds 3 x face count entries.
int32_t collect_springs(const SoftBody* body, SoftSpring* scratch, float stiffness,
                        float damping) {
  const Mesh* mesh = body->mesh;
  int32_t count = 0;
  for (int32_t e = 0; e < 3 * mesh->face_count; ++e) {
    const MeshFace& face = mesh->faces[e / 3];
    const int32_t corners[3] = {face.i0, face.i1, face.i2};
    const int32_t va = corners[e % 3];
    const int32_t vb = corners[(e % 3 + 1) % 3];
    // Indices past the vertex array would read foreign memory.
    if (va < 0 || va >= body->vertex_count || vb < 0 || vb >= body->vertex_count) continue;
    const int32_t pa = body->vertex_map[va];
    const int32_t pb = body->vertex_map[vb];
    if (pa == pb || spring_exists(scratch, count, pa, pb)) continue;
    Vec3f d;
    vec3f_sub(&d, body->particles[pa].pos, body->particles[pb].pos);
    scratch[count++] = {pa, pb, stiffness, vec3f_length(d), damping};
  }
  return count;
}

}  // namespace

void soft_set_ground(float y, float friction, float stiffness, float damping) {
  ground_y = y;
  ground_friction = friction;
  ground_stiffness = stiffness;
  ground_damping = damping;
}

void soft_build(SoftBody* body, Mesh* mesh, Vec3f centre, float pin_radius, float mass,
                float spring_damping, float spring_stiffness, float drag) {
  if (!body || !mesh) return;
  const int32_t vertex_count = mesh->vertices && mesh->vertex_count > 0 ? mesh->vertex_count : 0;
  const int32_t edge_slots = mesh->faces && mesh->face_count > 0 ? 3 * mesh->face_count : 0;
  body->mesh = mesh;
  body->vertex_count = vertex_count;
  body->vertex_map = new (std::nothrow) int32_t[vertex_count];
  SoftSpring* scratch = new (std::nothrow) SoftSpring[edge_slots];
  if (!body->vertex_map || !scratch) {
    delete[] scratch;
    soft_free(body);
    return;
  }
  body->particle_count = weld(mesh, vertex_count, body->vertex_map);
  body->particles = new (std::nothrow) SoftParticle[body->particle_count];
  if (!body->particles) {
    delete[] scratch;
    soft_free(body);
    return;
  }
  make_particles(body, centre, pin_radius, mass);
  body->spring_count = edge_slots > 0 ? collect_springs(body, scratch, spring_stiffness,
                                                        spring_damping) : 0;
  body->springs = new (std::nothrow) SoftSpring[body->spring_count];
  if (!body->springs) {
    delete[] scratch;
    soft_free(body);
    return;
  }
  for (int32_t s = 0; s < body->spring_count; ++s) body->springs[s] = scratch[s];
  delete[] scratch;
  if (!soft_index_springs(body)) {
    soft_free(body);
    return;
  }

  body->pos = centre;
  body->vel = body->ang_vel = {0.0f, 0.0f, 0.0f};
  body->pin_radius = pin_radius;
  body->drag = drag;
  body->active = 1;
}

void soft_free(SoftBody* body) {
  if (!body) return;
  delete[] body->vertex_map;
  delete[] body->particles;
  delete[] body->springs;
  delete[] body->spring_force;
  delete[] body->incident;
  delete[] body->incident_start;
  body->vertex_map = nullptr;
  body->particles = nullptr;
  body->springs = nullptr;
  body->spring_force = nullptr;
  body->incident = body->incident_start = nullptr;
  body->particle_count = body->spring_count = body->vertex_count = 0;
  body->active = 0;
  body->mesh = nullptr;
}

void soft_set_motion(SoftBody* body, const Vec3f* velocity, const Vec3f* angular_velocity) {
  if (velocity) body->vel = *velocity;
  if (angular_velocity) body->ang_vel = *angular_velocity;
}

void soft_write_back(SoftBody* body) {
  Mesh* mesh = body->mesh;
  if (!mesh || !mesh->vertices || !body->vertex_map) return;
  const int32_t count = mesh->vertex_count < body->vertex_count ? mesh->vertex_count
                                                                 : body->vertex_count;
  for (int32_t i = count - 1; i >= 0; --i) {
    const Vec3f& p = body->particles[body->vertex_map[i]].pos;
    MeshVertex& v = mesh->vertices[i];
    v.x = trunc_to_i32(p.x * 4096.0f);
    v.y = trunc_to_i32(p.y * 4096.0f);
    v.z = trunc_to_i32(p.z * 4096.0f);
  }
}
