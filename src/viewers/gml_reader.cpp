#include "viewers/gml_reader.h"

#include <clocale>
#include <cstdlib>
#include <cstring>
#include <locale.h>
#include <string>

#include "platform/printable.h"
#include "viewers/viewer_keys.h"

namespace {

enum class ValueTarget { none, x, y, z, time };

GmlDrawing* current_drawing = nullptr;
ValueTarget value_target = ValueTarget::none;
int element_depth = 0;

bool is_blank(int c) { return c == '\t' || c == '\n' || c == ' '; }

// A read that fails (a directory, an I/O error) ends the file as surely as
// its end does: nothing more will come, and waiting for an end would hang.
bool stream_ended(FILE* stream) { return feof(stream) || ferror(stream); }

// Once a read has failed no later read is trusted either.
int read_char(FILE* stream) { return ferror(stream) ? EOF : fgetc(stream); }

// Only an empty token is produced at the end of the file; a token that merely
// starts with a NUL byte is not the end.
bool at_end(FILE* stream, const char* token) { return token[0] == '\0' && stream_ended(stream); }

// Appends while there is room: long texts are cut, the rest of the text is
// still consumed.
void append(char* text, int* length, int size, int c) {
  if (*length < size - 1) text[(*length)++] = static_cast<char>(c);
}

// Reads the next character after skipping blanks; EOF at the end of the file.
int skip_blanks(FILE* stream) {
  int c;
  do c = read_char(stream);
  while (c != EOF && is_blank(c));
  return c;
}

// Numbers are written with a decimal point whatever locale the program runs in.
double text_to_number(const char* text) {
  static const locale_t c_locale = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c_locale ? strtod_l(text, nullptr, c_locale) : strtod(text, nullptr);
}

// The stroke being built, or none once every stroke slot is used.
GmlStroke* building_stroke() {
  if (!current_drawing || current_drawing->stroke_count >= GML_MAX_STROKES) return nullptr;
  return &current_drawing->strokes[current_drawing->stroke_count];
}

void store_value(const char* token) {
  if (value_target == ValueTarget::none) return;
  GmlStroke* stroke = building_stroke();
  if (!stroke || stroke->point_count >= GML_MAX_POINTS) return;
  float value = static_cast<float>(text_to_number(token));
  int p = stroke->point_count;
  switch (value_target) {
    case ValueTarget::x: stroke->points[p][0] = value; break;
    case ValueTarget::y: stroke->points[p][1] = value; break;
    case ValueTarget::z: stroke->points[p][2] = value; break;
    case ValueTarget::time: stroke->times[p] = value; break;
    case ValueTarget::none: break;
  }
}

// Hands tokens to gml_element until one equals `close` (or `other_close`).
// False when the file ends first: the caller then skips its closing action.
bool read_until(FILE* stream, const char* close, const char* other_close = nullptr) {
  char token[GML_TOKEN_SIZE];
  for (;;) {
    gml_next_token(stream, token);
    if (at_end(stream, token)) return false;
    if (strcmp(token, close) == 0) return true;
    if (other_close && strcmp(token, other_close) == 0) return true;
    gml_element(stream, token);
  }
}

void skip_comment(FILE* stream) {
  char token[GML_TOKEN_SIZE];
  do gml_next_token(stream, token);
  while (!at_end(stream, token) && strcmp(token, "-->") != 0);
}

void read_gml_element(FILE* stream) {
  char name[GML_TOKEN_SIZE];
  char value[GML_TOKEN_SIZE];
  for (;;) {
    gml_next_attribute(stream, name, value);
    if (name[0] == '\0') break;
    if (current_drawing && strcmp(name, "spec") == 0) {
      strncpy(current_drawing->spec, value, GML_SPEC_SIZE - 1);
      current_drawing->spec[GML_SPEC_SIZE - 1] = '\0';
    }
    if (stream_ended(stream)) break;
  }
  read_until(stream, "</gml>");
}

void read_stroke(FILE* stream) {
  if (GmlStroke* stroke = building_stroke()) stroke->point_count = 0;
  if (!read_until(stream, "</stroke>")) return;
  if (current_drawing && current_drawing->stroke_count < GML_MAX_STROKES)
    current_drawing->stroke_count++;
}

void read_point(FILE* stream) {
  if (!read_until(stream, "</pt>")) return;
  GmlStroke* stroke = building_stroke();
  if (stroke && stroke->point_count < GML_MAX_POINTS) stroke->point_count++;
}

void read_value(FILE* stream, ValueTarget target, const char* close, const char* other_close) {
  value_target = target;
  if (read_until(stream, close, other_close)) value_target = ValueTarget::none;
}

void dispatch_element(FILE* stream, const char* token) {
  if (strcmp(token, "<gml") == 0) read_gml_element(stream);
  else if (strcmp(token, "<tag>") == 0) read_until(stream, "</tag>");
  else if (strcmp(token, "<drawing>") == 0) read_until(stream, "</drawing>");
  else if (strcmp(token, "<stroke>") == 0) read_stroke(stream);
  else if (strcmp(token, "<pt>") == 0) read_point(stream);
  else if (strcmp(token, "<x>") == 0) read_value(stream, ValueTarget::x, "</x>", nullptr);
  else if (strcmp(token, "<y>") == 0) read_value(stream, ValueTarget::y, "</y>", nullptr);
  else if (strcmp(token, "<z>") == 0) read_value(stream, ValueTarget::z, "</z>", nullptr);
  else if (strcmp(token, "<time>") == 0 || strcmp(token, "<t>") == 0)
    read_value(stream, ValueTarget::time, "</time>", "</t>");
  else store_value(token);
}

}  // namespace

