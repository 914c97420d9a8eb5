#pragma once
// A test picture drawn through the drawing primitives that shows the cell
// conversion at work: hue and brightness chart, grey ramp, lines and brush
// dots of every size, sharp detail and a moving part.
#include <cstdint>

// Draws the card for time t_ms into the frame buffer (does not present it).
void test_card_draw(int32_t t_ms);
