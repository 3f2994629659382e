#include "view/writers.h"

#include <gtest/gtest.h>

#include <string>

#include "view/input/gcc_ci.h"
#include "view/test_graph.h"

namespace {

// Every mark that a format could take as its own, in a name, a signature
// and a file name.
const char kHostile[] =
    "1\tmain: int (x<y>&\"q\"\\ z|[;]), <w\"e\\d&ir/a<b>.c 3>\n"
    "2\t\tq\"u\\o<t>e&|[];:: <>\n"
    "3\t\tmain: 1\n";

enum { DOT, JSON, MERMAID, HTML };

std::string write(const char* listing, int format, const write_options& w = {},
                  std::vector<std::string> focus = {"main"}) {
  call_graph g;
  EXPECT_TRUE(build_graph(listing, g));
  selection_options o;
  o.focus = focus;
  graph_view v;
  std::string message;
  EXPECT_TRUE(format == HTML ? select_all(g, o, v, message) : select_view(g, o, v, message));
  std::string text;
  out_buffer out;
  out.reset(-1, &text);
  if (format == DOT) write_dot(g, v, w, out);
  if (format == JSON) write_json(g, v, out);
  if (format == MERMAID) write_mermaid(g, v, w, out);
  if (format == HTML) write_html(g, v, w, out);
  out.flush();
  return text;
}

TEST(Writers, JsonExactly) {
  EXPECT_EQ(write(kHostile, JSON),
            "{\"nodes\":[{\"id\":0,\"name\":\"main\",\"defined\":true,"
            "\"signature\":\"int (x<y>&\\\"q\\\"\\\\ z|[;])\",\"file\":\"w\\\"e\\\\d&ir/a<b>.c\","
            "\"line\":3,\"focus\":true,\"recursive\":true}, {\"id\":1,"
            "\"name\":\"q\\\"u\\\\o<t>e&|[];:\",\"defined\":false}],"
            "\"edges\":[{\"source\":0,\"target\":1}, {\"source\":0,\"target\":0}]}\n");
}

// Any bytes in a name leave each format valid for its reader: control bytes
// shown, each maximal part of what is not UTF-8 as one U+FFFD.
TEST(Writers, AnyBytesStayValid) {
  struct bytes_case {
    const char* name;
    int format;
    const char* written;
  };
  const bytes_case cases[] = {
      {"a\x01"
       "b\xff"
       "c\xe2\x82"
       "d\xc3\xa9\x7f",
       DOT,
       "label=\"a\\\\x01b\xef\xbf\xbd"
       "c\xef\xbf\xbd"
       "d\xc3\xa9\\\\x7f\""},
      {"a\x01"
       "b\xff"
       "c\xe2\x82"
       "d\xc3\xa9\x7f",
       MERMAID,
       "[\"a#92;x01b\xef\xbf\xbd"
       "c\xef\xbf\xbd"
       "d\xc3\xa9#92;x7f\"]"},
      {"a\x01"
       "b\xff"
       "c\xe2\x82"
       "d\xc3\xa9\x7f",
       JSON, "\"a\\u0001b\\ufffdc\\ufffdd\xc3\xa9\x7f\""},
      // Overlong, surrogate, past U+10FFFF, cut short at the end; four bytes.
      {"\xe0\x80\x80|\xed\xa0\x80|\xf4\x90|\xf0\x9f\x98\x80|\xf0\x9f", JSON,
       "\"\\ufffd\\ufffd\\ufffd|\\ufffd\\ufffd\\ufffd|\\ufffd\\ufffd|\xf0\x9f\x98\x80|\\ufffd\""},
      {"abcdefgh\xc3\xa9", JSON, "\"abcdefgh\xc3\xa9\""},
      {"", MERMAID, "n0[\" \"]"},
  };
  for (const bytes_case& c : cases) {
    SCOPED_TRACE(c.written);
    const std::string text =
        write(("1\t" + std::string(c.name) + ": <>\n").c_str(), c.format, {}, {});
    EXPECT_NE(text.find(c.written), std::string::npos) << text;
  }
}

TEST(Writers, DotEscapesAndMarks) {
  write_options w;
  w.full_labels = true;
  w.has_link = true;
  w.link = "https://x/%f#L%l%%";
  EXPECT_EQ(write(kHostile, DOT, w),
            "digraph calls {\n"
            "  graph [rankdir=LR, fontname=\"Helvetica\", fontsize=10];\n"
            "  node [shape=box, fontname=\"Helvetica\", fontsize=10];\n"
            "  subgraph cluster_0 {\n"
            "    label=\"w\\\"e\\\\d&ir/a<b>.c\";\n"
            "    style=rounded;\n"
            "    color=\"#9ca3af\";\n"
            "    n0 [label=\"main\\nint (x<y>&\\\"q\\\"\\\\ z|[;])\\nw\\\"e\\\\d&ir/a<b>.c:3\", "
            "tooltip=\"int (x<y>&\\\"q\\\"\\\\ z|[;])\\nw\\\"e\\\\d&ir/a<b>.c:3\", "
            "style=\"filled,bold\", fillcolor=\"#fde68a\", color=\"#b91c1c\", "
            "URL=\"https://x/w\\\"e\\\\d&ir/a<b>.c#L3%\"];\n"
            "  }\n"
            "  n1 [label=\"q\\\"u\\\\o<t>e&|[];:\", tooltip=\"q\\\"u\\\\o<t>e&|[];:: no definition "
            "in the listed sources\", style=dashed, fontcolor=\"#555555\", color=\"#888888\"];\n"
            "  n0 -> n1;\n"
            "  n0 -> n0;\n"
            "}\n");
}

// What GCC's call graph tells besides the calls: in dot's tooltip, with cut
// corners for calls through pointers, and as JSON's last keys.
TEST(Writers, GccFacts) {
  call_graph g;
  ci_reader reader(g);
  for (const char* line :
       {"graph: { title: \"a.c\"",
        "node: { title: \"main\" label: \"main\\na.c:4:5\\n112 bytes (dynamic)\" }",
        "node: { title: \"f\" label: \"f\\na.c:1:5\\n16 bytes (st\"a<tic)\" }",
        "node: { title: \"g\" label: \"g\\na.c:2:5\" }",
        "edge: { sourcename: \"main\" targetname: \"__indirect_call\" label: \"a.c:5:3\" }",
        "edge: { sourcename: \"f\" targetname: \"__indirect_call\" label: \"a.c:1:9\" }",
        "edge: { sourcename: \"f\" targetname: \"__indirect_call\" label: \"a.c:1:19\" }",
        "edge: { sourcename: \"main\" targetname: \"f\" label: \"a.c:6:3\" }",
        "edge: { sourcename: \"main\" targetname: \"g\" label: \"a.c:7:3\" }", "}"})
    ASSERT_TRUE(reader.line(line)) << line;
  reader.finish();
  g.finish();
  selection_options o;
  o.focus = {"main"};
  graph_view v;
  std::string message, text;
  ASSERT_TRUE(select_view(g, o, v, message));
  out_buffer out;
  out.reset(-1, &text);
  write_dot(g, v, {}, out);
  write_json(g, v, out);
  out.flush();
  for (const char* written :
       {"n0 [label=\"main\", tooltip=\"a.c:4\\n1 call through a pointer\\nstack: 112 bytes "
        "(dynamic)\", style=\"filled,bold,diagonals\", fillcolor=\"#fde68a\"];",
        "n1 [label=\"f\", tooltip=\"a.c:1\\n2 calls through pointers\\nstack: 16 bytes "
        "(st\\\"a<tic)\", style=diagonals];",
        "n2 [label=\"g\", tooltip=\"a.c:2\"];",
        "\"line\":4,\"focus\":true,\"indirect_calls\":1,\"stack_bytes\":112,\"stack\":\"dynamic\"}",
        "\"line\":1,\"indirect_calls\":2,\"stack_bytes\":16,\"stack\":\"st\\\"a<tic\"}",
        "\"line\":2}"})
    EXPECT_NE(text.find(written), std::string::npos) << written << "\n" << text;
}

TEST(Writers, DotSplitsLongStrings) {
  const std::string name(40000, 'a');
  const std::string dot = write(("1\t" + name + ": <>\n").c_str(), DOT, {}, {});
  EXPECT_NE(dot.find("\"" + std::string(16000, 'a') + "\" + \""), std::string::npos);
  EXPECT_EQ(dot.find(std::string(16001, 'a')), std::string::npos);
}

TEST(Writers, MermaidEntities) {
  write_options w;
  w.top_bottom = true;
  EXPECT_EQ(write(kHostile, MERMAID, w),
            "flowchart TB\n"
            "  subgraph f0 [\"w#34;e#92;d#38;ir/a#60;b#62;.c\"]\n"
            "    n0[\"main\"]\n"
            "  end\n"
            "  n1[\"q#34;u#92;o#60;t#62;e#38;#124;#91;#93;#59;:\"]\n"
            "  n0 --> n1\n"
            "  n0 --> n0\n"
            "  class n1 undefined\n"
            "  classDef undefined stroke-dasharray:4 3,color:#555555\n"
            "  class n0 focus\n"
            "  classDef focus fill:#fde68a,stroke-width:2px\n"
            "  class n0 recursive\n"
            "  classDef recursive stroke:#b91c1c\n");
}

TEST(Writers, HtmlEmbedsAssetsAndData) {
  write_options w;
  w.has_link = true;
  w.link = "src/%f#%l";
  w.callers = 2;
  const std::string page = write(kHostile, HTML, w);
  const std::string css(kExplorerCss, kExplorerCssSize), js(kExplorerJs, kExplorerJsSize);
  EXPECT_NE(page.find(css), std::string::npos);
  EXPECT_NE(page.find(js), std::string::npos);
  for (const char* placeholder : {"/*@STYLE@*/", "/*@SCRIPT@*/", "@DATA@"})
    EXPECT_EQ(page.find(placeholder), std::string::npos) << placeholder;
  const std::string data =
      "{\"nodes\":[{\"id\":0,\"name\":\"main\",\"defined\":true,"
      "\"signature\":\"int (x\\u003cy>&\\\"q\\\"\\\\ z|[;])\",\"file\":\"w\\\"e\\\\d&ir/"
      "a\\u003cb>.c\",\"line\":3,\"focus\":true,\"recursive\":true,"
      "\"url\":\"src/w\\\"e\\\\d&ir/a\\u003cb>.c#3\"}, {\"id\":1,"
      "\"name\":\"q\\\"u\\\\o\\u003ct>e&|[];:\",\"defined\":false}],"
      "\"edges\":[{\"source\":0,\"target\":1}, {\"source\":0,\"target\":0}],\"callers\":2}";
  EXPECT_NE(
      page.find("<script type=\"application/json\" id=\"tanglet-data\">" + data + "</script>"),
      std::string::npos)
      << page;
}

}  // namespace
