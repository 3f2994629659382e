#include "view/graph.h"

#include <gtest/gtest.h>

#include <string>

#include "io/padded.h"
#include "view/test_graph.h"

namespace {

// "name" for each node, "a>b" for each edge, in order; "*" marks a cycle.
std::string describe(const call_graph& g) {
  std::string s;
  for (size_t i = 0; i < g.size(); ++i) {
    const auto id = static_cast<int32_t>(i);
    s += std::string(g.name(id)) + (g.recursive(id) ? "*" : "");
    if (g.defined(id)) s += "@" + std::string(g.file(id)) + ":" + std::to_string(g.line(id));
    s += " ";
  }
  for (const call_edge& e : g.edges())
    s += std::string(g.name(e.caller)) + ">" + std::string(g.name(e.callee)) + " ";
  return s;
}

TEST(Graph, OneNodePerFunctionOneEdgePerPair) {
  const struct {
    const char* listing;
    bool reversed;
    const char* graph;
    int layout = FORMAT_ANY;
  } cases[] = {
      // Repeated calls and repeated functions are one edge and one node.
      {"1\tmain: int (void), <a.c 1>\n2\t\tf: <>\n3\t\tg: void (void), <a.c 5>\n4\t\t\tf: 2\n"
       "5\t\tg: 3\n6\t\tf: <>\n",
       false, "main@a.c:1 f g@a.c:5 main>f main>g g>f "},
      // Two static functions of one name in two files are two nodes.
      {"1\tmain: int (void), <a.c 1>\n2\t\thelper: int (int x), <a.c 9>\n3\t\tbar: int (void), "
       "<b.c 2>\n4\t\t\thelper: int (void), <b.c 1>\n",
       false, "main@a.c:1 helper@a.c:9 bar@b.c:2 helper@b.c:1 main>helper main>bar bar>helper "},
      // Self-calls and mutual recursion mark their functions.
      {"1\tf: int (void), <a.c 1>\n2\t\tf: 1\n3\t\tg: int (void), <a.c 2>\n4\t\t\th: int (void), "
       "<a.c 3>\n5\t\t\t\tg: 3\n6\t\t\t\tx: <>\n",
       false, "f*@a.c:1 g*@a.c:2 h*@a.c:3 x f>f f>g g>h h>g h>x "},
      // cflow -r: the children are callers, the arrows still go caller -> callee.
      {"1\tprintf: <>\n2\t\tmain: int (void), <a.c 1>\n3\t\treport: int (void), <a.c 7>\n"
       "4\t\t\tmain: 2\n",
       true, "printf main@a.c:1 report@a.c:7 main>printf report>printf main>report "},
      // GNU's default layout, numbered by place: "see 1" is the first line.
      {"main() <int main (void) at a.c:3> (R):\n    f()\n    main() <int main (void) at a.c:3> "
       "(recursive: see 1)\n",
       false, "main*@a.c:3 f main>f main>main "},
      // A gap in depth gives no caller.
      {"1\tf: <>\n2\t\t\tg: <>\n", false, "f g "},
      // Nor does a gap below a shallower line take a caller of an earlier subtree.
      {"1\ta: <>\n2\t\tb: <>\n3\t\t\tc: <>\n4\t\td: <>\n5\t\t\t\te: <>\n", false,
       "a b c d e a>b b>c a>d "},
      // A sun line that GNU's indentation does not fit sets the depth by its TABs.
      {"-5 main: int (void), <a.c 3>\n    2     f: <>\n", false, "main@a.c:3 f main>f "},
      // Blanks a level, or TABs, in GNU's POSIX output.
      {"    1 f: <>\n    2     g: <>\n    3 \t\th: <>\n", false, "f g h f>g g>h "},
      // Lines ended by CRs alone, by CR LF, or by LF; blank lines passed over.
      {"1\tmain: int (void), <a.c 1>\r2\t\tfoo: <>\r", false, "main@a.c:1 foo main>foo "},
      {"1\tf: <>\r\n2\t\tg: <>\r3\t\th: <>\n\r", false, "f g h f>g f>h "},
      {"\n1\tf: <>\n \t\r\n\n2\t\tg: 1\n\n", false, "f* f>f "},
      // A line without TAB is under nothing, whether the layout is named or found.
      {"1\tmain: int (void), <a.c 1>\n2f: <>\n3\tg: <>\n", false, "main@a.c:1 f g "},
      {"1\tmain: int (void), <a.c 1>\n2f: <>\n3\tg: <>\n", false, "main@a.c:1 f g ",
       FORMAT_SUN_ANY},
      {"    1 main: int (void), <a.c 1>\n2\tf: <>\n", false, "main@a.c:1 f main>f ",
       FORMAT_SUN_ANY},
      // Numbers far past the count of lines, and deep lines, take no room of their size.
      {"16777215\tf: <>\n8388600\t\tg: <>\n-7\t\t\th: 16777215\n3\t\t\t\tk: 8388600\n", false,
       "f* g* f>g g>f "},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.listing);
    call_graph g;
    ASSERT_TRUE(build_graph(c.listing, g, c.reversed, c.layout));
    EXPECT_EQ(describe(g), c.graph);
  }
}

TEST(Graph, SignatureAsTheSunLayoutGivesIt) {
  const struct {
    const char *listing, *signature;
  } cases[] = {
      {"1\tmain: int (int argc) , <a.c 3>\n", "int (int argc)"},
      {"    1 main:   int (int argc) , <a.c 3>\n", "int (int argc)"},
      {"main() <int main (int argc) at a.c:3>\n", "int (int argc)"},
      {"1\tf:  (int v), <a.c 3>\n", "(int v)"},
      {"f() <f (int v) at a.c:3>\n", "(int v)"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.listing);
    call_graph g;
    ASSERT_TRUE(build_graph(c.listing, g));
    EXPECT_EQ(g.signature(0), c.signature);
  }
}

TEST(Graph, AdjacencyBothWays) {
  call_graph g;
  ASSERT_TRUE(build_graph("1\ta: <>\n2\t\tb: <>\n3\t\tc: <>\n4\td: <>\n5\t\tc: 3\n", g));
  ASSERT_EQ(g.size(), 4u);
  EXPECT_EQ(g.callees(0).size(), 2u);
  EXPECT_EQ(g.callers(2).size(), 2u);
  EXPECT_EQ(*g.callers(2).begin(), 0);
  EXPECT_EQ(*(g.callers(2).begin() + 1), 3);
}

TEST(Graph, ReferenceToNoFunctionFails) {
  call_graph g;
  graph_builder b(g, false);
  b.begin_listing();
  listing_entry e;
  e.kind = ENTRY_DEFINED;
  e.number = 1;
  e.depth = 1;
  const padded_string name("main"), file("a.c");
  e.name = name;
  e.file = file;
  ASSERT_TRUE(b.add(e, false));
  e.kind = ENTRY_REFERENCE;
  e.number = 7;
  e.depth = 2;
  EXPECT_TRUE(b.add(e, false));  // taken a few entries late
  EXPECT_FALSE(b.end_listing());
  EXPECT_EQ(b.bad_reference(), 7);
  EXPECT_EQ(b.bad_reference_entry(), 2);
}

}  // namespace
