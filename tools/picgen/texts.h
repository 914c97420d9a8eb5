#pragma once
// The words the pictures show, read from a text file of sections:
//     # comment
//     [ttl00]
//     KOLV17
//     A TEXT MODE SHOW
// A section name may repeat (one greetings panel each); blank lines are kept
// out. Lines are shown as written, upper case reads best.
#include <string>
#include <vector>

struct PicTextSection {
  std::string name;
  std::vector<std::string> lines;
};

// Reads the sections; on failure prints one line naming the file, returns false.
bool pic_read_texts(const char* path, std::vector<PicTextSection>* sections);
// The lines of the first section of that name; empty when there is none.
std::vector<std::string> pic_text_lines(const std::vector<PicTextSection>& sections, const std::string& name);
// Every section of that name, in file order.
std::vector<std::vector<std::string>> pic_text_all(const std::vector<PicTextSection>& sections,
                                                   const std::string& name);
