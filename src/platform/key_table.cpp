#include "platform/key_table.h"

#include <cstring>
#include <string>

const KeyBinding* key_binding_named(const char* name) {
  for (const KeyBinding& binding : KEY_BINDINGS)
    if (std::strcmp(binding.name, name) == 0) return &binding;
  return nullptr;
}

KeyAction key_action_of(int first, int second) {
  for (const KeyBinding& binding : KEY_BINDINGS)
    if (binding.first == first && binding.second == second) return binding.action;
  return KeyAction::None;
}

const char* key_binding_names() {
  static const std::string names = [] {
    std::string list;
    for (const KeyBinding& binding : KEY_BINDINGS) list += std::string(list.empty() ? "" : ", ") + binding.name;
    return list;
  }();
  return names.c_str();
}
