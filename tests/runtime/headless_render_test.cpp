// Renders of a headless run: the frame written for a time is the first one
// shown at or after it, and its .ans, played on a terminal, shows exactly the
// cells of that frame.
#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

#include "display/ansi_encoder.h"
#include "display/console.h"
#include "runtime/headless.h"
#include "support/files.h"
#include "support/model_terminal.h"
#include "support/temp_path.h"

namespace {

constexpr int FRAME_MS = 20;

// Cells that tell every frame from its neighbours.
std::vector<ConsoleCell> cells_at(int32_t t) {
  std::vector<ConsoleCell> cells(CONSOLE_CELLS);
  const int frame = t / FRAME_MS;
  for (int i = 0; i < CONSOLE_CELLS; ++i)
    cells[i] = {static_cast<uint16_t>((i * 7 + frame) & 0xFF), static_cast<uint16_t>((i / 3 + 5 * frame) & 0xFF)};
  return cells;
}

}  // namespace

TEST(HeadlessRender, EachTimeGetsTheFirstFrameAtOrAfterItAndItsAnsShowsItsCells) {
  const std::string out = temp_path("renders");
  std::filesystem::remove_all(out);
  con_configure({ColorMode::TrueColor, true});
  // Unsorted, one on a frame, one between two, one before the first frame.
  ASSERT_TRUE(headless_begin(1000 / FRAME_MS, {1010, 2000, 0, 1999}, out));
  static Pixel frame[FRAME_PIXELS];
  for (int32_t t = 0; t <= 3000; t += FRAME_MS) {
    headless_frame_begins(t);
    headless_present(frame, cells_at(t).data());
    headless_frame_ends();
  }
  for (const auto& [asked, shown] : {std::pair(0, 0), std::pair(1010, 1020), std::pair(1999, 2000),
                                     std::pair(2000, 2000)}) {
    SCOPED_TRACE(asked);
    const std::string ans = read_file(out + "/cells-" + std::to_string(asked) + ".ans");
    ASSERT_FALSE(ans.empty());
    Terminal term(CONSOLE_COLS, CONSOLE_ROWS);
    term.feed(ans.data(), ans.size());
    expect_shows(term, cells_at(shown).data(), ansi_layout(CONSOLE_COLS, CONSOLE_ROWS), ColorMode::TrueColor,
                 "render");
    EXPECT_EQ(term.faults, 0);
    EXPECT_TRUE(std::filesystem::exists(out + "/frame-" + std::to_string(asked) + ".png"));
  }
  std::filesystem::remove_all(out);
}
