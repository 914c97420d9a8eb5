#include "render3d/raster.h"

#include <algorithm>
#include <utility>

#include "common/simd.h"
#include "image/image_pool.h"
#include "render3d/span_fill.h"
#include "render3d/span_fill_avx2.h"
#include "render3d/span_record.h"

DepthBuffer depth_buffer;
SpanFiller raster_span_filler = nullptr;

namespace {

// The texture of the draw in progress.
const Image* raster_texture;

// Left or right side of a triangle while its rows are walked.
struct Side {
  Fixed x, u, v;
  int32_t z;
  const MeshEdge* edge;

  void load(const MeshEdge* e) {
    x = e->x;
    u = e->u;
    v = e->v;
    z = e->z;
    edge = e;
  }
  void advance() {
    x += edge->dx;
    u += edge->du;
    v += edge->dv;
    z += edge->dz;
  }
};

// Each draw of a mesh has a new serial, and an edge is marked with the serial
// of the draw that set it up: no pass over the edges to clear the marks, but
// for the draw at which the serial wraps.
int32_t draw_serial;

void raster_next_serial(Mesh* mesh) {
  if (++mesh->edge_serial == 0) {
    for (int32_t i = 0; i < mesh->edge_count; ++i) mesh->edges[i].ready = 0;
    mesh->edge_serial = 1;
  }
  draw_serial = static_cast<int32_t>(mesh->edge_serial);
}

// Points the span at pixel `offset` of the frame and depth buffers.
void place_span(SpanParams* span, int32_t offset) {
  span->dest = frame_buffer + offset;
  span->depth = depth_buffer + offset;
  span->room = FRAME_PIXELS - offset;
}

// A corner's texture coordinate (1/32768 units) in Fixed texels.
Fixed texel_coord(int32_t c, int32_t size) { return (c * size) >> 3; }

// Span fields that stay the same over a whole draw.
void set_texture(SpanParams* span) {
  span->tex_width = raster_texture->width;
  span->tex_height = raster_texture->height;
  span->u_mask = raster_texture->width - 1;
  span->v_mask = raster_texture->height - 1;
  span->row_shift = raster_texture->width_log2;
  span->texels = raster_texture->pixels;
}

void raster_setup_edge(MeshVertex* top, MeshVertex* bottom, MeshEdge* edge) {
  if (edge->ready == draw_serial) return;  // set up by a neighbouring face of this draw
  edge->ready = draw_serial;
  edge->top = top;
  edge->bottom = bottom;
  const int32_t w = raster_texture->width;
  const int32_t h = raster_texture->height;
  const Fixed dy = bottom->ty - top->ty;
  edge->flat = dy < 512 ? 1 : 0;
  edge->u = texel_coord(top->u, w);
  edge->v = texel_coord(top->v, h);
  edge->x = top->tx;
  edge->z = top->tz;
  if (edge->flat) return;
  const Fixed inv = fix_div(FIX_ONE, dy);
  edge->du = fix_mul(texel_coord(bottom->u, w) - edge->u, inv);
  edge->dv = fix_mul(texel_coord(bottom->v, h) - edge->v, inv);
  edge->dx = fix_mul(bottom->tx - top->tx, inv);
  edge->dz = fix_mul(bottom->tz - top->tz, inv);
  edge->y = top->ty;
  if (edge->y < 0) {
    // Start exactly at screen row 0.
    edge->y = 0;
    const Fixed s = -top->ty;
    edge->u += fix_mul(edge->du, s);
    edge->v += fix_mul(edge->dv, s);
    edge->x += fix_mul(edge->dx, s);
    edge->z += fix_mul(edge->dz, s);
  }
}

// `fill` runs one span; the known fillers are passed inline so a row costs no
// call. `fill_rows` false: the edges are set up as for a draw, nothing filled.
// True when some pixel passed the depth test.
template <typename Fill>
bool raster_triangle(MeshFace* face, Mesh* mesh, Fill fill, bool fill_rows) {
  MeshVertex* frame = mesh_current_frame(mesh);
  MeshVertex* p[3] = {&frame[face->i0], &frame[face->i1], &frame[face->i2]};
  // opposite[k] is the edge that does not touch p[k]; it moves with p[k].
  MeshEdge* opposite[3] = {&mesh->edges[face->e12], &mesh->edges[face->e20],
                           &mesh->edges[face->e01]};
  auto order = [&](int i, int j) {
    if (!(p[j]->ty > p[i]->ty)) {
      std::swap(p[i], p[j]);
      std::swap(opposite[i], opposite[j]);
    }
  };
  order(1, 2);
  order(0, 1);
  order(1, 2);
  MeshVertex* top = p[0];
  MeshVertex* mid = p[1];
  MeshVertex* bottom = p[2];
  MeshEdge* etm = opposite[2];
  MeshEdge* emb = opposite[0];
  MeshEdge* el = opposite[1];

  raster_setup_edge(top, mid, etm);
  raster_setup_edge(top, bottom, el);
  raster_setup_edge(mid, bottom, emb);
  if (el->flat) return false;

  const int32_t ystart = std::max(fix_to_int(top->ty), 0);
  const int32_t yend = std::min(fix_to_int(bottom->ty), FRAME_H - 1);
  if (yend - ystart <= 0) return false;
  const int32_t ymid = std::max(fix_to_int(mid->ty), 0);

  Side lng, shrt;
  lng.load(el);
  shrt.load(ystart < ymid ? etm : emb);
  if (emb->flat) emb->x = mid->tx;
  if (!fill_rows) return false;

  const int32_t k = ymid - ystart;
  const Fixed width = emb->x - (el->x + el->dx * k);
  if (width >= 0 && width <= 255) return false;  // under 1/16 pixel wide
  const Fixed du = fix_div(emb->u - (el->u + el->du * k), width);
  const Fixed dv = fix_div(emb->v - (el->v + el->dv * k), width);
  const int32_t dz = fix_div(emb->z - (el->z + el->dz * k), width);
  const bool long_is_left = width > 0;

  SpanParams span;
  span.du = du;
  span.dv = dv;
  span.dz = dz;
  set_texture(&span);

  bool reached = false;
  for (int32_t r = ystart; r <= yend; ++r) {
    const Side& left = long_is_left ? lng : shrt;
    const Side& right = long_is_left ? shrt : lng;
    int32_t xl = fix_to_int(left.x);
    int32_t xr = fix_to_int(right.x);
    if (xr >= 0 && xl < FRAME_W) {
      int32_t skip = 0;
      if (xl < 0) {
        skip = -xl;
        xl = 0;
      }
      if (xr > FRAME_W) xr = FRAME_W;
      span.count = xr - xl;
      span.u = left.u + du * skip;
      span.v = left.v + dv * skip;
      span.z = left.z + dz * skip;
      place_span(&span, r * FRAME_W + xl);
      if (span.count > 0) {
        span_record_add(r * FRAME_W + xl, span.count, span.z, dz);
        if (fill(&span)) reached = true;
      }
    }
    // Both sides keep their start values for the first two rows.
    if (r != ystart) lng.advance();
    if (r == ymid) {
      shrt.load(emb);
    } else if (r != ystart) {
      shrt.advance();
    }
  }
  return reached;
}

// -1 when the corners share no clip-code bit, else 0 (rejected).
int32_t clip_verdict(const MeshVertex& p0, const MeshVertex& p1, const MeshVertex& p2) {
  return (p0.outcode & p1.outcode & p2.outcode & 0xFF) != 0 ? 0 : -1;
}

bool all_below(Fixed a, Fixed b, Fixed c, Fixed limit) { return a < limit && b < limit && c < limit; }
bool all_at_least(Fixed a, Fixed b, Fixed c, Fixed limit) {
  return a >= limit && b >= limit && c >= limit;
}

bool same_screen_place(const MeshVertex& a, const MeshVertex& b) {
  return a.tx == b.tx && a.ty == b.ty && a.tz == b.tz;
}

// Whether face i of `under` proves that face of `mesh` reaches no pixel.
bool reaches_nothing(const Mesh* mesh, const MeshFace& face, const Mesh* under, int32_t i) {
  if (!under || i >= under->face_count) return false;
  const MeshFace& below = under->faces[i];
  if (below.reached != 0 || below.i0 != face.i0 || below.i1 != face.i1 || below.i2 != face.i2) return false;
  const MeshVertex* a = mesh_current_frame(mesh);
  const MeshVertex* b = mesh_current_frame(under);
  return same_screen_place(a[face.i0], b[face.i0]) && same_screen_place(a[face.i1], b[face.i1]) &&
         same_screen_place(a[face.i2], b[face.i2]);
}

// Fills face i of a coat on under's recorded spans with the one texel the
// face shows: what walking its rows would fill, as du and dv are 0 there.
// `span` holds the draw's texture.
template <typename Fill>
bool replay_face(SpanParams* span, const MeshVertex& corner, int32_t i, Fill fill) {
  span->u = texel_coord(corner.u, raster_texture->width);
  span->v = texel_coord(corner.v, raster_texture->height);
  bool reached = false;
  for (int32_t k = span_record.face_start[i]; k < span_record.face_start[i + 1]; ++k) {
    const RecordedSpan& s = span_record.spans[k];
    span->count = s.count;
    span->z = s.z;
    span->dz = s.dz;
    place_span(span, s.offset);
    if (fill(span)) reached = true;
  }
  return reached;
}

// A coat that fits the record: its corners are where under's were, so the
// face tests would decide as they did for under, and a face with no recorded
// span is one they dropped or one with no row to fill.
template <typename Fill>
void replay_faces(Mesh* mesh, Fill fill, const Mesh* under) {
  const MeshVertex* frame = mesh_current_frame(mesh);
  SpanParams span;
  set_texture(&span);
  span.du = 0;
  span.dv = 0;
  for (int32_t i = 0; i < mesh->face_count; ++i) {
    MeshFace* face = &mesh->faces[i];
    face->visible = clip_verdict(frame[face->i0], frame[face->i1], frame[face->i2]);
    face->reached = 0;
    if (span_record.face_start[i] == span_record.face_start[i + 1] || reaches_nothing(mesh, *face, under, i)) continue;
    face->reached = replay_face(&span, frame[face->i0], i, fill) ? 1 : 0;
  }
}

template <typename Fill>
void draw_faces(Mesh* mesh, Fill fill, const Mesh* under) {
  if (under && span_record_fits_coat(mesh, under)) return replay_faces(mesh, fill, under);
  MeshVertex* frame = mesh_current_frame(mesh);
  span_record_start(mesh);
  for (int32_t i = 0; i < mesh->face_count; ++i) {
    MeshFace* face = &mesh->faces[i];
    face->reached = 0;
    const MeshVertex& p0 = frame[face->i0];
    const MeshVertex& p1 = frame[face->i1];
    const MeshVertex& p2 = frame[face->i2];
    face->visible = clip_verdict(p0, p1, p2);
    span_record_face(i);
    if (face->visible == 0) continue;
    // No near-plane clipping: a face touching the space behind the camera is dropped.
    if (p0.behind != 0 || p1.behind != 0 || p2.behind != 0) continue;
    if (all_below(p0.tx, p1.tx, p2.tx, 0) || all_at_least(p0.tx, p1.tx, p2.tx, fix_from_int(FRAME_W)) ||
        all_below(p0.ty, p1.ty, p2.ty, 0) || all_at_least(p0.ty, p1.ty, p2.ty, fix_from_int(FRAME_H))) {
      continue;
    }
    // Clockwise on screen (y down) faces the camera.
    const Fixed a = fix_mul((p0.tx - p1.tx) >> 6, (p1.ty - p2.ty) >> 3);
    const Fixed b = fix_mul((p0.ty - p1.ty) >> 6, (p1.tx - p2.tx) >> 3);
    if (a < b) continue;
    const bool fill_rows = !reaches_nothing(mesh, *face, under, i);
    face->reached = raster_triangle(face, mesh, fill, fill_rows) ? 1 : 0;
  }
  span_record_finish();
}

// The common fillers inline in the draw; any other through its pointer.
void draw_faces_plain(Mesh* mesh, const Mesh* under) {
  if (raster_span_filler == span_opaque) {
    draw_faces(mesh, [](const SpanParams* s) { return span_fill_opaque(s); }, under);
  } else if (raster_span_filler == span_multiply) {
    draw_faces(mesh, [](const SpanParams* s) { return span_fill_multiply(s); }, under);
  } else if (raster_span_filler == span_alpha) {
    draw_faces(mesh, [](const SpanParams* s) { return span_fill_alpha(s); }, under);
  } else {
    // Nothing known of what another filler passes: every face is filled.
    draw_faces(mesh, [](const SpanParams* s) { raster_span_filler(s); return true; }, nullptr);
  }
}

// The same with the common fillers eight pixels wide. Flattened, so the whole
// draw is compiled for AVX2 and the span loops stay inline.
#define AVX2_SPAN(fill) [](const SpanParams* s) SIMD_AVX2 { return fill(s); }
SIMD_AVX2 __attribute__((flatten)) void draw_faces_avx2(Mesh* mesh, const Mesh* under) {
  if (raster_span_filler == span_opaque) {
    draw_faces(mesh, AVX2_SPAN(span_fill_opaque_avx2), under);
  } else if (raster_span_filler == span_multiply) {
    draw_faces(mesh, AVX2_SPAN(span_fill_multiply_avx2), under);
  } else if (raster_span_filler == span_alpha) {
    draw_faces(mesh, AVX2_SPAN(span_fill_alpha_avx2), under);
  } else {
    draw_faces_plain(mesh, under);
  }
}
#undef AVX2_SPAN

}  // namespace

