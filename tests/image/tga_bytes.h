#pragma once
// Builds TGA files byte by byte for the reader tests.
#include <cstdint>
#include <cstdio>
#include <string>
#include <vector>

#include "support/files.h"
#include "support/temp_path.h"

struct TgaHeaderFields {
  uint8_t id_length = 0, colormap_type = 0, image_type = 2;
  uint16_t colormap_first = 0, colormap_length = 0;
  uint8_t colormap_depth = 0;
  uint16_t width = 1, height = 1;
  uint8_t depth = 24, descriptor = 0;
};

inline std::vector<uint8_t> tga_header_bytes(const TgaHeaderFields& h) {
  // Little-endian 16-bit fields; the x and y origin are left 0.
  return {h.id_length, h.colormap_type, h.image_type, uint8_t(h.colormap_first), uint8_t(h.colormap_first >> 8),
          uint8_t(h.colormap_length), uint8_t(h.colormap_length >> 8), h.colormap_depth, 0, 0, 0, 0,
          uint8_t(h.width), uint8_t(h.width >> 8), uint8_t(h.height), uint8_t(h.height >> 8), h.depth, h.descriptor};
}

inline std::vector<uint8_t> operator+(std::vector<uint8_t> a, const std::vector<uint8_t>& b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

// A scratch file of this test process, removed when the test ends.
class TempFile {
 public:
  explicit TempFile(const std::vector<uint8_t>& bytes, const std::string& suffix = ".tga") {
    static int serial = 0;
    path_ = temp_path("image_test_" + std::to_string(serial++) + suffix);
    write_file(path_, bytes);
  }
  ~TempFile() { std::remove(path_.c_str()); }
  const char* path() const { return path_.c_str(); }

 private:
  std::string path_;
};
