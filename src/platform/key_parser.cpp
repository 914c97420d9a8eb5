#include "platform/key_parser.h"

void key_queue_push(KeyQueue* q, int code) {
  if (q->count >= KEY_QUEUE_SIZE) return;
  q->codes[(q->head + q->count) % KEY_QUEUE_SIZE] = code;
  ++q->count;
}

int key_queue_pop(KeyQueue* q) {
  if (q->count == 0) return -1;
  int code = q->codes[q->head];
  q->head = (q->head + 1) % KEY_QUEUE_SIZE;
  --q->count;
  return code;
}

void key_parser_reset(KeyParser* p) {
  p->state = KeyParseState::Ground;
  p->since_ms = 0;
  p->first_param = 0;
  p->params = 0;
  p->more[0] = p->more[1] = 0;
  p->cell_width = p->cell_height = 0;
}

namespace {

void push_pair(KeyQueue* out, int first, int second) {
  // Both codes or neither: a lone prefix would swallow the next key.
  if (out->count + 2 > KEY_QUEUE_SIZE) return;
  key_queue_push(out, first);
  key_queue_push(out, second);
}

// CSI and SS3 finals: the cursor keys and Home by letter, the editing keys
// and F5 by number before '~' (Home is 1 or 7 there, after the terminal).
void emit_final(KeyQueue* out, uint8_t final_byte, int32_t first_param) {
  if (final_byte == 'D') push_pair(out, KEY_EXTENDED, KEY_LEFT);
  else if (final_byte == 'C') push_pair(out, KEY_EXTENDED, KEY_RIGHT);
  else if (final_byte == 'A') push_pair(out, KEY_EXTENDED, KEY_UP);
  else if (final_byte == 'B') push_pair(out, KEY_EXTENDED, KEY_DOWN);
  else if (final_byte == 'H') push_pair(out, KEY_EXTENDED, KEY_HOME);
  else if (final_byte != '~') return;
  else if (first_param == 15) push_pair(out, KEY_FUNCTION, KEY_F5);
  else if (first_param == 5) push_pair(out, KEY_EXTENDED, KEY_PAGE_UP);
  else if (first_param == 6) push_pair(out, KEY_EXTENDED, KEY_PAGE_DOWN);
  else if (first_param == 1 || first_param == 7) push_pair(out, KEY_EXTENDED, KEY_HOME);
}

void ground(KeyParser* p, uint8_t byte, uint32_t now_ms, KeyQueue* out) {
  if (byte == 0x1B) {
    p->state = KeyParseState::Escape;
    p->since_ms = now_ms;
  } else if (byte == 0x7F) {
    key_queue_push(out, 8);  // the console reports Backspace as 8
  } else if (byte != 0 && byte < 0x80) {
    key_queue_push(out, byte);
  }
  // NUL and bytes of multi-byte characters have no console key code and
  // could otherwise pose as the 0 or 224 prefixes.
}

}  // namespace

void key_parser_feed(KeyParser* p, uint8_t byte, uint32_t now_ms, KeyQueue* out) {
  switch (p->state) {
    case KeyParseState::Ground:
      ground(p, byte, now_ms, out);
      return;
    case KeyParseState::Escape:
      if (byte == '[') {
        p->state = KeyParseState::Csi;
        p->first_param = 0;
        p->params = 0;
        p->more[0] = p->more[1] = 0;
      } else if (byte == 'O') {
        p->state = KeyParseState::Ss3;
      } else if (byte == 0x1B) {
        key_queue_push(out, KEY_ESCAPE);  // Escape pressed twice
        p->since_ms = now_ms;
      } else {
        p->state = KeyParseState::Ground;  // Alt+key: no console equivalent
      }
      return;
    case KeyParseState::Csi:
      if (byte == '[' && p->params == 0 && p->first_param == 0) {
        p->state = KeyParseState::CsiBracket;  // Linux console F1-F5
      } else if (byte >= '0' && byte <= '9') {
        if (p->params == 0) p->params = 1;
        int32_t* param = p->params == 1 ? &p->first_param : p->params <= 3 ? &p->more[p->params - 2] : nullptr;
        if (param && *param < 10000) *param = *param * 10 + (byte - '0');
      } else if (byte == ';') {
        p->params = (p->params == 0 ? 1 : p->params) + 1;
      } else if (byte >= 0x20 && byte <= 0x3F) {
        // other parameter or intermediate bytes: keep collecting
      } else if (byte == 't' && p->first_param == 6 && p->params == 3) {
        p->cell_height = p->more[0];
        p->cell_width = p->more[1];
        p->state = KeyParseState::Ground;
      } else if (byte >= 0x40 && byte <= 0x7E) {
        emit_final(out, byte, p->first_param);
        p->state = KeyParseState::Ground;
      } else {
        // A control byte breaks the sequence; ESC starts the next one.
        p->state = KeyParseState::Ground;
        ground(p, byte, now_ms, out);
      }
      return;
    case KeyParseState::CsiBracket:
      if (byte == 'E') push_pair(out, KEY_FUNCTION, KEY_F5);
      p->state = KeyParseState::Ground;
      return;
    case KeyParseState::Ss3:
      if (byte == 'A' || byte == 'B' || byte == 'C' || byte == 'D' || byte == 'H') emit_final(out, byte, 0);
      p->state = KeyParseState::Ground;
      return;
  }
}

void key_parser_idle(KeyParser* p, uint32_t now_ms, KeyQueue* out) {
  if (p->state == KeyParseState::Ground) return;
  if (now_ms - p->since_ms < KEY_ESC_TIMEOUT_MS) return;
  key_parser_end(p, out);
}

void key_parser_end(KeyParser* p, KeyQueue* out) {
  if (p->state == KeyParseState::Escape) key_queue_push(out, KEY_ESCAPE);
  p->state = KeyParseState::Ground;
}
