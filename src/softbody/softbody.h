#pragma once
// Mass-spring soft bodies: every distinct vertex of a mesh becomes a particle,
// every triangle edge a damped spring. The mesh also moves rigidly; particles
// near the centre are pinned to that motion while the others lag behind in
// world space and are pulled back by the springs, so the body wobbles.
#include <cstdint>

#include "render3d/mesh.h"
#include "render3d/vec.h"

struct SoftParticle {
  float mass;  // 0: pinned, keeps its mesh-local place
  Vec3f pos;   // mesh-local
  Vec3f vel;
  Vec3f force;
};

struct SoftSpring {
  int32_t a, b;  // particle indices
  float stiffness;
  float rest;
  float damping;
};

struct SoftBody {
  Mesh* mesh;  // not owned
  SoftParticle* particles;
  int32_t particle_count;
  int32_t* vertex_map;  // per mesh vertex: the particle that drives it
  SoftSpring* springs;
  int32_t spring_count;
  Vec3f pos;  // rigid position
  float pin_radius;
  Vec3f vel;      // rigid velocity
  Vec3f ang_vel;  // x is the yaw rate
  // 1 once built; 0 after an internal fault (a non-finite value or an
  // oversized force), which holds the body as it was instead of spreading
  // NaN into the mesh.
  int32_t active;
  float drag;
  // Length of vertex_map: a write-back into a second mesh never reaches past it.
  int32_t vertex_count;
  // Made by soft_build for the step: room for each spring's force, as x, y,
  // z and a spare float, on a then on b (record 2 s and 2 s + 1); and each
  // particle's records, last spring first, in
  // incident[incident_start[p] .. incident_start[p + 1]).
  float* spring_force;
  int32_t* incident;
  int32_t* incident_start;
};

// The ground plane shared by every body.
extern float ground_y;
extern float ground_friction;
extern float ground_stiffness;
extern float ground_damping;

constexpr Vec3f SOFT_GRAVITY = {0.0f, -9.81f, 0.0f};
// Squared distance under which two vertices share one particle.
constexpr float SOFT_WELD_DISTANCE_SQ = 0.01f;
// Speeds and forces below the first are stopped, above the second cut.
constexpr float SOFT_REST_CUTOFF = 0.00001f;
constexpr float SOFT_RUNAWAY_CUTOFF = 100000.0f;
// Largest force contribution the simulation accepts before it holds the body.
constexpr float SOFT_FORCE_LIMIT = 1e18f;

void soft_set_ground(float y, float friction, float stiffness, float damping);
// Builds an empty body from the mesh's frame 0. Does nothing if either is missing.
void soft_build(SoftBody* body, Mesh* mesh, Vec3f centre, float pin_radius, float mass,
                float spring_damping, float spring_stiffness, float drag);
void soft_free(SoftBody* body);
// Either vector may be null: that field keeps its value.
void soft_set_motion(SoftBody* body, const Vec3f* velocity, const Vec3f* angular_velocity);
void soft_step(SoftBody* body, float dt);
// Particle positions into the mesh's vertex positions (x 4096, truncated).
void soft_write_back(SoftBody* body);
