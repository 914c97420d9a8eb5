#pragma once
// Adds the force of every spring to its two particles (a takes it, b its
// negation), last spring first: the order in which each particle's sum runs.
#include "softbody/softbody.h"

// Allocates the body's room for spring forces and fills each particle's list
// of them. False when out of memory.
bool soft_index_springs(SoftBody* body);

// True when a force is oversized or not a number. One spring at a time; or,
// on AVX2 machines, the forces eight springs at a time and then each
// particle's own sum over its list in the same order, so both give identical
// bits. (After a fault the sums run in the plain order: adding -f instead of
// subtracting f could give a NaN of the other sign.)
bool add_spring_forces_plain(SoftBody* body);
bool add_spring_forces_avx2(SoftBody* body);
