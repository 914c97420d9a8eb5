#include "render3d/span_record.h"

SpanRecord span_record;

namespace {

RecordedPlace place_of(const MeshVertex& v) { return {v.tx, v.ty, v.tz, v.outcode, v.behind}; }

bool one_texel(const MeshVertex& a, const MeshVertex& b, const MeshVertex& c) {
  return a.u == b.u && a.u == c.u && a.v == b.v && a.v == c.v;
}

}  // namespace

void span_record_start(const Mesh* mesh) {
  span_record.mesh = mesh;
  span_record.complete = mesh->face_count <= SPAN_RECORD_FACES && mesh->vertex_count <= SPAN_RECORD_VERTICES;
  span_record.vertex_count = mesh->vertex_count;
  span_record.face_count = mesh->face_count;
  span_record.span_count = 0;
  if (!span_record.complete) return;
  const MeshVertex* corners = mesh_current_frame(mesh);
  for (int32_t i = 0; i < mesh->vertex_count; ++i) span_record.places[i] = place_of(corners[i]);
}

void span_record_finish() {
  if (span_record.complete) span_record.face_start[span_record.face_count] = span_record.span_count;
}

bool span_record_fits_coat(const Mesh* coat, const Mesh* under) {
  if (!span_record.complete || span_record.mesh != under) return false;
  if (coat->face_count != span_record.face_count || coat->vertex_count != span_record.vertex_count) return false;
  const MeshVertex* a = mesh_current_frame(coat);
  for (int32_t i = 0; i < coat->vertex_count; ++i) {
    if (!(place_of(a[i]) == span_record.places[i])) return false;
  }
  for (int32_t i = 0; i < coat->face_count; ++i) {
    const MeshFace& f = coat->faces[i];
    const MeshFace& g = under->faces[i];
    if (f.i0 != g.i0 || f.i1 != g.i1 || f.i2 != g.i2 || !one_texel(a[f.i0], a[f.i1], a[f.i2])) return false;
  }
  return true;
}
