#include "platform/printable.h"

#include <cstdint>

namespace {

constexpr char HEX_DIGITS[] = "0123456789abcdef";

void append_hex(std::string* out, const char* prefix, uint32_t value, int digits) {
  *out += prefix;
  for (int shift = (digits - 1) * 4; shift >= 0; shift -= 4)
    *out += HEX_DIGITS[(value >> shift) & 0xF];
}

// The short forms a reader knows from C and the shell; the rest as \u00NN.
void append_control(std::string* out, uint32_t code) {
  const char* named = nullptr;
  switch (code) {
    case 0x07: named = "\\a"; break;
    case 0x08: named = "\\b"; break;
    case 0x09: named = "\\t"; break;
    case 0x0A: named = "\\n"; break;
    case 0x0B: named = "\\v"; break;
    case 0x0C: named = "\\f"; break;
    case 0x0D: named = "\\r"; break;
    case 0x1B: named = "\\e"; break;
  }
  if (named) *out += named;
  else append_hex(out, "\\u", code, 4);
}

bool is_continuation(unsigned char byte) { return (byte & 0xC0) == 0x80; }

// Length of the well-formed UTF-8 sequence at the start of `text` (2 to 4),
// or 0 when it is not one: stray continuation bytes, overlong forms,
// surrogates and code points past U+10FFFF all count as malformed.
size_t sequence_length(std::string_view text, uint32_t* code) {
  const auto lead = static_cast<unsigned char>(text[0]);
  size_t length = 0;
  unsigned char low = 0x80, high = 0xBF;  // allowed range of the second byte
  if (lead >= 0xC2 && lead <= 0xDF) {
    length = 2;
  } else if (lead >= 0xE0 && lead <= 0xEF) {
    length = 3;
    if (lead == 0xE0) low = 0xA0;
    if (lead == 0xED) high = 0x9F;
  } else if (lead >= 0xF0 && lead <= 0xF4) {
    length = 4;
    if (lead == 0xF0) low = 0x90;
    if (lead == 0xF4) high = 0x8F;
  } else {
    return 0;
  }
  if (text.size() < length) return 0;
  const auto second = static_cast<unsigned char>(text[1]);
  if (second < low || second > high) return 0;
  uint32_t value = lead & (0x7F >> length);
  for (size_t i = 1; i < length; ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (!is_continuation(byte)) return 0;
    value = value << 6 | (byte & 0x3F);
  }
  *code = value;
  return length;
}

}  // namespace

std::string platform_printable_text(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  size_t i = 0;
  while (i < text.size()) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte < 0x80) {
      if (byte < 0x20 || byte == 0x7F) append_control(&out, byte);
      else out += static_cast<char>(byte);
      ++i;
      continue;
    }
    uint32_t code = 0;
    const size_t length = sequence_length(text.substr(i), &code);
    if (length == 0) {
      // A lone 0x9B would be CSI to some terminals: every such byte shows as hex.
      append_hex(&out, "\\x", byte, 2);
      ++i;
    } else {
      if (code <= 0x9F) append_control(&out, code);
      else out.append(text, i, length);
      i += length;
    }
  }
  return out;
}
