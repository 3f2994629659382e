#include "view/input/gcc_ci.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Each file's lines to one reader; "" or the first line that does not read,
// as "file:line".
std::string read_units(const std::vector<std::string>& files, call_graph& g) {
  ci_reader reader(g);
  for (size_t f = 0; f < files.size(); ++f) {
    std::string_view text = files[f];
    for (int line = 1; !text.empty(); ++line) {
      const size_t end = text.find('\n');
      if (!reader.line(text.substr(0, end))) return std::to_string(f) + ":" + std::to_string(line);
      text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    }
    if (!reader.end_file()) return std::to_string(f) + ":end";
  }
  reader.finish();
  g.finish();
  return "";
}

// "name@file:line" for each node, "[signature]", "*N" for N calls through
// pointers, "{bytes kind}" for its frame; then "a>b" for each edge.
std::string describe(const call_graph& g) {
  std::string s;
  for (size_t i = 0; i < g.size(); ++i) {
    const auto id = static_cast<int32_t>(i);
    s += std::string(g.name(id));
    if (g.defined(id)) s += "@" + std::string(g.file(id)) + ":" + std::to_string(g.line(id));
    if (!g.signature(id).empty()) s += "[" + std::string(g.signature(id)) + "]";
    if (g.indirect_calls(id) != 0) s += "*" + std::to_string(g.indirect_calls(id));
    if (g.stack_bytes(id) >= 0)
      s += "{" + std::to_string(g.stack_bytes(id)) + " " + std::string(g.stack_kind(id)) + "}";
    s += " ";
  }
  for (const call_edge& e : g.edges())
    s += std::string(g.name(e.caller)) + ">" + std::string(g.name(e.callee)) + " ";
  return s;
}

TEST(GccCi, UnitsJoinedAsTheLinkerJoinsThem) {
  const struct {
    std::vector<std::string> files;
    const char* graph;
  } cases[] = {
      // A call before its callee's node; a call repeated is one edge; what
      // no unit defines has no definition; a builtin goes by its symbol.
      {{"graph: { title: \"a.c\"\n"
        "node: { title: \"main\" label: \"main\\na.c:5:5\" }\n"
        "edge: { sourcename: \"main\" targetname: \"f\" label: \"a.c:6:3\" }\n"
        "edge: { sourcename: \"main\" targetname: \"f\" label: \"a.c:7:3\" }\n"
        "node: { title: \"f\" label: \"f\\na.c:1:6\" }\n"
        "node: { title: \"puts\" label: \"__builtin_puts\\n<built-in>\" shape : ellipse }\n"
        "edge: { sourcename: \"f\" targetname: \"puts\" }\n"
        "}\n"},
       "main@a.c:5 f@a.c:1 puts main>f f>puts "},
      // Statics of one name are one per unit; a declaration is the other
      // unit's definition; a header's static function is one node; frames
      // with -fcallgraph-info=su, the header's the larger.
      {{"graph: { title: \"src/a.c\"\n"
        "node: { title: \"src/a.c:inl\" label: \"inl\\ninc/h.h:1:19\\n16 bytes (static)\" }\n"
        "node: { title: \"src/a.c:helper\" label: \"helper\\nsrc/a.c:2:12\\n24 bytes "
        "(static)\\n0 dynamic objects\" }\n"
        "node: { title: \"main\" label: \"main\\nsrc/a.c:4:5\\n112 bytes (dynamic)\" }\n"
        "node: { title: \"shared\" label: \"shared\\nsrc/a.c:3:5\" shape : ellipse }\n"
        "edge: { sourcename: \"main\" targetname: \"shared\" label: \"src/a.c:11:3\" }\n"
        "edge: { sourcename: \"main\" targetname: \"src/a.c:helper\" label: \"src/a.c:12:10\" }\n"
        "edge: { sourcename: \"src/a.c:helper\" targetname: \"src/a.c:inl\" label: \"x\" }\n"
        "}\n",
        "graph: { title: \"b.c\"\n"
        "node: { title: \"b.c:inl\" label: \"inl\\ninc/h.h:1:19\\n32 bytes (static)\" }\n"
        "node: { title: \"b.c:helper\" label: \"helper\\nb.c:2:12\" }\n"
        "node: { title: \"shared\" label: \"shared\\nb.c:3:5\\n48 bytes (dynamic,bounded)\" }\n"
        "edge: { sourcename: \"shared\" targetname: \"b.c:inl\" label: \"b.c:3:28\" }\n"
        "edge: { sourcename: \"shared\" targetname: \"b.c:helper\" label: \"b.c:3:28\" }\n"
        "}\n"},
       "inl@inc/h.h:1{32 static} helper@src/a.c:2{24 static} main@src/a.c:4{112 dynamic} "
       "helper@b.c:2 shared@b.c:3{48 dynamic,bounded} main>shared main>helper helper>inl "
       "shared>inl shared>helper "},
      // Calls through pointers counted per caller, not drawn; a static's
      // declaration does not take another unit's function.
      {{"graph: { title: \"a.c\"\n"
        "node: { title: \"main\" label: \"main\\na.c:4:5\" }\n"
        "node: { title: \"__indirect_call\" label: \"Indirect Call Placeholder\" shape : ellipse "
        "}\n"
        "edge: { sourcename: \"main\" targetname: \"__indirect_call\" label: \"a.c:7:3\" }\n"
        "edge: { sourcename: \"main\" targetname: \"__indirect_call\" label: \"a.c:8:3\" }\n"
        "edge: { sourcename: \"main\" targetname: \"a.c:g\" label: \"a.c:9:3\" }\n"
        "node: { title: \"a.c:g\" label: \"g\\na.c:1:13\" shape : ellipse }\n"
        "}\n",
        "graph: { title: \"b.c\"\n"
        "node: { title: \"g\" label: \"g\\nb.c:1:6\" }\n"
        "}\n"},
       "main@a.c:4*2 g@b.c:1 g main>g "},
      // Paths as GCC writes them: quotes and backslashes raw, quotes left out
      // of titles; "\n" in a file name; a colon in a folder; no column.
      {{"graph: { title: \"we\"ird\\dir/x.c\"\n"
        "node: { title: \"weird\\dir/x.c:s\" label: \"s\\nwe\"ird\\dir/x.c:2:12\" }\n"
        "node: { title: \"t\" label: \"t\\nn\\new:q/x.c:3:5\\n8 bytes (static)\" }\n"
        "node: { title: \"u\" label: \"u\\np:q/x.c:9\" }\n"
        "edge: { sourcename: \"t\" targetname: \"weird\\dir/x.c:s\" label: \"we\"ird:1:2\" }\n"
        "}\n"},
       "s@we\"ird\\dir/x.c:2 t@n\\new:q/x.c:3{8 static} u@p:q/x.c:9 t>s "},
      // C++: symbols join the units, names and declarations from the labels.
      {{"graph: { title: \"d.cc\"\n"
        "node: { title: \"_Z1gi\" label: \"int g(int)\\nd.cc:3:5\" }\n"
        "node: { title: \"d.cc:_Z2ttIiET_S0_\" label: \"T tt(T) [with T = int]\\nd.cc:4:22\" }\n"
        "node: { title: \"_ZN2ns1S1mEi\" label: \"int ns::S<int>::m(int)\\nd.cc:1:3\" }\n"
        "node: { title: \"_ZN1XclEv\" label: \"bool X::operator()()\\nd.cc:2:3\" }\n"
        "edge: { sourcename: \"_Z1gi\" targetname: \"d.cc:_Z2ttIiET_S0_\" label: \"d.cc:3:9\" }\n"
        "}\n"},
       "g@d.cc:3[int g(int)] tt@d.cc:4[T tt(T) [with T = int]] "
       "ns::S<int>::m@d.cc:1[int ns::S<int>::m(int)] X::operator()@d.cc:2[bool "
       "X::operator()()] g>tt "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.files[0]);
    call_graph g;
    ASSERT_EQ(read_units(c.files, g), "");
    EXPECT_EQ(describe(g), c.graph);
  }
}

