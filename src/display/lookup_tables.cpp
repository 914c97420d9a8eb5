#include "display/lookup_tables.h"

#include <cstdio>
#include <cstring>
#include <initializer_list>
#include <sys/stat.h>

#include "platform/printable.h"
uint8_t CharMap[CHAR_MAP_SIZE];
uint8_t ColorPairMap[COLOR_CODES];
float ColorMixMap[COLOR_CODES];

static_assert(sizeof(float) == 4, "ColorMixMap entries are 4-byte floats");

static uint32_t table_loads = 0;

uint32_t cell_tables_loads() { return table_loads; }

void cell_load_table_files(const char* charmap_path, const char* colmap_path) {
  ++table_loads;
  // Cleared first so that a short file leaves zeros even on a second load.
  std::memset(CharMap, 0, sizeof CharMap);
  std::memset(ColorPairMap, 0, sizeof ColorPairMap);
  std::memset(ColorMixMap, 0, sizeof ColorMixMap);

  if (FILE* f = std::fopen(charmap_path, "rb")) {
    size_t got = std::fread(CharMap, 1, sizeof CharMap, f);
    (void)got;  // short files leave zeros
    std::fclose(f);
  } else {
    std::fprintf(stderr, "%s: cannot open; run `make data`\n",
                 platform_printable_text(charmap_path).c_str());
  }
  if (FILE* f = std::fopen(colmap_path, "rb")) {
    // One stream, the pair table then the mix table, as raw bytes.
    size_t got = std::fread(ColorPairMap, 1, sizeof ColorPairMap, f);
    got += std::fread(ColorMixMap, 1, sizeof ColorMixMap, f);
    (void)got;  // short files leave zeros
    std::fclose(f);
  } else {
    std::fprintf(stderr, "%s: cannot open; run `make data`\n",
                 platform_printable_text(colmap_path).c_str());
  }
}

void cell_load_tables() { cell_load_table_files(CHARMAP_PATH, COLMAP_PATH); }

const char* cell_missing_table() {
  struct stat st;
  for (const char* path : {CHARMAP_PATH, COLMAP_PATH}) {
    if (stat(path, &st) != 0 || !S_ISREG(st.st_mode)) return path;
  }
  return nullptr;
}
