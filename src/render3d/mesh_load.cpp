#include "render3d/mesh_load.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "image/image.h"
#include "platform/printable.h"

namespace {

// More vertex records than this is treated as memory we cannot have: it
// keeps a corrupt count from asking for gigabytes.
constexpr int64_t MESH_MAX_VERTEX_RECORDS = 1 << 22;

// Whitespace-separated tokens of a file held in memory, with the line each
// starts on for the reports.
struct TokenReader {
  const char* cur;
  const char* end;
  char token[64];
  int32_t line = 1;        // where the reader stands
  int32_t token_line = 1;  // where the last token (or the end) was met

  bool next() {
    for (; cur < end && std::isspace(static_cast<unsigned char>(*cur)); ++cur) line += *cur == '\n';
    token_line = line;
    if (cur == end) return false;
    size_t n = 0;
    while (cur < end && !std::isspace(static_cast<unsigned char>(*cur))) {
      if (n < sizeof token - 1) token[n] = *cur;
      ++n;
      ++cur;
    }
    // A token too long for any number is cut so that it fails to parse.
    token[n < sizeof token ? n : sizeof token - 1] = '\0';
    if (n >= sizeof token) token[0] = 'x';
    return true;
  }

  // Non-negative decimal integer up to INT32_MAX, optionally signed with '+';
  // a leading '-' is allowed only where the value is ignored (allow_negative).
  bool read_int(int64_t* out, bool allow_negative = false) {
    if (!next()) return false;
    const char* p = token;
    bool negative = false;
    if (*p == '+' || (*p == '-' && allow_negative)) negative = *p++ == '-';
    if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
    int64_t value = 0;
    for (; *p; ++p) {
      if (!std::isdigit(static_cast<unsigned char>(*p))) return false;
      value = value * 10 + (*p - '0');
      if (value > INT32_MAX) return false;
    }
    *out = negative ? -value : value;
    return true;
  }

  bool read_float(float* out) {
    if (!next()) return false;
    char* stop = nullptr;
    *out = std::strtof(token, &stop);
    return stop != token && *stop == '\0';
  }

