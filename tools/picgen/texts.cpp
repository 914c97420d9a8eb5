#include "tools/picgen/texts.h"

#include <cstdio>
#include <fstream>

#include "platform/printable.h"

namespace {
std::string trimmed(const std::string& s) {
  const size_t b = s.find_first_not_of(" \t\r");
  if (b == std::string::npos) return "";
  return s.substr(b, s.find_last_not_of(" \t\r") - b + 1);
}
}  // namespace

bool pic_read_texts(const char* path, std::vector<PicTextSection>* sections) {
  std::ifstream in(path);
  if (!in) {
    fprintf(stderr, "picgen: cannot read texts from %s\n", platform_printable_text(path).c_str());
    return false;
  }
  sections->clear();
  std::string raw;
  int line_number = 0;
  while (std::getline(in, raw)) {
    ++line_number;
    const std::string line = trimmed(raw);
    if (line.empty() || line[0] == '#') continue;
    if (line.front() == '[' && line.back() == ']') {
      sections->push_back({line.substr(1, line.size() - 2), {}});
    } else if (sections->empty()) {
      fprintf(stderr, "picgen: %s:%d: text before the first [section]\n",
              platform_printable_text(path).c_str(), line_number);
      return false;
    } else {
      sections->back().lines.push_back(line);
    }
  }
  return true;
}

std::vector<std::string> pic_text_lines(const std::vector<PicTextSection>& sections, const std::string& name) {
  for (const PicTextSection& s : sections) {
    if (s.name == name) return s.lines;
  }
  return {};
}

std::vector<std::vector<std::string>> pic_text_all(const std::vector<PicTextSection>& sections,
                                                   const std::string& name) {
  std::vector<std::vector<std::string>> all;
  for (const PicTextSection& s : sections) {
    if (s.name == name) all.push_back(s.lines);
  }
  return all;
}
