// Entry of the game executable.
#include <cstdio>

int main() {
  std::printf("game %s\n", KIVO_PRODUCT_VERSION);
  return 0;
}
