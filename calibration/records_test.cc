#include "calibration/records.h"

#include <gtest/gtest.h>

#include "base/layout.h"
#include "base/result.h"
#include "calibration/calibration_step.h"
#include "tests/fixture.h"

namespace {

TEST(read_extra_config, builds_a_record_at_pos) {
  temp_folder folder;
  bytes payload = pattern(300, 5);
  write_file(folder.path("cal"), payload);
  bytes buffer(config_II_size, erased);
  EXPECT_EQ(304, read_extra_config(record_dect, folder.path("cal").c_str(), buffer, 10, config_II_size - 10));
  bytes expected(config_II_size, erased);
  put_bytes(expected, 10, record_of(record_dect, payload));
  EXPECT_EQ(expected, buffer);
}

TEST(read_extra_config, refuses_what_is_no_record) {
  temp_folder folder;
  write_file(folder.path("big"), pattern(100, 1));
  write_file(folder.path("empty"), {});
  struct refusal_case {
    std::string path;
    bool given;
    uint32_t pos, space;
    std::string output;
  };
  const refusal_case cases[] = {
      {"", false, 0, config_II_size, ""},
      {folder.path("missing"), true, 0, config_II_size, "ERROR: Configfile properties\n"},
      {folder.path("big"), true, 0, 103, "ERROR: Configfile size missmatch 103 - 100\nERROR: Configfile properties\n"},
      {folder.path("empty"), true, 0, 3, "ERROR: Configfile size missmatch 3 - 0\nERROR: Configfile properties\n"},
      {folder.path("big"), true, 1100, 100,  // space beyond the buffer's end
       "ERROR: Configfile size missmatch 100 - 100\nERROR: Configfile properties\n"},
      // Read to its end, as anything but a regular file: nothing to read.
      {folder.root(), true, 0, config_II_size,
       "ERROR: open " + folder.root() +
           " failed\nERROR: Configfile size missmatch 1152 - 0\nERROR: Configfile properties\n"},
      {"/dev/null", true, 0, config_II_size,
       "ERROR: open /dev/null failed\nERROR: Configfile size missmatch 1152 - 0\nERROR: Configfile properties\n"},
  };
  for (const refusal_case &c : cases) {
    SCOPED_TRACE(c.path);
    bytes buffer(config_II_size, erased);
    testing::internal::CaptureStdout();
    EXPECT_EQ(result_record,
              read_extra_config(record_wlan, c.given ? c.path.c_str() : nullptr, buffer, c.pos, c.space));
    EXPECT_EQ(c.output, testing::internal::GetCapturedStdout());
    EXPECT_EQ(bytes(config_II_size, erased), buffer);
  }
}

struct scan_case {
  const char *title;
  std::vector<patch> region;  // contents at region offsets
  record_type type;
  uint32_t steps;
  int result;
  const char *output;
};

TEST(config_II_empty, finds_the_end_of_the_records) {
  const char *unknown = "ERROR: Config_II not empty unknown Version\n";
  const char *exists = "ERROR: Config_II not empty - this Type of Config exists\n";
  const char *damaged = "ERROR: Config_II not empty\n";
  const scan_case cases[] = {
      {"erased", {}, record_wlan, 104, 0, ""},
      {"erased, whole region", {}, record_wlan, config_II_size, 0, ""},
      {"behind a WLAN record", {{0, record(0, 100)}}, record_dect, 14, 104, ""},
      {"behind two records", {{0, record(0, 4)}, {8, record(7, 2)}}, record_dect, 14, 14, ""},
      {"erased gap counts no length", {{2, record(1, 4)}}, record_wlan, 10, 8, ""},
      {"record beyond the last step", {{20, record(0, 4)}}, record_wlan, 8, 0, ""},
      {"same type", {{0, record(1, 4)}}, record_dect, 14, result_not_erased, exists},
      {"unknown version", {{0, {3}}}, record_wlan, 104, result_not_erased, unknown},
      {"payload over 1148", {{0, record_header_bytes(record_wlan, 1149)}}, record_dect, 8, result_not_erased, damaged},
      {"payload of 1148", {{0, record_header_bytes(record_wlan, 1148)}}, record_dect, 1, 1152, ""},
      {"record past the region's end",
       {{1000, record_header_bytes(record_wlan, 200)}},
       record_dect,
       1001,
       result_not_erased,
       damaged},
      {"type byte outside the region", {{1151, {2}}}, record_dect, 1152, result_not_erased, damaged},
      {"length outside the region", {{1149, {2, 0, 0}}}, record_dect, 1150, result_not_erased, damaged},
      {"same type at the region's last bytes", {{1150, {2, 1}}}, record_dect, 1151, result_not_erased, exists},
      {"a header in the region's last 4 bytes",
       {{1148, record_header_bytes(record_wlan, 0)}},
       record_dect,
       1149,
       4,
       ""},
      {"that header claiming one byte more",
       {{1148, record_header_bytes(record_wlan, 1)}},
       record_dect,
       1149,
       result_not_erased,
       damaged},
      {"steps run out of the region", {{0, record(0, 1148)}}, record_dect, 2, result_not_erased, damaged},
  };
  for (const scan_case &c : cases) {
    SCOPED_TRACE(c.title);
    // The bytes after the region are records too: the scan must never reach them.
    bytes image = with(erased_image(), config_II_offset + config_II_size, record(0, 4));
    put_bytes(image, config_II_offset, patched(bytes(config_II_size, erased), c.region));
    testing::internal::CaptureStdout();
    EXPECT_EQ(c.result, config_II_empty(c.type, image, config_II_offset, c.steps));
    EXPECT_EQ(c.output, testing::internal::GetCapturedStdout());
  }
}

TEST(config_II_empty, stays_inside_a_short_image) {
  bytes image(config_II_offset + 10, erased);
  testing::internal::CaptureStdout();
  EXPECT_EQ(result_not_erased, config_II_empty(record_wlan, image, config_II_offset, 20));
  EXPECT_EQ(0, config_II_empty(record_wlan, image, config_II_offset, 10));
  testing::internal::GetCapturedStdout();
}

TEST(examine_config_II, keeps_the_write_inside_erased_bytes) {
  struct room_case {
    const char *title;
    std::vector<patch> region;       // contents at region offsets
    std::vector<record_type> files;  // the types whose files are given
    uint32_t total;
    int result;
  };
  const room_case cases[] = {
      {"erased region", {}, {record_wlan}, 104, 0},
      {"both on an erased region", {}, {record_wlan, record_dect}, 1152, 0},
      {"both on a region in use", {{1151, {2}}}, {record_wlan, record_dect}, 8, result_not_erased},
      {"behind a record", {{0, record(1, 100)}}, {record_wlan}, 104, 104},
      {"gap before a record", {{2, record(1, 4)}}, {record_wlan}, 10, result_not_erased},
      {"record inside the write range", {{0, record(1, 4)}, {11, {0}}}, {record_wlan}, 4, result_not_erased},
      {"to the region's last byte", {{0, record(0, 1000)}}, {record_dect}, 148, 1004},
      {"one byte past the region", {{0, record(0, 1000)}}, {record_dect}, 149, result_not_erased},
  };
  for (const room_case &c : cases) {
    SCOPED_TRACE(c.title);
    bytes image = with(erased_image(), config_II_offset, patched(bytes(config_II_size, erased), c.region));
    testing::internal::CaptureStdout();
    calibration_files files;
    for (record_type type : c.files) files.file[type] = record_kinds[type].file;
    EXPECT_EQ(c.result, examine_config_II(image, files, c.total));
    testing::internal::GetCapturedStdout();
  }
}

}  // namespace
