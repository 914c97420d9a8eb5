#pragma once
// The per-particle parts of a step: one particle at a time, and eight at a
// time on AVX2 machines; both give identical bits.
#include "softbody/softbody.h"

// Gravity, drag and the ground into every particle's force. True when a
// contribution is oversized or not a number.
bool add_particle_forces_plain(SoftBody* body);
bool add_particle_forces_avx2(SoftBody* body);
// Explicit Euler, last particle to first. True when a particle's new state
// would not be finite: it and the ones before it stay unwritten.
bool integrate_plain(SoftBody* body, float dt);
bool integrate_avx2(SoftBody* body, float dt);
