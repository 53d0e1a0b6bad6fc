// stb-load FILE: loads FILE with stb_image into memory, as a program that
// uses stb_image to view a picture does, and ends; exit status 1 when stb
// cannot load it.  The peer of a whole-process view.

#define STB_IMAGE_IMPLEMENTATION
#define STB_IMAGE_STATIC
#include <stb_image.h>

int main(int argc, char** argv) {
  if (argc != 2) {
    return 2;
  }
  int width = 0;
  int height = 0;
  int channels = 0;
  unsigned char* pixels = stbi_load(argv[1], &width, &height, &channels, 0);
  if (pixels == nullptr) {
    return 1;
  }
  stbi_image_free(pixels);
  return 0;
}
