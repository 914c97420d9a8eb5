#pragma once
// Code page 437 as Unicode, including the graphic forms of 0x01-0x1F and 0x7F.
#include <cstdint>

// Code 0 maps to U+0020: the console shows it as an empty cell.
uint32_t cp437_to_unicode(uint8_t code);
