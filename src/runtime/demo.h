#pragma once
// The life of the program: start-up, the frame loop with its keys, shutdown.
#include <cstdint>

#include "common/frame.h"

struct KeyTrack;

// Set by Escape or by the end of the schedule; the loop ends before the next frame.
extern int32_t quit_requested;

// The six tracks the frame driver reads, requested at start-up.
extern KeyTrack* scene_track;
extern KeyTrack* part_track;
extern KeyTrack* time_track;
extern KeyTrack* var_track;
extern KeyTrack* overlay_track;
extern KeyTrack* greet_track;

constexpr int32_t SEEK_STEP_MS = 1000;

// The soundtrack and the window title; recordings use them as well.
constexpr const char* MUSIC_PATH = "data/KOLV Zeveviz 2014 test 5.mp3";
constexpr const char* SHOW_TITLE = "KOLV17 - alt+enter=fullscreen";

constexpr int KEY_ESCAPE = 27;
constexpr int KEY_EXTENDED = 224;
constexpr int KEY_FUNCTION = 0;
constexpr int KEY_LEFT = 75;
constexpr int KEY_RIGHT = 77;
constexpr int KEY_F5 = 63;

Pixel* demo_create_frame_buffer();
// Creates the track store under "data/sync" and requests the six tracks.
void demo_request_tracks();
// The whole show; returns 0 in every case.
int demo_run(int argc, char** argv);
