#include "image/tga.h"

#include <cstdlib>

#include "platform/printable.h"

namespace {
constexpr const char* STATUS_TEXTS[] = {
    "Success",     "Error",        "Out of memory", "Failed to open file",
    "Seek failed", "Read failed",  "Write failed",  "Unknown sub-format",
};
constexpr int32_t STATUS_COUNT = sizeof(STATUS_TEXTS) / sizeof(STATUS_TEXTS[0]);
}  // namespace

const char* tga_status_text(int32_t status) {
  if (status < 0 || status >= STATUS_COUNT) return STATUS_TEXTS[TGA_ERROR];
  return STATUS_TEXTS[status];
}

void tga_report(int32_t status, const char* unit, int32_t line) {
  fprintf(stderr, "Tga:%s:%d: %s\n", platform_printable_text(unit).c_str(), line,
          tga_status_text(status));
}

TgaReader* tga_reader_open(const char* path, const char* mode) {
  auto* reader = static_cast<TgaReader*>(calloc(1, sizeof(TgaReader)));
  if (!reader) {
    tga_report(TGA_OUT_OF_MEMORY, __FILE__, __LINE__);
    return nullptr;
  }
  reader->offset = 0;
  reader->stream = fopen(path, mode);
  if (!reader->stream) {
    tga_report(TGA_OPEN_FAILED, __FILE__, __LINE__);
    free(reader);
    return nullptr;
  }
  reader->last_status = TGA_OK;
  return reader;
}

void tga_reader_close(TgaReader* reader) {
  if (!reader) return;
  if (reader->stream) fclose(reader->stream);
  free(reader);
}
