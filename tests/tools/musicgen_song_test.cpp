#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdio>
#include <fstream>
#include <tuple>

#include "tools/musicgen/sequencer.h"
#include "tools/musicgen/song.h"

namespace {
const char* const HEADER =
    "tempo 120\n"
    "bars 4\n"
    "instrument pad pad gain=0.5 reverb=0.3\n"
    "instrument kick kick\n";

// Loads and returns the stderr text ("" on success). Per process: tests may run at once.
std::string load_error(const std::string& text, Song* song) {
  std::string path = testing::TempDir() + std::to_string(getpid()) + "_kolv_song_test.txt";
  std::ofstream(path) << text;
  testing::internal::CaptureStderr();
  bool ok = song_load(path.c_str(), song);
  std::string err = testing::internal::GetCapturedStderr();
  std::remove(path.c_str());
  EXPECT_EQ(ok, err.empty()) << err;
  return err;
}
}  // namespace

TEST(MusicgenSong, NoteNames) {
  EXPECT_EQ(std::tuple(song_note("A4"), song_note("C#4"), song_note("Bb3"), song_note("C0")), std::tuple(69, 61, 58, 12));
  for (const char* bad : {"", "A", "H4", "a4", "A#", "A10", "C#b4", "x"}) EXPECT_EQ(song_note(bad), -1) << bad;
}

TEST(MusicgenSong, ErrorsNameTheFileAndLine) {
  Song song;
  struct {
    const char* text;
    const char* expect;
  } cases[] = {
      {"pattern p\nA4 - - -\nend\n", ":6: a pattern bar needs 16 steps"},
      {"pattern p\nx . . . . . . . . . . . . . . .\n", "pattern 'p' has no end"},
      {"play 0-3 pad nothing\n", ":5: unknown pattern 'nothing'"},
      {"pattern p\nx . . . . . . . . . . . . . . .\nend\nplay 3-1 kick p\n", ":8: bad bar range"},
      {"instrument x flute\n", ":5: unknown voice 'flute'"},
      {"loop forever\n", ":5: cannot read 'loop' line"},
      {"instrument z pad gain=inf\n", ":5: bad setting 'gain=inf'"},
  };
  for (const auto& c : cases) {
    std::string err = load_error(std::string(HEADER) + c.text, &song);
    EXPECT_NE(err.find("kolv_song_test.txt"), std::string::npos) << err;
    EXPECT_NE(err.find(c.expect), std::string::npos) << "want " << c.expect << ", got " << err;
    EXPECT_EQ(std::count(err.begin(), err.end(), '\n'), 1) << err;
  }
  EXPECT_NE(load_error("tempo 120\n", &song).find("no bar count"), std::string::npos);
}

TEST(MusicgenSong, NotesHoldAcrossBarsAndPatternsFillTheirRange) {
  Song song;
  ASSERT_EQ(load_error(std::string(HEADER) +
                           "pattern p  # two bars; a comment after a '#' word, sharps are notes\n"
                           "A3+C#4+E4 - - - - - - - - - - - - - - -\n"
                           "- - - - - - - - . . . . X . . .\n"
                           "end\n"
                           "play 1-3 pad p 0.5>1 12\n",
                           &song),
            "");
  ASSERT_EQ(song.plays.size(), 1u);
  std::vector<NoteEvent> notes = song_play_notes(song, song.plays[0]);
  // Bars 1-3 play the two-bar pattern one and a half times.
  ASSERT_EQ(notes.size(), 3u);
  const int64_t bar = 2 * SYNTH_RATE;
  EXPECT_EQ(notes[0].start, bar);
  EXPECT_EQ(notes[0].length, bar + bar / 2);  // held through half of the next bar
  ASSERT_EQ(notes[0].count, 3);
  EXPECT_EQ(notes[0].notes[1], 61 + 12);      // transposed an octave
  EXPECT_EQ(notes[1].start, 2 * bar + 12 * bar / 16);
  EXPECT_FLOAT_EQ(notes[1].velocity, 1.0f * (0.5f + 0.5f * 28 / 48.0f));  // accent x ramp
  EXPECT_EQ(notes[2].start, 3 * bar);
  EXPECT_EQ(notes[2].length, bar);            // cut at the end of the range
  EXPECT_EQ(song_frames(song), 4 * bar);
}

