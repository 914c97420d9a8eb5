#pragma once
// The sizes of the converter's pattern space, which its lookup tables share.
constexpr int PATTERN_CODES = 19683;  // 3^9: each of a block's nine pixels is one of three levels
constexpr int PATTERN_LEVELS = 6;
