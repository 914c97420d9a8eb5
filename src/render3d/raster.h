#pragma once
// Triangle rasterizer with a depth buffer: draws a transformed mesh into
// the FrameBuffer through the current span filler.
#include <cstdint>

#include "common/frame.h"
#include "common/numeric.h"  // DEPTH_CLEAR
#include "render3d/mesh.h"
#include "render3d/span.h"

// Depth values as the transform encodes them; smaller is nearer.
using DepthBuffer = int32_t[FRAME_PIXELS];
extern DepthBuffer depth_buffer;

// The filler in use; null until the first draw installs span_opaque.
extern SpanFiller raster_span_filler;

void raster_clear_depth();
// Draws the current frame of a transformed, textured mesh.
void raster_draw_mesh(Mesh* mesh);
// Draws `mesh` as a second coat over `under`, drawn last with no depth
// buffer change since. Faces that match under's in corners and screen
// positions get the same depth test pixel by pixel, so where under's found no
// pixel in front, this one's finds none either: those are set up but not
// filled. When every face of `mesh` matches and shows one texel, it is filled
// on the spans recorded from under's draw instead of walking its rows.
void raster_draw_mesh_over(Mesh* mesh, const Mesh* under);
// The same draw with the common fillers one pixel or eight pixels at a time;
// both give identical pixels, depths and face flags.
void raster_draw_mesh_over_plain(Mesh* mesh, const Mesh* under);
void raster_draw_mesh_over_avx2(Mesh* mesh, const Mesh* under);
// Flag not 0: that filler; 0: span_opaque.
void raster_select_alpha(int32_t flag);
void raster_select_additive(int32_t flag);
void raster_select_multiply(int32_t flag);