  // Upper bound on the tokens left: each takes a character and a separator.
  int64_t tokens_left_at_most() const { return (end - cur + 1) / 2; }
};

enum class Screen { Frame, Stdout };

MeshErrorScreen error_screen = nullptr;

// Reports one failure: the fixed text on the error screen (or standard
// output for the multi-frame loader) and one line naming the file, and the
// line in it where the content went wrong (0: the file as a whole).
void report(Screen screen, const char* message, const char* path, int32_t line, const char* why) {
  if (screen == Screen::Frame) {
    if (error_screen) error_screen(message);
  } else {
    std::fputs(message, stdout);
    std::fflush(stdout);
  }
  const std::string name = platform_printable_text(path);
  if (line > 0) std::fprintf(stderr, "Bof:%s:%d: %s\n", name.c_str(), line, why);
  else std::fprintf(stderr, "Bof:%s: %s\n", name.c_str(), why);
}

bool read_file(const char* path, std::string* contents) {
  FILE* file = std::fopen(path, "rb");
  if (!file) return false;
  char chunk[4096];
  size_t n;
  while ((n = std::fread(chunk, 1, sizeof chunk, file)) > 0) contents->append(chunk, n);
  const bool ok = !std::ferror(file);
  std::fclose(file);
  return ok;
}

// Reads the body of a BOF file after its tag. Returns the failure text and
// its screen message, or nullptr on success.
const char* parse_mesh(TokenReader* in, Mesh* mesh, bool multi_frame, const char** message) {
  *message = MSG_MALFORMED_FILE;
  int64_t vertex_count, face_count, frame_count = 1;
  if (!in->read_int(&vertex_count) || !in->read_int(&face_count)) return "bad or missing counts";
  if (multi_frame && !in->read_int(&frame_count)) return "bad or missing frame count";
  for (int i = 0; i < 3; ++i) {
    float ignored;
    if (!in->read_float(&ignored)) return "bad or missing number after the counts";
  }
  // Every entry needs its tokens in the file: a short file is refused
  // before anything is allocated for counts it cannot hold.
  const int64_t tokens = in->tokens_left_at_most();
  if (vertex_count > 0 && frame_count > tokens / 6 / vertex_count) return "file ends early";
  const int64_t entries = frame_count * vertex_count;
  if (entries * 6 + face_count * 4 > tokens) return "file ends early";

  const int64_t records = multi_frame ? (frame_count + 1) * vertex_count : vertex_count;
  *message = MSG_NOT_NUFF_MEM;
  if (records > MESH_MAX_VERTEX_RECORDS || face_count > MESH_MAX_VERTEX_RECORDS) {
    return "counts too large";
  }
  // calloc(0) may return null; one spare record keeps "no memory" unambiguous.
  mesh->vertices = static_cast<MeshVertex*>(std::calloc(records + 1, sizeof(MeshVertex)));
  mesh->faces = static_cast<MeshFace*>(std::calloc(face_count + 1, sizeof(MeshFace)));
  if (!mesh->vertices || !mesh->faces) return "out of memory";
  mesh->vertex_count = static_cast<int32_t>(vertex_count);
  mesh->face_count = static_cast<int32_t>(face_count);
  mesh->frame_count = static_cast<int32_t>(frame_count);

  *message = MSG_MALFORMED_FILE;
  for (int64_t i = 0; i < entries; ++i) {
    MeshVertex& v = mesh->vertices[i];
    int64_t ignored;
    float x, y, z, u, t;
    if (!in->read_int(&ignored, true) || !in->read_float(&x) || !in->read_float(&y) ||
        !in->read_float(&z) || !in->read_float(&u) || !in->read_float(&t)) {
      return "bad or missing vertex number";
    }
    v.x = fix_from_float(x);
    v.y = fix_from_float(y);
    v.z = fix_from_float(z);
    v.u = fix_int_times_float(UV_ONE, u);
    v.v = fix_int_times_float(UV_ONE, t);
  }
  for (int64_t i = 0; i < face_count; ++i) {
    MeshFace& f = mesh->faces[i];
    int64_t ignored, i0, i1, i2;
    if (!in->read_int(&ignored, true) || !in->read_int(&i0) || !in->read_int(&i1) ||
        !in->read_int(&i2)) {
      return "bad or missing face number";
    }
    if (i0 >= vertex_count || i1 >= vertex_count || i2 >= vertex_count) {
      return "face index beyond the vertices";
    }
    f.i0 = static_cast<int32_t>(i0);
    f.i1 = static_cast<int32_t>(i1);
    f.i2 = static_cast<int32_t>(i2);
  }
  *message = MSG_NOT_NUFF_MEM;
  if (!mesh_build_edges(mesh)) return "more distinct edges than the edge table holds";
  return nullptr;
}

void load(const char* path, Mesh* mesh, bool multi_frame) {
  const Screen screen = multi_frame ? Screen::Stdout : Screen::Frame;
  std::string contents;
  if (!read_file(path, &contents)) {
    mesh_free(mesh);
    report(screen, MSG_FILE_NOT_FOUND, path, 0, "cannot open");
    return;
  }
  TokenReader in{contents.data(), contents.data() + contents.size(), {}};
  mesh_free(mesh);
  mesh_set_pose(mesh, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
  mesh->texture = -1;
  mesh->frame = 0;
  mesh->frame_count = 1;
  const char* message = MSG_MALFORMED_FILE;
  const char* why = in.next() ? parse_mesh(&in, mesh, multi_frame, &message) : "empty file";
  if (why) {
    mesh_free(mesh);
    report(screen, message, path, message == MSG_MALFORMED_FILE ? in.token_line : 0, why);
    return;
  }
  mesh_set_pose(mesh, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f, 0.0f);
}

}  // namespace

void mesh_set_error_screen(MeshErrorScreen show) { error_screen = show; }

void mesh_load(const char* path, Mesh* mesh) { load(path, mesh, false); }

void mesh_load_frames(const char* path, Mesh* mesh) { load(path, mesh, true); }
