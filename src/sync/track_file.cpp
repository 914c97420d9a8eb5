#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>

#include "sync/track.h"
#include "platform/printable.h"

namespace {

int32_t read_le32(const unsigned char* bytes) {
  return static_cast<int32_t>(bytes[0] | bytes[1] << 8 | bytes[2] << 16 |
                              static_cast<uint32_t>(bytes[3]) << 24);
}

// One line naming the file; the track is left empty.
int reject(const char* path, KeyTrack* track, std::FILE* file, const char* format, ...) {
  char reason[160];
  va_list args;
  va_start(args, format);
  std::vsnprintf(reason, sizeof reason, format, args);
  va_end(args);
  std::fprintf(stderr, "%s: bad track file: %s\n", platform_printable_text(path).c_str(), reason);
  track_clear(track);
  std::fclose(file);
  return TRACK_LOAD_REJECTED;
}

// Bytes left after the current position, or -1 when the file cannot tell.
long bytes_left(std::FILE* file) {
  long here = std::ftell(file);
  if (here < 0 || std::fseek(file, 0, SEEK_END) != 0) return -1;
  long end = std::ftell(file);
  if (std::fseek(file, here, SEEK_SET) != 0) return -1;
  return end - here;
}

}  // namespace

void track_clear(KeyTrack* track) {
  std::free(track->keys);
  track->keys = nullptr;
  track->count = 0;
}

int track_load_file(const char* path, KeyTrack* track) {
  track_clear(track);
  std::FILE* file = std::fopen(path, "rb");
  if (!file) return TRACK_LOAD_MISSING;

  unsigned char bytes[TRACK_FILE_KEY_SIZE];
  size_t got = std::fread(bytes, 1, 4, file);
  if (std::ferror(file)) return reject(path, track, file, "cannot be read");
  if (got == 0) {  // an empty file is an empty track
    std::fclose(file);
    return TRACK_LOAD_OK;
  }
  if (got < 4) return reject(path, track, file, "key count cut short");
  int32_t count = read_le32(bytes);
  if (count < 0) return reject(path, track, file, "negative key count %d", count);
  if (count > TRACK_MAX_KEYS)
    return reject(path, track, file, "implausible key count %d", count);
  // Checked before allocating, so a damaged count cannot claim megabytes.
  long left = bytes_left(file);
  if (left >= 0 && left < static_cast<long>(count) * TRACK_FILE_KEY_SIZE)
    return reject(path, track, file, "holds %ld of its %d keys", left / TRACK_FILE_KEY_SIZE,
                  count);
  if (count == 0) {
    std::fclose(file);
    return TRACK_LOAD_OK;
  }

  auto* keys = static_cast<Keyframe*>(std::malloc(sizeof(Keyframe) * count));
  if (!keys) return reject(path, track, file, "no memory for %d keys", count);
  track->keys = keys;
  for (int32_t i = 0; i < count; i++) {
    if (std::fread(bytes, 1, TRACK_FILE_KEY_SIZE, file) != TRACK_FILE_KEY_SIZE)
      return reject(path, track, file, "key %d of %d cut short", i, count);
    keys[i].row = read_le32(bytes);
    keys[i].value = std::bit_cast<float>(read_le32(bytes + 4));
    keys[i].interpolation = static_cast<int8_t>(bytes[8]);
    // Evaluation divides by the gap between neighbouring rows.
    if (i > 0 && keys[i].row <= keys[i - 1].row)
      return reject(path, track, file, "key %d: row %d does not follow row %d", i,
                    keys[i].row, keys[i - 1].row);
  }
  track->count = count;
  std::fclose(file);
  return TRACK_LOAD_OK;
}
