#include "tests/fixture.h"

#include <fcntl.h>
#include <ftw.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <sstream>

#include "base/bytes.h"
#include "base/layout.h"
#include "calibration/records.h"
#include "config/block.h"
#include "examples/example_image.h"

temp_folder::temp_folder() {
  const char *base = getenv("TMPDIR");
  std::string name = std::string(base && *base ? base : "/tmp") + "/set_config_test.XXXXXX";
  std::vector<char> buffer(name.begin(), name.end());
  buffer.push_back('\0');
  if (!mkdtemp(buffer.data())) abort();
  root_ = buffer.data();
}

temp_folder::~temp_folder() {
  nftw(
      root_.c_str(), [](const char *path, const struct stat *, int, struct FTW *) { return remove(path); }, 16,
      FTW_DEPTH | FTW_PHYS);
}

void write_file(const std::string &path, const bytes &content) {
  FILE *file = fopen(path.c_str(), "wb");
  if (!file) abort();
  if (!content.empty() && fwrite(content.data(), 1, content.size(), file) != content.size()) abort();
  if (fclose(file) != 0) abort();
}

void write_text(const std::string &path, const std::string &text) { write_file(path, text_bytes(text)); }

bytes read_file(const std::string &path) {
  bytes content;
  FILE *file = fopen(path.c_str(), "rb");
  if (!file) return content;
  uint8_t chunk[4096];
  size_t got;
  while ((got = fread(chunk, 1, sizeof chunk, file)) > 0) content.insert(content.end(), chunk, chunk + got);
  (void)fclose(file);  // read only: nothing is lost
  return content;
}

bytes text_bytes(const std::string &text) { return bytes(text.begin(), text.end()); }

bytes pattern(size_t count, uint8_t seed) {
  bytes content(count);
  for (size_t i = 0; i < count; i++) content[i] = (uint8_t)(seed + i * 13);
  return content;
}

bytes erased_image() { return bytes(image_size, erased); }

bytes example_header() {
  bytes image = example_image();
  return bytes(image.begin() + example_header_offset, image.begin() + example_header_offset + 112);
}

bytes worked_example_block() {
  bytes block(config_size, erased);
  put_bytes(block, 0, example_header());
  put_le32(&block[header_var_data], 0x90000600);
  put_bytes(block, 112, {0x74, 0x09, 0x00, 0x90, 0x6E, 0x09, 0x00, 0x90, 0, 0, 0, 0, 0, 0, 0, 0});
  put_bytes(block, 128,
            text_bytes(std::string("beta\0"
                                   "7\0",
                                   7)));
  put_bytes(block, 1006,
            text_bytes(std::string("alpha\0"
                                   "one two\0",
                                   14)));
  return block;
}

void put_bytes(bytes &image, uint32_t offset, const bytes &content) {
  if (offset + content.size() > image.size()) abort();
  std::copy(content.begin(), content.end(), image.begin() + offset);
}

bytes example_image() {
  bytes image(image_size);
  make_example_image(image);
  return image;
}

bytes with(bytes image, uint32_t offset, const bytes &content) {
  put_bytes(image, offset, content);
  return image;
}

bytes concat(bytes a, const bytes &b) {
  a.insert(a.end(), b.begin(), b.end());
  return a;
}

bytes patched(bytes image, const std::vector<patch> &patches) {
  for (const patch &p : patches) put_bytes(image, p.offset, p.content);
  return image;
}

bytes record_header_bytes(uint8_t type, uint16_t payload_length) {
  bytes header(record_header_size);
  put_record_header(header.data(), (record_type)type, payload_length);
  return header;
}

bytes record_of(uint8_t type, const bytes &payload) {
  if (payload.size() > UINT16_MAX) abort();
  return concat(record_header_bytes(type, (uint16_t)payload.size()), payload);
}

bytes record(uint8_t type, uint16_t payload_length) { return record_of(type, pattern(payload_length, type)); }

long sweep_stride() {
  const char *stride = getenv("SET_CONFIG_SWEEP_STRIDE");
  long step = stride ? atol(stride) : 1;
  return step > 0 ? step : 1;
}

