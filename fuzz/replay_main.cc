// Runs a fuzz target over files and folders of inputs, without libFuzzer:
// the seed corpus and every crasher found stay regression tests.
#include <dirent.h>
#include <sys/stat.h>

#include <cstdint>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size);

namespace {

int replay(const std::string& path) {
  struct stat st;
  if (stat(path.c_str(), &st) != 0) {
    std::perror(path.c_str());
    return 1;
  }
  if (S_ISDIR(st.st_mode)) {
    DIR* d = opendir(path.c_str());
    if (d == nullptr) return 1;
    int errors = 0;
    while (dirent* e = readdir(d)) {
      if (e->d_name[0] != '.') errors += replay(path + "/" + e->d_name);
    }
    closedir(d);
    return errors;
  }
  std::ifstream in(path, std::ios::binary);
  const std::vector<char> bytes((std::istreambuf_iterator<char>(in)), {});
  LLVMFuzzerTestOneInput(reinterpret_cast<const uint8_t*>(bytes.data()), bytes.size());
  return 0;
}

}  // namespace

int main(int argc, char** argv) {
  int errors = 0;
  for (int i = 1; i < argc; ++i) errors += replay(argv[i]);
  std::printf("replayed %s: %s\n", argc > 1 ? argv[1] : "nothing", errors ? "errors" : "ok");
  return errors ? 1 : 0;
}
