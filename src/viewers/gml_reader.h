#pragma once
// Reader for Graffiti Markup Language drawings: a small scanner that splits the
// file into tokens, knows a handful of element names and stores every number
// found inside <x>, <y>, <z> and <time>/<t> into the point being built.
// Everything else is skipped, so malformed files read as far as they make sense.
#include <cstdint>
#include <cstdio>
#include <string>

constexpr int GML_MAX_STROKES = 64;
constexpr int GML_MAX_POINTS = 512;
constexpr int GML_TOKEN_SIZE = 64;
constexpr int GML_SPEC_SIZE = 32;
// Deeper nesting than any real drawing has; past it, element names are plain
// tokens so that a hostile file cannot exhaust the stack.
constexpr int GML_MAX_DEPTH = 256;

struct GmlStroke {
  int32_t point_count;
  float points[GML_MAX_POINTS][3];  // x, y, z as written in the file
  float times[GML_MAX_POINTS];
};

struct GmlDrawing {
  char spec[GML_SPEC_SIZE];
  int32_t stroke_count;
  GmlStroke strokes[GML_MAX_STROKES];
};

// Reads the file at `path` into `drawing`. A missing file or record is reported
// on stdout and waits for one key press; the drawing is then left untouched.
void gml_load(const char* path, GmlDrawing* drawing);
// The line a missing file is reported with, without its line end and with
// the name made printable: one text for the report and for any screen.
std::string gml_not_found_text(const char* path);
// Steps 3 of the load on an open stream: resets the count and spec, parses.
void gml_read_stream(FILE* stream, GmlDrawing* drawing);

void gml_parse(FILE* stream);
void gml_element(FILE* stream, const char* token);
// `buffer` holds GML_TOKEN_SIZE bytes; longer tokens are cut.
void gml_next_token(FILE* stream, char* buffer);
// `name` and `value` hold GML_TOKEN_SIZE bytes each; longer texts are cut.
void gml_next_attribute(FILE* stream, char* name, char* value);
// Steps back over `c`, the character just read, so that the next read returns
// it again; unlike setting the position this works on pipes too.
void gml_unread(FILE* stream, int c);
void gml_lowercase(char* text);
