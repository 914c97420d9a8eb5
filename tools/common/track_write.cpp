#include "tools/common/track_write.h"

#include <bit>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "platform/printable.h"

namespace {

void put_le32(std::string* out, uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) out->push_back(static_cast<char>(value >> shift));
}

}  // namespace

std::string track_file_bytes(const Keyframe* keys, int32_t count) {
  std::string out;
  out.reserve(4 + static_cast<size_t>(count) * TRACK_FILE_KEY_SIZE);
  put_le32(&out, static_cast<uint32_t>(count));
  for (int32_t i = 0; i < count; i++) {
    put_le32(&out, static_cast<uint32_t>(keys[i].row));
    put_le32(&out, std::bit_cast<uint32_t>(keys[i].value));
    out.push_back(static_cast<char>(keys[i].interpolation));
  }
  return out;
}

bool file_write(const std::string& path, const std::string& bytes, std::string* error) {
  std::FILE* file = std::fopen(path.c_str(), "wb");
  if (!file) {
    *error = platform_printable_text(path) + ": " + std::strerror(errno);
    return false;
  }
  bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
  int saved_errno = errno;
  if (std::fclose(file) != 0 && written) {
    written = false;
    saved_errno = errno;
  }
  if (!written) *error = platform_printable_text(path) + ": " + std::strerror(saved_errno);
  return written;
}
