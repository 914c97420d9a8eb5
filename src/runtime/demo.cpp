#include "runtime/demo.h"

#include <cctype>
#include <cstring>

#include "audio/music.h"
#include "display/console.h"
#include "display/lookup_tables.h"
#include "image/assets.h"
#include "image/font.h"
#include "runtime/clock.h"
#include "runtime/frame_driver.h"
#include "runtime/keys.h"
#include "runtime/run_control.h"
#include "sync/track.h"
#include "viewers/gml_view.h"
#include "viewers/image_view.h"

int32_t quit_requested = 0;

KeyTrack* scene_track = nullptr;
KeyTrack* part_track = nullptr;
KeyTrack* time_track = nullptr;
KeyTrack* var_track = nullptr;
KeyTrack* overlay_track = nullptr;
KeyTrack* greet_track = nullptr;

namespace {

uint32_t t0 = 0;

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
}

// At most one key sequence per frame, never waiting.
void handle_keys() {
  if (!key_waiting()) return;
  int k = key_read();
  quit_requested = k == KEY_ESCAPE ? 1 : 0;
  if (k == KEY_EXTENDED) {
    if (!key_waiting()) return;
    k = key_read();
    if (k == KEY_LEFT) {
      music_seek_back();
      t0 += SEEK_STEP_MS;
      return;
    }
    if (k == KEY_RIGHT) {
      music_seek_forward();
      t0 -= SEEK_STEP_MS;
      return;
    }
  }
  if (k != KEY_FUNCTION || !key_waiting()) return;
  if (key_read() == KEY_F5) reload_assets();
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

// Lives for the whole run, like the tracks it holds.
static TrackStore* track_store = nullptr;

void demo_request_tracks() {
  track_store = track_store_create("data/sync");
  // Without a store every request still yields an (empty) track.
  if (track_store == nullptr) std::fputs("sync failed!\n", stdout);
  TrackStore* store = track_store;
  scene_track = track_get(store, "scene");
  part_track = track_get(store, "part");
  time_track = track_get(store, "time");
  var_track = track_get(store, "var");
  overlay_track = track_get(store, "overlay");
  greet_track = track_get(store, "greet");
}

int demo_run(int argc, char** argv) {
  frame_buffer = demo_create_frame_buffer();
  con_set_title(SHOW_TITLE);
  con_setup(80, 50, 1);
  con_acquire_output();
  demo_request_tracks();
  cell_load_tables();
  font_load_default();

  if (argc > 1) run_viewer(argv[1]);

  asset_load_all();
  asset_build_extras();
  music_start(MUSIC_PATH);
  t0 = clock_ms();

  while (quit_requested == 0) {
    auto t = static_cast<int32_t>(clock_ms() - t0);
    if (run_control_should_stop(t)) break;
    run_control_frame_begins(t);
    demo_frame(t);
    run_control_frame_ends();
    handle_keys();
    if (quit_requested == 0) run_control_wait_for_frame(keys_while_waiting);
  }

  asset_free_all();
  asset_free_extras();
  music_stop();
  return 0;
}
