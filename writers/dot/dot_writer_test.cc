#include <gtest/gtest.h>

#include <string>

#include "tests/case_name.h"
#include "tests/convert.h"
#include "writers/dot/dot_header.h"

namespace {

const std::string kHeader(kDotHeader);
const char kExample[] =
    "1\tmain: int(), <main.c 10>\n"
    "2\t\tprintf: <>\n"
    "3\t\tsetup: int(), <main.c 20>\n"
    "4\t\t\tprintf: 2\n";

struct dot_case {
  const char* what;
  const char* input;
  int invisible;
  const char* body;  // between the header and the footer
};

const dot_case kCases[] = {
    {"worked example", kExample, 0,
     "node_1 [ label=\"main\\n int()\\nmain.c:10\" ]\n"
     "node_2 [ label=\"printf\\n\\n:0\" ]\n"
     "\tnode_1 -> node_2 ;\n"
     "node_3 [ label=\"setup\\n int()\\nmain.c:20\" ]\n"
     "\tnode_1 -> node_3 ;\n"
     "\tnode_3 -> node_2 ;\n"},
    {"-i leaves out external nodes and the edges into them", kExample, 2,
     "node_1 [ label=\"main\\n int()\\nmain.c:10\" ]\n"
     "node_3 [ label=\"setup\\n int()\\nmain.c:20\" ]\n"
     "\tnode_1 -> node_3 ;\n"},
    {"-e leaves out the edges into defined functions", kExample, 1,
     "node_1 [ label=\"main\\n int()\\nmain.c:10\" ]\n"
     "node_2 [ label=\"printf\\n\\n:0\" ]\n"
     "\tnode_1 -> node_2 ;\n"
     "node_3 [ label=\"setup\\n int()\\nmain.c:20\" ]\n"
     "\tnode_3 -> node_2 ;\n"},
    {"-i judges an edge when it is read: a call into a later definition goes",
     "1\tm: x, <m.c 1>\n2\t\tf: 3\n3\t\tf: y, <f.c 2>\n", 2,
     "node_1 [ label=\"m\\n x\\nm.c:1\" ]\n"
     "node_3 [ label=\"f\\n y\\nf.c:2\" ]\n"
     "\tnode_1 -> node_3 ;\n"},
    {"-i leaves out the edges from a function without definition",
     "1\tmain: int (void), <a.c 1>\n2\t\tM: <>\n3\t\t\tf: int (void), <a.c 5>\n", 2,
     "node_1 [ label=\"main\\n int (void)\\na.c:1\" ]\n"
     "node_3 [ label=\"f\\n int (void)\\na.c:5\" ]\n"},
    {"-i leaves out the edge from node 0 of a first entry at depth 2", "4\t\tf: x, <a.c 1>\n", 2,
     "node_4 [ label=\"f\\n x\\na.c:1\" ]\n"},
    {"empty input", "", 0, ""},
    {"free layout has an empty middle line", "1\tmain {main.c 10}\n", 0,
     "node_1 [ label=\"main\\n\\nmain.c:10\" ]\n"},
    {"negative identifiers are quoted, others not",
     "-2\tm: x, <m.c 1>\n-1\t\tn: <>\n3\t\tp: -2\n7\t\tq: <>\n", 0,
     "\"node_-2\" [ label=\"m\\n x\\nm.c:1\" ]\n"
     "\"node_-1\" [ label=\"n\\n\\n:0\" ]\n"
     "\t\"node_-2\" -> \"node_-1\" ;\n"
     "\t\"node_-2\" -> \"node_-2\" ;\n"
     "node_7 [ label=\"q\\n\\n:0\" ]\n"
     "\t\"node_-2\" -> node_7 ;\n"},
    {"quotes and backslashes are escaped", "1\ta\"]b\\: int (char *s = \"\\n\"), <x\"y.c 3>\n", 0,
     "node_1 [ label=\"a\\\"]b\\\\\\n int (char *s = \\\"\\\\n\\\")\\nx\\\"y.c:3\" ]\n"},
};

class DotWriter : public testing::TestWithParam<dot_case> {};

TEST_P(DotWriter, WritesTheGraph) {
  const dot_case& c = GetParam();
  const conversion got = convert(c.input, FORMAT_AUTO, c.invisible);
  EXPECT_EQ(got.status, 0);
  EXPECT_EQ(got.out, std::string(kHeader) + c.body + "}\n");
}

void PrintTo(const dot_case& c, std::ostream* os) { *os << c.what; }

INSTANTIATE_TEST_SUITE_P(Listings, DotWriter, testing::ValuesIn(kCases), by_what());

TEST(DotWriterEnd, ASyntaxErrorLeavesTheGraphOpen) {
  const conversion got = convert("1\tmain {m.c 1}\n2\t\tf\n", FORMAT_FREE);
  EXPECT_EQ(got.status, 1);
  EXPECT_EQ(got.out, std::string(kHeader) + "node_1 [ label=\"main\\n\\nm.c:1\" ]\n");
}

}  // namespace

