#include "audio/test_sounds.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "audio/music.h"
#include "tools/musicgen/mp3_writer.h"
#include "support/files.h"

namespace {
// Per process (the runner runs several test programs at once), removed at exit.
struct TempFile {
  std::string path;
  TempFile(const char* name, void (*write)(const std::string&))
      : path(testing::TempDir() + std::to_string(getpid()) + "_" + name) {
    write(path);
  }
  ~TempFile() { std::remove(path.c_str()); }
};

void write_stepped_tone(const std::string& p) {
  const int frames = STEPPED_TONE_MS * MUSIC_RATE / 1000;
  std::vector<float> stereo(2 * frames);
  double phase = 0;
  for (int i = 0; i < frames; i++) {
    phase += 2 * M_PI * stepped_tone_hz(static_cast<int>(int64_t{i} * 1000 / MUSIC_RATE)) / MUSIC_RATE;
    stereo[2 * i] = stereo[2 * i + 1] = static_cast<float>(std::sin(phase));
  }
  EXPECT_TRUE(mp3_write(p.c_str(), stereo.data(), frames, 192));
}

void put16be(std::vector<unsigned char>& b, size_t at, int v) {
  b[at] = static_cast<unsigned char>(v >> 8);
  b[at + 1] = static_cast<unsigned char>(v);
}

void write_four_order_mod(const std::string& p) {
  const int orders = 4, sample_len = 64;
  std::vector<unsigned char> b(1084 + orders * 1024 + sample_len, 0);
  std::snprintf(reinterpret_cast<char*>(b.data()), 20, "four orders");
  size_t s = 20;  // sample 1: a looping square wave at full volume
  put16be(b, s + 22, sample_len / 2);
  b[s + 25] = 64;
  put16be(b, s + 28, sample_len / 2);
  for (int i = 1; i < 31; i++) put16be(b, 20 + i * 30 + 28, 1);  // unused samples: no loop
  b[950] = orders;
  b[951] = 127;
  for (int o = 0; o < orders; o++) b[952 + o] = static_cast<unsigned char>(o);
  std::copy_n("M.K.", 4, b.begin() + 1080);
  const int periods[orders] = {428, 381, 339, 320};
  for (int o = 0; o < orders; o++) {
    size_t cell = 1084 + o * 1024;  // row 0, channel 0: sample 1 at this pattern's pitch
    b[cell] = static_cast<unsigned char>(0x00 | (periods[o] >> 8));
    b[cell + 1] = static_cast<unsigned char>(periods[o]);
    b[cell + 2] = 0x10;
  }
  size_t data = 1084 + orders * 1024;
  for (int i = 0; i < sample_len; i++) b[data + i] = i < sample_len / 2 ? 0x60 : 0xA0;
  ASSERT_TRUE(write_file(p, b));
}
}  // namespace

const std::string& stepped_tone_mp3() {
  static const TempFile file("kolv_stepped_tone.mp3", write_stepped_tone);
  return file.path;
}

const std::string& four_order_mod() {
  static const TempFile file("kolv_four_orders.mod", write_four_order_mod);
  return file.path;
}

int loudest_bin(const float* bins) {
  return static_cast<int>(std::max_element(bins + 1, bins + MUSIC_BINS) - bins);
}
