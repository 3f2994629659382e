#include "view/output/writers.h"

#include <gtest/gtest.h>

#include <string>

#include "view/input/gcc_ci.h"
#include "view/output/link.h"
#include "view/test_graph.h"

namespace {

// Every mark that a format could take as its own, in a name, a signature
// and a file name.
const char kHostile[] =
    "1\tmain: int (x<y>&\"q\"\\ z|[;]), <w\"e\\d&ir/a<b>.c 3>\n"
    "2\t\tq\"u\\o<t>e&|[];:: <>\n"
    "3\t\tmain: 1\n";

enum { DOT, JSON, MERMAID, HTML, LIST, SUMMARY };

std::string write_graph(const call_graph& g, int format, const write_options& w,
                        selection_options& o) {
  o.distances = format == LIST;
  graph_view v;
  std::string message;
  EXPECT_TRUE(format == HTML || format == SUMMARY ? select_all(g, o, v, message)
                                                  : select_view(g, o, v, message));
  std::string text;
  out_buffer out;
  out.reset(-1, &text);
  if (format == DOT) write_dot(g, v, w, out);
  if (format == JSON) write_json(g, v, out);
  if (format == MERMAID) write_mermaid(g, v, w, out);
  if (format == HTML) write_html(g, v, w, out);
  if (format == LIST) write_list(g, v, out);
  if (format == SUMMARY) write_summary(g, v, out);
  out.flush();
  return text;
}

std::string write(const char* listing, int format, const write_options& w = {},
                  std::vector<std::string> focus = {"main"}, size_t fold = 12) {
  call_graph g;
  EXPECT_TRUE(build_graph(listing, g));
  selection_options o;
  o.focus = focus;
  o.callees = 3;  // deeper than the default, to show distances
  o.fold = fold;
  return write_graph(g, format, w, o);
}

// main calls a, which calls b, which calls a back and c.
const char kMutual[] =
    "1\tmain: int (void), <m.c 1>\n"
    "2\t\ta: int (void), <m.c 2>\n"
    "3\t\t\tb: int (void), <m.c 3>\n"
    "4\t\t\t\ta: 2\n"
    "5\t\t\t\tc: <>\n";

TEST(Writers, ListLinesExactly) {
  struct list_case {
    const char* listing;
    std::vector<std::string> focus;
    const char* lines;
  } const cases[] = {
      // The focus, then by distance, callers first; b, as near both ways, a caller.
      {kMutual, {"a"}, "m.c:2: a 0\nm.c:1: main -1\nm.c:3: b -1\nc: no definition +2\n"},
      {kMutual, {"c", "main"}, "m.c:1: main 0\nc: no definition 0\nm.c:3: b -1\nm.c:2: a +1\n"},
      // Without a focus, from the functions nobody calls.
      {kMutual, {}, "m.c:1: main 0\nm.c:2: a +1\nm.c:3: b +2\nc: no definition +3\n"},
      // Nothing that a terminal would take as its own.
      {"1\tx\x1b[2J\xff: int (void), <d\x01.c 4>\n", {}, "d\\x01.c:4: x\\x1b[2J\xef\xbf\xbd 0\n"},
  };
  for (const list_case& c : cases) {
    SCOPED_TRACE(c.lines);
    EXPECT_EQ(write(c.listing, LIST, {}, c.focus), c.lines);
  }
}

// The summary's parts on graphs whose answers are worked out by hand.
TEST(Writers, SummaryParts) {
  std::string many = "1\tmain: int (void), <m.c 1>\n";
  for (int i = 0; i < 22; ++i) many += std::to_string(i + 2) + "\tr" + std::to_string(i) + ": <>\n";
  struct summary_case {
    std::string listing;
    std::vector<std::string> focus;
    std::vector<std::string> parts;
  } const cases[] = {
      // The cycle a, b, d, e is one step of the chain, which enters it at a
      // and leaves it from b: main a b d e is longer, and not found.
      {std::string(kMutual) +
           "6\t\t\t\td: int (void), <m.c 4>\n7\t\t\t\t\te: int (void), <m.c 5>\n" +
           "8\t\t\t\t\t\tb: 3\n9\tz: int (void), <m.c 9>\n10\t\tz: 9\n",
       {},
       {"functions: 7 (6 defined, 1 without definition) in 1 file\ncalls: 8, 1 function calls "
        "itself\n",
        "nobody else calls: 2\n  main, z\n",
        "round: 1 (4 functions)\n  4 functions:\n    a, b, d, e\n",
        "no function twice: 3 calls\n  m.c:1: main\n  m.c:2: a\n  m.c:3: b\n  c: no "
        "definition\n",
        "main reaches: 1\n(calls through pointers are not seen: a function called only so is "
        "listed)\n  m.c:9: z\n"}},
      // From the focus; the most called, then by name.
      {kMutual,
       {"b"},
       {"by callers:\n        2  a\n        1  b\n        1  c\n",
        "from the focus, no function twice: 1 call\n  m.c:3: b\n  c: no definition\n",
        "the focus reaches: 1\n(calls through pointers are not seen: a function called only so "
        "is listed)\n  m.c:1: main\n"}},
      {"1\tf: <>\n",
       {},
       {"\nno function main: no chain of calls from it, nor dead-code "
        "candidates\n"}},
      {many,
       {},
       {"nobody else calls: 23\n  main, r0, r1, r10, r11, r12, r13, r14, r15, r16, "
        "r17, r18, r19, r2, r20,\n  r21, r3, r4, r5, r6, and 3 more\n"}},
  };
  for (const summary_case& c : cases) {
    const std::string text = write(c.listing.c_str(), SUMMARY, {}, c.focus);
    for (const std::string& part : c.parts)
      EXPECT_NE(text.find(part), std::string::npos) << part << "\n" << text;
  }
}

// A chain as deep as the graph is large: nothing recurses on it.
TEST(Writers, SummaryOfADeepChain) {
  constexpr int kDepth = 100000;
  call_graph g;
  std::vector<int32_t> id;
  for (int i = 0; i <= kDepth; ++i)
    id.push_back(g.add_defined(i == 0 ? "main" : "f" + std::to_string(i), "", "a.c", i + 1));
  for (int i = 0; i < kDepth; ++i) g.add_edge(id[i], id[i + 1]);
  g.add_edge(id[kDepth], id[kDepth / 2]);
  g.finish();
  selection_options o;
  const std::string text = write_graph(g, SUMMARY, {}, o);
  EXPECT_NE(text.find("round: 1 (50001 functions)\n"), std::string::npos);
  EXPECT_NE(text.find("no function twice: 50000 calls\n"), std::string::npos);
  EXPECT_NE(text.find("  a.c:50001: f50000\n\ndead-code"), std::string::npos);
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
            "URL=\"https://x/w%22e%5Cd%26ir/a%3Cb%3E.c#L3%\"];\n"
            "  }\n"
            "  n1 [label=\"q\\\"u\\\\o<t>e&|[];:\", tooltip=\"q\\\"u\\\\o<t>e&|[];:: no definition "
            "in the listed sources\", style=dashed, fontcolor=\"#555555\", color=\"#888888\"];\n"
            "  n0 -> n1;\n"
            "  n0 -> n0;\n"
            "}\n");
}

