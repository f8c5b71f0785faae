/* The README's example: every picture of a file, with its label and size. */
#include <korvel/korvel.h>
#include <stdio.h>

int main(int argc, char** argv) {
  static uint8_t bytes[16 << 20];
  FILE* in = argc == 2 ? fopen(argv[1], "rb") : NULL;
  if (in == NULL) return 2;
  korvel_file* file = korvel_open_memory(bytes, fread(bytes, 1, sizeof bytes, in), argv[1]);
  for (size_t i = 0; i < korvel_picture_count(file); ++i)
    printf("%s: %s, %ux%u\n", korvel_picture_label(file, i), korvel_picture_form(file, i),
           (unsigned)korvel_picture_width(file, i), (unsigned)korvel_picture_height(file, i));
  korvel_close(file);
  return fclose(in) != 0;
}
