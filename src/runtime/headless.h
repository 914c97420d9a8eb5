#pragma once
// Headless runs: a virtual clock that advances one frame per presented frame,
// and the renders written for --render/--out.
#include <cstdint>
#include <string>
#include <vector>

#include "display/console.h"

enum class ShowPhase { Viewer, Show };

// Switches to the virtual clock (1000 / fps ms a frame).
// `render_ms` is sorted; `out_dir` is created when needed. With a glyph
// height (8 or 16) each render also draws what the terminal shows, term-MS.png.
bool headless_begin(int fps, const std::vector<int32_t>& render_ms, const std::string& out_dir,
                    int term_glyph = 0);
void headless_set_phase(ShowPhase phase);
ShowPhase headless_phase();
// Every presented frame: advances the virtual clock and writes due renders.
void headless_present(const Pixel* frame, const ConsoleCell* cells);
// Brackets one frame of the show at demo time t: only frames presented
// inside count as renders (not, say, an error screen shown while loading).
void headless_frame_begins(int32_t t);
void headless_frame_ends();
// Writes the viewer's last frame, if a viewer ran and an output folder is set.
void headless_finish_viewer();
