#include <gtest/gtest.h>
#include <unistd.h>

#include <cstring>
#include <tuple>
#include <vector>

#include "platform/key_parser.h"
#include "platform/keys.h"

namespace {

struct Parse {
  KeyParser parser{};
  KeyQueue queue{};
  uint32_t now = 1000;

  Parse() { key_parser_reset(&parser); }
  // Feeds the bytes one read at a time, `step` ms apart.
  Parse& feed(const char* bytes, size_t n, uint32_t step) {
    for (size_t i = 0; i < n; ++i) {
      key_parser_feed(&parser, static_cast<uint8_t>(bytes[i]), now, &queue);
      now += step;
      if (step) key_parser_idle(&parser, now, &queue);
    }
    return *this;
  }
  Parse& feed(const char* text, uint32_t step = 0) { return feed(text, std::strlen(text), step); }
  Parse& idle(uint32_t ms) {
    now += ms;
    key_parser_idle(&parser, now, &queue);
    return *this;
  }
  std::vector<int> codes() {
    std::vector<int> out;
    for (int c; (c = key_queue_pop(&queue)) >= 0;) out.push_back(c);
    return out;
  }
};

using Codes = std::vector<int>;

// Arrows (CSI and SS3), F5 (xterm and the Linux console), Home in its four
// encodings, Page Up and Page Down.
const char ALL_KEYS[] =
    "\x1b[D\x1b[C\x1bOD\x1bOC\x1b[A\x1bOB\x1b[15~\x1b[[E\x1b[H\x1bOH\x1b[1~\x1b[7~\x1b[5~\x1b[6~";
const Codes ALL_CODES = {224, 75, 224, 77, 224, 75, 224, 77, 224, 72, 224, 80, 0,   63, 0,  63,
                         224, 71, 224, 71, 224, 71, 224, 71, 224, 73, 224, 81};

// In one read, or every byte in a read of its own a few ms apart: the same keys.
TEST(KeyParser, SequencesJoinedOrSplitAcrossReads) {
  EXPECT_EQ(Parse().feed(ALL_KEYS).codes(), ALL_CODES);
  EXPECT_EQ(Parse().feed(ALL_KEYS, 5).codes(), ALL_CODES);
}

TEST(KeyParser, LoneEscapeAfterTimeoutOrAtEndOfInput) {
  Parse p;
  p.feed("\x1b").idle(KEY_ESC_TIMEOUT_MS - 1);
  EXPECT_EQ(p.codes(), Codes{});  // may still become an arrow
  p.idle(1);
  EXPECT_EQ(p.codes(), Codes{27});

  Parse end;
  key_parser_end(&end.feed("\x1b").parser, &end.queue);
  EXPECT_EQ(end.codes(), Codes{27});

  // Escape twice, then an arrow right behind it.
  EXPECT_EQ(Parse().feed("\x1b\x1b\x1b[D").codes(), (Codes{27, 27, 224, 75}));
}

// Keys with no console meaning vanish whole and never leave a stray prefix
// or tail behind that could pass for another key.
TEST(KeyParser, UnknownSequencesAreDroppedWhole) {
  EXPECT_EQ(Parse().feed("\x1b[1;5P\x1b[200~\x1bOP\x1b[[A\x1b[3;5~\x1b[6;16;8tx").codes(), Codes{'x'});
  EXPECT_EQ(Parse().feed("\x1b[1;2D\x1b[15;5~").codes(), (Codes{224, 75, 0, 63}));  // with modifiers
  EXPECT_EQ(Parse().feed("\x1bxq").codes(), Codes{'q'});  // Alt+x
  // NUL and UTF-8 bytes could pose as the 0 and 224 prefixes.
  EXPECT_EQ(Parse().feed("\0?", 2, 0).codes(), Codes{'?'});
  EXPECT_EQ(Parse().feed("\xe0K\xc3\xa0M").codes(), (Codes{'K', 'M'}));
  // A sequence cut off and never finished is dropped after the timeout.
  Parse cut;
  cut.feed("\x1b[1").idle(KEY_ESC_TIMEOUT_MS);
  EXPECT_EQ(cut.feed("\r").codes(), Codes{13});
}

// The terminal's answer to the cell-size request comes in among the keys,
// maybe split across reads: it is noted and never becomes a key itself.
TEST(KeyParser, CellSizeAnswerIsNotedNotTyped) {
  Parse p;
  p.feed("a\x1b[6;20;10t\x1b[D", 3);
  EXPECT_EQ(p.codes(), (Codes{'a', 224, 75}));
  EXPECT_EQ(std::tuple(p.parser.cell_width, p.parser.cell_height), std::tuple(10, 20));
  // Other reports of the same family note nothing.
  Parse other;
  other.feed("\x1b[4;400;800tq");
  EXPECT_EQ(std::tuple(other.codes(), other.parser.cell_width), std::tuple(Codes{'q'}, 0));
}

// The keyboard as the main loop sees it: injected codes, then a pipe that
// ends. Nothing here waits on the real clock: the Escape timeout itself is
// the parser's, checked above with the time given.
TEST(Keys, ReadsInjectedCodesThenTheSourceUntilItEnds) {
  int fds[2];
  ASSERT_EQ(pipe(fds), 0);
  key_set_source(fds[0]);
  key_inject(27);
  EXPECT_EQ((std::tuple{key_read(), key_waiting()}), std::tuple(27, false));
  ASSERT_EQ(write(fds[1], "\x1b[C\x1b", 4), 4);
  ASSERT_TRUE(key_waiting());
  EXPECT_EQ((std::tuple{key_read(), key_read()}), std::tuple(224, 77));
  close(fds[1]);
  ASSERT_TRUE(key_waiting());  // the lone Escape, by its timeout or the end of input
  EXPECT_EQ((std::tuple{key_read(), key_read()}), std::tuple(27, -1));
  close(fds[0]);
  key_set_source(-1);
}

}  // namespace
