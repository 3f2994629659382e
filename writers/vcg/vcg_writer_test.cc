#include <gtest/gtest.h>

#include <string>

#include "tests/case_name.h"
#include "tests/convert.h"
#include "writers/vcg/vcg_header.h"

namespace {

const std::string kHeader(kVcgHeader);
const char kExample[] =
    "1\tmain: int(), <main.c 10>\n"
    "2\t\tprintf: <>\n"
    "3\t\tsetup: int(), <main.c 20>\n"
    "4\t\t\tprintf: 2\n";

const char kExampleBody[] =
    "node: { title: \"1\" label: \"main\" info1: \"1\" info2: \" int()\" info3: \"main.c:10\" }\n"
    "node: { title: \"2\" label: \"printf\" info1: \"2\" info2: \"\" info3: \":0\" }\n"
    "edge: { sourcename: \"1\" targetname: \"2\" class: 2 }\n"
    "node: { title: \"3\" label: \"setup\" info1: \"3\" info2: \" int()\" info3: \"main.c:20\" }\n"
    "edge: { sourcename: \"1\" targetname: \"3\" class: 1 }\n"
    "edge: { sourcename: \"3\" targetname: \"2\" class: 2 }\n";

std::string node(const char* n, const char* name, const char* sig = "", const char* place = ":0") {
  return std::string("node: { title: \"") + n + "\" label: \"" + name + "\" info1: \"" + n +
         "\" info2: \"" + sig + "\" info3: \"" + place + "\" }\n";
}
std::string edge(const char* from, const char* to, int cls) {
  return std::string("edge: { sourcename: \"") + from + "\" targetname: \"" + to +
         "\" class: " + std::to_string(cls) + " }\n";
}

struct vcg_case {
  const char* what;
  std::string input;
  int layout, invisible;
  std::string body;  // between the header and the footer
};

const vcg_case kCases[] = {
    {"worked example", kExample, FORMAT_AUTO, 0, kExampleBody},
    {"-i names class 2 invisible", kExample, FORMAT_AUTO, 2,
     "invisible: 2\n" + std::string(kExampleBody)},
    {"-e names class 1 invisible", kExample, FORMAT_AUTO, 1,
     "invisible: 1\n" + std::string(kExampleBody)},
    {"empty input", "", FORMAT_AUTO, 0, ""},
    {"empty input with -e", "", FORMAT_SUN, 1, "invisible: 1\n"},
    {"free layout", "1\tmain {main.c 10}\n2\t\tprintf {}\n5\t\t... main ... {1}\n", FORMAT_AUTO, 0,
     node("1", "main", "", "main.c:10") + node("2", "printf") + edge("1", "2", 2) +
         edge("1", "1", 1)},
    {"first entry at depth 2 is called by node 0", "4\t\tf: <>\n", FORMAT_AUTO, 0,
     node("4", "f") + edge("0", "4", 2)},
    {"a depth jump takes the caller left at the depth between",
     "1\ta: x, <a.c 1>\n2\t\tb: x, <a.c 2>\n3\tc: x, <a.c 3>\n4\t\t\td: <>\n", FORMAT_AUTO, 0,
     node("1", "a", " x", "a.c:1") + node("2", "b", " x", "a.c:2") + edge("1", "2", 1) +
         node("3", "c", " x", "a.c:3") + node("4", "d") + edge("2", "4", 2)},
    {"-1 gets its edge but gives its children none", "1\ta: <>\n-1\t\tb: <>\n5\t\t\tc: <>\n",
     FORMAT_AUTO, 0, node("1", "a") + node("-1", "b") + edge("1", "-1", 2) + node("5", "c")},
    {"below a reference the caller is the node referred to",
     "1\tm: x, <m.c 1>\n2\t\tg: x, <g.c 5>\n3\t\tg: 2\n4\t\t\th: <>\n", FORMAT_AUTO, 0,
     node("1", "m", " x", "m.c:1") + node("2", "g", " x", "g.c:5") + edge("1", "2", 1) +
         edge("1", "2", 1) + node("4", "h") + edge("2", "4", 2)},
    {"depth 0 and 1 have no caller", "1main: <>\n2\tf: <>\n3\t\tg: <>\n", FORMAT_AUTO, 0,
     node("1", "main") + node("2", "f") + node("3", "g") + edge("2", "3", 2)},
    {"a reference to a later line is class 2", "1\tm: x, <m.c 1>\n2\t\tf: 3\n3\t\tf: y, <f.c 2>\n",
     FORMAT_AUTO, 0,
     node("1", "m", " x", "m.c:1") + edge("1", "3", 2) + node("3", "f", " y", "f.c:2") +
         edge("1", "3", 1)},
    {"numbers that do not ascend still class exactly",
     "9\tm: x, <m.c 1>\n5\t\tf: y, <f.c 2>\n7\t\tg: <>\n8\t\tf: 5\n2\t\tm: 9\n3\t\tg: 7\n",
     FORMAT_AUTO, 0,
     node("9", "m", " x", "m.c:1") + node("5", "f", " y", "f.c:2") + edge("9", "5", 1) +
         node("7", "g") + edge("9", "7", 2) + edge("9", "5", 1) + edge("9", "9", 1) +
         edge("9", "7", 2)},
    {"quotes and backslashes are escaped in every text field",
     "1\ta\"b\\c: int (char *s = \"x\\\"), <d\"ir\\f.c 3>\n2\t\tq\"\": <>\n", FORMAT_SUN, 0,
     node("1", "a\\\"b\\\\c", " int (char *s = \\\"x\\\\\\\")", "d\\\"ir\\\\f.c:3") +
         node("2", "q\\\"\\\"") + edge("1", "2", 2)},
    {"negative numbers keep their sign", "-3\tm: x, <m.c -4>\n-5\t\tn: <>\n", FORMAT_AUTO, 0,
     node("-3", "m", " x", "m.c:-4") + node("-5", "n") + edge("-3", "-5", 2)},
};

class VcgWriter : public testing::TestWithParam<vcg_case> {};

TEST_P(VcgWriter, WritesTheGraph) {
  const vcg_case& c = GetParam();
  const conversion got = convert(c.input, c.layout, c.invisible);
  EXPECT_EQ(got.status, 0);
  EXPECT_EQ(got.out, kHeader + c.body + "}\n");
}

void PrintTo(const vcg_case& c, std::ostream* os) { *os << c.what; }

INSTANTIATE_TEST_SUITE_P(Listings, VcgWriter, testing::ValuesIn(kCases), by_what());

TEST(VcgWriterEnd, ASyntaxErrorLeavesTheGraphOpen) {
  const conversion got = convert("1\tmain: <>\nnot an entry\n2\t\tf: <>\n");
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.out, kHeader + node("1", "main"));
}

