#include "runtime/demo.h"

#include <cctype>
#include <cstring>

#include "assets/assets.h"
#include "audio/music.h"
#include "display/console.h"
#include "display/lookup_tables.h"
#include "image/font.h"
#include "platform/clock.h"
#include "platform/frame_pacer.h"
#include "platform/key_table.h"
#include "platform/keys.h"
#include "runtime/frame_driver.h"
#include "runtime/run_control.h"
#include "runtime/show_tracks.h"
#include "runtime/status_text.h"
#include "sync/time_grid.h"
#include "viewers/gml_view.h"
#include "viewers/image_view.h"

namespace {

uint32_t t0 = 0;

// Authoring state: a paused show stands at paused_at and is drawn again only
// when something changes; scripted keys keep counting while it stands.
bool paused = false;
int32_t paused_at = 0;
uint32_t paused_since = 0;
bool redraw = false;
int32_t frame_t = 0;  // demo time of the frame being drawn, for the status line

// Frames drawn over the last whole second of the clock.
uint32_t fps_window_start = 0;
int32_t fps_frames = 0;
int32_t fps_shown = 0;

// A .gml drawing is replayed; anything else, including names too short to
// carry an extension, is shown as a picture. The viewer gets the name as
// typed: only a copy of the ending is upper-cased for the test.
void run_viewer(const char* argument) {
  size_t length = std::strlen(argument);
  bool gml = false;
  if (length >= 4) {
    char ending[5] = {};
    for (int i = 0; i < 4; ++i) {
      ending[i] = static_cast<char>(std::toupper(static_cast<unsigned char>(argument[length - 4 + i])));
    }
    gml = std::strcmp(ending, ".GML") == 0;
  }
  run_control_viewer_begins();
  if (gml) {
    gml_view(argument);
  } else {
    image_view(argument);
  }
  run_control_viewer_ends();
}

void reload_assets() {
  asset_free_all();
  asset_free_extras();
  asset_load_all();
  asset_build_extras();
  show_tracks_reload();
}

int32_t demo_time() { return paused ? paused_at : static_cast<int32_t>(clock_ms() - t0); }

// Every jump moves the music and the picture together.
void jump(int32_t step_ms) {
  music_seek_by_ms(step_ms);
  if (paused) paused_at += step_ms;
  else t0 -= static_cast<uint32_t>(step_ms);
  redraw = true;
}

void go_home() {
  music_seek_by_ms(-music_position_ms());
  if (paused) paused_at = 0;
  else t0 = clock_ms();
  redraw = true;
}

void toggle_pause() {
  if (paused) {
    t0 = clock_ms() - static_cast<uint32_t>(paused_at);
  } else {
    paused_at = demo_time();
    paused_since = clock_ms();
  }
  paused = !paused;
  music_pause(paused);
  redraw = true;
}

const char* status_line() {
  static char text[256];
  ShowStatus status{frame_t, demo_frame_values(), fps_shown, paused, show_tracks_note().c_str()};
  status_text_format(status, text, sizeof text);
  return text;
}

void toggle_status_line() {
  static bool shown = false;
  shown = !shown;
  con_set_status_source(shown ? status_line : nullptr);
  redraw = true;
}

void count_frame() {
  uint32_t now = clock_ms();
  ++fps_frames;
  if (now - fps_window_start >= 1000) {
    fps_shown = static_cast<int32_t>(fps_frames * 1000u / (now - fps_window_start));
    fps_window_start = now;
    fps_frames = 0;
  }
}

void act(KeyAction action) {
  constexpr int32_t bar = MS_PER_BAR;
  switch (action) {
    case KeyAction::SecondBack: jump(-SEEK_STEP_MS); break;
    case KeyAction::SecondForward: jump(SEEK_STEP_MS); break;
    case KeyAction::Reload: reload_assets(); redraw = true; break;
    case KeyAction::Pause: toggle_pause(); break;
    case KeyAction::BarBack: jump(-bar); break;
    case KeyAction::BarForward: jump(bar); break;
    case KeyAction::PageBack: jump(-PAGE_BARS * bar); break;
    case KeyAction::PageForward: jump(PAGE_BARS * bar); break;
    case KeyAction::Home: go_home(); break;
    case KeyAction::StatusLine: toggle_status_line(); break;
    case KeyAction::Quit:
    case KeyAction::None: break;
  }
}

// At most one key per call, never waiting. Any key but Escape clears a quit
// the frame asked for, as the show always did.
void handle_keys() {
  if (!key_waiting()) return;
  int first = key_read();
  quit_requested = first == KEY_ESCAPE ? 1 : 0;
  int second = -1;
  if (first == KEY_EXTENDED || first == KEY_FUNCTION) {
    if (!key_waiting()) return;
    second = key_read();
  }
  act(key_action_of(first, second));
}

void draw_frame(int32_t t) {
  frame_t = t;
  run_control_frame_begins(t);
  demo_frame(t);
  run_control_frame_ends();
  count_frame();
  redraw = false;
}

// Keys that arrive while the loop sleeps are handled at once.
bool keys_while_waiting() {
  handle_keys();
  return quit_requested != 0;
}

}  // namespace

Pixel* demo_create_frame_buffer() {
  con_acquire_output();
  return frame_buffer;
}

int demo_run(int argc, char** argv, int32_t start_ms) {
  frame_buffer = demo_create_frame_buffer();
  con_set_title(SHOW_TITLE);
  con_setup(80, 50, 1);
  con_acquire_output();
  cell_load_tables();
  font_load_default();

  if (argc > 1) run_viewer(argv[1]);

  asset_load_all();
  asset_build_extras();
  music_start(MUSIC_PATH);
  if (start_ms != 0) music_seek_by_ms(start_ms);
  t0 = clock_ms() - static_cast<uint32_t>(start_ms);
  fps_window_start = clock_ms();

  while (quit_requested == 0) {
    int32_t t = demo_time();
    if (!paused || redraw) {
      if (run_control_should_stop(t)) break;
      draw_frame(t);
      handle_keys();
      if (quit_requested == 0) frame_pace_wait(keys_while_waiting);
    } else {
      // Scripted keys and the run's limits go by the clock while paused.
      auto script_t = static_cast<int32_t>(paused_at + (clock_ms() - paused_since));
      if (run_control_should_stop(script_t)) break;
      run_control_inject_keys(script_t);
      if (run_control_idle(show_tracks_watch_fd())) redraw = true;
      handle_keys();
    }
    if (show_tracks_poll()) redraw = true;
  }

  asset_free_all();
  asset_free_extras();
  music_stop();
  return 0;
}
