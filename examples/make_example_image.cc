// make_example_image FILE: writes the example 64 KiB partition image to FILE.
#include <cstdio>

#include "base/layout.h"
#include "examples/example_image.h"

int main(int argc, char **argv) {
  if (argc != 2) {
    printf("make_example_image FILE\n");
    return 2;
  }
  static uint8_t image[image_size];
  make_example_image(image);
  FILE *file = fopen(argv[1], "wb");
  bool written = file && fwrite(image, 1, sizeof image, file) == sizeof image;
  if (file && fclose(file) != 0) written = false;
  if (!written) {
    printf("ERROR: cannot write %s\n", argv[1]);
    return 1;
  }
  return 0;
}
