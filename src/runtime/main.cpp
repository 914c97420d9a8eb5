#include <cstdio>

int main() {
  std::printf("kolv17 %s\n", KOLV_VERSION);
  return 0;
}
