// Table files: layouts, short and long files, missing files.
#include "display/lookup_tables.h"
#include "support/files.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>
#include <tuple>
#include <vector>

namespace {

class LookupTables : public ::testing::Test {
 protected:
  void SetUp() override {
    char templ[] = "/tmp/kolv_lut_XXXXXX";
    dir = mkdtemp(templ);
    charmap = dir + "/charmap.lut";
    colmap = dir + "/colmap.lut";
  }
  void TearDown() override {
    std::remove(charmap.c_str());
    std::remove(colmap.c_str());
    rmdir(dir.c_str());
    // Leave zero tables behind, as the other tests expect at start.
    std::memset(CharMap, 0, sizeof CharMap);
    std::memset(ColorPairMap, 0, sizeof ColorPairMap);
    std::memset(ColorMixMap, 0, sizeof ColorMixMap);
  }
  static void write(const std::string& path, const std::vector<uint8_t>& bytes) { ASSERT_TRUE(write_file(path, bytes)); }
  std::string dir, charmap, colmap;
};

std::vector<uint8_t> pattern_bytes(size_t n, uint8_t seed) {
  std::vector<uint8_t> v(n);
  for (size_t i = 0; i < n; ++i) v[i] = static_cast<uint8_t>(i * 7 + seed);
  return v;
}

TEST_F(LookupTables, FullFilesFillAllThreeTablesInOrder) {
  write(charmap, pattern_bytes(CHAR_MAP_SIZE, 1));
  std::vector<uint8_t> col = pattern_bytes(COLOR_CODES, 2);
  std::vector<float> mix(COLOR_CODES);
  for (int i = 0; i < COLOR_CODES; ++i) mix[i] = static_cast<float>(i) / COLOR_CODES;
  const auto* mix_bytes = reinterpret_cast<const uint8_t*>(mix.data());  // little-endian floats
  col.insert(col.end(), mix_bytes, mix_bytes + 4 * COLOR_CODES);
  ASSERT_EQ(col.size(), 163840u);
  write(colmap, col);
  cell_load_table_files(charmap.c_str(), colmap.c_str());
  EXPECT_EQ(std::tuple(CharMap[0], CharMap[CHAR_MAP_SIZE - 1], ColorPairMap[0x7FFF], ColorMixMap[0], ColorMixMap[0x7FFF]),
            std::tuple(1, uint8_t((CHAR_MAP_SIZE - 1) * 7 + 1), uint8_t(0x7FFF * 7 + 2), 0.0f, 32767.0f / 32768.0f));
}

// Short files leave zeros (over whatever the tables held), long ones are cut,
// and a missing one is named in one line and leaves its tables zero.
TEST_F(LookupTables, ShortLongAndMissingFiles) {
  // Charmap one level long, colmap exactly the pair table: every mix stays 0.
  write(charmap, std::vector<uint8_t>(PATTERN_CODES, 0x41));
  write(colmap, std::vector<uint8_t>(COLOR_CODES, 0x1E));
  std::memset(CharMap, 0x55, sizeof CharMap);
  for (float& m : ColorMixMap) m = 0.3f;
  cell_load_table_files(charmap.c_str(), colmap.c_str());
  EXPECT_EQ(std::tuple(CharMap[PATTERN_CODES - 1], CharMap[PATTERN_CODES], ColorPairMap[0x7FFF]), std::tuple(0x41, 0, 0x1E));
  for (int i = 0; i < COLOR_CODES; i += 1000) ASSERT_EQ(ColorMixMap[i], 0.0f);

  write(charmap, std::vector<uint8_t>(CHAR_MAP_SIZE + 100, 0x42));
  std::vector<uint8_t> col(163840 + 64, 0);
  col[0] = 0x12;
  write(colmap, col);
  cell_load_table_files(charmap.c_str(), colmap.c_str());
  EXPECT_EQ(std::tuple(CharMap[CHAR_MAP_SIZE - 1], ColorPairMap[0]), std::tuple(0x42, 0x12));

  std::remove(charmap.c_str());
  testing::internal::CaptureStderr();
  cell_load_table_files(charmap.c_str(), colmap.c_str());
  const std::string err = testing::internal::GetCapturedStderr();
  EXPECT_TRUE(err.find(charmap) != std::string::npos && std::count(err.begin(), err.end(), '\n') == 1) << err;
  EXPECT_EQ(std::tuple(CharMap[0], ColorPairMap[0]), std::tuple(0, 0x12));
}

}  // namespace