void raster_clear_depth() { std::fill(depth_buffer, depth_buffer + FRAME_PIXELS, DEPTH_CLEAR); }

void raster_draw_mesh(Mesh* mesh) { raster_draw_mesh_over(mesh, nullptr); }

namespace {

// The checks and setup of a draw; false when there is nothing to draw.
bool begin_draw(Mesh* mesh) {
  // A mesh not drawn proves nothing for a coat over it.
  auto not_drawn = [mesh] {
    for (int32_t i = 0; i < mesh->face_count; ++i) mesh->faces[i].reached = 1;
    return false;
  };
  if (mesh->transformed == 0) return not_drawn();
  if (!raster_span_filler) raster_span_filler = span_opaque;
  // A slot outside the pool or one whose picture failed to load has nothing to draw.
  if (mesh->texture < 0 || mesh->texture >= IMAGE_POOL_SIZE) return not_drawn();
  raster_texture = &image_pool[mesh->texture];
  if (!raster_texture->pixels) return not_drawn();
  raster_next_serial(mesh);
  return true;
}

const auto draw_mesh_over = simd_pick(raster_draw_mesh_over_plain, raster_draw_mesh_over_avx2);

}  // namespace

void raster_draw_mesh_over_plain(Mesh* mesh, const Mesh* under) {
  if (begin_draw(mesh)) draw_faces_plain(mesh, under);
}

SIMD_AVX2 void raster_draw_mesh_over_avx2(Mesh* mesh, const Mesh* under) {
  if (begin_draw(mesh)) draw_faces_avx2(mesh, under);
}

void raster_draw_mesh_over(Mesh* mesh, const Mesh* under) { draw_mesh_over(mesh, under); }

void raster_select_alpha(int32_t flag) { raster_span_filler = flag ? span_alpha : span_opaque; }
void raster_select_additive(int32_t flag) { raster_span_filler = flag ? span_additive : span_opaque; }
void raster_select_multiply(int32_t flag) { raster_span_filler = flag ? span_multiply : span_opaque; }
