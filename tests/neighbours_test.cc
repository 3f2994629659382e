// The real neighbours: GNU cflow makes the listings, Graphviz reads the dot
// graphs. Each test reports itself skipped where its neighbour is missing.
#include <dirent.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <string>
#include <vector>

#include "listing/listing.h"
#include "tests/listing_generator.h"
#include "tests/run_program.h"

namespace {

const std::string kSource = TANGLET_SOURCE_DIR;

std::string find_program(const std::string& name) {
  const char* path = std::getenv("PATH");
  std::string dirs = path ? path : "/usr/bin:/bin";
  for (size_t start = 0; start <= dirs.size();) {
    size_t end = dirs.find(':', start);
    if (end == std::string::npos) end = dirs.size();
    const std::string candidate = dirs.substr(start, end - start) + "/" + name;
    if (access(candidate.c_str(), X_OK) == 0) return candidate;
    start = end + 1;
  }
  return "";
}

std::vector<std::string> files_in(const std::string& dir, const std::string& ending) {
  std::vector<std::string> files;
  if (DIR* d = opendir(dir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string f = e->d_name;
      if (f[0] != '.' && f.size() >= ending.size() &&
          f.compare(f.size() - ending.size(), ending.size(), ending) == 0)
        files.push_back(dir + "/" + f);
    }
    closedir(d);
  }
  std::sort(files.begin(), files.end());
  return files;
}

TEST(Cflow, ListingsOfTheCorpusStayAsCommitted) {
  if (find_program("cflow").empty()) GTEST_SKIP() << "GNU cflow is not installed";
  char dir[] = "/tmp/tanglet-cflow-XXXXXX";
  ASSERT_NE(mkdtemp(dir), nullptr);
  run_options o;
  o.args = {kSource + "/tests/corpus/make-listings.sh", dir};
  const program_run r = run_program("/bin/sh", o);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::vector<std::string> made = files_in(dir, ".cflow");
  EXPECT_EQ(made.size(), 4u);
  for (const std::string& path : made) {
    const std::string name = path.substr(path.rfind('/') + 1);
    EXPECT_EQ(read_file(path), read_file(kSource + "/tests/golden/" + name))
        << name << ": cflow now lists the corpus differently; review and commit the new listing";
    std::remove(path.c_str());
  }
  rmdir(dir);
}

class Graphviz : public testing::Test {
 protected:
  void SetUp() override {
    dot_ = find_program("dot");
    if (dot_.empty()) GTEST_SKIP() << "Graphviz dot is not installed";
  }

  // dot must read and lay out the graph without a word on standard error. A
  // graph that ended early is closed first: what was written must still
  // parse. Labels of random bytes only go through the parser (nop): laying
  // them out makes Pango warn about the text, which is no fault of the graph.
  void expect_accepted(std::string graph, bool complete, const std::string& what,
                       bool parse_only = false) {
    if (!complete) graph += "}\n";
    run_options o;
    o.args = {parse_only ? "-p" : "-Tcanon"};
    if (!parse_only) o.args.push_back("-Gcharset=latin1");
    o.input = graph;
    const program_run r = run_program(parse_only ? find_program("nop") : dot_, o);
    EXPECT_EQ(r.status, 0) << what << "\n" << r.err;
    EXPECT_EQ(r.err, "") << what;
  }

  // tanglet-dot's graph for a listing, checked by dot.
  void convert_and_check(const std::string& listing, std::vector<std::string> args,
                         const std::string& what, bool parse_only = false) {
    run_options o;
    o.args = std::move(args);
    o.input = listing;
    const program_run r = run_program(TANGLET_DOT_BIN, o);
    ASSERT_TRUE(r.status == 0 || r.status == 1) << what;
    expect_accepted(r.out, r.status == 0, what, parse_only);
  }

  std::string dot_;
};

TEST_F(Graphviz, ReadsEveryGoldenGraph) {
  const std::vector<std::string> graphs = files_in(kSource + "/tests/golden", ".dot");
  EXPECT_GE(graphs.size(), 8u);
  for (const std::string& path : graphs) expect_accepted(read_file(path), true, path);
}

TEST_F(Graphviz, ReadsTheGraphsOfGeneratedListings) {
  listing_generator generate(424242);
  for (int n = 0; n < 12; ++n) {
    const int layout = n % 2 == 0 ? FORMAT_SUN : FORMAT_FREE;
    std::string listing;
    for (int i = 0; i < 150; ++i)
      listing += (n < 6 ? generate.valid_line(layout) : generate.line(layout)) + "\n";
    const std::vector<std::string> options[] = {{}, {"-i"}, {"-e"}};
    for (const auto& args : options)
      convert_and_check(listing, args, "generated listing " + std::to_string(n));
  }
}

TEST_F(Graphviz, ReadsTheGraphsOfTheFuzzCorpus) {
  const std::vector<std::string> inputs = files_in(kSource + "/fuzz/corpus/fuzz_dot", "");
  EXPECT_GE(inputs.size(), 10u);
  for (const std::string& path : inputs) {
    const std::string data = read_file(path);
    if (data.empty()) continue;
    // The fuzzer's first byte picks the options.
    const char* const invisible[] = {nullptr, "-e", "-i"};
    const char* const layout[] = {"sun", "free", "auto"};
    std::vector<std::string> args{"-f", layout[static_cast<unsigned char>(data[0]) / 3 % 3]};
    if (const char* i = invisible[static_cast<unsigned char>(data[0]) % 3]) args.push_back(i);
    convert_and_check(data.substr(1), args, path, true);
  }
}

TEST_F(Graphviz, ReadsLabelsLongerThanItsStringLimit) {
  const std::string listing = "1\tmain: int (" + std::string(100000, 'x') + "), <m.c 1>\n" +
                              "2\t\tq\"" + std::string(20000, '"') + ": <>\n";
  convert_and_check(listing, {}, "long labels");
}

}  // namespace
