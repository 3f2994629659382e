// Writes a large, realistic call-graph listing on standard output, the same
// for the same seed: about 55% definitions, 25% functions without definition
// and 20% references back, depth random-walking between 1 and 30 (mostly shallow), names of 4
// to 30 characters, GNU cflow-like signatures with and without arguments.
//
//   make-listing [sun|free] [LINES] [SEED]
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

int main(int argc, char** argv) {
  const bool sun = argc < 2 || std::strcmp(argv[1], "free") != 0;
  const long lines = argc > 2 ? std::atol(argv[2]) : 1000000;
  std::mt19937_64 random(argc > 3 ? std::strtoull(argv[3], nullptr, 10) : 1);
  auto below = [&](uint64_t n) { return static_cast<long>(random() % n); };

  static const char* const kTypes[] = {"int",           "void",          "char *",
                                       "static int",    "const char *",  "size_t",
                                       "struct node *", "unsigned long", "double"};
  static const char* const kFiles[] = {"main.c",           "parse.c",  "src/lexer.c",
                                       "lib/hash_table.c", "output.c", "util/strings.c"};
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz_0123456789";
  auto identifier = [&](long length) {
    std::string s(1, kChars[below(26)]);
    while (static_cast<long>(s.size()) < length) s += kChars[below(sizeof kChars - 1)];
    return s;
  };

  std::vector<long> listed;  // numbers that a reference may point back to
  std::string out;
  long depth = 1;
  for (long n = 1; n <= lines; ++n) {
    // Call trees are shallow and bushy: the walk leans towards the root,
    // yet now and then climbs all the way to 30.
    const long step = below(10);
    depth += step < 4 ? -1 : step < 7 ? 0 : 1;
    if (depth < 1) depth = 1;
    if (depth > 30) depth = 30;
    const std::string name = identifier(4 + below(27));
    char number[32];
    std::snprintf(number, sizeof number, sun ? "%5ld " : "%ld", n);
    out += number;
    out.append(static_cast<size_t>(depth), '\t');
    const long kind = below(100);
    if (kind < 20 && !listed.empty()) {
      const long to = listed[static_cast<size_t>(below(static_cast<uint64_t>(listed.size())))];
      out += sun ? name + ": " + std::to_string(to)
                 : "... " + name + " ... {" + std::to_string(to) + "}";
    } else if (kind < 45) {
      out += sun ? name + ": <>" : name + " {}";
      listed.push_back(n);
    } else {
      const std::string file = kFiles[below(std::size(kFiles))];
      const std::string line = std::to_string(1 + below(3000));
      if (sun) {
        std::string sig = std::string(kTypes[below(std::size(kTypes))]) + " (";
        const long args = below(4);
        if (args == 0) sig += "void";
        for (long a = 0; a < args; ++a)
          sig += std::string(a ? ", " : "") + kTypes[below(std::size(kTypes))] + " " +
                 identifier(1 + below(8));
        out += name + ": " + sig + "), <" + file + " " + line + ">";
      } else {
        out += name + " {" + file + " " + line + "}";
      }
      listed.push_back(n);
    }
    out += '\n';
    if (out.size() > (1 << 20)) {
      std::fwrite(out.data(), 1, out.size(), stdout);
      out.clear();
    }
  }
  std::fwrite(out.data(), 1, out.size(), stdout);
  return std::fflush(stdout) == 0 ? 0 : 1;
}
