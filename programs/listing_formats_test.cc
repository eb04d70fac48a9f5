#include "programs/listing_formats.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "base/layout.h"
#include "tests/fixture.h"

namespace {

// What format prints for report, its end included.
std::string printed(const listing_format &format, const show_report &report) {
  testing::internal::CaptureStdout();
  format.print_listing(report);
  format.print_end(report);
  (void)fflush(stdout);
  return testing::internal::GetCapturedStdout();
}

const listing_format &format_of(char option) {
  for (const listing_format &format : listing_formats) {
    if (format.option == option) return format;
  }
  abort();
}

// One letter a format, none another option's: -u and the record types' letters.
TEST(listing_formats, each_has_a_letter_of_its_own) {
  std::set<char> letters = {'u'};
  for (const record_kind &kind : record_kinds) letters.insert(kind.option);
  int defaults = 0;
  for (const listing_format &format : listing_formats) {
    if (format.option == '\0') {
      defaults++;
      continue;
    }
    EXPECT_TRUE(letters.insert(format.option).second) << format.option;
  }
  EXPECT_EQ(1, defaults);
  EXPECT_EQ('\0', listing_formats[0].option);  // the options' default
}

// Every format prints a partition in each state, and one it could not read;
// what it prints ends with a line end.
TEST(listing_formats, print_every_partition_to_a_line_end) {
  bytes provisioned =
      patched(example_image(), {{config_offset, worked_example_block()}, {config_II_offset, record(record_wlan, 10)}});
  const bytes images[] = {
      example_image(),
      provisioned,
      with(provisioned, config_offset, bytes(4, erased)),
      with(provisioned, config_II_offset, {erased}),
      with(provisioned, config_offset + header_var_data, bytes(4, 0)),
      with(provisioned, config_II_offset + 2, {0xFF, 0x0F}),
  };
  auto listing = std::make_unique<partition_listing>();
  show_messages messages;
  for (const listing_format &format : listing_formats) {
    SCOPED_TRACE(format.option);
    std::string none = printed(format, {"img", nullptr, &messages, 3});
    EXPECT_TRUE(none.empty() || none.back() == '\n') << none;
    for (const bytes &image : images) {
      list_partition(image, *listing);
      std::string output = printed(format, {"img", listing.get(), &messages, 0});
      ASSERT_FALSE(output.empty());
      EXPECT_EQ('\n', output.back());
    }
  }
}

// The text listing's messages are "ERROR: ..." lines after it.
TEST(print_text, ends_with_the_messages) {
  show_messages messages;
  report(messages, "no %s record in the Config_II region", "WLAN");
  report(messages, "cannot write the DECT payload to out");
  EXPECT_EQ("ERROR: no WLAN record in the Config_II region\nERROR: cannot write the DECT payload to out\n",
            printed(format_of('\0'), {"img", nullptr, &messages, 4}));
}

TEST(print_json, escapes_what_a_json_string_must) {
  show_messages messages;
  report(messages, "quote \" backslash \\ tab \t");
  report(messages, "%s", "\xe9");
  std::string expected =
      "{\"schema_version\":1,\"partition\":\"a\\u0001\xc3\xa9\",\"config\":null,\"config_II\":null,"
      "\"errors\":[\"quote \\\" backslash \\\\ tab \\u0009\",\"\xc3\xa9\"],\"status\":3}\n";
  EXPECT_EQ(expected, printed(format_of('j'), {"a\x01\xe9", nullptr, &messages, 3}));
}

TEST(print_json, keeps_the_collected_messages_that_fit) {
  show_messages messages;
  std::string long_one(600, 'm');
  for (int i = 0; i < 3; i++) report(messages, "%s", long_one.c_str());
  std::string output = printed(format_of('j'), {"img", nullptr, &messages, 3});
  // The first whole, the second cut at the 1024 bytes' end, the third left out.
  std::string cut(sizeof messages.text - 601 - 1, 'm');
  EXPECT_NE(std::string::npos, output.find("[\"" + long_one + "\",\"" + cut + "\"]")) << output;
}

}  // namespace
