// Every tests/golden/NAME.cflow goes through both programs (with the options
// in NAME.args, if any) and must give NAME.vcg and NAME.dot byte for byte.
// TANGLET_UPDATE_GOLDEN=1 writes the outputs instead, for review in a diff.
#include <dirent.h>
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <sstream>
#include <string>

#include "tests/run_program.h"

namespace {

const std::string kDir = std::string(TANGLET_SOURCE_DIR) + "/tests/golden/";

std::vector<std::string> case_names() {
  std::vector<std::string> names;
  if (DIR* d = opendir(kDir.c_str())) {
    while (dirent* e = readdir(d)) {
      const std::string f = e->d_name;
      if (f.size() > 6 && f.compare(f.size() - 6, 6, ".cflow") == 0)
        names.push_back(f.substr(0, f.size() - 6));
    }
    closedir(d);
  }
  std::sort(names.begin(), names.end());
  return names;
}

class Golden : public testing::TestWithParam<std::string> {};

TEST_P(Golden, BothOutputsMatch) {
  const std::string base = kDir + GetParam();
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

INSTANTIATE_TEST_SUITE_P(Files, Golden, testing::ValuesIn(case_names()),
                         [](const auto& info) { return info.param; });

TEST(GoldenFiles, ArePresent) { EXPECT_GE(case_names().size(), 4u); }

}  // namespace
