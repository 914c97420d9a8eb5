#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <filesystem>
#include <fstream>
#include <string>
#include <tuple>
#include <utility>

#include "sync/track.h"

namespace {

struct RawKey {
  int32_t row;
  float value;
  uint8_t interpolation;
};

std::string bytes_of(int32_t count, std::initializer_list<RawKey> keys) {
  std::string out(reinterpret_cast<const char*>(&count), 4);
  for (const RawKey& key : keys) {
    out.append(reinterpret_cast<const char*>(&key.row), 4);
    out.append(reinterpret_cast<const char*>(&key.value), 4);
    out.push_back(static_cast<char>(key.interpolation));
  }
  return out;
}

class TrackFileTest : public ::testing::Test {
 protected:
  void SetUp() override {
    dir_ = std::filesystem::path(::testing::TempDir()) / ("track_file_" + std::to_string(::getpid()));
    std::filesystem::create_directories(dir_);
  }
  void TearDown() override { std::filesystem::remove_all(dir_); }

  std::string write(const std::string& name, const std::string& bytes) {
    std::ofstream(dir_ / name, std::ios::binary) << bytes;
    return (dir_ / name).string();
  }

  // Loads the file and returns what the reader printed.
  std::string load(const std::string& path, KeyTrack* track, int* result) {
    ::testing::internal::CaptureStderr();
    *result = track_load_file(path.c_str(), track);
    return ::testing::internal::GetCapturedStderr();
  }

  std::filesystem::path dir_;
};

TEST_F(TrackFileTest, ReadsKeysOrNothingAndWidensTheInterpolationWithItsSign) {
  std::string path = write("keys.track", bytes_of(3, {{-4, 0.1f, 1}, {0, -1.0f, 0x80}, {64, 2.5f, 0xFF}}));
  KeyTrack track{};
  int result;
  EXPECT_EQ(load(path, &track, &result), "");
  ASSERT_EQ(std::tuple(result, track.count), std::tuple(TRACK_LOAD_OK, 3));
  EXPECT_EQ(std::tuple(track.keys[0].row, track.keys[0].value), std::tuple(-4, 0.1f));
  EXPECT_EQ(std::tuple(track.keys[0].interpolation, track.keys[1].interpolation, track.keys[2].interpolation),
            std::tuple(INTERP_LINEAR, -128, -1));
  EXPECT_EQ(track_value(&track, 30.0), 0.0f);  // a negative kind reads 0 until the next key
  track_clear(&track);
  // A missing file, an empty file and a count of 0 are all a silent empty track.
  EXPECT_EQ(load((dir_ / "absent.track").string(), &track, &result), "");
  EXPECT_EQ(std::tuple(result, track.count), std::tuple(TRACK_LOAD_MISSING, 0));
  for (const std::string& bytes : {std::string(), bytes_of(0, {})}) {
    EXPECT_EQ(load(write("empty.track", bytes), &track, &result), "");
    EXPECT_EQ(std::tuple(result, track.count), std::tuple(TRACK_LOAD_OK, 0));
    EXPECT_EQ(track_value(&track, 5.0), 0.0f);
  }
}

// Each damaged file is refused with one line naming it, and a track that held
// keys before is left empty rather than half-overwritten.
TEST_F(TrackFileTest, RejectsDamagedFilesWithOneLine) {
  std::string full = bytes_of(2, {{0, 1.0f, 0}, {4, 2.0f, 0}});
  const std::pair<const char*, std::string> cases[] = {
      {"negative count", bytes_of(-1, {})},
      {"implausible count", bytes_of(TRACK_MAX_KEYS + 1, {})},
      {"count larger than the file", bytes_of(3, {{0, 1.0f, 0}, {4, 2.0f, 0}})},
      {"last key cut short", full.substr(0, full.size() - 1)},
      {"count cut short", std::string("\x01\x00", 2)},
      {"repeated row", bytes_of(2, {{4, 1.0f, 1}, {4, 2.0f, 0}})},
  };
  for (const auto& [what, bytes] : cases) {
    KeyTrack track{};
    int result;
    load(write("good.track", full), &track, &result);
    ASSERT_EQ(track.count, 2);
    std::string path = write("bad.track", bytes);
    std::string message = load(path, &track, &result);
    EXPECT_EQ(std::tuple(result, track.count, track.keys), std::tuple(TRACK_LOAD_REJECTED, 0, nullptr)) << what;
    EXPECT_EQ(message.rfind(path + ": ", 0), 0u) << what << ": " << message;
    EXPECT_EQ(std::count(message.begin(), message.end(), '\n'), 1) << what << ": " << message;
  }
}

TEST_F(TrackFileTest, StoreReadsEachTrackOnceAndMatchesNamesExactly) {
  write("sync_scene.track", bytes_of(1, {{0, 2.0f, 0}}));
  write("sync_Scene.track", bytes_of(1, {{0, 3.0f, 0}}));
  TrackStore* store = track_store_create((dir_ / "sync").c_str());
  ASSERT_NE(store, nullptr);
  KeyTrack* scene = track_get(store, "scene");
  EXPECT_EQ(track_value(scene, 0.0), 2.0f);
  // The file changes, but a second request does not read it again.
  write("sync_scene.track", bytes_of(1, {{0, 9.0f, 0}}));
  EXPECT_EQ(track_get(store, "scene"), scene);
  EXPECT_EQ(track_value(scene, 0.0), 2.0f);

  EXPECT_EQ(track_value(track_get(store, "Scene"), 0.0), 3.0f);
  EXPECT_EQ(track_get(store, "part")->count, 0);  // no file: empty, still stored
  EXPECT_EQ(std::tuple(track_find(store, "part"), track_find(store, "PART"), store->count), std::tuple(2, -1, 3));
  track_store_free(store);
  // Without a store every track reads as empty.
  EXPECT_EQ(track_value(track_get(nullptr, "scene"), 10.0), 0.0f);
  EXPECT_EQ(track_value(nullptr, 10.0), 0.0f);
}

TEST_F(TrackFileTest, FilePathsThatDoNotFitAreRefusedNotTruncated) {
  std::string prefix_259(TRACK_PATH_MAX - 1 - std::strlen("_a.track"), 'p');
  EXPECT_STREQ(track_file_path(prefix_259.c_str(), "a"), (prefix_259 + "_a.track").c_str());
  EXPECT_EQ(track_file_path(prefix_259.c_str(), "ab"), nullptr);

  TrackStore* store = track_store_create(prefix_259.c_str());
  ::testing::internal::CaptureStderr();
  KeyTrack* track = track_get(store, "ab");
  std::string message = ::testing::internal::GetCapturedStderr();
  EXPECT_EQ(track->count, 0);
  EXPECT_NE(message.find("too long"), std::string::npos) << message;
  track_store_free(store);
}

}  // namespace
