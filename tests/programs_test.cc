// Both programs through their real binaries: command line, messages, exit
// statuses, and the error paths that only a real process meets.
#include <gtest/gtest.h>

#include <cctype>
#include <csignal>
#include <random>
#include <string>
#include <utility>
#include <vector>

#include "tests/case_name.h"
#include "tests/graph_shape.h"
#include "tests/run_program.h"
#include "writers/dot/dot_header.h"
#include "writers/vcg/vcg_header.h"

namespace {

const std::string kVcg = TANGLET_BIN, kDot = TANGLET_DOT_BIN;

std::string usage(const std::string& p) {
  return "Usage: " + p + " -h\n" + "Usage: " + p + " -v\n" + "Usage: " + p +
         " [ -i | -e ] [ -f i_format ] < file.cflow\n"
         "\t-h: this help.\n"
         "\t-v: version information.\n"
         "\t-i: restrict to internal (defined) functions.\n"
         "\t-e: restrict to external (used) functions (less usefull).\n"
         "\t-f i_format: input format. Arg. should be sun or free.\n"
         "\t             by default, it will be automatic as possible.\n";
}

const char kVersion[] = "tanglet " TANGLET_VERSION
                        "\n"
                        "Turns a cflow call-graph listing into a VCG or Graphviz dot graph.\n"
                        "Copyright (c) 2026 The tanglet developers. All rights reserved.\n"
                        "Distributed under the BSD 2-Clause License: you may redistribute\n"
                        "and modify it under the terms that come with it.\n"
                        "This program comes with ABSOLUTELY NO WARRANTY, to the extent\n"
                        "permitted by law.\n";

const char kSunLine[] = "1\tmain: <>\n";
const char kFreeLine[] = "1\tmain {}\n";
const char kUnrecognized[] = "Error: input format not recognized.\n       Read interupted.\n";

struct cli_case {
  const char* what;
  std::vector<std::string> args;
  std::string input;
  int status;
  std::string out;  // "@usage" / "@version"; otherwise after the VCG header
  std::string err;  // "@usage" follows the getopt line given before it
};

const std::string kNodeMain =
    "node: { title: \"1\" label: \"main\" info1: \"1\" info2: \"\" info3: \":0\" }\n";
const std::string kNodeMai =
    "node: { title: \"1\" label: \"mai\" info1: \"1\" info2: \"\" info3: \":0\" }\n";

const cli_case kCli[] = {
    {"-h", {"-h"}, kSunLine, 0, "@usage", ""},
    {"-v", {"-v"}, kSunLine, 0, "@version", ""},
    {"-v before a bad option", {"-v", "-x"}, "", 0, "@version", ""},
    {"a bad option before -v", {"-x", "-v"}, "", 1, "", "invalid option -- 'x'\n@usage"},
    {"-f without its name", {"-f"}, "", 1, "", "option requires an argument -- 'f'\n@usage"},
    {"-h after a file name is not read", {"x.cflow", "-h"}, kSunLine, 0, kNodeMain + "}\n", ""},
    {"-i after a file name is not read", {"x.cflow", "-i"}, kSunLine, 0, kNodeMain + "}\n", ""},
    {"-i after -- is not read", {"--", "-i"}, kSunLine, 0, kNodeMain + "}\n", ""},
    {"-i", {"-i"}, kSunLine, 0, "invisible: 2\n" + kNodeMain + "}\n", ""},
    {"-i -e: the last wins", {"-i", "-e"}, "", 0, "invisible: 1\n}\n", ""},
    {"-e -i: the last wins", {"-e", "-i"}, "", 0, "invisible: 2\n}\n", ""},
    {"-ie together", {"-ie"}, "", 0, "invisible: 1\n}\n", ""},
    {"-f sun forces sun", {"-f", "sun"}, kFreeLine, 1, "", "Syntax error line 1\n"},
    {"-fsun is -f sun", {"-fsun"}, kFreeLine, 1, "", "Syntax error line 1\n"},
    {"-f sun reads a free-looking line as sun",
     {"-f", "sun"},
     "1\tmain <> {}\n",
     0,
     kNodeMai + "}\n",
     ""},
    {"-f free forces free",
     {"-f", "free"},
     "1\tmain: <> {}\n",
     0,
     "node: { title: \"1\" label: \"main:\" info1: \"1\" info2: \"\" info3: \":0\" }\n}\n",
     ""},
    {"-f free -f junk is automatic",
     {"-f", "free", "-f", "junk"},
     kFreeLine,
     0,
     kNodeMain + "}\n",
     ""},
    {"-f SUN is automatic", {"-f", "SUN"}, kFreeLine, 0, kNodeMain + "}\n", ""},
    {"empty input", {}, "", 0, "}\n", ""},
    {"a first line of neither layout",
     {},
     "Call graph of x.c\n1\tmain: <>\n",
     1,
     "",
     kUnrecognized},
    {"an empty first line", {}, "\n", 1, "", kUnrecognized},
    {"a bad first line with a forced layout", {"-f", "free"}, "\n", 1, "", "Syntax error line 1\n"},
    {"a syntax error later", {}, "1\tmain: <>\n2\t\tf {}\n", 1, kNodeMain, "Syntax error line 2\n"},
    {"the line count is physical lines",
     {},
     "1\tmain: " + std::string(600, 'x') + ", <m.c 1>\n2\t\tf: " + std::string(100000, 'y') +
         ", <f.c 2>\n3\t\tg: <>\n\n",
     1,
     "node: { title: \"1\" label: \"main\" info1: \"1\" info2: \" " + std::string(600, 'x') +
         "\" info3: \"m.c:1\" }\n"
         "node: { title: \"2\" label: \"f\" info1: \"2\" info2: \" " +
         std::string(100000, 'y') +
         "\" info3: \"f.c:2\" }\n"
         "edge: { sourcename: \"1\" targetname: \"2\" class: 1 }\n"
         "node: { title: \"3\" label: \"g\" info1: \"3\" info2: \"\" info3: \":0\" }\n"
         "edge: { sourcename: \"1\" targetname: \"3\" class: 2 }\n",
     "Syntax error line 4\n"},
    {"a last line without newline", {}, "1\tmain: <>", 0, kNodeMain + "}\n", ""},
    {"a NUL byte ends the text of its line",
     {},
     std::string("1\tmain: <>\0junk\n", 16),
     0,
     kNodeMain + "}\n",
     ""},
    {"CR LF line ends",
     {},
     "1\tmain: x, <m.c 1>\r\n2\t\tf: <>\r\n",
     0,
     "node: { title: \"1\" label: \"main\" info1: \"1\" info2: \" x\" info3: \"m.c:1\" }\n"
     "node: { title: \"2\" label: \"f\" info1: \"2\" info2: \"\" info3: \":0\" }\n"
     "edge: { sourcename: \"1\" targetname: \"2\" class: 2 }\n}\n",
     ""},
};

class CommandLine : public testing::TestWithParam<cli_case> {};

TEST_P(CommandLine, BothProgramsAgree) {
  const cli_case& c = GetParam();
  for (const std::string& program : {kVcg, kDot}) {
    const std::string name = program.substr(program.rfind('/') + 1);
    run_options o;
    o.args = c.args;
    o.input = c.input;
    const program_run r = run_program(program, o);
    EXPECT_EQ(r.status, c.status) << name;
    std::string err = c.err;
    if (auto at = err.find("@usage"); at != std::string::npos)
      err = name + ": " + err.substr(0, at) + usage(name);
    EXPECT_EQ(r.err, err) << name;
    if (c.out == "@usage") {
      EXPECT_EQ(r.out, usage(name));
    } else if (c.out == "@version") {
      EXPECT_EQ(r.out, kVersion);
    } else if (c.status == 0 || !c.out.empty() || c.err == kUnrecognized ||
               c.err.rfind("Syntax", 0) == 0) {
      // The conversion ran: the VCG graph, or at least the dot header.
      if (program == kVcg) {
        EXPECT_EQ(r.out, std::string(kVcgHeader) + c.out) << name;
      } else {
        EXPECT_EQ(r.out.rfind(kDotHeader, 0), 0u) << name;
      }
    } else {
      EXPECT_EQ(r.out, "") << name;
    }
  }
}

void PrintTo(const cli_case& c, std::ostream* os) { *os << c.what; }

INSTANTIATE_TEST_SUITE_P(Cases, CommandLine, testing::ValuesIn(kCli), by_what());

TEST(Failures, AReadErrorIsNoEndOfInput) {
  run_options o;
  o.stdin_path = "/";
  for (const std::string& program : {kVcg, kDot}) {
    const program_run r = run_program(program, o);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Read error: Is a directory\n");
    EXPECT_EQ(r.out, program == kVcg ? kVcgHeader : kDotHeader);  // no footer
  }
}

TEST(Failures, AFullDiskIsNoSuccess) {
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"-v"}, {"-h"}}) {
    run_options o;
    o.args = args;
    o.input = kSunLine;
    o.stdout_path = "/dev/full";
    for (const std::string& program : {kVcg, kDot}) {
      const program_run r = run_program(program, o);
      EXPECT_EQ(r.status, 1);
      EXPECT_EQ(r.err, "Write error: No space left on device\n");
    }
  }
}

