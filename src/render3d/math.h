#pragma once
// The renderer's number formats and the small vector and matrix operations,
// for callers that want all of them (soft body, scenes).
#include "render3d/fixed_math.h"
#include "render3d/mat.h"
#include "render3d/sine_table.h"
#include "render3d/vec.h"