namespace {

// Fields are copied and searched in pieces of 16, 32 and 64 bytes: a quote
// or backslash is escaped wherever it stands, and what follows a field never
// counts.
TEST(DotWriterEnd, EscapesWhereverTheQuoteStands) {
  for (const bool in_signature : {false, true}) {
    for (size_t length = 1; length <= 90; ++length) {
      for (size_t at = 0; at <= length; ++at) {
        std::string field(length, 'n');
        if (at < length) field[at] = at % 2 ? '"' : '\\';
        std::string want = field;
        if (at < length) want.insert(at, 1, '\\');
        // Quotes stand three bytes after the other field's end.
        const std::string input = in_signature ? "1\tf: " + field + ", <\"a.c 2>\n"
                                               : "1\t" + field + ": \"\\ x, <a.c 2>\n";
        const std::string label =
            in_signature ? "f\\n " + want + "\\n\\\"a.c:2" : want + "\\n \\\"\\\\ x\\na.c:2";
        const conversion got = convert(input, FORMAT_SUN);
        ASSERT_EQ(got.out, std::string(kHeader) + "node_1 [ label=\"" + label + "\" ]\n}\n")
            << input;
      }
    }
  }
}

TEST(DotWriterEnd, LongLabelsComeInPiecesGraphvizCanRead) {
  const std::string name = "n\"" + std::string(20000, 'a');
  const std::string sig = " int (" + std::string(9000, '\\') + std::string(30000, 'b') + ")";
  const conversion got = convert("7\t" + name + ": " + sig + ", <f.c 3>\n");
  ASSERT_EQ(got.status, 0);
  const std::string label_start = "node_7 [ label=\"";
  const size_t begin = got.out.find(label_start) + label_start.size();
  const size_t end = got.out.rfind("\" ]\n");
  ASSERT_LT(begin, end);
  std::string joined;
  size_t pieces = 0;
  for (size_t at = begin; at < end;) {
    size_t joint = got.out.find("\" + \"", at);
    if (joint > end) joint = end;
    const std::string piece = got.out.substr(at, joint - at);
    EXPECT_LE(piece.size(), 16384u);
    // A piece never ends inside an escape: its trailing backslashes pair up.
    const size_t last = piece.find_last_not_of('\\');
    EXPECT_EQ((piece.size() - (last == std::string::npos ? 0 : last + 1)) % 2, 0u);
    joined += piece;
    ++pieces;
    at = joint == end ? end : joint + 5;
  }
  EXPECT_GE(pieces, 5u);
  std::string escaped_sig;
  for (char c : sig) escaped_sig += c == '\\' ? "\\\\" : std::string(1, c);
  EXPECT_EQ(joined, "n\\\"" + std::string(20000, 'a') + "\\n" + " " + escaped_sig + "\\nf.c:3");
}

}  // namespace