// What GCC's call graph tells besides the calls: in dot's tooltip, with cut
// corners for calls through pointers, and as JSON's last keys.
// A hub's fold box, in each format: its count, and which way it joins the
// hub.
TEST(Writers, Folds) {
  const char kCallees[] = "1\tmain: <>\n2\t\ta: <>\n3\t\tb: <>\n4\t\tc: <>\n";
  const char kCallers[] = "1\tp: <>\n2\t\tx: <>\n3\tq: <>\n4\t\tx: <>\n5\tr: <>\n6\t\tx: <>\n";
  const struct {
    const char *listing, *focus;
    int format;
    const char* written;
  } cases[] = {
      {kCallees, "main", DOT,
       "  n0 -> n2;\n"
       "  fold0 [label=\"+1 more callees\", shape=note, style=dashed, fontcolor=\"#555555\"];\n"
       "  n0 -> fold0 [style=dashed];\n}\n"},
      {kCallers, "x", DOT, "  fold0 -> n1 [style=dashed];\n}\n"},
      {kCallees, "main", JSON,
       ", {\"id\":3,\"name\":\"+1 more callees\",\"folded\":1,\"hub\":0,"
       "\"direction\":\"callees\"}],\"edges\":[{\"source\":0,\"target\":1}, "
       "{\"source\":0,\"target\":2}, {\"source\":0,\"target\":3}]}\n"},
      {kCallers, "x", JSON,
       "\"name\":\"+1 more callers\",\"folded\":1,\"hub\":1,\"direction\":\"callers\"}],"
       "\"edges\":[{\"source\":0,\"target\":1}, {\"source\":2,\"target\":1}, "
       "{\"source\":3,\"target\":1}]}\n"},
      {kCallees, "main", MERMAID,
       "  n0 --> n2\n  fold0[\"+1 more callees\"]\n  n0 -.-> fold0\n  class fold0 folded\n"
       "  classDef folded stroke-dasharray:4 3,color:#555555\n"},
      {kCallers, "x", MERMAID, "  fold0[\"+1 more callers\"]\n  fold0 -.-> n1\n"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    const std::string text = write(c.listing, c.format, {}, {c.focus}, 2);
    EXPECT_NE(text.find(c.written), std::string::npos) << text;
  }
}

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
  w.fold = 5;
  const std::string page = write(kHostile, HTML, w);
  const std::string css(kExplorerCss, kExplorerCssSize), js(kExplorerJs, kExplorerJsSize);
  EXPECT_NE(page.find(css), std::string::npos);
  EXPECT_NE(page.find(js), std::string::npos);
  for (const char* placeholder :
       {"/*@STYLE@*/", "/*@SCRIPT@*/", "@DATA@", "@SCRIPT_HASH@", "'unsafe-inline'; img"})
    EXPECT_EQ(page.find(placeholder), std::string::npos) << placeholder;
  // The node: defined, focus, recursive, linked (43), file 0, line 3, a new
  // signature; the calls: 0 to 1, then 0 to 0 (zigzag steps 0 2, 0 1).
  const std::string data =
      "{\"names\":[\"main\",\"q\\\"u\\\\o\\u003ct>e&|[];:\"],"
      "\"files\":[\"w\\\"e\\\\d&ir/a\\u003cb>.c\"],"
      "\"signatures\":[\"int (x\\u003cy>&\\\"q\\\"\\\\ z|[;])\"],"
      "\"urls\":[\"src/w%22e%5Cd%26ir/a%3Cb%3E.c#3\"],\"stacks\":[],"
      "\"facts\":\"KwADAAA=\",\"calls\":\"AAIAAQ==\",\"count\":2,\"callers\":2,\"fold\":5}";
  EXPECT_NE(
      page.find("<script type=\"application/json\" id=\"tanglet-data\">" + data + "</script>"),
      std::string::npos)
      << page;
}