bool tool_wrapped() { return SET_CONFIG_WRAPPER[0] != '\0'; }

// The programs under test are the ones built beside the tests, unless the
// environment names others (the static device build, run by its own emulator).
static const char *setting(const char *name, const char *built) {
  const char *value = getenv(name);
  return value ? value : built;
}
static const char *set_config_binary() { return setting("SET_CONFIG_UNDER_TEST", SET_CONFIG_BINARY); }
static const char *show_config_binary() { return setting("SHOW_CONFIG_UNDER_TEST", SHOW_CONFIG_BINARY); }
static const char *emulator() { return setting("SET_CONFIG_TEST_EMULATOR", SET_CONFIG_EMULATOR); }

const char *fault_shim() {
  if (SET_CONFIG_FAULT_SHIM[0] == '\0' || tool_wrapped() || emulator()[0] != '\0') return nullptr;
  return SET_CONFIG_FAULT_SHIM;
}

preloaded_faults::preloaded_faults(const fault_settings &settings) {
  if (!fault_shim()) abort();
  // A sanitizer's runtime then no longer comes first: that is expected.
  names_ = {"LD_PRELOAD", "ASAN_OPTIONS"};
  setenv("LD_PRELOAD", fault_shim(), 1);
  setenv("ASAN_OPTIONS", "verify_asan_link_order=0", 1);
  for (const auto &[name, value] : settings) {
    names_.push_back(name);
    setenv(name.c_str(), value.c_str(), 1);
  }
}

preloaded_faults::~preloaded_faults() {
  for (const std::string &name : names_) unsetenv(name.c_str());
}

// Runs the built program binary (named name) in folder; it sees argv0 as its own name.
// The words that run binary_path: under the emulator and the checker, if any.
static std::vector<std::string> command_words(const char *binary_path) {
  std::vector<std::string> words;
  std::istringstream prefix(std::string(emulator()) + " " SET_CONFIG_WRAPPER);
  for (std::string word; prefix >> word;) words.push_back(word);
  words.push_back(binary_path);
  return words;
}

// The command as a shell expands it from a variable: words split at blanks.
static std::string shell_command(const char *binary_path) {
  std::string command;
  for (const std::string &word : command_words(binary_path)) command += (command.empty() ? "" : " ") + word;
  return command;
}

// Runs file (found on path) with argv in folder, standard input empty: its
// standard output and exit status.
static tool_run run_argv(const char *file, std::vector<char *> &argv, const temp_folder &folder,
                         const std::string &path);

tool_run run_shell(const temp_folder &folder, const std::string &script) {
  setenv("SET_CONFIG", shell_command(set_config_binary()).c_str(), 1);
  setenv("SHOW_CONFIG", shell_command(show_config_binary()).c_str(), 1);
  std::string copy = script;
  std::vector<char *> argv = {(char *)"bash", (char *)"-c", copy.data(), nullptr};
  const char *path = getenv("PATH");
  return run_argv("bash", argv, folder, path ? path : "/usr/bin:/bin");
}

static tool_run run_program(const char *binary_path, const char *name, const temp_folder &folder,
                            const std::vector<std::string> &args, const char *argv0);

tool_run run_tool(const temp_folder &folder, const std::vector<std::string> &args, const char *program) {
  return run_program(set_config_binary(), "set_config", folder, args, program);
}

tool_run run_show(const temp_folder &folder, const std::vector<std::string> &args) {
  return run_program(show_config_binary(), "show_config", folder, args, "show_config");
}

