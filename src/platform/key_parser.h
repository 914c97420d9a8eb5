#pragma once
// Turns the bytes a terminal sends for keys into the console key codes the
// main loop understands (runtime/key_table.h): Escape 27, the arrows, Home,
// Page Up and Page Down as 224 + code, F5 as 0,63, and plain ASCII keys as
// themselves. Sequences may arrive split across reads;
// anything not understood is dropped whole so it cannot look like a key.
#include <cstdint>

#include "platform/key_table.h"

// A lone ESC becomes Escape when nothing follows within this time.
constexpr uint32_t KEY_ESC_TIMEOUT_MS = 40;

constexpr int KEY_QUEUE_SIZE = 64;

// Codes ready to be read, oldest first. When full, new codes are dropped.
struct KeyQueue {
  int codes[KEY_QUEUE_SIZE];
  int head;
  int count;
};

void key_queue_push(KeyQueue* q, int code);
// Returns -1 when empty.
int key_queue_pop(KeyQueue* q);

enum class KeyParseState : uint8_t { Ground, Escape, Csi, CsiBracket, Ss3 };

struct KeyParser {
  KeyParseState state;
  uint32_t since_ms;    // when the pending sequence began
  int32_t first_param;  // first CSI parameter, capped
  int32_t params;       // parameters seen so far in the CSI
  int32_t more[2];      // second and third CSI parameters, capped
  // The terminal's answer to the cell-size request (CSI 6 ; h ; w t), never
  // a key: the last one seen, in pixels, 0 x 0 before any.
  int32_t cell_width;
  int32_t cell_height;
};

void key_parser_reset(KeyParser* p);
void key_parser_feed(KeyParser* p, uint8_t byte, uint32_t now_ms, KeyQueue* out);
// Called when no byte is waiting: a pending ESC older than the timeout is
// Escape; any other sequence left unfinished that long is dropped.
void key_parser_idle(KeyParser* p, uint32_t now_ms, KeyQueue* out);
// End of input: a pending ESC is Escape, a partial sequence is dropped.
void key_parser_end(KeyParser* p, KeyQueue* out);
