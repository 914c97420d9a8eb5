#pragma once
// The life of the program: start-up, the frame loop with its keys, shutdown.
#include <cstdint>

#include "common/frame.h"
#include "runtime/quit_request.h"

constexpr int32_t SEEK_STEP_MS = 1000;
constexpr int32_t PAGE_BARS = 8;

// The soundtrack and the window title; recordings use them as well.
constexpr const char* MUSIC_PATH = "data/KOLV Zeveviz 2014 test 5.mp3";
constexpr const char* SHOW_TITLE = "KOLV17 - alt+enter=fullscreen";

Pixel* demo_create_frame_buffer();
// The whole show, from demo time start_ms; returns 0 in every case. The
// tracks are requested before (demo_request_tracks or show_tracks_begin).
int demo_run(int argc, char** argv, int32_t start_ms = 0);
