/* Writes a benchmark workload into a folder: img (64 KiB, erased, with a
 * default header and its locator), env, cfg, wlan.bin and dect.bin.
 * Usage: workload typical|worst FOLDER
 *   typical: 30 config lines (8 fixed, 22 variable tags, 5 values looked up in
 *            a 2 KiB environment), a 400-byte WLAN and a 60-byte DECT file;
 *   worst:   64 variable tags, each looked up at the end of a nearly full
 *            16 KiB environment. */
#include <stdio.h>
#include <string.h>

static FILE *open_in(const char *folder, const char *name) {
  char path[4096];
  snprintf(path, sizeof path, "%s/%s", folder, name);
  return fopen(path, "wb");
}

static int write_image(const char *folder) {
  static unsigned char image[65536];
  FILE *file = open_in(folder, "img");
  size_t i;
  if (!file) return 0;
  memset(image, 0xFF, sizeof image);
  /* Locator 0x1000; descriptor words 0x2000, 0, 0: the header lies at 0x2000. */
  image[0x97C] = 0x00, image[0x97D] = 0x10, image[0x97E] = 0, image[0x97F] = 0;
  image[0x1004] = 0x00, image[0x1005] = 0x20;
  image[0x1008] = 0, image[0x1009] = 0, image[0x100C] = 0, image[0x100D] = 0;
  for (i = 0; i < 112; i++) image[0x2000 + i] = (unsigned char)(i * 7 + 1);
  fwrite(image, 1, sizeof image, file);
  return fclose(file) == 0;
}

static int write_blob(const char *folder, const char *name, size_t size) {
  FILE *file = open_in(folder, name);
  size_t i;
  if (!file) return 0;
  for (i = 0; i < size; i++) fputc((int)(i * 31 + 5) & 0xFF, file);
  return fclose(file) == 0;
}

/* Filler environment lines up to about size bytes. */
static long fill_environment(FILE *env, long size) {
  long written = 0;
  int n = 0;
  while (written + 40 < size) written += fprintf(env, "setting_%04d value of setting %04d\n", n, n), n++;
  return written;
}

static int typical(const char *folder) {
  FILE *cfg = open_in(folder, "cfg"), *env = open_in(folder, "env");
  int i;
  if (!cfg || !env) return 0;
  fprintf(cfg, "# typical device settings\n");
  for (i = 0; i < 8; i++) fprintf(cfg, "fixed_%d overwrite value %d\n", i, i);
  for (i = 0; i < 22; i++) {
    if (i < 5)
      fprintf(cfg, "lookup_%d keep\n", i);
    else
      fprintf(cfg, "var_%d keep %d\n", i, i);
  }
  fill_environment(env, 2048 - 5 * 20);
  for (i = 0; i < 5; i++) fprintf(env, "lookup_%d env%d\n", i, i);
  return fclose(cfg) == 0 && fclose(env) == 0 && write_blob(folder, "wlan.bin", 400) &&
         write_blob(folder, "dect.bin", 60);
}

static int worst(const char *folder) {
  FILE *cfg = open_in(folder, "cfg"), *env = open_in(folder, "env");
  int i;
  if (!cfg || !env) return 0;
  for (i = 0; i < 64; i++) fprintf(cfg, "v%02d keep\n", i);
  fill_environment(env, 16383 - 64 * 8);
  for (i = 0; i < 64; i++) fprintf(env, "v%02d e%02d\n", i, i);
  return fclose(cfg) == 0 && fclose(env) == 0 && write_blob(folder, "wlan.bin", 400) &&
         write_blob(folder, "dect.bin", 60);
}

int main(int argc, char **argv) {
  if (argc != 3) return 2;
  if (!write_image(argv[2])) return 1;
  if (strcmp(argv[1], "typical") == 0) return typical(argv[2]) ? 0 : 1;
  if (strcmp(argv[1], "worst") == 0) return worst(argv[2]) ? 0 : 1;
  return 2;
}
