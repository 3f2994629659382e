// The fast reader against the plain sscanf reading, on generated lines.
#include "tests/oracle.h"

#include <gtest/gtest.h>

#include "listing/quick/quick.h"
#include "tests/convert.h"
#include "tests/listing_generator.h"

namespace {

TEST(Oracle, AgreesOnGeneratedLines) {
  listing_generator generate(20261209);
  int accepted = 0, total = 0;
  for (int layout : {FORMAT_SUN, FORMAT_FREE}) {
    for (int i = 0; i < 5000; ++i, ++total) {
      const std::string text = generate.line(layout);
      const std::string diff = compare_with_oracle(layout, text);
      ASSERT_EQ(diff, "") << (layout == FORMAT_SUN ? "sun" : "free") << " line: " << text;
      listing_entry e;
      const padded_string line(text);
      accepted += layout == FORMAT_SUN ? parse_sun_line(line, e) : parse_free_line(line, e);
    }
  }
  // Both sides of the grammar get exercised.
  EXPECT_GT(accepted, total / 5);
  EXPECT_LT(accepted, total * 4 / 5);
}

TEST(Oracle, AcceptsEveryValidLine) {
  listing_generator generate(7);
  for (int layout : {FORMAT_SUN, FORMAT_FREE}) {
    for (int i = 0; i < 2000; ++i) {
      const std::string text = generate.valid_line(layout);
      oracle_entry e;
      ASSERT_EQ(oracle_parse(layout, text.c_str(), e), 1) << text;
      ASSERT_EQ(compare_with_oracle(layout, text), "") << text;
    }
  }
}

// Lines where a plain reading and a clever one could part.
TEST(Oracle, AgreesOnTrickyLines) {
  const char* const lines[] = {
      "1\tf: a, <x,< b 7",  "1\tf: a, <x,<\tb 7",
      "1\tf: a, <x,,< b 7", "1\tf: a, <x, <y 3",
      "1\tf: a,,<b 1",      "1\tf: a, <b,<c, <d 9",
      "1\tf: , <a 1",       "1\tf:,<a 1",
      "1\tf: <>,",          "1\tf: a, <b 2147483648, <c 4",
      "1\tf ... {}",        "1\t... f {a 1}",
      "1\t...\t... {3}",    "1\tf { a 1}",
      "1\tf {a\t1",         "\v1\f\tf: 2",
      "1\tf: a, <\xe9 3",   "1\t\xa0: <>",
  };
  for (const char* text : lines) {
    for (int layout : {FORMAT_SUN, FORMAT_FREE}) {
      EXPECT_EQ(compare_with_oracle(layout, text), "") << layout << " " << text;
    }
  }
}

// The quick road classifies 64 bytes to a word, for lines of up to 128
// bytes: every mark of the grammar lands on and around each word boundary
// and the switch to the general reading.
TEST(Oracle, AgreesAcrossWordBoundaries) {
  const char* const shapes[] = {
      "1\t%: <>",        "1\tf: %<>",       "1\tf: x%, <a.c 1>",  "1\tf: x,%<a.c 1>",
      "1\tf: x, <%a 1>", "1\tf: x, <a%\t1", "1\tf:%\t 7",         "1%\tf: <>",
      "1\t%f {}",        "1\tf %{}",        "1\tf {a%.c 3}",      "1\t... f ...%{2}",
      "1\tf ... {%2}",   "%1\tf: <",        "1\tf: x, <a,%< b 7",
  };
  for (const char* shape : shapes) {
    const std::string s = shape;
    const size_t at = s.find('%');
    for (size_t pad = 0; pad <= 270; ++pad) {
      for (const char fill : {'x', ' ', '\t', ','}) {
        const std::string text = s.substr(0, at) + std::string(pad, fill) + s.substr(at + 1);
        for (int layout : {FORMAT_SUN, FORMAT_FREE}) {
          ASSERT_EQ(compare_with_oracle(layout, text), "") << layout << " " << text;
        }
      }
    }
  }
}

// Whole conversions: with every quick road the processor has, the graph and
// the status are those of the general reading alone. The listings cross the
// reader's blocks several times and hold the lines where the quick roads
// hand over: around 128 bytes, NUL bytes, TABs and quotes after the name,
// carriage returns, a syntax error, a last line without its newline.
TEST(Oracle, QuickRoadsConvertAsTheGeneralReadingDoes) {
  listing_generator generate(99);
  for (int round = 0; round < 8; ++round) {
    const int layout = round % 2 ? FORMAT_FREE : FORMAT_SUN;
    std::string listing;
    size_t lines = 0;
    while (listing.size() < 700000) {
      std::string line = generate.valid_line(layout);
      switch (generate.below(40)) {
        case 0:
          line += std::string(120 + generate.below(16) - std::min<size_t>(line.size(), 120), ' ');
          break;
        case 1:
          // The text ends before; what follows would change the entry.
          line += std::string(1, '\0') + (layout == FORMAT_SUN ? ", <y 1>" : " ... {5}");
          break;
        case 2:
          line += generate.below(2) ? "\t\"" : "\r";
          break;
      }
      // Late rounds end early, after a few blocks, with a syntax error.
      if (round >= 6 && ++lines == 9000) line = "9000\tnot a line";
      listing += line + "\n";
    }
    if (round % 4 == 3) listing.pop_back();
    current_quick_road = nullptr;
    const conversion want = convert(listing);
    ASSERT_EQ(want.status, round < 6 ? 0 : 1) << "round " << round << ": " << want.err;
    for (const quick_road_entry& r : quick_roads()) {
      if (!r.supported()) continue;
      current_quick_road = r.road;
      const conversion got = convert(listing);
      EXPECT_EQ(got.status, want.status) << "round " << round << ", " << r.name;
      EXPECT_TRUE(got.out == want.out) << "round " << round << ", " << r.name;
      EXPECT_EQ(got.err, want.err) << "round " << round << ", " << r.name;
    }
    current_quick_road = best_quick_road();
  }
}

}  // namespace
