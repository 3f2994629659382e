#include "listing/listing.h"

#include <gtest/gtest.h>

#include <cstring>
#include <deque>
#include <random>
#include <string>

#include "listing/quick/quick.h"
#include "listing/quick/reference.h"

namespace {

// The grammars read texts with slack past their end; each one made here
// lives as long as the test.
padded_text padded(std::string_view text) {
  static std::deque<padded_string> texts;
  return texts.emplace_back(text);
}

constexpr int kFail = -1;

struct grammar_case {
  const char* text;  // a TAB is \t
  int layout;        // FORMAT_SUN or FORMAT_FREE
  int kind;          // kFail: the line is a syntax error
  int32_t number = 0;
  int32_t depth = 0;
  const char* name = "";
  const char* signature = "";  // checked for definitions only
  const char* file = "";
  int32_t line = 0;
};

const grammar_case kCases[] = {
    // The definition's own examples.
    {"1\tmain: int(), <main.c 10>", FORMAT_SUN, ENTRY_DEFINED, 1, 1, "main", " int()", "main.c",
     10},
    {"2\t\tprintf: <>", FORMAT_SUN, ENTRY_EXTERNAL, 2, 2, "printf"},
    {"4\t\t\tprintf: 2", FORMAT_SUN, ENTRY_REFERENCE, 2, 3, "printf"},
    {"1\tmain {main.c 10}", FORMAT_FREE, ENTRY_DEFINED, 1, 1, "main", "", "main.c", 10},
    {"2\t\tprintf {}", FORMAT_FREE, ENTRY_EXTERNAL, 2, 2, "printf"},
    {"5\t\t... printf ... {2}", FORMAT_FREE, ENTRY_REFERENCE, 2, 2, "printf"},

    // Sun names lose their last character, whatever it is.
    {"3\tmain <>", FORMAT_SUN, ENTRY_EXTERNAL, 3, 1, "mai"},
    {"3\t: <>", FORMAT_SUN, ENTRY_EXTERNAL, 3, 1, ""},
    {"1\tf:, <a.c 1>", FORMAT_SUN, kFail},
    {"1\tf: <> , <a.c 1>", FORMAT_SUN, ENTRY_EXTERNAL, 1, 1, "f"},
    {"4\t\t\tprintf: see 2", FORMAT_SUN, kFail},
    {"4\tprintf: 2 and more", FORMAT_SUN, ENTRY_REFERENCE, 2, 1, "printf"},
    {"4\tprintf: -2", FORMAT_SUN, ENTRY_REFERENCE, -2, 1, "printf"},
    {"4\tprintf:", FORMAT_SUN, kFail},
    {"1\tmain:\tint(), <main.c 10>", FORMAT_SUN, ENTRY_DEFINED, 1, 2, "main", "\tint()", "main.c",
     10},
    {"\t7\tf: <>", FORMAT_SUN, ENTRY_EXTERNAL, 7, 1, "f"},
    {"1main: <>", FORMAT_SUN, ENTRY_EXTERNAL, 1, 0, "main"},
    {"1\tf: x, <  a.c\t 12", FORMAT_SUN, ENTRY_DEFINED, 1, 2, "f", " x", "a.c", 12},
    {"1\tf: x,<a.c 12> trailing", FORMAT_SUN, ENTRY_DEFINED, 1, 1, "f", " x", "a.c", 12},
    {"1\tf: x, <a.c>", FORMAT_SUN, kFail},
    {"1\tf: x, a.c 1", FORMAT_SUN, kFail},
    {"1\tf: x, <", FORMAT_SUN, kFail},
    {"1\tf: x, <a.c 12\r", FORMAT_SUN, ENTRY_DEFINED, 1, 1, "f", " x", "a.c", 12},
    // Commas inside a signature: the first comma followed by "<file line" ends it.
    {"2\t\tg: int (int x, char *y), <b.c 22>", FORMAT_SUN, ENTRY_DEFINED, 2, 2, "g",
     " int (int x, char *y)", "b.c", 22},
    {"1\tf: int(a, b), <a.c 1>", FORMAT_SUN, ENTRY_DEFINED, 1, 1, "f", " int(a, b)", "a.c", 1},
    {"1\tf: a, <x y>, <a.c 1>", FORMAT_SUN, ENTRY_DEFINED, 1, 1, "f", " a, <x y>", "a.c", 1},
    {"1\tf: a, <x,< b 7", FORMAT_SUN, ENTRY_DEFINED, 1, 1, "f", " a, <x", "b", 7},
    {"1\tf: a, b, c", FORMAT_SUN, kFail},
    {"1\tf: a, <b, <c", FORMAT_SUN, kFail},

    // Free layout.
    {"2\t\tprintf {} ... {3}", FORMAT_FREE, ENTRY_EXTERNAL, 2, 2, "printf"},
    {"5\t\tprintf ... 2", FORMAT_FREE, kFail},
    {"5\t\tprintf ... {x}", FORMAT_FREE, kFail},
    {"5\t\tprintf ... { +7 junk", FORMAT_FREE, ENTRY_REFERENCE, 7, 2, "printf"},
    {"5\t\tprintf {2} ...", FORMAT_FREE, ENTRY_REFERENCE, 2, 2, "printf"},
    {"1\tmain {main.c}", FORMAT_FREE, kFail},
    {"1\tmain { main.c\t10", FORMAT_FREE, ENTRY_DEFINED, 1, 2, "main", "", "main.c", 10},
    {"1\tmain main.c 10", FORMAT_FREE, kFail},
    {"1\t...", FORMAT_FREE, kFail},
    {"1\t... ... {}", FORMAT_FREE, ENTRY_EXTERNAL, 1, 1, "..."},
    {"1\tmain: {main.c 10}", FORMAT_FREE, ENTRY_DEFINED, 1, 1, "main:", "", "main.c", 10},

    // Lines that are no entry, in either layout.
    {"", FORMAT_SUN, kFail},
    {"", FORMAT_FREE, kFail},
    {" \t ", FORMAT_SUN, kFail},
    {"main: <>", FORMAT_SUN, kFail},
    {"main {}", FORMAT_FREE, kFail},
    {"1", FORMAT_SUN, kFail},
    {"1\t", FORMAT_FREE, kFail},
    {"- 1\tf: <>", FORMAT_SUN, kFail},
    {"+1\tf: <>", FORMAT_SUN, ENTRY_EXTERNAL, 1, 1, "f"},
    {"-0001\tf {}", FORMAT_FREE, ENTRY_EXTERNAL, -1, 1, "f"},

    // Numbers hold exactly the signed 32-bit range, in every position.
    {"2147483647\tf: <>", FORMAT_SUN, ENTRY_EXTERNAL, 2147483647, 1, "f"},
    {"-2147483648\tf: <>", FORMAT_SUN, ENTRY_EXTERNAL, INT32_MIN, 1, "f"},
    {"2147483648\tf: <>", FORMAT_SUN, kFail},
    {"-2147483649\tf {}", FORMAT_FREE, kFail},
    {"99999999999999999999999\tf: <>", FORMAT_SUN, kFail},
    {"00000000000000000000042\tf: <>", FORMAT_SUN, ENTRY_EXTERNAL, 42, 1, "f"},
    {"1\tf: 4294967297", FORMAT_SUN, kFail},
    {"1\tf: x, <a.c 2147483648>", FORMAT_SUN, kFail},
    {"1\tf: x, <a.c 2147483647>", FORMAT_SUN, ENTRY_DEFINED, 1, 1, "f", " x", "a.c", INT32_MAX},
    {"1\tf ... {4294967296}", FORMAT_FREE, kFail},
    {"1\tf {a.c -2147483649}", FORMAT_FREE, kFail},
    {"1\tf {a.c -2147483648}", FORMAT_FREE, ENTRY_DEFINED, 1, 1, "f", "", "a.c", INT32_MIN},
};

class Grammar : public testing::TestWithParam<grammar_case> {};

TEST_P(Grammar, ParsesAsTheScanFormatsSay) {
  const grammar_case& c = GetParam();
  listing_entry e;
  const int ok = c.layout == FORMAT_SUN ? parse_sun_line(padded(c.text), e)
                                        : parse_free_line(padded(c.text), e);
  if (c.kind == kFail) {
    EXPECT_EQ(ok, 0);
    return;
  }
  ASSERT_EQ(ok, 1);
  EXPECT_EQ(e.kind, c.kind);
  EXPECT_EQ(e.number, c.number);
  EXPECT_EQ(e.depth, c.depth);
  EXPECT_EQ(e.name, c.name);
  if (c.kind == ENTRY_DEFINED) {
    EXPECT_EQ(e.signature, c.signature);
    EXPECT_EQ(e.file, c.file);
    EXPECT_EQ(e.line, c.line);
  }
}

// Shown as the line itself, with its TABs visible.
void PrintTo(const grammar_case& c, std::ostream* os) {
  *os << (c.layout == FORMAT_SUN ? "sun " : "free ");
  for (const char* p = c.text; *p; ++p)
    *os << (*p == '\t' ? std::string("\\t") : std::string(1, *p));
}

INSTANTIATE_TEST_SUITE_P(Lines, Grammar, testing::ValuesIn(kCases));

TEST(Grammar, FieldsKeepAllTheirCharacters) {
  const std::string name(5000, 'n'), sig(" int (" + std::string(3000, 'x') + ", char *y)"),
      file(4000, 'f');
  listing_entry e;  // views into the line, which must outlive it
  const std::string sun = "7\t" + name + ":" + sig + ", <" + file + " 3>";
  const std::string free = "7\t... " + name + " {" + file + " 3}";
  ASSERT_EQ(parse_sun_line(padded(sun), e), 1);
  EXPECT_EQ(e.name, name);
  EXPECT_EQ(e.signature, sig);
  EXPECT_EQ(e.file, file);
  ASSERT_EQ(parse_free_line(padded(free), e), 1);
  EXPECT_EQ(e.name, name);
  EXPECT_EQ(e.file, file);
}

TEST(Grammar, EveryTabOfTheRemainderCounts) {
  listing_entry e;
  const std::string tabs(100000, '\t');
  ASSERT_EQ(parse_sun_line(padded("1" + tabs + "f: <>"), e), 1);
  EXPECT_EQ(e.depth, 100000);
  ASSERT_EQ(parse_free_line(padded("\t\t1\tf\t{}\t"), e), 1);
  EXPECT_EQ(e.depth, 3);
}

TEST(Grammar, CommaRichLinesStayFast) {
  // A quadratic search for the signature's end would take minutes here.
  std::string tail;
  for (int i = 0; i < 200000; ++i) tail += ",<a";
  listing_entry e;
  EXPECT_EQ(parse_sun_line(padded("1\tf: x" + tail), e), 0);
  EXPECT_EQ(parse_sun_line(padded("1\tf: x" + tail + " 5"), e), 1);
  EXPECT_EQ(e.line, 5);
}

TEST(Layout, NamesAreExact) {
  EXPECT_EQ(format_from_name("sun"), FORMAT_SUN);
  EXPECT_EQ(format_from_name("free"), FORMAT_FREE);
  EXPECT_EQ(format_from_name("SUN"), FORMAT_AUTO);
  EXPECT_EQ(format_from_name("suns"), FORMAT_AUTO);
  EXPECT_EQ(format_from_name(""), FORMAT_AUTO);
}

TEST(Layout, FirstLineDecidesSunFirst) {
  struct {
    const char* first;
    int result, layout;
  } cases[] = {
      {"1\tmain: int(), <main.c 10>", PARSE_OK, FORMAT_SUN},
      {"1\tmain {main.c 10}", PARSE_OK, FORMAT_FREE},
      {"1\tmain: <> {}", PARSE_OK, FORMAT_SUN},  // both accept it
      {"5\t\t... printf ... {2}", PARSE_OK, FORMAT_FREE},
      {"", PARSE_UNRECOGNIZED, FORMAT_AUTO},
      {"Call graph:", PARSE_UNRECOGNIZED, FORMAT_AUTO},
  };
  for (const auto& c : cases) {
    input_format = FORMAT_AUTO;
    listing_entry e;
    EXPECT_EQ(parse_listing_line(padded(c.first), e), c.result) << c.first;
    EXPECT_EQ(input_format, c.layout) << c.first;
  }
  // Once fixed, the layout holds: a free line is now a plain syntax error.
  input_format = FORMAT_AUTO;
  listing_entry e;
  ASSERT_EQ(parse_listing_line(padded("1\tmain: <>"), e), PARSE_OK);
  EXPECT_EQ(parse_listing_line(padded("2\tf {}"), e), PARSE_ERROR);
  input_format = FORMAT_FREE;
  EXPECT_EQ(parse_listing_line(padded("1\tmain: int(), <main.c 10>"), e), PARSE_ERROR);
  EXPECT_EQ(input_format, FORMAT_FREE);
  input_format = FORMAT_AUTO;
}

// Each road's classifier sorts any 64 bytes as the byte-by-byte one does.
TEST(Classify, EveryRoadAgreesWithTheReference) {
  const char kBytes[] = " \t\n\v\f\r\"\\,<>{}.x0\x80\xff";
  std::mt19937 random(5);
  for (const quick_road_entry& r : quick_roads()) {
    if (!r.supported()) continue;
    for (int round = 0; round < 500; ++round) {
      char text[64];
      for (char& c : text) c = kBytes[random() % (sizeof kBytes - 1)];
      for (const char* marks : {",<>", "{}."}) {
        word_masks want, got;
        classify_reference(text, marks, want);
        r.road->classify(text, marks, got);
        EXPECT_EQ(std::memcmp(&want, &got, sizeof want), 0) << r.name;
      }
    }
  }
}

}  // namespace
