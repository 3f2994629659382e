#include "view/select/select.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "view/test_graph.h"

namespace {

const char kListing[] =
    "1\tmain: int (void), <a.c 1>\n"
    "2\t\tparse: int (void), <a.c 2>\n"
    "3\t\t\tlex: int (void), <b.c 1>\n"
    "4\t\t\t\txmalloc: void * (size_t n), <c.c 1>\n"
    "5\t\t\t\t\tmalloc: <>\n"
    "6\t\t\t\tlog_msg: void (void), <c.c 5>\n"
    "7\t\t\t\t\tfprintf: <>\n"
    "8\t\trun: int (void), <a.c 9>\n"
    "9\t\t\txmalloc: 4\n"
    "10\t\t\teval: int (void), <b.c 7>\n"
    "11\t\t\t\teval: 10\n"
    "12\t\t\t\tlog_msg: 6\n";

struct select_case {
  std::vector<std::string> focus, exclude, stub;
  int32_t callees = 3, callers = 1;
  bool internal = false;
  size_t max_nodes = 200;
  const char* view;  // names, "!" focus, "+" cut; then the edges, then the folds
  size_t fold = 12;
  const char* listing = kListing;
};

// h's callee c is drawn, through a, but not as h's.
const char kHub[] = "1\th: <>\n2\t\ta: <>\n3\t\t\tb: <>\n4\t\t\tc: <>\n5\t\tb: <>\n6\t\tc: <>\n";

std::string describe(const call_graph& g, const graph_view& v) {
  std::string s;
  for (size_t k = 0; k < v.nodes.size(); ++k) {
    s += std::string(g.name(v.nodes[k])) + (v.flags[k] & VIEW_FOCUS ? "!" : "") +
         (v.flags[k] & VIEW_TARGET ? "*" : "") + (v.flags[k] & VIEW_CUT ? "+" : "") + " ";
  }
  s += "|";
  for (const call_edge& e : v.edges)
    s +=
        " " + std::string(g.name(v.nodes[e.caller])) + ">" + std::string(g.name(v.nodes[e.callee]));
  for (const fold_box& f : v.folds)
    s += f.callers
             ? " [+" + std::to_string(f.more) + ">" + std::string(g.name(v.nodes[f.hub])) + "]"
             : " [" + std::string(g.name(v.nodes[f.hub])) + ">+" + std::to_string(f.more) + "]";
  return s;
}

void compile(const std::vector<std::string>& patterns, std::deque<regex_t>& out) {
  for (const std::string& p : patterns)
    ASSERT_EQ(regcomp(&out.emplace_back(), p.c_str(), REG_EXTENDED), 0);
}

TEST(Select, Views) {
  const select_case cases[] = {
      {{},
       {},
       {},
       3,
       1,
       false,
       200,
       "main parse lex xmalloc malloc log_msg fprintf run eval | main>parse parse>lex lex>xmalloc "
       "xmalloc>malloc lex>log_msg log_msg>fprintf main>run run>xmalloc run>eval eval>eval "
       "eval>log_msg"},
      {{"lex"},
       {},
       {},
       1,
       1,
       false,
       200,
       "parse lex! xmalloc log_msg | parse>lex lex>xmalloc lex>log_msg"},
      {{"xmalloc"},
       {},
       {},
       0,
       2,
       false,
       200,
       "main parse lex xmalloc! run | main>parse parse>lex lex>xmalloc main>run run>xmalloc"},
      {{"eval", "parse"},
       {},
       {},
       1,
       0,
       false,
       200,
       "parse! lex log_msg eval! | parse>lex lex>log_msg eval>eval eval>log_msg"},
      // The whole name: "log" leaves log_msg in.
      {{},
       {"log_.*|fprintf", "log"},
       {},
       3,
       1,
       false,
       200,
       "main parse lex xmalloc malloc run eval | main>parse parse>lex lex>xmalloc xmalloc>malloc "
       "main>run run>xmalloc run>eval eval>eval"},
      // A stub is drawn; what only it calls is not.
      {{},
       {},
       {"x.*"},
       3,
       1,
       false,
       200,
       "main parse lex xmalloc log_msg fprintf run eval | main>parse parse>lex lex>xmalloc "
       "lex>log_msg log_msg>fprintf main>run run>xmalloc run>eval eval>eval eval>log_msg"},
      {{"run"},
       {},
       {"xmalloc"},
       3,
       0,
       false,
       200,
       "xmalloc log_msg fprintf run! eval | log_msg>fprintf run>xmalloc run>eval eval>eval "
       "eval>log_msg"},
      {{"lex"},
       {},
       {},
       3,
       1,
       true,
       200,
       "parse lex! xmalloc log_msg | parse>lex lex>xmalloc lex>log_msg"},
      // Cut where it fits, marking what has calls left out.
      {{}, {}, {}, 3, 1, false, 4, "main parse+ run+ | main>parse main>run"},
      {{"lex"},
       {},
       {},
       3,
       1,
       false,
       4,
       "parse lex! xmalloc+ log_msg+ | parse>lex lex>xmalloc lex>log_msg"},
      // The focus is drawn whole, even when it alone is more than fits.
      {{"lex", "run"}, {}, {}, 3, 1, false, 1, "lex!+ run!+ |"},
      {{},
       {},
       {},
       3,
       1,
       false,
       0,
       "main parse lex xmalloc malloc log_msg fprintf run eval | main>parse parse>lex lex>xmalloc "
       "xmalloc>malloc lex>log_msg log_msg>fprintf main>run run>xmalloc run>eval eval>eval "
       "eval>log_msg"},
      // Folded: the one kept has the most calls of its own, or is first
      // seen; the depths hold along what the folds show (main is three
      // callers up through parse).
      {{"xmalloc"},
       {},
       {},
       0,
       2,
       false,
       200,
       "parse lex xmalloc! | parse>lex lex>xmalloc [+1>xmalloc]",
       1},
      {{"main"}, {}, {}, 1, 1, false, 200, "main! run | main>run [main>+1]", 1},
      {{"main"}, {}, {}, 1, 1, false, 200, "main! parse run | main>parse main>run", 0},
      // Folds first: what they leave fits --max-nodes uncut.
      {{"main"},
       {},
       {},
       3,
       1,
       false,
       3,
       "main! run eval | main>run run>eval eval>eval [main>+1] [run>+1] [eval>+1]",
       1},
      {{"h"}, {}, {}, 2, 1, false, 200, "h! a b c | h>a a>b a>c h>b [h>+1]", 2, kHub},
      // Without a focus the graph stays whole, as data.
      {{},
       {},
       {},
       3,
       1,
       false,
       200,
       "main parse lex xmalloc malloc log_msg fprintf run eval | main>parse parse>lex lex>xmalloc "
       "xmalloc>malloc lex>log_msg log_msg>fprintf main>run run>xmalloc run>eval eval>eval "
       "eval>log_msg",
       1},
  };
  for (const select_case& c : cases) {
    SCOPED_TRACE(c.view);
    call_graph g;
    ASSERT_TRUE(build_graph(c.listing, g));
    selection_options o;
    o.focus = c.focus;
    compile(c.exclude, o.exclude);
    compile(c.stub, o.stub);
    o.callees = c.callees;
    o.callers = c.callers;
    o.internal = c.internal;
    o.max_nodes = c.max_nodes;
    o.fold = c.fold;
    graph_view v;
    std::string message;
    ASSERT_TRUE(select_view(g, o, v, message)) << message;
    EXPECT_EQ(describe(g, v), c.view);
    EXPECT_EQ(v.cut, c.max_nodes == 4 || c.max_nodes == 1);
    for (regex_t& re : o.exclude) regfree(&re);
    for (regex_t& re : o.stub) regfree(&re);
  }
}

TEST(Select, CutSaysWhatItCut) {
  call_graph g;
  ASSERT_TRUE(build_graph(kListing, g));
  selection_options o;
  o.max_nodes = 4;
  graph_view v;
  std::string message;
  ASSERT_TRUE(select_view(g, o, v, message));
  EXPECT_EQ(v.wanted, 9u);
  EXPECT_EQ(v.level, 1);
  EXPECT_EQ(v.marked, 2u);
}

TEST(Select, CycleThatNoRootReaches) {
  call_graph g;
  ASSERT_TRUE(
      build_graph("1\ta: <>\n2\tb: int (void), <x.c 1>\n3\t\tc: int (void), <x.c 2>\n"
                  "4\t\t\tb: 2\n",
                  g));
  selection_options o;
  graph_view v;
  std::string message;
  ASSERT_TRUE(select_view(g, o, v, message));
  o.max_nodes = 2;
  graph_view cut;
  ASSERT_TRUE(select_view(g, o, cut, message));
  EXPECT_EQ(describe(g, cut), "a b+ |");
  // What only a stub calls stays out, even when the listing names it first
  // (here reversed: c is called by the stub s, on no cycle).
  call_graph r;
  ASSERT_TRUE(
      build_graph("1\tc: void (void), <c.c 1>\n2\t\ts: void (void), <c.c 2>\n"
                  "3\t\t\tx: void (void), <c.c 4>\n4\t\t\t\ty: void (void), <c.c 5>\n"
                  "5\t\t\t\t\tx: 3\n6\tmain: int (void), <c.c 6>\n",
                  r, true));
  selection_options stubbed;
  compile({"s"}, stubbed.stub);
  graph_view sv;
  ASSERT_TRUE(select_view(r, stubbed, sv, message));
  EXPECT_EQ(describe(r, sv), "s x y main | x>s y>x x>y");
  regfree(&stubbed.stub[0]);
}

// Two roots; a, b and c call each other in a ring; t3 only g reaches.
const char kPathListing[] =
    "1\tmain: int (void), <m.c 1>\n"
    "2\t\ta: void (void), <m.c 2>\n"
    "3\t\t\tb: void (void), <m.c 3>\n"
    "4\t\t\t\tc: void (void), <m.c 4>\n"
    "5\t\t\t\t\ta: 2\n"
    "6\t\t\t\t\tt1: void (void), <t.c 1>\n"
    "7\t\t\t\tt2: void (void), <t.c 2>\n"
    "8\t\td: void (void), <m.c 5>\n"
    "9\t\t\tt1: 6\n"
    "10\t\te: void (void), <m.c 6>\n"
    "11\t\t\tf: void (void), <m.c 7>\n"
    "12\t\t\t\tt2: 7\n"
    "13\tg: void (void), <m.c 8>\n"
    "14\t\tt1: 6\n"
    "15\t\tt3: <>\n";

TEST(Select, Paths) {
  const struct {
    std::vector<std::string> focus, to, exclude, stub;
    int32_t callees;  // -1: no -d
    size_t max_nodes;
    const char *view, *message;  // view: names, "!" focus, "*" target, "+" cut
  } cases[] = {
      // The ring is on a path to t1, as the shorter way through d.
      {{"main"},
       {"t1"},
       {},
       {},
       -1,
       0,
       "main! a b c t1* d | main>a a>b b>c c>a c>t1 main>d d>t1",
       ""},
      {{"main"}, {"t1"}, {}, {}, 2, 0, "main! t1* d | main>d d>t1", ""},
      {{"main"},
       {"t1"},
       {},
       {},
       1,
       0,
       nullptr,
       "no call path from main to t1 within -d 1; the shortest has 2 calls; functions that "
       "reach it: c, d, g"},
      {{"b"}, {"a"}, {}, {}, -1, 0, "a* b! c | a>b b>c c>a", ""},
      {{"a"}, {"a"}, {}, {}, -1, 0, "a!* b c | a>b b>c c>a", ""},
      // From the functions nobody calls: main and g.
      {{}, {"t3"}, {}, {}, -1, 0, "g t3* | g>t3", ""},
      {{}, {"t1"}, {}, {}, 1, 0, "t1* g | g>t1", ""},
      // Several targets, one of them out of reach: the others are drawn.
      {{"main"},
       {"t1", "t2"},
       {},
       {},
       -1,
       0,
       "main! a b c t1* t2* d e f | main>a a>b b>c c>a c>t1 b>t2 main>d d>t1 main>e e>f f>t2",
       ""},
      {{"e"},
       {"t1", "t2", "t1"},
       {},
       {},
       -1,
       0,
       "t2* e! f | e>f f>t2",
       "no call path from e to t1; functions that reach it: c, d, g"},
      {{"a", "e"},
       {"t3"},
       {},
       {},
       -1,
       0,
       nullptr,
       "no call path from a, e to t3; functions that reach it: g"},
      // What --exclude leaves out and what a stub calls carry no path.
      {{"main"}, {"t1"}, {"d"}, {}, -1, 0, "main! a b c t1* | main>a a>b b>c c>a c>t1", ""},
      {{"main"}, {"t1"}, {}, {"c"}, -1, 0, "main! t1* d | main>d d>t1", ""},
      {{"main"},
       {"t1"},
       {"d"},
       {"c"},
       -1,
       0,
       nullptr,
       "no call path from main to t1; functions that reach it: c, g, b"},
      {{"main"},
       {"t3"},
       {"t3"},
       {},
       -1,
       0,
       nullptr,
       "the function 't3' is left out by --exclude or --internal"},
      {{"main"},
       {"t4"},
       {},
       {},
       -1,
       0,
       nullptr,
       "no function named 't4' in the listing; closest: t1, t2, t3"},
      // Cut: whole lengths, shortest first, then a shortest path to each
      // target that fits; the first always.
      {{"main"}, {"t1", "t2"}, {}, {}, -1, 4, "main!+ t1*+ d | main>d d>t1", ""},
      {{"main"}, {"t2"}, {}, {}, -1, 3, "main!+ a+ b+ t2*+ | main>a a>b b>t2", ""},
      {{"main"},
       {"t1", "t2"},
       {},
       {},
       -1,
       6,
       "main!+ a+ b+ t1*+ t2*+ d | main>a a>b b>t2 main>d d>t1",
       ""},
  };
  call_graph g;
  ASSERT_TRUE(build_graph(kPathListing, g));
  for (const auto& c : cases) {
    SCOPED_TRACE(c.view ? c.view : c.message);
    selection_options o;
    o.focus = c.focus;
    o.to = c.to;
    compile(c.exclude, o.exclude);
    compile(c.stub, o.stub);
    o.callees_given = c.callees >= 0;
    if (c.callees >= 0) o.callees = c.callees;
    o.max_nodes = c.max_nodes;
    graph_view v;
    std::string message;
    ASSERT_EQ(select_view(g, o, v, message), c.view != nullptr);
    EXPECT_EQ(message, c.message);
    if (c.view != nullptr) {
      EXPECT_EQ(describe(g, v), c.view);
    }
    for (regex_t& re : o.exclude) regfree(&re);
    for (regex_t& re : o.stub) regfree(&re);
  }
}

// A ring that no root reaches starts a path of its own, nearer the target
// than the roots are: the paths are measured from both at once.
TEST(Select, PathsFromARingNobodyCalls) {
  call_graph g;
  ASSERT_TRUE(build_graph(
      "1\tmain: int (void), <m.c 1>\n2\t\ta: void (void), <m.c 2>\n3\t\t\tb: void (void), <m.c 3>\n"
      "4\t\t\t\tt: void (void), <m.c 4>\n5\ty: void (void), <m.c 5>\n6\t\tz: void (void), <m.c 6>\n"
      "7\t\t\ty: 5\n8\t\t\tt: 4\n",
      g));
  for (const auto& [max_nodes, view] :
       {std::pair<size_t, const char*>{0, "main a b t* y z | main>a a>b b>t y>z z>y z>t"},
        {3, "t*+ y z | y>z z>y z>t"}}) {
    selection_options o;
    o.to = {"t"};
    o.max_nodes = max_nodes;
    graph_view v;
    std::string message;
    ASSERT_TRUE(select_view(g, o, v, message));
    EXPECT_EQ(describe(g, v), view);
  }
}

TEST(Select, UnknownFocusSuggests) {
  const struct {
    const char *focus, *message;
  } cases[] = {
      {"lexx", "no function named 'lexx' in the listing; closest: lex"},
      {"alloc", "no function named 'alloc' in the listing; closest: xmalloc, malloc"},
      {"zzzzzzzzzz", "no function named 'zzzzzzzzzz' in the listing"},
      {"fprintf", "the function 'fprintf' is left out by --exclude or --internal"},
  };
  call_graph g;
  ASSERT_TRUE(build_graph(kListing, g));
  for (const auto& c : cases) {
    selection_options o;
    o.internal = true;
    o.focus = {c.focus};
    graph_view v;
    std::string message;
    EXPECT_FALSE(select_view(g, o, v, message));
    EXPECT_EQ(message, c.message);
  }
  // Long names are told apart by their first 64 bytes alone: comparing
  // them whole, name by name, took a minute on a large listing.
  std::string listing, wanted;
  for (char c = 'a'; c < 'k'; ++c) {
    const std::string name = std::string(10, c) + std::string(3000, '_');
    listing += std::string("1\t") + name + ": <>\n";
    if (c == 'h') wanted = name;
  }
  call_graph long_names;
  ASSERT_TRUE(build_graph(listing, long_names));
  std::string typo = wanted;
  typo[2000] = 'Z';
  const auto close = closest_names(long_names, typo);
  ASSERT_FALSE(close.empty());
  EXPECT_EQ(close[0], wanted);
  EXPECT_EQ(close, closest_names(long_names, std::string_view(typo).substr(0, 64)));
}

TEST(Select, AllForTheExplorer) {
  call_graph g;
  ASSERT_TRUE(build_graph(kListing, g));
  selection_options o;
  o.focus = {"eval"};
  o.to = {"xmalloc"};  // marked: the explorer draws the paths
  o.max_nodes = 1;     // not for the explorer
  compile({"log_msg|fprintf|malloc"}, o.exclude);
  graph_view v;
  std::string message;
  ASSERT_TRUE(select_all(g, o, v, message));
  EXPECT_EQ(describe(g, v),
            "main parse lex xmalloc* run eval! | main>parse parse>lex lex>xmalloc main>run "
            "run>xmalloc run>eval eval>eval");
  regfree(&o.exclude[0]);
}

TEST(Select, WholeNameMatch) {
  const struct {
    const char *pattern, *name;
    bool whole;
  } cases[] = {{"a", "a", true},         {"a", "ab", false},      {"a|ab", "ab", true},
               {"x.*", "xmalloc", true}, {"m", "xmalloc", false}, {".*alloc", "xmalloc", true}};
  for (const auto& c : cases) {
    regex_t re;
    ASSERT_EQ(regcomp(&re, c.pattern, REG_EXTENDED), 0);
    EXPECT_EQ(matches_whole(re, c.name), c.whole) << c.pattern << " " << c.name;
    regfree(&re);
  }
}

}  // namespace