TEST(Failures, AReaderThatLeftEndsTheRun) {
  // Quietly, as SIGPIPE ends cat or grep; -h and -v as well.
  std::string listing;
  for (int i = 1; i <= 200000; ++i) listing += std::to_string(i) + "\t\tf: <>\n";
  for (const std::vector<std::string>& args : {std::vector<std::string>{}, {"-v"}, {"-h"}}) {
    run_options o;
    o.args = args;
    o.input = args.empty() ? listing : kSunLine;
    o.stdout_closed_pipe = true;
    for (const std::string& program : {kVcg, kDot}) {
      const program_run r = run_program(program, o);
      EXPECT_EQ(r.status, 128 + SIGPIPE) << program << " " << args.size();
      EXPECT_EQ(r.err, "") << program;
    }
  }
}

TEST(Failures, ExhaustedMemoryIsReported) {
#if defined(__SANITIZE_ADDRESS__)
  GTEST_SKIP() << "AddressSanitizer needs more address space than the limit allows";
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  GTEST_SKIP() << "AddressSanitizer needs more address space than the limit allows";
#endif
#endif
#if defined(TANGLET_EMULATOR)
  GTEST_SKIP() << "qemu-user drops a guest's address-space limit, and its own JIT needs more";
#endif
  run_options o;
  o.input = "1\tmain: <>\n2\t\tf: " + std::string(200 << 20, 'x') + ", <f.c 1>\n";
  o.memory_limit = 128L << 20;
  for (const std::string& program : {kVcg, kDot}) {
    const program_run r = run_program(program, o);
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "Erreur allocation.\n");
    EXPECT_NE(r.out.find("main"), std::string::npos);  // what came before stays
  }
}

}  // namespace