// The quoted text after key, "" where key is missing.
std::string written(const std::string& text, const std::string& key) {
  const size_t at = text.find(key);
  if (at == std::string::npos) return "";
  const size_t from = at + key.size();
  return text.substr(from, text.find('"', from) - from);
}

// One link for a function in every format, or none in any.
TEST(Writers, LinksEncodedOrLeftOut) {
  struct link_case {
    const char* link;
    const char* file;
    const char* url;  // "": no link
  } const cases[] = {
      {"%f", "javascript:window.x=12//x.c", "javascript%3Awindow.x%3D12//x.c"},
      {"https://example.org/src/%f#L%l", "x\"onmouseover=\"window.x=13\".c",
       "https://example.org/src/x%22onmouseover%3D%22window.x%3D13%22.c#L3"},
      {"src/%f#L%l", "~me/a_b-c.d/e.c", "src/~me/a_b-c.d/e.c#L3"},
      {"HTTPS://x/%f?%%%l", "a\x01%\xc3\xa9#?&.c", "HTTPS://x/a%01%25%C3%A9%23%3F%26.c?%3"},
      {"file:///s/{%f}\"<>\\^`| \x7f\xc3\xa9", "a.c",
       "file:///s/%7Ba.c%7D%22%3C%3E%5C%5E%60%7C%20%7F%C3%A9"},
      {"%f:%l", "javascript", ""},
      {"%f:%l", "a.c", ""},  // a scheme "a.c" no browser opens
      {"%f:%l", "src/a.c", "src/a.c:3"},
      {"data%l:text/html,x", "a.c", ""},
      {"%f", "vbscript:x", "vbscript%3Ax"},
  };
  for (const link_case& c : cases) {
    SCOPED_TRACE(std::string(c.link) + " " + c.file);
    const std::string listing = std::string("1\tmain: int (void), <") + c.file + " 3>\n";
    write_options w;
    w.has_link = true;
    w.link = c.link;
    const std::string dot = write(listing.c_str(), DOT, w);
    const std::string html = write(listing.c_str(), HTML, w);
    const std::string mermaid = write(listing.c_str(), MERMAID, w);
    EXPECT_EQ(written(dot, "URL=\""), c.url);
    EXPECT_EQ(written(html, "\"urls\":[\""), c.url);
    EXPECT_EQ(written(mermaid, "click n0 href \""), c.url);
  }
}

TEST(Writers, LinkTemplatesThatCannotGiveAWebLink) {
  for (const char* ok : {"src/%f#L%l", "%f:%l%%", "https://x/%f", " HTTP://x/%f", "java%lscript:x",
                         "//host/%f", "file:%f", "%%javascript:x", ""})
    EXPECT_TRUE(link_template_allowed(ok)) << ok;
  for (const char* bad : {"javascript:%f", "data:text/html,%f", " \x01javascript:x",
                          "java\tscript:%l", "JavaScript:x", "a.c:%l", "vbscript:"})
    EXPECT_FALSE(link_template_allowed(bad)) << bad;
}

}  // namespace
