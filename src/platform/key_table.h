#pragma once
// Every key the show understands, in one table: the console key codes the
// key parser produces (Escape 27, extended keys 224 + code, function keys
// 0 + code, plain keys as themselves), the name a --keys script uses for it,
// and what it does. Adding a key is one row here plus its action.
#include <cstdint>

constexpr int KEY_ESCAPE = 27;
constexpr int KEY_EXTENDED = 224;
constexpr int KEY_FUNCTION = 0;
constexpr int KEY_TAB = 9;
constexpr int KEY_SPACE = 32;
constexpr int KEY_HOME = 71;
constexpr int KEY_UP = 72;
constexpr int KEY_PAGE_UP = 73;
constexpr int KEY_LEFT = 75;
constexpr int KEY_RIGHT = 77;
constexpr int KEY_DOWN = 80;
constexpr int KEY_PAGE_DOWN = 81;
constexpr int KEY_F5 = 63;

enum class KeyAction : uint8_t {
  None,
  Quit,
  SecondBack,
  SecondForward,
  Reload,
  Pause,
  BarBack,
  BarForward,
  PageBack,
  PageForward,
  Home,
  StatusLine,
};

struct KeyBinding {
  const char* name;  // in --keys scripts
  int first;         // console codes; second < 0 for a one-code key
  int second;
  KeyAction action;
};

constexpr KeyBinding KEY_BINDINGS[] = {
    {"esc", KEY_ESCAPE, -1, KeyAction::Quit},
    {"left", KEY_EXTENDED, KEY_LEFT, KeyAction::SecondBack},
    {"right", KEY_EXTENDED, KEY_RIGHT, KeyAction::SecondForward},
    {"f5", KEY_FUNCTION, KEY_F5, KeyAction::Reload},
    {"space", KEY_SPACE, -1, KeyAction::Pause},
    {"up", KEY_EXTENDED, KEY_UP, KeyAction::BarBack},
    {"down", KEY_EXTENDED, KEY_DOWN, KeyAction::BarForward},
    {"pgup", KEY_EXTENDED, KEY_PAGE_UP, KeyAction::PageBack},
    {"pgdn", KEY_EXTENDED, KEY_PAGE_DOWN, KeyAction::PageForward},
    {"home", KEY_EXTENDED, KEY_HOME, KeyAction::Home},
    {"tab", KEY_TAB, -1, KeyAction::StatusLine},
};

// The row of that name, or null.
const KeyBinding* key_binding_named(const char* name);
// What a code pair does (second < 0 for a one-code key); None when nothing.
KeyAction key_action_of(int first, int second);
// "esc, left, ..." for messages.
const char* key_binding_names();
