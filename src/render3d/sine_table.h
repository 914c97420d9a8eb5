#pragma once
// Table-driven sine and cosine: 256 steps a turn, linear interpolation.

constexpr int SINE_TABLE_SIZE = 256;

// Entry i is sin(2 pi i / 256) rounded to six decimal places.
extern const float SINE_TABLE[SINE_TABLE_SIZE];

float lut_sin(float x);  // x in radians
float lut_cos(float x);  // the same lookup a quarter turn further on
