#pragma once
// The spans of the last mesh drawn, face by face. A second coat of the same
// shape whose faces each show one texel covers exactly these pixels with
// exactly these depths, so it is laid over them without walking its
// triangles again.
#include <cstdint>

#include "render3d/mesh.h"

// What the face tests and the row walk read of a corner's place.
struct RecordedPlace {
  Fixed tx, ty, tz;
  int32_t outcode, behind;
  bool operator==(const RecordedPlace&) const = default;
};

struct RecordedSpan {
  int32_t offset;  // of the first pixel, in the frame and depth buffers
  int32_t count;
  int32_t z, dz;
};

constexpr int32_t SPAN_RECORD_VERTICES = 2048;
constexpr int32_t SPAN_RECORD_FACES = 2048;
constexpr int32_t SPAN_RECORD_SPANS = 16384;

struct SpanRecord {
  const Mesh* mesh;  // whose draw
  bool complete;     // false when the draw did not fit
  int32_t vertex_count;
  int32_t face_count;
  int32_t span_count;
  // Face i's spans are spans[face_start[i]] up to spans[face_start[i + 1]].
  int32_t face_start[SPAN_RECORD_FACES + 1];
  RecordedSpan spans[SPAN_RECORD_SPANS];
  RecordedPlace places[SPAN_RECORD_VERTICES];  // of the mesh's corners at that draw
};

extern SpanRecord span_record;

// Bracket one draw of `mesh`; every face is marked before its spans are added.
void span_record_start(const Mesh* mesh);
void span_record_finish();

inline void span_record_face(int32_t face) {
  if (span_record.complete) span_record.face_start[face] = span_record.span_count;
}

inline void span_record_add(int32_t offset, int32_t count, int32_t z, int32_t dz) {
  if (span_record.span_count == SPAN_RECORD_SPANS) span_record.complete = false;
  if (!span_record.complete) return;
  span_record.spans[span_record.span_count++] = {offset, count, z, dz};
}

// Whether `coat` may be laid over the recorded spans: they are those of a
// draw of `under` with the corners where coat's are now, and every face of
// `coat` joins under's corners and has one texture coordinate at all three.
bool span_record_fits_coat(const Mesh* coat, const Mesh* under);