static tool_run run_program(const char *binary_path, const char *name, const temp_folder &folder,
                            const std::vector<std::string> &args, const char *argv0) {
  std::vector<std::string> words;
  std::istringstream prefix(std::string(emulator()) + " " SET_CONFIG_WRAPPER);
  for (std::string word; prefix >> word;) words.push_back(word);
  // The emulator is told the name to show; a checker (valgrind) finds the
  // program by its name on the PATH.
  std::string binary = binary_path;
  std::string binary_folder = binary.substr(0, binary.rfind('/'));
  if (emulator()[0] != '\0') words.insert(words.end(), {"-0", argv0});
  words.push_back(tool_wrapped() ? name : binary);
  words.insert(words.end(), args.begin(), args.end());
  std::vector<char *> argv;
  for (std::string &word : words) argv.push_back(word.data());
  argv.push_back(nullptr);
  std::string own_name = argv0;
  if (words.size() == args.size() + 1) argv[0] = own_name.data();
  std::string path = binary_folder + ":" + (getenv("PATH") ? getenv("PATH") : "/usr/bin:/bin");
  return run_argv(words[0].c_str(), argv, folder, path);
}

static tool_run run_argv(const char *file, std::vector<char *> &argv, const temp_folder &folder,
                         const std::string &path) {
  int out[2];
  if (pipe(out) != 0) abort();
  (void)fflush(stdout);  // nothing buffered is duplicated into the child
  pid_t child = fork();
  if (child == 0) {
    int input = open("/dev/null", O_RDONLY);
    dup2(input, 0);
    dup2(out[1], 1);
    close(out[0]);
    close(out[1]);
    if (chdir(folder.root().c_str()) != 0) _exit(127);
    alarm(120);  // a run that never ends fails the test instead of hanging it
    setenv("PATH", path.c_str(), 1);
    execvp(file, argv.data());
    _exit(127);
  }
  close(out[1]);
  tool_run result{"", -1};
  char chunk[4096];
  ssize_t got;
  while ((got = read(out[0], chunk, sizeof chunk)) > 0) result.output.append(chunk, (size_t)got);
  close(out[0]);
  int status = 0;
  waitpid(child, &status, 0);
  if (WIFEXITED(status)) result.status = WEXITSTATUS(status);
  return result;
}

bytes laid_out_block(const tags &fixed, const tags &variable) {
  bytes block(config_size, erased);
  put_bytes(block, 0, example_header());
  uint32_t tag_pos = header_size, str_top = config_size;
  auto put_string = [&block](uint32_t at, const std::string &string) {
    put_bytes(block, at, text_bytes(string));
    block[at + string.size()] = 0;
  };
  for (const auto &[name, value] : fixed) {
    for (const std::string *string : {&value, &name}) {
      str_top -= (uint32_t)string->size() + 1;
      put_string(str_top, *string);
      put_le32(&block[tag_pos], config_address_base + str_top);
      tag_pos += 4;
    }
  }
  put_bytes(block, tag_pos, bytes(8, 0));
  tag_pos += 8;
  put_le32(&block[header_var_data], config_address_base + tag_pos);
  for (const auto &[name, value] : variable) {
    for (const std::string *string : {&name, &value}) {
      put_string(tag_pos, *string);
      tag_pos += (uint32_t)string->size() + 1;
    }
  }
  if (tag_pos >= str_top) ADD_FAILURE() << "the tags do not fit the block";
  return block;
}

uint32_t tag_generator::below(uint32_t n) { return std::uniform_int_distribution<uint32_t>(0, n - 1)(random_); }

std::string tag_generator::text(bool value) {
  const std::string plain = "abZ09#.\\\x80";
  const std::string awkward = plain + " \t\r\n\xff\x01";
  bool odd = below(100) < 8;
  const std::string &alphabet = odd ? awkward : plain;
  std::string string;
  for (uint32_t n = odd ? below(5) : 1 + below(6); n > 0; n--) string += alphabet[below((uint32_t)alphabet.size())];
  if (value && !odd && below(4) == 0) string += " " + string;  // blanks inside a value stay
  return string;
}

// A variable name that begins with 0xFF ends the variable area where it
// stands, for the tolvane as for any reader: no such block is written.
tags tag_generator::some(bool variable) {
  tags list(below(5));
  for (auto &[name, value] : list) {
    name = text(false), value = text(true);
    if (variable && !name.empty() && name[0] == '\xff') name[0] = 'a';
  }
  return list;
}
