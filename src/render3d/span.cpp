#include "render3d/span.h"

#include "render3d/span_fill.h"

void span_opaque(const SpanParams* span) { span_fill_opaque(span); }
void span_alpha(const SpanParams* span) { span_fill_alpha(span); }
void span_additive(const SpanParams* span) { span_fill_additive(span); }
void span_multiply(const SpanParams* span) { span_fill_multiply(span); }