void gml_lowercase(char* text) {
  for (; *text; ++text)
    if (*text >= 'A' && *text <= 'Z') *text = static_cast<char>(*text - 'A' + 'a');
}

void gml_unread(FILE* stream, int c) {
  if (c != EOF) ungetc(c, stream);
}

void gml_next_token(FILE* stream, char* buffer) {
  int length = 0;
  buffer[0] = '\0';
  const int first = skip_blanks(stream);
  if (first == EOF) return;
  gml_unread(stream, first);
  for (;;) {
    int c = read_char(stream);
    if (c == EOF || is_blank(c)) break;
    if (c == '<' && length > 0) {
      gml_unread(stream, c);
      break;
    }
    append(buffer, &length, GML_TOKEN_SIZE, c);
    if (c == '>') break;
  }
  buffer[length] = '\0';
  gml_lowercase(buffer);
}

void gml_next_attribute(FILE* stream, char* name, char* value) {
  int name_length = 0;
  int value_length = 0;
  name[0] = value[0] = '\0';
  const int first = skip_blanks(stream);
  if (first == EOF) return;
  gml_unread(stream, first);
  for (;;) {
    int c = read_char(stream);
    if (c == EOF || is_blank(c)) break;
    if (c == '>') {
      gml_unread(stream, c);
      break;
    }
    if (c == '=') {
      int quote = read_char(stream);
      if (quote == '"' || quote == '\'') {
        for (c = read_char(stream); c != EOF && c != '"' && c != '\''; c = read_char(stream))
          append(value, &value_length, GML_TOKEN_SIZE, c);
      }
      break;
    }
    append(name, &name_length, GML_TOKEN_SIZE, c);
  }
  name[name_length] = '\0';
  value[value_length] = '\0';
}

void gml_element(FILE* stream, const char* token) {
  if (strcmp(token, "<!--") == 0) {
    skip_comment(stream);
    return;
  }
  if (element_depth >= GML_MAX_DEPTH) {
    store_value(token);
    return;
  }
  element_depth++;
  dispatch_element(stream, token);
  element_depth--;
}

void gml_parse(FILE* stream) {
  char token[GML_TOKEN_SIZE];
  value_target = ValueTarget::none;
  element_depth = 0;
  for (;;) {
    gml_next_token(stream, token);
    if (at_end(stream, token)) return;
    gml_element(stream, token);
  }
}

void gml_read_stream(FILE* stream, GmlDrawing* drawing) {
  drawing->stroke_count = 0;
  drawing->spec[0] = '\0';
  current_drawing = drawing;
  gml_parse(stream);
  current_drawing = nullptr;
}

std::string gml_not_found_text(const char* path) {
  return "ERROR!!! " + platform_printable_text(path) + " NOT FOUND!!";
}

void gml_load(const char* path, GmlDrawing* drawing) {
  FILE* stream = fopen(path, "rb");
  if (!stream) {
    const std::string message = gml_not_found_text(path) + "\n";
    viewer_report_and_wait(message.c_str());
    return;
  }
  if (!drawing) {
    viewer_report_and_wait("NO GRAPH TO LOAD INTO!\n");
    fclose(stream);
    return;
  }
  gml_read_stream(stream, drawing);
  fclose(stream);
}
