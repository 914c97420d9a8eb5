#pragma once
// Adds the force of every spring to its two particles (a takes it, b its
// negation), last spring first: the order in which each particle's sum runs.
#include "softbody/softbody.h"

// True when a force is oversized or not a number. One spring at a time, or
// eight at a time on AVX2 machines (the sums still one by one, in the same
// order); both give identical bits.
bool add_spring_forces_plain(SoftBody* body);
bool add_spring_forces_avx2(SoftBody* body);
