// tanglet-view on a build: the small project of tests/project through GNU
// cflow, as a compilation database, a directory and in parts; cflow that
// is missing, fails or is killed; and the pieces that make its command.
#include "view/input/cflow.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdlib>
#include <fstream>
#include <set>

#include "tests/run_program.h"
#include "view/input/json.h"
#include "view/input/sources.h"

namespace {

const std::string kProject = std::string(TANGLET_SOURCE_DIR) + "/tests/project";

TEST(Command, SplitAndQuoteAsTheShellDoes) {
  const std::pair<const char*, std::vector<std::string>> splits[] = {
      {"cc  -DA='x y' -DB=\"q\\\"r\" -I\\ d 'it'\\''s'",
       {"cc", "-DA=x y", "-DB=q\"r", "-I d", "it's"}},
      {"\tcc\n-c ''", {"cc", "-c", ""}},
  };
  for (const auto& [command, words] : splits) EXPECT_EQ(split_command(command), words) << command;
  const std::pair<const char*, const char*> quotes[] = {{"NAME=1", "NAME=1"},
                                                        {"x y", "'x y'"},
                                                        {"it's", "'it'\\''s'"},
                                                        {"", "''"},
                                                        {"$(id)", "'$(id)'"}};
  for (const auto& [text, quoted] : quotes) EXPECT_EQ(shell_quote(text), quoted);
  EXPECT_EQ(absolute_path("../b/./c//d/..", "/x/y"), "/x/b/c");
}

TEST(Command, CflowsWordsSummarized) {
  const std::pair<const char*, const char*> cases[] = {
      {"cflow:b.c:6: main/1 redefined\ncflow:a.c:5: this is the place of previous definition\n",
       "main defined twice: a.c:5 and b.c:6"},
      {"cflow:b.c:6: main/1 redefined\ncflow:a.c:5: this is the place of previous definition\n"
       "cflow:c.c:7: main/2 redefined\ncflow:b.c:6: this is the place of previous definition\n",
       "main defined 3 times: a.c:5, b.c:6 and c.c:7"},
      {"cflow:b.c:6: main/1 redefined\ncflow:a.c:5: this is the place of previous definition\n"
       "x.c:1:10: fatal error: y.h: No such file or directory\n    1 | #include \"y.h\"\n"
       "compilation terminated.\ncflow:z.c:3: unexpected end of file in declaration\n",
       "main defined twice: a.c:5 and b.c:6; 2 other warnings, see --verbose"},
      {"x.c:1:10: fatal error: y.h: No such file or directory\n", "1 warning, see --verbose"},
      {"", ""},
  };
  for (const auto& [said, summary] : cases) EXPECT_EQ(summarize_cflow_errors(said, false), summary);
}

TEST(Command, JsonOfAnyShape) {
  const std::pair<const char*, const char*> bad[] = {
      {"[1,]", "line 1: not a JSON value"},
      {"{\"a\" 1}", "line 1: expected ':'"},
      {"[\n\"x]", "line 2: a string without its end"},
      {"[1] 2", "line 1: text after the end"},
  };
  for (const auto& [text, why] : bad) {
    json_value v;
    std::string error;
    EXPECT_FALSE(parse_json(text, v, error));
    EXPECT_EQ(error, why);
  }
  json_value v;
  std::string error;
  EXPECT_FALSE(parse_json(std::string(100000, '['), v, error));  // no stack overflow
  ASSERT_TRUE(parse_json("{\"s\":\"\\u00e9\\ud83d\\ude00\\ud800\"}", v, error)) << error;
  EXPECT_EQ(v.member("s")->text, "\xc3\xa9\xf0\x9f\x98\x80\xef\xbf\xbd");
}

// The calls of a JSON view, as "caller@file -> callee@file".
std::set<std::string> calls(const std::string& json) {
  json_value v;
  std::string error;
  EXPECT_TRUE(parse_json(json, v, error)) << error << json;
  std::vector<std::string> names;
  for (const json_value& n : v.member("nodes")->values) {
    const json_value* file = n.member("file");
    names.push_back(n.member("name")->text + "@" + (file ? file->text : "?"));
  }
  std::set<std::string> out;
  for (const json_value& e : v.member("edges")->values)
    out.insert(names[std::stoi(e.member("source")->text)] + " -> " +
               names[std::stoi(e.member("target")->text)]);
  return out;
}

class Build : public testing::Test {
 protected:
  void SetUp() override {
    if (std::system("command -v cflow > /dev/null 2>&1") != 0) GTEST_SKIP() << "no GNU cflow";
    ASSERT_NE(mkdtemp(dir_), nullptr);
    made_ = true;
    ASSERT_EQ(chdir(kProject.c_str()), 0);  // names in the graph are relative to here
  }
  void TearDown() override {
    if (made_) std::system(("rm -rf " + std::string(dir_)).c_str());
  }
  std::string file(const std::string& name, const std::string& text, mode_t mode = 0644) {
    const std::string path = std::string(dir_) + "/" + name;
    std::ofstream(path) << text;
    chmod(path.c_str(), mode);
    return path;
  }
  program_run view(std::vector<std::string> args) {
    run_options o;
    o.args = std::move(args);
    return run_program(TANGLET_VIEW_BIN, o);
  }
  char dir_[32] = "/tmp/tanglet-build-XXXXXX";
  bool made_ = false;
};

const char kTwice[] =
    "tanglet-view: note: 1 name is defined in two places or more, such as helper "
    "(src/main.c:6 and src/util.c:3): static namesakes, or several programs of one tree\n";

const std::set<std::string> kFast = {
    "main@src/main.c -> fast_path@src/util.c",       "main@src/main.c -> log_message@src/util.c",
    "main@src/main.c -> helper@src/main.c",          "main@src/main.c -> clamp@include/util.h",
    "main@src/main.c -> parse@src/util.c",           "parse@src/util.c -> helper@src/util.c",
    "fast_path@src/util.c -> log_message@src/util.c"};

TEST_F(Build, CompilationDatabaseGivesTheHandMadeGraphInAnyNumberOfParts) {
  // One entry relative, one absolute and with a command line; the first -D wins.
  file("compile_commands.json",
       "[{\"directory\": \"" + kProject +
           "\", \"file\": \"src/main.c\", \"arguments\": [\"cc\", \"-DUSE_FAST\", \"-Iinclude\", "
           "\"-c\", \"src/main.c\"]},\n {\"directory\": \"" +
           kProject + "/src\", \"file\": \"" + kProject +
           "/src/util.c\", \"command\": \"cc -DUSE_FAST=0 -I ../include -c util.c\"},"
           "{\"directory\": \"/\", \"file\": \"x.cc\", \"command\": \"c++ -c x.cc\"}]");
  for (const char* jobs : {"-j1", "-j2", "-j8"}) {
    const program_run r = view({"-p", dir_, "-T", "json", jobs});
    EXPECT_EQ(r.status, 0) << jobs;
    EXPECT_EQ(r.err,
              "tanglet-view: note: -DUSE_FAST=0 (src/util.c) differs from -DUSE_FAST: the first "
              "is used\n" +
                  std::string(kTwice));
    EXPECT_EQ(calls(r.out), kFast) << jobs;
  }
}

TEST_F(Build, DirectoryWithANote) {
  const program_run r = view({"-T", "json", "."});
  EXPECT_EQ(r.status, 0);
  EXPECT_EQ(r.err,
            "tanglet-view: note: no compilation database: cflow runs with -I for each folder "
            "that holds a header; a compilation database (-p DIR) gives a truer graph\n" +
                std::string(kTwice));
  std::set<std::string> slow = kFast;
  slow.erase("main@src/main.c -> fast_path@src/util.c");
  slow.insert("main@src/main.c -> slow_path@src/util.c");
  EXPECT_EQ(calls(r.out), slow);
}

TEST_F(Build, CflowThatDoesNotDoItsWork) {
  const struct {
    const char* script;  // empty: no such program
    std::string err;
  } cases[] = {
      {"", "tanglet-view: cannot run /nonexistent/cflow: No such file or directory\n"},
      {"echo 'cflow: no input files' >&2; exit 3",
       "tanglet-view: %s failed with status 3: cflow: no input files\n"},
      {"kill -9 $$", "tanglet-view: %s was killed by signal 9 (Killed)\n"},
      {"echo 'sh: 1: cpp: not found' >&2",
       "tanglet-view: %s could not run the preprocessor: sh: 1: cpp: not found\n"},
  };
  for (const auto& c : cases) {
    const std::string cflow =
        *c.script ? file("cflow.sh", std::string("#!/bin/sh\n") + c.script + "\n", 0755)
                  : "/nonexistent/cflow";
    std::string err = c.err;
    if (const size_t at = err.find("%s"); at != std::string::npos) err.replace(at, 2, cflow);
    const program_run r = view({"--cflow=" + cflow, "src/main.c"});
    EXPECT_EQ(r.status, 1) << c.script;
    EXPECT_EQ(r.out, "");
    EXPECT_EQ(r.err.substr(r.err.find('\n') + 1), err);  // after the note
  }
}

}  // namespace
