/* The floor for the benchmark: exactly the file input and output of a full
 * set_config run (-u -e -i -w -d) and nothing else. Opens the image once and
 * locks it, reads its 64 KiB, the environment, the config file line by line and
 * both calibration files; writes the records at 0x980 and the block at 0x580
 * through the same descriptor, each synced and read back. Also the status
 * calls around them: the standard descriptors checked, SIGPIPE ignored, the
 * target compared with standard output and error, the calibration files'
 * file systems asked.
 * Usage: floor IMAGE ENVIRONMENT CONFIG WLAN DECT */
#include <fcntl.h>
#include <signal.h>
#include <stdio.h>
#include <stdlib.h>
#include <string.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/vfs.h>
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
  struct statfs fs;
  FILE *file;
  size_t count;
  if (stat(path, &status) != 0 || statfs(path, &fs) != 0) return 0;
  file = fopen(path, "rb");
  if (!file) return 0;
  count = fread(buffer + 4, 1, (size_t)status.st_size, file);
  fclose(file);
  return count + 4;
}

static int write_at(int fd, const unsigned char *data, size_t size, long offset) {
  unsigned char back[256];
  size_t done;
  if (pwrite(fd, data, size, offset) != (ssize_t)size || fsync(fd) != 0) return 0;
  for (done = 0; done < size; done += sizeof back) {
    size_t part = size - done < sizeof back ? size - done : sizeof back;
    if (pread(fd, back, part, offset + (long)done) != (ssize_t)part || memcmp(back, data + done, part) != 0) return 0;
  }
  return 1;
}

int main(int argc, char **argv) {
  unsigned char *environment = malloc(16384), *image = malloc(65536), *block = malloc(1020), *records = malloc(1152);
  char line[256];
  size_t total;
  FILE *config;
  int ok;
  int target;
  if (argc != 6 || !environment || !image || !block || !records) return 1;
  memset(environment, 0, 16384);
  memset(image, 0xFF, 65536);
  memset(block, 0xFF, 1020);
  memset(records, 0xFF, 1152);
  signal(SIGPIPE, SIG_IGN);
  for (int fd = 0; fd <= 2; fd++) fcntl(fd, F_GETFD);
  target = open(argv[1], O_RDWR);
  for (int fd = 1; fd <= 2; fd++) {
    struct stat mine, other;
    fstat(target, &mine);
    fstat(fd, &other);
  }
  ok = target >= 0 && flock(target, LOCK_EX) == 0 && read(target, image, 65536) == 65536 &&
       read_whole(argv[2], environment, 16384) > 0;
  config = fopen(argv[3], "r");
  if (config) {
    while (fgets(line, sizeof line, config)) {
    }
    fclose(config);
  }
  total = read_record(argv[4], records);
  total += read_record(argv[5], records + total);
  ok = ok && config && write_at(target, records, total, 0x980) && write_at(target, block, 1020, 0x580);
  if (target >= 0) close(target);
  free(records);
  free(block);
  free(image);
  free(environment);
  return ok ? 0 : 1;
}
