/* The floor for the benchmark: exactly the file input and output of a full
 * set_config run (-u -e -i -w -d) and nothing else. Reads the 64 KiB image, the
 * environment, the config file line by line and both calibration files; writes
 * the records at 0x980 and the block at 0x580.
 * Usage: floor IMAGE ENVIRONMENT CONFIG WLAN DECT */
#include <fcntl.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/stat.h>
#include <unistd.h>

static size_t read_whole(const char *path, unsigned char *buffer, size_t length) {
  FILE *file = fopen(path, "rb");
  size_t count = 0;
  if (!file) return 0;
  count = fread(buffer, 1, length, file);
  fclose(file);
  return count;
}

static size_t read_record(const char *path, unsigned char *buffer) {
  struct stat status;
  FILE *file;
  size_t count;
  if (stat(path, &status) != 0) return 0;
  file = fopen(path, "rb");
  if (!file) return 0;
  count = fread(buffer + 4, 1, (size_t)status.st_size, file);
  fclose(file);
  return count + 4;
}

static int write_at(const char *path, const unsigned char *data, size_t size, long offset) {
  int fd = open(path, O_WRONLY | O_CREAT, 0644);
  int ok;
  if (fd < 0) return 0;
  ok = lseek(fd, offset, SEEK_SET) == offset && write(fd, data, size) == (ssize_t)size;
  return close(fd) == 0 && ok;
}

int main(int argc, char **argv) {
  unsigned char *environment = malloc(16384), *image = malloc(65536), *block = malloc(1020),
                *records = malloc(1152);
  char line[256];
  size_t total;
  FILE *config;
  int ok;
  if (argc != 6 || !environment || !image || !block || !records) return 1;
  memset(environment, 0, 16384);
  memset(image, 0xFF, 65536);
  memset(block, 0xFF, 1020);
  memset(records, 0xFF, 1152);
  ok = read_whole(argv[1], image, 65536) == 65536 && read_whole(argv[2], environment, 16383) > 0;
  config = fopen(argv[3], "r");
  if (config) {
    while (fgets(line, sizeof line, config)) {
    }
    fclose(config);
  }
  total = read_record(argv[4], records);
  total += read_record(argv[5], records + total);
  ok = ok && config && write_at(argv[1], records, total, 0x980) && write_at(argv[1], block, 1020, 0x580);
  free(records);
  free(block);
  free(image);
  free(environment);
  return ok ? 0 : 1;
}
