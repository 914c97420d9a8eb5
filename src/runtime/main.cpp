// kolv17: the command line around the show.
#include <sys/stat.h>
#include <unistd.h>

#include <climits>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "audio/music.h"
#include "audio/probe.h"
#include "display/console.h"
#include "display/lookup_tables.h"
#include "image/draw.h"
#include "platform/clock.h"
#include "platform/frame_pacer.h"
#include "platform/keys.h"
#include "platform/printable.h"
#include "runtime/capture.h"
#include "runtime/cast.h"
#include "runtime/demo.h"
#include "runtime/headless.h"
#include "runtime/options.h"
#include "runtime/run_control.h"
#include "runtime/show_tracks.h"
#include "runtime/test_card.h"
#include "viewers/viewer_keys.h"

namespace {

bool has_data_dir(const std::string& dir) {
  struct stat info {};
  return stat((dir + "/data").c_str(), &info) == 0 && S_ISDIR(info.st_mode);
}

std::string executable_dir() {
  char path[PATH_MAX];
  ssize_t length = readlink("/proc/self/exe", path, sizeof path - 1);
  if (length <= 0) return "";
  path[length] = '\0';
  std::string dir(path);
  return dir.substr(0, dir.find_last_of('/'));
}

// The show reads every file relative to the folder that holds data/: the one
// named, else the current folder, else an installed copy, else the source tree
// this program was built from.
bool enter_data_dir(const std::string& named) {
  std::string dir = named;
  if (dir.empty()) {
    std::string installed = executable_dir() + "/../share/kolv17";
    if (has_data_dir(".")) dir = ".";
    else if (has_data_dir(installed)) dir = installed;
    else if (has_data_dir(KOLV_SOURCE_DIR)) dir = KOLV_SOURCE_DIR;
    else return true;  // the missing tables will be named below
  }
  if (chdir(dir.c_str()) != 0) {
    std::fprintf(stderr, "kolv17: cannot enter data folder %s\n",
                 platform_printable_text(dir).c_str());
    return false;
  }
  return true;
}

// A short table would quietly turn every frame into the wrong characters;
// it is stopped like a missing one. Null when both tables have their size.
const char* short_table() {
  struct Table {
    const char* path;
    off_t size;
  };
  static const Table tables[] = {
      {CHARMAP_PATH, CHAR_MAP_SIZE},
      {COLMAP_PATH, COLOR_CODES * static_cast<off_t>(sizeof(uint8_t) + sizeof(float))}};
  for (const Table& table : tables) {
    struct stat info {};
    if (stat(table.path, &info) == 0 && info.st_size < table.size) return table.path;
  }
  return nullptr;
}

// The glyph and colour tables, whole; else one line saying how to make them.
bool tables_present() {
  if (const char* missing = cell_missing_table()) {
    std::fprintf(stderr, "kolv17: %s is missing; run `make data` to generate it\n", missing);
    return false;
  }
  if (const char* damaged = short_table()) {
    std::fprintf(stderr, "kolv17: %s is too short; run `make data` to generate it again\n", damaged);
    return false;
  }
  return true;
}

std::string absolute(const std::string& path) {
  if (path.empty() || path[0] == '/') return path;
  char cwd[PATH_MAX];
  if (getcwd(cwd, sizeof cwd) == nullptr) return path;
  return std::string(cwd) + "/" + path;
}

// Sets the console up from the options; returns the glyph height of the
// terminal picture a headless run draws (0: none).
int configure_console(const Options& options) {
  ConsoleOptions console;
  console.colors = options.colors;
  console.headless = options.headless;
  console.grid = options.grid;
  console.cell_aspect = options.cell_aspect;
  if (options.headless && options.term_cols > 0) {
    console.term_cols = options.term_cols;
    console.term_rows = options.term_rows;
    if (console.cell_aspect == 0) console.cell_aspect = options.term_aspect;
  }
  con_configure(console);
  // 8 x 16 for cells about twice as tall as wide, 8 x 8 for square ones.
  return console.term_cols == 0 ? 0 : console.cell_aspect >= 1.5f ? 16 : 8;
}

bool card_escaped = false;

// Reads one key; true on Escape.
bool card_key() {
  if (key_read() == 27) card_escaped = true;
  return card_escaped;
}

int run_test_card(const Options& options) {
  con_set_title("KOLV17 test card");
  con_setup(80, 50, 1);
  cell_load_tables();
  uint32_t start = clock_ms();
  int32_t until = options.until_ms >= 0 ? options.until_ms : 10000;
  for (;;) {
    auto t = static_cast<int32_t>(clock_ms() - start);
    if ((options.headless || options.until_ms >= 0) && t >= until) break;
    run_control_frame_begins(t);
    test_card_draw(t);
    fb_present();
    run_control_frame_ends();
    if (key_waiting() && card_key()) break;
    frame_pace_wait(card_key);
    if (card_escaped) break;
  }
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  Options options;
  std::string error;
  if (!options_parse(argc, argv, &options, &error)) {
    std::fprintf(stderr, "kolv17: %s\n", error.c_str());
    return 2;
  }
  if (options.help) {
    std::fputs(options_usage(), stdout);
    return 0;
  }
  if (options.version) {
    std::printf("kolv17 %s\n", KOLV_VERSION);
    return 0;
  }
  if (!options.probe_audio.empty()) {
    return audio_probe(options.probe_audio.c_str(), options.probe_at_ms) ? 0 : 1;
  }

  std::string file = absolute(options.file);
  std::string timeline = absolute(options.timeline_path);
  std::string out_dir = absolute(options.out_dir);
  std::string capture_path = absolute(options.capture_path);
  std::string cast_path = absolute(options.cast_path);
  RunSettings settings;
  settings.headless = options.headless;
  settings.until_ms = options.until_ms;
  settings.stats = options.stats;
  settings.max_fps = options.max_fps;
  if (!options.keys_file.empty() &&
      !run_control_load_keys(absolute(options.keys_file).c_str(), &settings.keys)) {
    return 1;
  }
  if (!enter_data_dir(options.data_dir)) return 1;
  if (!tables_present()) return 1;
  if (!options.test_card) {
    if (!show_tracks_begin(timeline.c_str())) return 1;
    // A schedule that never ends (0) has no end to start past.
    int32_t end_ms = run_control_schedule_end_ms();
    if (end_ms > 0 && options.start_ms > end_ms) {
      std::fprintf(stderr, "kolv17: --start %d lies past the end of the show (%d ms)\n",
                   options.start_ms, end_ms);
      return 2;
    }
  }
  if (!options.headless && !con_output_is_terminal()) {
    std::fprintf(stderr, "kolv17: standard output is not a terminal (use --headless to run without one)\n");
    return 1;
  }

  const int term_glyph = configure_console(options);
  int term_cols = 0, term_rows = 0;
  con_terminal_size(&term_cols, &term_rows);
  viewer_headless = options.headless;
  if (options.headless) key_set_source(-1);  // only scripted keys

  if (options.headless && !headless_begin(options.fps, options.render_ms, out_dir, term_glyph)) return 1;
  if (!cast_path.empty() && !cast_open(cast_path.c_str(), con_color_mode(), SHOW_TITLE, term_cols, term_rows)) return 1;
  if (!capture_path.empty() &&
      !capture_begin({capture_path.c_str(), options.capture_font, MUSIC_PATH})) {
    return 1;
  }
  // Headless time is virtual: the music sits at the demo time instead of playing.
  if (options.headless) music_follow_clock(true);
  else if (options.no_audio) music_set_silent(true);
  run_control_configure(settings);

  if (options.test_card) {
    run_test_card(options);
  } else {
    char* show_argv[] = {argv[0], file.data(), nullptr};
    demo_run(file.empty() ? 1 : 2, show_argv, options.start_ms);
  }
  con_restore();
  run_control_finish();
  bool captured = capture_finish();
  bool cast = cast_close();
  return captured && cast ? 0 : 1;
}