TEST(VcgWriterEnd, TheRegistryGrowsPastItsFirstChunks) {
  std::string input = "1\tm: x, <m.c 1>\n";
  for (int n = 2; n <= 1100; ++n) input += std::to_string(n) + "\t\tf: x, <f.c 1>\n";
  input += "1101\t\tf: 600\n1102\t\tf: 1099\n1103\t\tf: 1200\n";
  const conversion got = convert(input);
  ASSERT_EQ(got.status, 0);
  const std::string tail =
      edge("1", "600", 1) + edge("1", "1099", 1) + edge("1", "1200", 2) + "}\n";
  ASSERT_GE(got.out.size(), tail.size());
  EXPECT_EQ(got.out.substr(got.out.size() - tail.size()), tail);
}

TEST(VcgWriterEnd, CallsGoDeeperThanThirty) {
  std::string input;
  for (int d = 1; d <= 200; ++d)
    input += std::to_string(d) + std::string(d, '\t') + "f" + std::to_string(d) + ": <>\n";
  const conversion got = convert(input);
  ASSERT_EQ(got.status, 0);
  EXPECT_NE(got.out.find(edge("199", "200", 2) + "}\n"), std::string::npos);
  EXPECT_NE(got.out.find(edge("30", "31", 2)), std::string::npos);
}

}  // namespace
