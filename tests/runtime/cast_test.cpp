#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "display/ansi_encoder.h"
#include "runtime/cast.h"

namespace {

struct Event {
  std::string time;
  std::string kind;
  std::string data;  // decoded
};

// Reads one JSON string starting at text[i] == '"'; leaves i past it.
std::string json_string(const std::string& text, size_t& i) {
  std::string out;
  EXPECT_EQ(text[i], '"');
  for (++i; i < text.size() && text[i] != '"'; ++i) {
    unsigned char c = static_cast<unsigned char>(text[i]);
    EXPECT_GE(c, 0x20) << "raw control byte in a JSON string";
    if (c != '\\') {
      out += text[i];
      continue;
    }
    char e = text[++i];
    if (e == 'u') {
      out += static_cast<char>(std::stoi(text.substr(i + 1, 4), nullptr, 16));
      i += 4;
    } else {
      EXPECT_TRUE(e == '"' || e == '\\') << "unexpected escape \\" << e;
      out += e;
    }
  }
  ++i;
  return out;
}

// `[time, "o", "data"]`
Event parse_event(const std::string& line) {
  Event event;
  EXPECT_EQ(line.front(), '[');
  EXPECT_EQ(line.back(), ']');
  size_t comma = line.find(',');
  event.time = line.substr(1, comma - 1);
  size_t i = line.find('"');
  event.kind = json_string(line, i);
  i = line.find('"', i);
  event.data = json_string(line, i);
  EXPECT_EQ(line.substr(i), "]");
  return event;
}

std::vector<std::string> lines_of(const std::string& path) {
  std::ifstream in(path);
  std::vector<std::string> lines;
  for (std::string line; std::getline(in, line);) lines.push_back(line);
  return lines;
}

std::string encoded(const ConsoleCell* cells, const ConsoleCell* previous, ColorMode mode) {
  static char bytes[ANSI_FRAME_MAX];
  size_t n = ansi_encode(cells, previous, mode, ansi_layout(CONSOLE_COLS, CONSOLE_ROWS), bytes,
                         sizeof bytes, nullptr);
  return std::string(bytes, n);
}

class Cast : public ::testing::Test {
 protected:
  void SetUp() override { path_ = "/tmp/kolv17-cast-" + std::to_string(getpid()) + ".cast"; }
  void TearDown() override { std::remove(path_.c_str()); }
  std::string path_;
};

}  // namespace

// Played back, the recording sends a terminal exactly the encoder's bytes:
// the first frame whole, then only changes, with JSON escaping that survives
// quotes, backslashes and escape sequences. Unchanged frames add nothing.
TEST_F(Cast, EventsCarryTheEncoderBytesOfEachChangedFrame) {
  static ConsoleCell a[CONSOLE_CELLS], b[CONSOLE_CELLS];
  for (int i = 0; i < CONSOLE_CELLS; ++i) {
    a[i] = {static_cast<uint16_t>(i % 3 == 0 ? '"' : i % 3 == 1 ? '\\' : 0xDB),
            static_cast<uint16_t>(i % 256)};
    b[i] = a[i];
  }
  b[4321 % CONSOLE_CELLS] = {'A', 0x1F};
  b[CONSOLE_CELLS - 1] = {0xB0, 0x4E};

  ASSERT_TRUE(cast_open(path_.c_str(), ColorMode::Ansi256, "say \"hi\""));
  cast_frame(a, 0);
  cast_frame(a, 20);
  cast_frame(b, 61005);
  ASSERT_TRUE(cast_close());
  EXPECT_FALSE(cast_is_open());

  std::vector<std::string> lines = lines_of(path_);
  ASSERT_EQ(lines.size(), 3u);
  const std::string& header = lines[0];
  EXPECT_EQ(header.rfind("{\"version\": 2, \"width\": 80, \"height\": 50, ", 0), 0u) << header;
  EXPECT_NE(header.find("\"title\": \"say \\\"hi\\\"\""), std::string::npos) << header;
  EXPECT_NE(header.find("\"TERM\": \"xterm-256color\""), std::string::npos) << header;

  Event first = parse_event(lines[1]);
  Event second = parse_event(lines[2]);
  EXPECT_EQ(first.time, "0.000");
  EXPECT_EQ(second.time, "61.005");
  EXPECT_EQ(first.kind, "o");
  EXPECT_EQ(first.data, "\x1b[?25l" + encoded(a, nullptr, ColorMode::Ansi256));
  EXPECT_EQ(second.data, encoded(b, a, ColorMode::Ansi256));
}

TEST_F(Cast, ReportsAFileItCannotCreateInOneLine) {
  std::string bad = "/nonexistent-folder/x.cast";
  testing::internal::CaptureStderr();
  EXPECT_FALSE(cast_open(bad.c_str(), ColorMode::TrueColor, "t"));
  std::string err = testing::internal::GetCapturedStderr();
  EXPECT_EQ(err.rfind(bad, 0), 0u) << err;
  EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  EXPECT_FALSE(cast_is_open());
  cast_frame(nullptr, 0);  // ignored, not a crash
  EXPECT_TRUE(cast_close());
}
