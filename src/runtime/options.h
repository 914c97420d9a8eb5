#pragma once
// The command line of kolv17.
#include <cstdint>
#include <string>
#include <vector>

#include "display/console.h"

struct Options {
  bool help = false;
  bool version = false;
  std::string data_dir;            // holds data/; empty = find it
  ColorMode colors = ColorMode::Auto;
  bool no_audio = false;
  bool headless = false;
  int fps = 50;                    // virtual frame rate of headless runs
  int32_t until_ms = -1;           // headless: stop at this demo time; -1 = end of schedule
  std::vector<int32_t> render_ms;  // headless: demo times to write out
  std::string out_dir;
  bool stats = false;
  std::string probe_audio;         // --probe-audio FILE
  int32_t probe_at_ms = 0;
  bool test_card = false;
  std::string keys_file;           // headless: scripted key presses
  int max_fps = 60;                // live frame cap; 0 = uncapped
  std::string capture_path;        // headless video of the console pictures
  int capture_font = 8;            // glyph height of the capture: 8 or 16
  std::string cast_path;           // asciicast recording of the terminal output
  std::string timeline_path;       // tracks from timeline text, watched
  int32_t start_ms = 0;            // demo time the show begins at
  GridRequest grid;                // how the picture meets the terminal
  float cell_aspect = 0;           // cell height over width; 0 = ask the terminal
  int term_cols = 0;               // --term: the headless terminal; 0 = none
  int term_rows = 0;
  float term_aspect = CELL_ASPECT_DEFAULT;
  std::string file;                // shown by a viewer before the show
};

// Parses argv into options. Returns true on success; otherwise `error` holds
// a one-line reason (a usage error, exit status 2).
bool options_parse(int argc, const char* const* argv, Options* options, std::string* error);

// The text printed by --help.
const char* options_usage();
