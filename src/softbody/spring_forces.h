#pragma once
// The force of every spring, computed apart from the order-dependent sum into
// the particles so that several springs can be worked on at once.
#include <cstdint>

#include "softbody/softbody.h"

// Per spring s: the force on particle a (b takes its negation), as x[s], y[s], z[s].
struct SpringForces {
  float* x;
  float* y;
  float* z;
};

// Fills out for every spring. True when a force is oversized or not a number.
bool spring_forces(const SoftBody* body, SpringForces out);
// The same, one spring at a time and eight at a time (AVX2 machines only);
// both give identical bits.
bool spring_forces_plain(const SoftBody* body, SpringForces out);
bool spring_forces_avx2(const SoftBody* body, SpringForces out);