namespace {

const std::string kFirst = "1\tmain: x, <m.c 1>\n";

struct hostile_case {
  const char* what;
  std::string input;
  int status;
  std::string err;
  std::string tail;  // the VCG output ends so
};

std::vector<hostile_case> hostile_cases() {
  const std::string big(10 << 20, 'x');
  return {
      {"a 10 MB signature", kFirst + std::string("2\t\tf: ") + big + ", <f.c 2>\n", 0, "",
       big + "\" info3: \"f.c:2\" }\nedge: { sourcename: \"1\" targetname: \"2\" class: 1 }\n}\n"},
      {"a 10 MB line of no entry", kFirst + big + "\n", 1, "Syntax error line 2\n",
       "info3: \"m.c:1\" }\n"},
      {"a million TABs", kFirst + "2" + std::string(1000000, '\t') + "f: <>\n3\t\tg: <>\n", 0, "",
       "edge: { sourcename: \"0\" targetname: \"2\" class: 2 }\n"
       "node: { title: \"3\" label: \"g\" info1: \"3\" info2: \"\" info3: \":0\" }\n"
       "edge: { sourcename: \"1\" targetname: \"3\" class: 2 }\n}\n"},
      {"a line number beyond 32 bits", kFirst + std::string("4294967298\t\tf: <>\n"), 1,
       "Syntax error line 2\n", "info3: \"m.c:1\" }\n"},
      {"a source line beyond 32 bits", kFirst + std::string("2\t\tf: x, <f.c 2147483648>\n"), 1,
       "Syntax error line 2\n", "info3: \"m.c:1\" }\n"},
      {"a sun reference beyond 32 bits", kFirst + std::string("2\t\tf: -2147483649\n"), 1,
       "Syntax error line 2\n", "info3: \"m.c:1\" }\n"},
      {"a free reference beyond 32 bits", "1\tm {m.c 1}\n2\t\t... f ... {99999999999}\n", 1,
       "Syntax error line 2\n", "info3: \"m.c:1\" }\n"},
      {"a free source line beyond 32 bits", "1\tm {m.c 1}\n2\t\tf {f.c 3000000000}\n", 1,
       "Syntax error line 2\n", "info3: \"m.c:1\" }\n"},
  };
}

TEST(Hostile, EndsAsDocumented) {
  for (const hostile_case& c : hostile_cases()) {
    run_options o;
    o.input = c.input;
    const program_run r = run_program(kVcg, o);
    EXPECT_EQ(r.status, c.status) << c.what;
    EXPECT_EQ(r.err, c.err) << c.what;
    ASSERT_GE(r.out.size(), c.tail.size()) << c.what;
    EXPECT_EQ(r.out.substr(r.out.size() - c.tail.size()), c.tail) << c.what;
  }
}

TEST(Hostile, RandomBytesEndWithADocumentedMessage) {
  std::mt19937_64 random(99);
  for (int n = 0; n < 20; ++n) {
    run_options o;
    // Random bytes, sometimes after a valid first line so that the layout is known.
    o.input = n % 2 ? kFirst : std::string();
    // Any byte, or only those the grammars care about.
    static const char kAlphabet[] = "0123456789\t\t\t\n\n :<>,{}.x\"\\-\r";
    for (int i = 0; i < 20000; ++i) {
      o.input +=
          n < 10 ? static_cast<char>(random() % 256) : kAlphabet[random() % (sizeof kAlphabet - 1)];
    }
    const struct {
      const std::string& program;
      graph_language language;
      int invisible;
    } runs[] = {{kVcg, GRAPH_VCG, 0}, {kDot, GRAPH_DOT, 0}, {kDot, GRAPH_DOT, 2}};
    for (const auto& run : runs) {
      o.args = run.invisible == 2 ? std::vector<std::string>{"-i"} : std::vector<std::string>{};
      const program_run r = run_program(run.program, o);
      EXPECT_TRUE(r.status == 0 || r.status == 1) << n;
      const bool documented = r.err == "" || r.err == kUnrecognized ||
                              (r.err.rfind("Syntax error line ", 0) == 0 && r.err.back() == '\n');
      EXPECT_TRUE(documented) << n << ": " << r.err;
      EXPECT_EQ(check_graph_shape(run.language, run.invisible, r.out, r.status == 0), "") << n;
    }
  }
}

}  // namespace