TEST(GccCi, FactsMoveWithJoinedDeclarations) {
  call_graph g;
  g.add_undefined("f");  // as a listing read before has it
  ci_reader reader(g);
  for (const char* line : {"graph: { title: \"a.c\"",
                           "node: { title: \"f\" label: \"f\\na.c:1:5\\n16 bytes (static)\" }",
                           "node: { title: \"g\" label: \"g\\na.c:2:5\" }",
                           "edge: { sourcename: \"g\" targetname: \"__indirect_call\" }", "}"})
    ASSERT_TRUE(reader.line(line)) << line;
  reader.finish();
  g.join_declarations();
  g.finish();
  EXPECT_EQ(describe(g), "f@a.c:1{16 static} g@a.c:2*1 ");
}

TEST(GccCi, WhatGccDoesNotWriteIsRefused) {
  const char* const head = "graph: { title: \"a.c\"\n";
  const struct {
    std::string text;
    const char* where;
  } cases[] = {
      {"node: { title: \"f\" label: \"f\\na.c:1:1\" }\n", "0:1"},
      {std::string(head) + "node: { title: \"f\" label: \"f\\na.c:1:1\"\n", "0:2"},
      {std::string(head) + "node: { title: \"\" label: \"\" }\n", "0:2"},
      {std::string(head) + "edge: { sourcename: \"f\" targetname: \"g\" label }\n", "0:2"},
      {std::string(head) + "edge: { sourcename: \"f\" }\n", "0:2"},
      {std::string(head) + "hello\n", "0:2"},
      {std::string(head) + "node: { title: \"f\" label: \"f\\na.c:1:1\" }\n", "0:end"},
      {"graph: { title: \"a.c\n", "0:1"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.text);
    call_graph g;
    EXPECT_EQ(read_units({c.text}, g), c.where);
  }
}

TEST(GccCi, RecognizedByItsFirstBytes) {
  EXPECT_TRUE(is_gcc_ci("graph: { title: \"a.c\"\n"));
  EXPECT_TRUE(is_gcc_ci("\n  graph: {"));
  EXPECT_FALSE(is_gcc_ci("graph: title"));
  EXPECT_FALSE(is_gcc_ci("main() <int main (void) at a.c:3>:\n"));
  EXPECT_FALSE(is_gcc_ci(""));
}

}  // namespace
