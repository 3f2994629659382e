// Every NAME.cflow in tests/golden/ and examples/ goes through both programs
// (with the options in NAME.args, if any) and must give NAME.vcg and NAME.dot
// byte for byte: the examples never go stale. TANGLET_UPDATE_GOLDEN=1 writes
// the outputs instead, for review in a diff.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/run_program.h"

namespace {

// Paths without ".cflow", relative to the source tree.
std::vector<std::string> case_names() {
  std::vector<std::string> names;
  for (const char* dir : {"tests/golden/", "examples/"}) {
    if (DIR* d = opendir((std::string(TANGLET_SOURCE_DIR) + "/" + dir).c_str())) {
      while (dirent* e = readdir(d)) {
        const std::string f = e->d_name;
        if (f.size() > 6 && f.compare(f.size() - 6, 6, ".cflow") == 0)
          names.push_back(dir + f.substr(0, f.size() - 6));
      }
      closedir(d);
    }
  }
  std::sort(names.begin(), names.end());
  return names;
}

class Golden : public testing::TestWithParam<std::string> {};

TEST_P(Golden, BothOutputsMatch) {
  const std::string base = std::string(TANGLET_SOURCE_DIR) + "/" + GetParam();
  run_options o;
  o.input = read_file(base + ".cflow");
  std::istringstream words(read_file(base + ".args"));
  for (std::string w; words >> w;) o.args.push_back(w);
  for (const auto& [program, ext] : {std::pair{TANGLET_BIN, ".vcg"}, {TANGLET_DOT_BIN, ".dot"}}) {
    const program_run r = run_program(program, o);
    EXPECT_EQ(r.status, 0) << ext;
    EXPECT_EQ(r.err, "") << ext;
    if (std::getenv("TANGLET_UPDATE_GOLDEN")) {
      std::ofstream(base + ext, std::ios::binary) << r.out;
      continue;
    }
    EXPECT_EQ(r.out, read_file(base + ext)) << base << ext;
  }
}

INSTANTIATE_TEST_SUITE_P(Files, Golden, testing::ValuesIn(case_names()), [](const auto& info) {
  std::string name = info.param;
  std::replace(name.begin(), name.end(), '/', '_');
  return name;
});

TEST(GoldenFiles, ArePresent) { EXPECT_GE(case_names().size(), 11u); }

}  // namespace
