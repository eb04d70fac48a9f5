// Shared test fixture: a temporary folder, files in it, example partition images,
// and a run of the built tool on them.
#pragma once

#include <cstdint>
#include <random>
#include <string>
#include <utility>
#include <vector>

using bytes = std::vector<uint8_t>;

// A fresh folder under the system's temporary folder, removed with all it holds.
class temp_folder {
 public:
  temp_folder();
  ~temp_folder();
  temp_folder(const temp_folder &) = delete;
  temp_folder &operator=(const temp_folder &) = delete;
  std::string path(const std::string &name) const { return root_ + "/" + name; }
  const std::string &root() const { return root_; }

 private:
  std::string root_;
};

void write_file(const std::string &path, const bytes &content);
void write_text(const std::string &path, const std::string &text);
bytes read_file(const std::string &path);
bytes text_bytes(const std::string &text);
// count bytes of a repeating pattern that starts at seed.
bytes pattern(size_t count, uint8_t seed);

// 64 KiB, all erased.
bytes erased_image();
// The 112-byte default header of the example image.
bytes example_header();
// The example image (examples/example_image.h).
bytes example_image();
// The worked example: a comment, a fixed tag "alpha" and a variable tag "beta".
inline constexpr char worked_example_config[] = "# settings\nalpha overwrite one two\nbeta keep 7\n";
// The config block the worked example gives on the example image's header.
bytes worked_example_block();
// a followed by b.
bytes concat(bytes a, const bytes &b);
// Copies content into image at offset.
void put_bytes(bytes &image, uint32_t offset, const bytes &content);
// image with content copied in at offset.
bytes with(bytes image, uint32_t offset, const bytes &content);
// Bytes to put into an image at an offset.
struct patch {
  uint32_t offset = 0;
  bytes content = {};
};
// image with each patch's content copied in at its offset, in their order.
bytes patched(bytes image, const std::vector<patch> &patches);
// A Config_II record header: version 2, type, and a payload length that the
// bytes behind it need not match.
bytes record_header_bytes(uint8_t type, uint16_t payload_length);
// A Config_II record of type holding payload.
bytes record_of(uint8_t type, const bytes &payload);
// A Config_II record of type holding payload_length pattern bytes.
bytes record(uint8_t type, uint16_t payload_length);

using tags = std::vector<std::pair<std::string, std::string>>;

// A config block laid out as set_config lays one out, with the example header:
// the fixed tags' pointers and strings, the table's zero words, var_data right
// behind them and the variable pairs packed there. Any bytes in the strings.
bytes laid_out_block(const tags &fixed, const tags &variable);

// Tags whose names and values mostly are plain and now and then hold every
// awkward byte (blanks, tabs, CRs, LFs, 0xFF, '#', control bytes; an empty
// string is a NUL at once), from a seeded generator: the same seed, the same tags.
class tag_generator {
 public:
  explicit tag_generator(uint32_t seed) : random_(seed) {}
  // Up to four tags, fixed or variable ones (no variable name begins with 0xFF).
  tags some(bool variable);

 private:
  uint32_t below(uint32_t n);
  std::string text(bool value);
  std::mt19937 random_;
};

// The step of the sweeps that cut a run at every byte, and the share of the
// rounds that the random properties run: 1, or SET_CONFIG_SWEEP_STRIDE where a
// configuration runs each program slowly (a sanitizer, valgrind); the host
// build still cuts every byte and runs every round.
long sweep_stride();

struct tool_run {
  std::string output;  // everything on standard output
  int status;          // exit status, or -1 when the tool did not exit normally
};

// True when the tool runs under a checker (valgrind) that hides the name it is given.
bool tool_wrapped();

// The fault library (tests/fault_shim.cc) to load into the tool with
// LD_PRELOAD, or null when it cannot reach the tool: not built (a cross or
// sanitizer build) or the tool runs under a checker or an emulator.
const char *fault_shim();

// Settings of the fault library: its variables (tests/fault_shim.cc) and their values.
using fault_settings = std::vector<std::pair<std::string, std::string>>;

// While it lives, the runs started have the fault library preloaded with
// settings. Only where fault_shim() is not null.
class preloaded_faults {
 public:
  explicit preloaded_faults(const fault_settings &settings);
  ~preloaded_faults();
  preloaded_faults(const preloaded_faults &) = delete;
  preloaded_faults &operator=(const preloaded_faults &) = delete;

 private:
  std::vector<std::string> names_;
};

// Runs the built tool in folder with args (argv[0] is "set_config"), standard input empty.
tool_run run_tool(const temp_folder &folder, const std::vector<std::string> &args, const char *program = "set_config");
// Runs the built show_config in folder with args.
tool_run run_show(const temp_folder &folder, const std::vector<std::string> &args);

// Runs script with bash in folder, as a factory script would call the tools:
// $SET_CONFIG and $SHOW_CONFIG are the commands that run them. output is what
// the script prints on standard output, status its exit status.
tool_run run_shell(const temp_folder &folder, const std::string &script);
