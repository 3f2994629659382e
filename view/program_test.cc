// tanglet-view through its binary: goldens of every format on the corpus in
// the three layouts, Graphviz on every dot output, messages and statuses.
// TANGLET_UPDATE_GOLDEN=1 rewrites the goldens in tests/view/ for review.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <csignal>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <functional>
#include <map>
#include <random>
#include <regex>
#include <set>
#include <string>
#include <vector>

#include "tests/run_program.h"
#include "view/output/text.h"

namespace {

const std::string kDir = std::string(TANGLET_SOURCE_DIR) + "/tests/view/";
const char* const kLayouts[] = {"tab", "posix", "gnu"};

program_run view(std::vector<std::string> args, const std::string& input = "") {
  run_options o;
  o.args = std::move(args);
  o.input = input;
  return run_program(TANGLET_VIEW_BIN, o);
}

std::string only_root_note(const std::string& name) {
  return "tanglet-view: note: " + name +
         ": main is the listing's only root: functions reached only through pointers are "
         "missing; list them all with cflow -A, or give tanglet-view the sources\n";
}

struct golden_case {
  const char* golden;
  std::vector<std::string> args;
  const char* err;
};

const golden_case kGoldens[] = {
    {"whole.dot", {}, ""},
    {"whole.json", {"-T", "json"}, ""},
    {"whole.mermaid", {"--format=mermaid"}, ""},
    {"focus.dot",
     {"-F", "is_even", "-d", "1", "-u", "1", "--labels=full", "--link=src/%f#L%l"},
     ""},
    {"focus.json", {"--focus=usage", "--callers=2", "--callees=0", "-T", "json"}, ""},
    {"filtered.mermaid",
     {"-x", "descend_.*|trace", "-s", "usage", "-i", "-T", "mermaid", "--rankdir=TB"},
     ""},
    {"whole.summary", {"-T", "summary"}, ""},
    {"focus.list", {"-F", "is_even", "-u", "2", "-d", "2", "--format=list"}, ""},
    {"cut.dot",
     {"--max-nodes=12", "--group=none"},
     "tanglet-view: the view would hold 51 functions, more than --max-nodes=12: cut after level "
     "1, 6 functions marked where calls were left out; see more with --max-nodes=51, or narrow it "
     "with --focus, --exclude or --internal\n"},
    {"paths.dot", {"-F", "main", "--to=trace", "--to=strcmp"}, ""},
    {"paths.json",
     {"-F", "main", "--to=trace", "--to=strcmp", "--max-nodes=5", "-T", "json"},
     "tanglet-view: the paths hold 8 functions, more than --max-nodes=5: kept the 4 on the "
     "shortest, of up to 2 calls; 4 left out, 3 marked where calls were left out; see them all "
     "with --max-nodes=8\n"},
};

TEST(ViewGolden, SameOutputFromEveryLayout) {
  for (const golden_case& c : kGoldens) {
    for (const char* layout : kLayouts) {
      SCOPED_TRACE(std::string(c.golden) + " from " + layout);
      std::vector<std::string> args = c.args;
      args.push_back(kDir + "corpus." + layout + ".cflow");
      const program_run r = view(args);
      EXPECT_EQ(r.status, 0);
      // The corpus was listed without -A, as the note says first.
      EXPECT_EQ(r.err, only_root_note(args.back()) + c.err);
      if (std::getenv("TANGLET_UPDATE_GOLDEN")) {
        std::ofstream(kDir + c.golden, std::ios::binary) << r.out;
        continue;
      }
      EXPECT_EQ(r.out, read_file(kDir + c.golden));
    }
  }
}

// Edges by names, from the JSON.
std::set<std::pair<std::string, std::string>> edges_of(const std::string& json) {
  std::map<std::string, std::string> names;
  const std::regex node("\\{\"id\":([0-9]+),\"name\":\"([^\"]*)\""),
      edge("\\{\"source\":([0-9]+),\"target\":([0-9]+)\\}");
  for (std::sregex_iterator i(json.begin(), json.end(), node), end; i != end; ++i)
    names[(*i)[1]] = (*i)[2];
  std::set<std::pair<std::string, std::string>> edges;
  for (std::sregex_iterator i(json.begin(), json.end(), edge), end; i != end; ++i)
    edges.emplace(names[(*i)[1]], names[(*i)[2]]);
  return edges;
}

TEST(ViewGolden, ReversedListingsGiveTheSameCalls) {
  const auto forward = edges_of(read_file(kDir + "whole.json"));
  ASSERT_GT(forward.size(), 40u);
  for (const char* layout : kLayouts) {
    SCOPED_TRACE(layout);
    // A reversed listing holds every function; main's reach is the forward one.
    const program_run r = view({"-r", "-F", "main", "-d", "99", "-u", "0", "-T", "json",
                                kDir + "corpus_reverse." + layout + ".cflow"});
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(edges_of(r.out), forward);
  }
}

// The summary's counts, worked out here from the whole graph's JSON.
TEST(ViewGolden, SummaryCountsTheCorpus) {
  const std::string json = read_file(kDir + "whole.json");
  const std::regex node(
      "\\{\"id\":([0-9]+),\"name\":\"([^\"]*)\",\"defined\":(true|false)(?:,\"signature\":"
      "\"[^\"]*\",\"file\":\"([^\"]*)\")?");
  std::vector<std::string> name;
  std::set<std::string> files;
  size_t defined = 0;
  for (std::sregex_iterator i(json.begin(), json.end(), node), end; i != end; ++i) {
    name.push_back((*i)[2]);
    defined += (*i)[3] == "true";
    if ((*i)[4].matched) files.insert((*i)[4]);
  }
  const auto edges = edges_of(json);
  std::map<std::string, std::set<std::string>> callees, callers;
  size_t self = 0;
  for (const auto& e : edges) {
    callees[e.first].insert(e.second);
    callers[e.second].insert(e.first);
    self += e.first == e.second;
  }
  size_t roots = 0, most_called = 0;
  for (const std::string& n : name) {
    roots += callers[n].empty() || callers[n] == std::set<std::string>{n};
    most_called = std::max(most_called, callers[n].size());
  }
  // The longest chain from main repeating no function, by trying them all.
  std::set<std::string> on;
  std::function<size_t(const std::string&)> longest = [&](const std::string& f) {
    size_t most = 0;
    on.insert(f);
    for (const std::string& c : callees[f])
      if (!on.count(c)) most = std::max(most, 1 + longest(c));
    on.erase(f);
    return most;
  };
  const program_run r = view({"-T", "summary", kDir + "corpus.posix.cflow"});
  for (const std::string& line : std::vector<std::string>{
           "functions: " + std::to_string(name.size()) + " (" + std::to_string(defined) +
               " defined, " + std::to_string(name.size() - defined) + " without definition) in " +
               std::to_string(files.size()) + " files\n",
           "calls: " + std::to_string(edges.size()) + ", " + std::to_string(self) +
               " function calls itself\n",
           "nobody else calls: " + std::to_string(roots) + "\n  main\n",
           "by callers:\n  " + std::string(7 - std::to_string(most_called).size(), ' ') +
               std::to_string(most_called) + "  trace\n",
           "round: 1 (2 functions)\n  2 functions:\n    is_even, is_odd\n",
           "no function twice: " + std::to_string(longest("main")) + " calls\n",
           "main reaches: 0\n"})
    EXPECT_NE(r.out.find(line), std::string::npos) << line << "\n" << r.out;
}

const char kHostile[] =
    "1\tmain: int (x<y>&\"q\"\\ z|[;]), <w\"e\\d&ir/a<b>.c 3>\n"
    "2\t\tq\"u\\o<t>e&|[];:: <>\n"
    "3\t\tmain: 1\n";

TEST(ViewGraphviz, ReadsEveryDotOutput) {
  if (std::system("command -v dot > /dev/null 2>&1") != 0) GTEST_SKIP() << "no Graphviz";
  std::vector<std::string> dots;
  for (const golden_case& c : kGoldens) {
    if (std::string(c.golden).find(".dot") != std::string::npos)
      dots.push_back(read_file(kDir + c.golden));
  }
  dots.push_back(view({"--labels=full", "--link=%f?%l"}, kHostile).out);
  dots.push_back(view({"-F", "main", "--max-nodes=1"}, kHostile).out);
  dots.push_back(view({}, "1\t" + std::string(40000, 'x') + ": <>\n").out);
  dots.push_back(view({"--labels=full"}, "1\ta\x01\xff: b\x1b\xc3(, <c\x7f\xe2\x82.c 1>\n").out);
  for (const std::string& dot : dots) {
    run_options o;
    o.args = {"-Tsvg"};
    o.input = dot;
    const program_run r = run_program("/usr/bin/dot", o);
    EXPECT_EQ(r.status, 0) << r.err << dot.substr(0, 400);
    EXPECT_EQ(r.err, "");
    // What an XML reader takes: UTF-8, no control character but blanks.
    for (size_t i = 0; i < r.out.size(); ++i) {
      const auto c = static_cast<unsigned char>(r.out[i]);
      ASSERT_FALSE(c < 0x20 && c != '\n' && c != '\t' && c != '\r') << i;
      const int n = utf8_sequence(std::string_view(r.out).substr(i));
      ASSERT_GT(n, 0) << i;
      i += static_cast<size_t>(n) - 1;
    }
  }
  // The hostile name comes out as it went in.
  run_options o;
  o.args = {"-Tsvg"};
  o.input = dots[dots.size() - 4];
  EXPECT_NE(run_program("/usr/bin/dot", o).out.find("q&quot;u\\o&lt;t&gt;e&amp;|[];:"),
            std::string::npos);
}

struct error_case {
  std::vector<std::string> args;
  std::string input;
  int status;
  std::string err;
  const char* out = nullptr;  // when set, what the output holds
};

TEST(ViewMessages, ExactTextAndStatus) {
  // Files named in messages as given: work next to them.
  char dir[] = "/tmp/tanglet-view-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  ASSERT_EQ(chdir(dir), 0);
  std::string calls;
  for (int i = 1; i <= 16; ++i) calls += "main() <int main (void) at a.c:1>\n";
  std::ofstream("calls.cflow") << calls << "main: int (void), <a.c 1>\n";
  std::string wide = "    1 main: int (void), <a.c 1>\n";
  for (int i = 0; i < 501; ++i) wide += "    2     f" + std::to_string(i) + ": <>\n";
  const std::string corpus = kDir + "corpus.gnu.cflow";
  const std::string help = "Try 'tanglet-view --help' for more information.\n";
  const error_case cases[] = {
      {{"calls.cflow"}, "", 1, "tanglet-view: calls.cflow:17: not a line of the gnu layout\n"},
      {{},
       "1\tmain: <>\n2\t\tf {}\n",
       1,
       "tanglet-view: standard input:2: not a line of the sun layout\n"},
      {{"-f", "free"},
       "1\tmain: <>\n",
       1,
       "tanglet-view: standard input:1: not a line of the free layout\n"},
      {{},
       "hello, world\n",
       1,
       "tanglet-view: standard input:1: not a line of any layout (sun, free or gnu)\n"},
      {{},
       "1\tmain: <>\n2\t\tf: 9\n",
       1,
       "tanglet-view: standard input:2: refers to line 9, which lists no function\n"},
      // Lines ended by CRs alone count as lines; blank ones are passed over.
      {{},
       "1\tmain: <>\r2\t\tf {}\r",
       1,
       "tanglet-view: standard input:2: not a line of the sun layout\n"},
      {{},
       "\n1\tmain: <>\n \n2\t\tf: 9\n",
       1,
       "tanglet-view: standard input:4: refers to line 9, which lists no function\n"},
      {{"-T", "json"},
       "1\tmain: int (void), <a.c 1>\r2\t\tfoo: <>\r",
       0,
       only_root_note("standard input"),
       "\"edges\":[{\"source\":0,\"target\":1}]"},
      // The first line tells how lines are indented, whether -f names the layout or not.
      {{"-f", "sun", "-T", "json"},
       "1\tmain: int (void), <a.c 1>\n2f: <>\n3\tg: <>\n",
       0,
       "",
       "\"edges\":[]"},
      // cflow's other outputs, and C, are named for what they are.
      {{},
       "digraph cflow {\n    main -> f\n}\n",
       1,
       "tanglet-view: standard input: this is cflow's --format=dot output, not a listing: run "
       "cflow with --format=posix -b, or give tanglet-view the sources\n"},
      {{},
       "+-main() <int main (void) at a.c:5>\n  +-f()\n",
       1,
       "tanglet-view: standard input: this is cflow's --tree output, not a listing: run cflow "
       "without --tree, or give tanglet-view the sources\n"},
      {{},
       "f * b.c:4 void f (void)\nf   a.c:7\n",
       1,
       "tanglet-view: standard input: this is cflow's cross-reference (-x), not a listing: run "
       "cflow without -x, or give tanglet-view the sources\n"},
      {{},
       "#include <stdio.h>\nint main(void) { return 0; }\n",
       1,
       "tanglet-view: standard input: this is C source, not a listing: give tanglet-view the .c "
       "files by name, or their directory, and it runs cflow on them\n"},
      // --emacs's header, and -l's levels in both of GNU's layouts, read.
      {{"-T", "json"},
       ";; This file is generated by GNU cflow 1.7. -*- cflow -*-\n"
       "{   0} main() <int main (void) at a.c:5>:\n{   1}     f()\n",
       0,
       only_root_note("standard input"),
       "\"edges\":[{\"source\":0,\"target\":1}]"},
      {{"-T", "json"},
       "    1 {   0} main: int (void), <a.c 5>\n    2 {   1}     f: <>\n",
       0,
       only_root_note("standard input"),
       "\"edges\":[{\"source\":0,\"target\":1}]"},
      {{"-T", "json"},
       "    1 {   0} main() <int main (void) at a.c:5>:\n    2 {   1}     f()\n",
       0,
       only_root_note("standard input"),
       "\"edges\":[{\"source\":0,\"target\":1}]"},
      {{"nosuch.cflow"}, "", 1, "tanglet-view: nosuch.cflow: No such file or directory\n"},
      {{"."}, "", 1, "tanglet-view: no C file in .\n"},
      {{"-F", "mian", corpus},
       "",
       1,
       only_root_note(corpus) +
           "tanglet-view: no function named 'mian' in the listing; closest: main\n"},
      {{"--to=tarce", corpus},
       "",
       1,
       only_root_note(corpus) +
           "tanglet-view: no function named 'tarce' in the listing; closest: trace\n"},
      {{"-F", "is_odd", "--to=fact", corpus},
       "",
       1,
       only_root_note(corpus) +
           "tanglet-view: no call path from is_odd to fact; functions that reach it: main\n"},
      {{"-F", "main", "--to=descend_35", "-d", "30", corpus},
       "",
       1,
       only_root_note(corpus) +
           "tanglet-view: no call path from main to descend_35 within -d 30; the shortest has 35 "
           "calls; functions that reach it: descend_34, descend_33, descend_32\n"},
      // Listed by how far along the paths.
      {{"-F", "main", "--to=strcmp", "-T", "list", corpus},
       "",
       0,
       only_root_note(corpus),
       "main.c:32: main 0\ntable.c:16: lookup_entry_by_name_and_kind +1\n"},
      // A target out of reach is told; the others are drawn, as the focus is.
      {{"-F", "is_even", "--to=fact", "--to=trace", "-T", "mermaid", corpus},
       "",
       0,
       only_root_note(corpus) +
           "tanglet-view: no call path from is_even to fact; functions that reach it: main\n",
       "  class n0,n1 focus\n"},
      {{"--frobnicate"}, "", 2, "tanglet-view: unrecognized option '--frobnicate'\n" + help},
      {{"-F"}, "", 2, "tanglet-view: option requires an argument -- 'F'\n" + help},
      {{"-d", "x"}, "", 2, "tanglet-view: invalid --callees value 'x'\n" + help},
      {{"--callers=-1"}, "", 2, "tanglet-view: invalid --callers value '-1'\n" + help},
      {{"--max-nodes=1e3"}, "", 2, "tanglet-view: invalid --max-nodes value '1e3'\n" + help},
      {{"-T", "png"},
       "",
       2,
       "tanglet-view: unknown format 'png' (dot, json, mermaid, html, list or summary)\n" + help},
      {{"-f", "vcg"}, "", 2, "tanglet-view: unknown layout 'vcg' (sun, free or gnu)\n" + help},
      {{"--labels=all"},
       "",
       2,
       "tanglet-view: invalid --labels value 'all' (name or full)\n" + help},
      {{"--group=dir"}, "", 2, "tanglet-view: invalid --group value 'dir' (file or none)\n" + help},
      {{"--rankdir=RL"}, "", 2, "tanglet-view: invalid --rankdir value 'RL' (LR or TB)\n" + help},
      {{"-x", "a("}, "", 2, "tanglet-view: --exclude 'a(': Unmatched ( or \\(\n" + help},
      // What would make regcomp or regexec run away is refused first.
      {{"-x", "a{1,32767}"},
       "",
       2,
       "tanglet-view: --exclude 'a{1,32767}': a repetition count over 255\n" + help},
      {{"-s", "[]{}]{,256}"},
       "",
       2,
       "tanglet-view: --stub '[]{}]{,256}': a repetition count over 255\n" + help},
      {{"-x", "(.*)(.*)(.*)\\3\\2\\1x"},
       "",
       2,
       "tanglet-view: --exclude '(.*)(.*)(.*)\\3\\2\\1x': back-references are not supported\n" +
           help},
      {{"-x", "((a{255}){255}){255}"},
       "",
       2,
       "tanglet-view: --exclude '((a{255}){255}){255}': more than 2048 terms once its repetitions "
       "are expanded\n" +
           help},
      {{"-x", "(((((((((((((a+)+)+)+)+)+)+)+)+)+)+)+)+)"},
       "",
       2,
       "tanglet-view: --exclude '(((((((((((((a+)+)+)+)+)+)+)+)+)+)+)+)+)': more than 2048 terms "
       "once its repetitions are expanded\n" +
           help},
      // Not a back-reference nor an interval: in a bracket, or escaped.
      {{"-x", "[\\1[:digit:]]+|x\\{300}|(a{0,255}){0,7}", "-x", "f[]]{255}", "-F", "mian", corpus},
       "",
       1,
       only_root_note(corpus) +
           "tanglet-view: no function named 'mian' in the listing; closest: main\n"},
      {{"--link=javascript:%f"},
       "",
       2,
       "tanglet-view: --link 'javascript:%f': a link must be http, https or file, or relative\n" +
           help},
      {{"--link",
        " \x01"
        "data:text/html,%f"},
       "",
       2,
       "tanglet-view: --link ' \x01"
       "data:text/html,%f': a link must be http, https or file, or "
       "relative\n" +
           help},
      {{"-T", "json"},
       "    1 main: <>\n    2 f: <>\n",
       0,
       "tanglet-view: warning: standard input: no line is nested under another: the listing's "
       "indentation was probably lost\n"},
      {{},
       "graph: { title: \"a.c\"\nnode: { title: \"f\" label: \"f\\na.c:1:5\" }\nhello\n",
       1,
       "tanglet-view: standard input:3: not a line of GCC's call graph\n"},
      {{"-"},
       "graph: { title: \"a.c\"\n",
       1,
       "tanglet-view: standard input:1: GCC's call graph ends before its closing '}'\n"},
      {{"--ci=nosuch"}, "", 1, "tanglet-view: nosuch: No such file or directory\n"},
      {{"--ci=."}, "", 1, "tanglet-view: .: no .ci file (compile with -fcallgraph-info)\n"},
      {{"-T", "json"},
       "1\tmain: int (void), <.pc/p/a.c 1>\n2\tmain: int (void), <a.c 1>\n3\t\tf: <>\n",
       0,
       "tanglet-view: note: 1 function is defined under .pc/, where Debian keeps copies of "
       "patched files: leave that folder out of the listing\ntanglet-view: note: 1 name is "
       "defined in two places or more, such as main (.pc/p/a.c:1 and a.c:1): static namesakes, "
       "or several programs of one tree\n"},
      // The list is never folded: it answers who calls, or is called by, a function.
      {{"-F", "main", "--fold=1"},
       "1\tmain: <>\n2\t\ta: <>\n3\t\tb: <>\n",
       0,
       only_root_note("standard input"),
       "\"+1 more callees\""},
      {{"-F", "main", "--fold=1", "-T", "list"},
       "1\tmain: <>\n2\t\ta: <>\n3\t\tb: <>\n",
       0,
       only_root_note("standard input"),
       "b: no definition +1\n"},
      {{"-T", "mermaid", "--max-nodes=0"},
       wide,
       0,
       only_root_note("standard input") +
           "tanglet-view: warning: 501 edges, more than the 500 that Mermaid draws by default: "
           "narrow the view with --focus\n"},
  };
  for (const error_case& c : cases) {
    SCOPED_TRACE(c.err);
    const program_run r = view(c.args, c.input);
    EXPECT_EQ(r.status, c.status);
    EXPECT_EQ(r.err, c.err);
    if (c.status != 0) {
      EXPECT_EQ(r.out, "");
    }
    if (c.out != nullptr) {
      EXPECT_NE(r.out.find(c.out), std::string::npos) << r.out;
    }
  }
  std::remove("calls.cflow");
  ASSERT_EQ(chdir("/"), 0);
  rmdir(dir);
}

TEST(ViewMessages, WriteErrorClaimsNothing) {
  const std::string corpus = read_file(kDir + "corpus.tab.cflow");
  const std::string full = "tanglet-view: write error: No space left on device\n";
  // A reader that went away ends the run quietly, as SIGPIPE ends cat.
  const struct {
    std::vector<std::string> args;
    const std::string& input;
    bool closed_pipe;
    int status;
    std::string err;
  } cases[] = {
      {{}, corpus, false, 1, only_root_note("standard input") + full},
      {{"--help"}, corpus, false, 1, full},
      {{"--version"}, corpus, false, 1, full},
      {{}, corpus, true, 128 + SIGPIPE, only_root_note("standard input")},
      {{"--help"}, corpus, true, 128 + SIGPIPE, ""},
      {{"--version"}, corpus, true, 128 + SIGPIPE, ""},
  };
  for (const auto& c : cases) {
    run_options o;
    o.args = c.args;
    o.input = c.input;
    o.stdout_path = c.closed_pipe ? nullptr : "/dev/full";
    o.stdout_closed_pipe = c.closed_pipe;
    const program_run r = run_program(TANGLET_VIEW_BIN, o);
    EXPECT_EQ(r.status, c.status) << c.closed_pipe << " " << c.args.size();
    EXPECT_EQ(r.err, c.err) << c.closed_pipe;
  }
}

TEST(ViewMessages, HelpAndVersion) {
  const program_run help = view({"--help"});
  EXPECT_EQ(help.status, 0);
  for (const char* option :
       {"--focus", "--to", "--callees", "--callers", "--exclude", "--stub", "--internal",
        "--max-nodes", "--fold", "--format", "--labels", "--group", "--link", "--rankdir",
        "--reversed", "--layout", "--ci", "--help", "--version"})
    EXPECT_NE(help.out.find(option), std::string::npos) << option;
  const program_run version = view({"--version"});
  EXPECT_EQ(version.status, 0);
  EXPECT_EQ(version.out, "tanglet-view " TANGLET_VERSION "\n");
}

// Nodes as "name@file" (or "name"), "*N" for N calls through pointers, "+"
// where the stack frame is told; edges as "a@f>b@g".
std::set<std::string> gcc_graph(const std::string& json) {
  std::map<std::string, std::string> names;
  std::set<std::string> graph;
  const std::regex node(
      "\\{\"id\":([0-9]+),\"name\":\"([^\"]*)\",\"defined\":[a-z]+(,\"signature\":"
      "\"[^\"]*\",\"file\":\"([^\"]*)\",\"line\":[0-9]+)?([^}]*)\\}"),
      indirect(",\"indirect_calls\":([0-9]+)"),
      edge("\\{\"source\":([0-9]+),\"target\":([0-9]+)\\}");
  for (std::sregex_iterator i(json.begin(), json.end(), node), end; i != end; ++i) {
    const std::string name = (*i)[2].str() + ((*i)[3].matched ? "@" + (*i)[4].str() : "");
    names[(*i)[1]] = name;
    const std::string extra = (*i)[5];
    std::smatch m;
    graph.insert(name + (std::regex_search(extra, m, indirect) ? "*" + m[1].str() : "") +
                 (extra.find(",\"stack_bytes\":") != std::string::npos ? "+" : ""));
  }
  for (std::sregex_iterator i(json.begin(), json.end(), edge), end; i != end; ++i)
    graph.insert(names[(*i)[1]] + ">" + names[(*i)[2]]);
  return graph;
}

TEST(ViewGcc, ReadsTheCallGraphsGccWrites) {
  if (std::system("gcc -fcallgraph-info=su -E -x c /dev/null > /dev/null 2>&1") != 0)
    GTEST_SKIP() << "no gcc with -fcallgraph-info";
  char made[] = "/tmp/tanglet-gcc-XXXXXX";
  ASSERT_NE(mkdtemp(made), nullptr);
  const std::string dir = made, main_ci = dir + "/main.ci", apply_ci = dir + "/sub/apply.ci";
  for (const std::string& to : {dir + "/main.o", dir + "/sub/apply.o"}) {
    const std::string unit = to.substr(to.rfind('/') + 1, to.size() - to.rfind('/') - 3);
    const std::string gcc = "mkdir -p " + dir + "/sub && cd '" + kDir +
                            "gcc' && gcc -O0 -fcallgraph-info=su -c " + unit + ".c -o " + to;
    ASSERT_EQ(std::system(gcc.c_str()), 0) << gcc;
  }
  // Not searched: hidden folders, and where CMake identifies the compiler.
  for (const char* other : {"/.git", "/CompilerIdC"}) {
    mkdir((dir + other).c_str(), 0700);
    std::ofstream(dir + other + "/x.ci")
        << "graph: { title: \"x.c\"\n"
           "node: { title: \"main\" label: \"main\\nx.c:1:5\" }\n}\n";
  }
  // The address of negate is taken, and no call counted; the header's
  // twice is one function for both units.
  const std::set<std::string> expected = {"main@main.c+",
                                          "helper@main.c+",
                                          "negate@main.c+",
                                          "apply@apply.c*1+",
                                          "helper@apply.c+",
                                          "twice@inc/util.h+",
                                          "main@main.c>apply@apply.c",
                                          "main@main.c>helper@main.c",
                                          "helper@main.c>twice@inc/util.h",
                                          "apply@apply.c>helper@apply.c",
                                          "helper@apply.c>twice@inc/util.h"};
  const program_run found = view({"-T", "json", "--ci=" + dir});
  EXPECT_EQ(found.status, 0);
  EXPECT_EQ(found.err,
            "tanglet-view: note: 1 name is defined in two places or more, such as helper "
            "(main.c:8 and apply.c:3): static namesakes, or several programs of one tree\n");
  EXPECT_EQ(gcc_graph(found.out), expected);
  // Files recognized by their content, standard input as a file and as a pipe.
  EXPECT_EQ(view({"-T", "json", main_ci, "-"}, read_file(apply_ci)).out, found.out);
#if !defined(TANGLET_EMULATOR)  // sh cannot start a foreign program itself
  std::string piped;
  if (FILE* p = popen(
          ("cat " + apply_ci + " | " TANGLET_VIEW_BIN " -T json " + main_ci + " -").c_str(), "r")) {
    char block[4096];
    for (size_t n; (n = std::fread(block, 1, sizeof block, p)) > 0;) piped.append(block, n);
    EXPECT_EQ(pclose(p), 0);
  }
  EXPECT_EQ(piped, found.out);
#endif
  const program_run dot = view({"--ci=" + dir, "-F", "apply"});
  EXPECT_NE(dot.out.find("tooltip=\"apply.c:5\\n1 call through a pointer\\nstack: "),
            std::string::npos)
      << dot.out;
  EXPECT_EQ(std::system(("rm -r " + dir).c_str()), 0);
}

TEST(ViewFiles, SeveralListingsOneGraph) {
  const program_run r = view({"-T", "json", "-", kDir + "corpus.tab.cflow"},
                             "1\tother: int (void), <z.c 1>\n2\t\tmain: int (int argc, char "
                             "**argv), <main.c 32>\n");
  EXPECT_EQ(r.status, 0);
  auto edges = edges_of(read_file(kDir + "whole.json"));
  edges.emplace("other", "main");
  EXPECT_EQ(edges_of(r.out), edges);
}

// Hostile listings, as the child's own clock and peak memory tell their
// cost: bounds generous enough for a loaded machine.
bool memory_measured() {
#if defined(__SANITIZE_ADDRESS__)
  return false;  // its shadow memory and quarantine
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return false;
#endif
#endif
#if defined(TANGLET_EMULATOR)
  return false;  // qemu-user's own memory counts
#endif
  return true;
}

// A large input goes to a file and is let go: a child's peak counts the
// test's memory at the fork.
struct input_file {
  std::string path = "/tmp/tanglet-view-input-XXXXXX";
  size_t size;
  explicit input_file(std::string text) : size(text.size()) {
    const int fd = mkstemp(path.data());
    EXPECT_EQ(write(fd, text.data(), text.size()), static_cast<ssize_t>(text.size()));
    close(fd);
  }
  ~input_file() { std::remove(path.c_str()); }
};

program_run view_file(const input_file& f, const char* program = TANGLET_VIEW_BIN) {
  run_options o;
  o.args = {"-T", "json", "--max-nodes=0"};
  if (program != std::string(TANGLET_VIEW_BIN)) o.args.clear();
  o.stdin_path = f.path.c_str();
  return run_program(program, o);
}

std::string numbered(int count, const char* format, int first) {
  std::string s = "1\tmain: int (void), <a.c 1>\n";
  char line[64];
  for (int i = 0; i < count; ++i) {
    std::snprintf(line, sizeof line, format, first - i, i);
    s += line;
  }
  return s;
}

TEST(ViewLimits, MemoryGrowsWithTheListingAlone) {
  if (!memory_measured()) GTEST_SKIP() << "peak memory not the program's own here";
  // Made one at a time and let go before the child runs.
  std::string (*const inputs[])() = {
      [] { return std::string("16777215\tmain: int (void), <a.c 1>\n"); },
      [] { return std::string("8388600\tmain: int (void), <a.c 1>\n16777215\t\tf: <>\n"); },
      [] {
        const std::string tabs(10000000, '\t');
        return "1" + tabs + "f: <>\n2" + tabs + "g: <>\n";
      },
      [] { return numbered(500000, "%d\t\t%x: <>\n", -2); },        // every number in the map
      [] { return numbered(1000000, "%d\t\t%x: <>\n", 1000001); },  // many distinct names
  };
  for (const auto make : inputs) {
    const input_file f(make());
    const std::string text = read_file(f.path).substr(0, 40);
    SCOPED_TRACE(text);
    const program_run r = view_file(f);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_LE(r.max_rss_kb * 1024, (32L << 20) + 8 * static_cast<long>(f.size));
  }
}

TEST(ViewLimits, ALineRunsOnAfterItsNulInNoMemory) {
  // The first line's text ends at its NUL; 256 MiB of them follow, as from
  // /dev/zero: a hole in a file.
  const std::string head = "1\tmain: int (void), <a.c 1>", tail = "\n2\t\tf: <>\n";
  const input_file plain(head + tail), holed(head);
  const int fd = open(holed.path.c_str(), O_WRONLY);
  ASSERT_EQ(ftruncate(fd, static_cast<off_t>(head.size() + (256 << 20))), 0);
  ASSERT_GT(lseek(fd, 0, SEEK_END), 0);
  ASSERT_EQ(write(fd, tail.data(), tail.size()), static_cast<ssize_t>(tail.size()));
  close(fd);
  for (const char* program : {TANGLET_VIEW_BIN, TANGLET_DOT_BIN}) {
    SCOPED_TRACE(program);
    const program_run r = view_file(holed, program), expected = view_file(plain, program);
    EXPECT_EQ(r.status, 0);
    EXPECT_EQ(r.out, expected.out);
    EXPECT_NE(r.out.find("main"), std::string::npos);
    if (memory_measured()) {
      EXPECT_LT(r.max_rss_kb, 64 << 10);
    }
  }
}

// Eight-byte names whose hashes, by the unkeyed hash the index once used,
// share their high 32 bits, which placed a node: each made from a chosen
// hash by undoing the hash's steps.
std::vector<std::string> flooding_names(size_t count) {
  const auto inverse = [](uint64_t a) {
    uint64_t x = a;  // Newton's iteration, modulo 2^64
    for (int i = 0; i < 6; ++i) x *= 2 - a * x;
    return x;
  };
  const auto unshift = [](uint64_t y, int s) {  // undoes y ^= y >> s
    uint64_t x = y;
    for (int i = 0; i < 64; i += s) x = y ^ (x >> s);
    return x;
  };
  std::vector<std::string> names;
  for (uint64_t low = 0; names.size() < count; ++low) {
    uint64_t x = uint64_t{0x5eed5eed} << 32 | low;
    x = unshift(unshift(x, 32) * inverse(0xd6e8feb86659fd93ull), 32);
    x = unshift(x * inverse(0xc4ceb9fe1a85ec53ull), 29) * inverse(0xff51afd7ed558ccdull);
    x ^= 0x9e3779b97f4a7c15ull ^ 8;
    char w[8];
    std::memcpy(w, &x, 8);
    if (std::all_of(w, w + 8, [](char c) {
          return static_cast<unsigned char>(c) > ' ' && !std::strchr(":\"\\\x7f", c);
        }))
      names.emplace_back(w, 8);
  }
  return names;
}

TEST(ViewLimits, CraftedNamesLoadAsFastAsOthers) {
  const size_t count = 100000;
  std::vector<std::string> names[2] = {flooding_names(count), {}};
  std::mt19937_64 random(7);
  while (names[1].size() < count) {
    std::string name(8, ' ');
    for (char& c : name) c = static_cast<char>('a' + random() % 26);
    names[1].push_back(name);
  }
  double seconds[2];
  for (int k = 0; k < 2; ++k) {
    std::string text = "1\tmain: int (void), <a.c 1>\n";
    for (size_t i = 0; i < count; ++i)
      text += std::to_string(i + 2) + "\t\t" + names[k][i] + ": <>\n";
    const program_run r = view_file(input_file(text));
    EXPECT_EQ(r.status, 0);
    seconds[k] = r.cpu_seconds;
  }
  EXPECT_LE(seconds[0], 10 * seconds[1] + 0.5) << "random names: " << seconds[1] << " s";
}

}  // namespace
