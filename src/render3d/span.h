#pragma once
// Span fillers: one horizontal run of textured, depth-tested pixels.
// Texels equal to COLOR_KEY (common/frame.h) are never drawn.
#include <cstdint>

#include "common/frame.h"
#include "render3d/fixed_math.h"
#include "render3d/span_params.h"

using SpanFiller = void (*)(const SpanParams* span);

void span_opaque(const SpanParams* span);
void span_alpha(const SpanParams* span);
void span_additive(const SpanParams* span);
void span_multiply(const SpanParams* span);
