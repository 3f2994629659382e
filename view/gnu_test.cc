// GNU cflow's layouts as GNU 1.7 writes them (lines copied from its output).
#include "listing/gnu.h"

#include <gtest/gtest.h>

#include <string>

#include "io/padded.h"

namespace {

struct gnu_case {
  const char* line;
  bool ok;
  int kind = 0;
  int32_t number = 0, depth = 0;
  const char *name = "", *signature = "", *file = "";
  int32_t source_line = 0;
};

const gnu_case kGnu[] = {
    {"main() <int main (int argc, char **argv) at main.c:32>:", true, ENTRY_DEFINED, 77, 1, "main",
     "int main (int argc, char **argv)", "main.c", 32},
    {"    1 main() <int main (void) at p.c:8> (R):", true, ENTRY_DEFINED, 1, 1, "main",
     "int main (void)", "p.c", 8},
    {"        fprintf()", true, ENTRY_EXTERNAL, 77, 3, "fprintf", "", "", 0},
    {"   20             strcmp()", true, ENTRY_EXTERNAL, 20, 4, "strcmp", "", "", 0},
    {"    6     usage() <void usage (const char *program, int status) at main.c:17>: [see 3]", true,
     ENTRY_REFERENCE, 3, 2, "usage", "", "", 0},
    {"        fact() <int fact (int n) at recursion.c:8> (recursive: see 11)", true,
     ENTRY_REFERENCE, 11, 3, "fact", "", "", 0},
    {"   12         fact() <int fact (int n) at recursion.c:8> (recursive: see 9) [see 9]", true,
     ENTRY_REFERENCE, 9, 3, "fact", "", "", 0},
    {"    9     bar() <int bar (void) at q.c:2> [see 1]", true, ENTRY_REFERENCE, 1, 2, "bar", "",
     "", 0},
    {"   14     printf() [see 13]", true, ENTRY_REFERENCE, 13, 2, "printf", "", "", 0},
    {"    sig() <void (*sig (int s, void (*f) (int))) (int) at p.c:3>", true, ENTRY_DEFINED, 77, 2,
     "sig", "void (*sig (int s, void (*f) (int))) (int)", "p.c", 3},
    // A file name with a colon: the line is the last one's.
    {"f() <int f (void) at dir:x/a.c:5>", true, ENTRY_DEFINED, 77, 1, "f", "int f (void)",
     "dir:x/a.c", 5},
    {"\tf()", true, ENTRY_EXTERNAL, 77, 2, "f", "", "", 0},
    {"f() <int f (void) at a.c:5>: \r", true, ENTRY_DEFINED, 77, 1, "f", "int f (void)", "a.c", 5},
    // Not GNU's.
    {"    1 main: int (void), <p.c 8>", false},
    {"main", false},
    {"() <int f (void) at a.c:1>", false},
    {"f() <int f (void) at a.c:>", false},
    {"f() <int f (void) a.c:1>", false},
    {"f() <int f (void) at a.c:1", false},
    {"f() [see x]", false},
    {"f() <int f (void) at a.c:99999999999>", false},
    {"", false},
};

TEST(GnuLayout, ReadsWhatGnuWrites) {
  for (const gnu_case& c : kGnu) {
    SCOPED_TRACE(c.line);
    listing_entry e;
    e.number = 77;                     // what the reader sets: the line's place
    const padded_string line(c.line);  // the entry views it
    ASSERT_EQ(parse_gnu_line(line, e), c.ok ? 1 : 0);
    if (!c.ok) continue;
    EXPECT_EQ(e.kind, c.kind);
    EXPECT_EQ(e.number, c.number);
    EXPECT_EQ(e.depth, c.depth);
    EXPECT_EQ(e.name, c.name);
    if (c.kind != ENTRY_DEFINED) continue;
    EXPECT_EQ(e.signature, c.signature);
    EXPECT_EQ(e.file, c.file);
    EXPECT_EQ(e.line, c.source_line);
  }
}

TEST(PosixLayout, DepthFromBlanksOrTabs) {
  struct {
    const char* line;
    int ok, kind = 0;
    int32_t number = 0, depth = 0;
  } cases[] = {
      {"    1 main: int (int argc, char **argv), <main.c 32>", 1, ENTRY_DEFINED, 1, 1},
      {"    2     parse_options: void (int argc), <main.c 22>", 1, ENTRY_DEFINED, 2, 2},
      {"    4             fprintf: <>", 1, ENTRY_EXTERNAL, 4, 4},
      {"    6     usage: 3", 1, ENTRY_REFERENCE, 3, 2},
      {"    2 \t\tusage: 3", 1, ENTRY_REFERENCE, 3, 3},  // the TAB recipe
      {"123456     f: <>", 1, ENTRY_EXTERNAL, 123456, 2},
      {"main: <>", 0},
      {"    1 main() <int main (void) at p.c:8>", 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    listing_entry e;
    ASSERT_EQ(parse_posix_line(padded_string(c.line), e), c.ok);
    if (!c.ok) continue;
    EXPECT_EQ(e.kind, c.kind);
    EXPECT_EQ(e.number, c.number);
    EXPECT_EQ(e.depth, c.depth);
  }
}

// What cflow --format=posix writes for the same declarations.
TEST(GnuSignature, AsThePosixLayoutGivesIt) {
  const struct {
    const char *declaration, *name, *sun;
  } cases[] = {
      {"int main (int argc, char **argv)", "main", "int (int argc, char **argv)"},
      {"const struct table_entry *lookup (const char *name)", "lookup",
       "const struct table_entry * (const char *name)"},
      {"void (*sig (int s, void (*f) (int))) (int)", "sig",
       "void (* (int s, void (*f) (int))) (int)"},
      {"char *kr (a, b)", "kr", "char * (a, b)"},
      {"knr (x)", "knr", " (x)"},
      {"int (paren) (int x)", "paren", "int () (int x)"},
      {"int (*work) (int infile, int outfile)", "work", "int (*) (int infile, int outfile)"},
      {"int open", "open", "int"},
      {"int a$b (int v)", "b", "int a$b (int v)"},
      {"int foo (int foo_x)", "foo", "int (int foo_x)"},
      {"struct foo *foo (void)", "foo", "struct *foo (void)"},  // as cflow does
      {"int f (void)", "g", "int f (void)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.declaration);
    std::string out(std::string(c.declaration).size() + 1, '\0');
    out.resize(gnu_signature(c.declaration, c.name, out.data()));
    EXPECT_EQ(out, c.sun);
  }
}

TEST(AnyLayout, FirstLineDecides) {
  const struct {
    const char* line;
    int format;
  } cases[] = {
      {"    1 \tmain: int (void), <a.c 3>", FORMAT_SUN},
      {"    1 main: int (void), <a.c 3>", FORMAT_POSIX},
      {"main() <int main (void) at a.c:3>:", FORMAT_GNU},
      {"    1 main() <int main (int argc, char **argv) at main.c:32>:", FORMAT_GNU},
      {"1\tmain {a.c 3}", FORMAT_FREE},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.line);
    input_format = FORMAT_ANY;
    listing_entry e;
    const padded_string line(c.line);
    ASSERT_EQ(parse_listing_line(line, e), PARSE_OK);
    EXPECT_EQ(input_format, c.format);
    EXPECT_EQ(e.name, "main");
  }
  input_format = FORMAT_ANY;
  listing_entry e;
  EXPECT_EQ(parse_listing_line(padded_string("hello world"), e), PARSE_UNRECOGNIZED);
  input_format = FORMAT_AUTO;
}

}  // namespace
