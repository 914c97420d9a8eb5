#pragma once
// Headless runs: a virtual clock that advances one frame per presented frame,
// and the renders written for --render/--out.
#include <cstdint>
#include <string>
#include <vector>

enum class ShowPhase { Viewer, Show };

// Installs the present hook and the virtual clock (1000 / fps ms a frame).
// `render_ms` is sorted; `out_dir` is created when needed.
bool headless_begin(int fps, const std::vector<int32_t>& render_ms, const std::string& out_dir);
void headless_set_phase(ShowPhase phase);
// The demo time of the frame about to be drawn.
void headless_note_demo_time(int32_t t);
// Writes the viewer's last frame, if a viewer ran and an output folder is set.
void headless_finish_viewer();
