#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

#include "display/ansi_encoder.h"
#include "runtime/cast.h"

namespace {

// The decoded data of an `[time, "o", "data"]` line: only quotes and
// backslashes escaped by a backslash, other control bytes as \u00XX.
std::string event_data(const std::string& line) {
  const std::string start = ", \"o\", \"";
  size_t i = line.find(start);
  EXPECT_NE(i, std::string::npos) << line.substr(0, 40);
  std::string out;
  for (i += start.size(); i < line.size() && line[i] != '"'; ++i) {
    EXPECT_GE(static_cast<unsigned char>(line[i]), 0x20) << "raw control byte in a JSON string";
    if (line[i] != '\\') {
      out += line[i];
    } else if (line[++i] == 'u') {
      out += static_cast<char>(std::stoi(line.substr(i + 1, 4), nullptr, 16));
      i += 4;
    } else {
      EXPECT_TRUE(line[i] == '"' || line[i] == '\\') << "unexpected escape \\" << line[i];
      out += line[i];
    }
  }
  EXPECT_TRUE(line.substr(i) == "\"]") << "more after the data";
  return out;
}

std::string event_time(const std::string& line) { return line.substr(1, line.find(',') - 1); }

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

  ASSERT_TRUE(cast_open(path_.c_str(), ColorMode::Ansi256, "say \"hi\"", 0, 0));
  const AnsiLayout console = ansi_layout(CONSOLE_COLS, CONSOLE_ROWS);
  cast_frame(a, console, 0);
  cast_frame(a, console, 20);
  cast_frame(b, console, 61005);
  ASSERT_TRUE(cast_close());

  std::vector<std::string> lines = lines_of(path_);
  ASSERT_EQ(lines.size(), 3u);
  const std::string& header = lines[0];
  EXPECT_EQ(header.rfind("{\"version\": 2, \"width\": 80, \"height\": 50, ", 0), 0u) << header;
  EXPECT_NE(header.find("\"title\": \"say \\\"hi\\\"\""), std::string::npos) << header;
  EXPECT_NE(header.find("\"TERM\": \"xterm-256color\""), std::string::npos) << header;

  EXPECT_EQ(event_time(lines[1]) + " " + event_time(lines[2]), "0.000 61.005");
  EXPECT_EQ(event_data(lines[1]), "\x1b[?25l" + encoded(a, nullptr, ColorMode::Ansi256));
  EXPECT_EQ(event_data(lines[2]), encoded(b, a, ColorMode::Ansi256));
}

// A fitted terminal: the header gives its size, and a frame after a resize
// (another grid, another place) is recorded whole, as the terminal gets it.
TEST_F(Cast, RecordsTheTerminalsSizeAndRedrawsAfterAResize) {
  static ConsoleCell cells[GRID_CELLS_MAX];
  for (int i = 0; i < GRID_CELLS_MAX; ++i) cells[i] = {static_cast<uint16_t>('a' + i % 26), 0x1E};
  ASSERT_TRUE(cast_open(path_.c_str(), ColorMode::TrueColor, "t", 80, 24));
  const AnsiLayout small = ansi_layout_grid(80, 24, 77, 24), large = ansi_layout_grid(200, 60, 160, 50);
  cast_frame(cells, small, 0);
  cast_frame(cells, small, 20);  // unchanged: no event
  cast_frame(cells, large, 40);
  ASSERT_TRUE(cast_close());
  std::vector<std::string> lines = lines_of(path_);
  ASSERT_EQ(lines.size(), 3u);
  EXPECT_EQ(lines[0].rfind("{\"version\": 2, \"width\": 80, \"height\": 24, ", 0), 0u) << lines[0];
  static char bytes[ANSI_FRAME_MAX];
  const size_t n = ansi_encode(cells, nullptr, ColorMode::TrueColor, large, bytes, sizeof bytes, nullptr);
  EXPECT_EQ(event_data(lines[2]), "\x1b[?25l" + std::string(bytes, n));
}

