#pragma once
// --capture: the console pictures of a headless run at 50 frames a second,
// piped as raw RGBA into ffmpeg, which encodes H.264 and muxes the soundtrack.
#include <cstdint>

#include "display/console.h"

constexpr int CAPTURE_FPS = 50;

struct CaptureSettings {
  const char* path;        // the video to write
  int glyph_height;        // 8: 640 x 400, 16: 640 x 800
  const char* music_path;  // muxed in when it exists; null for none
};

// Starts ffmpeg. False with one clear line on stderr when ffmpeg is not
// installed or cannot be started.
bool capture_begin(const CaptureSettings& settings);
bool capture_is_active();
// The planned length of the run, for the progress bar; 0 when not known.
void capture_set_length(int32_t length_ms);
// Draws the cells and sends the picture. False once ffmpeg has stopped
// taking frames (the run should end).
bool capture_frame(const ConsoleCell* cells, int32_t demo_ms);
// Ends the stream and waits for ffmpeg. False with one line on stderr when
// the video is not complete.
bool capture_finish();
