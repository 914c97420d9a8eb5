// Any bytes as a GML drawing: the reader must stay within its fixed record.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "viewers/gml_reader.h"

namespace {
GmlDrawing drawing;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  FILE* stream = fmemopen(const_cast<uint8_t*>(data), size, "rb");
  if (!stream) return 0;
  std::memset(&drawing, 0, sizeof drawing);
  gml_read_stream(stream, &drawing);
  fclose(stream);
  if (drawing.stroke_count < 0 || drawing.stroke_count > GML_MAX_STROKES) abort();
  if (std::memchr(drawing.spec, 0, GML_SPEC_SIZE) == nullptr) abort();
  for (const GmlStroke& stroke : drawing.strokes)
    if (stroke.point_count < 0 || stroke.point_count > GML_MAX_POINTS) abort();
  return 0;
}
