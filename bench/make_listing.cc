// Writes a large, realistic call-graph listing on standard output, the same
// for the same seed: about 55% definitions, 25% functions without definition
// and 20% references back, depth random-walking between 1 and 30 (mostly shallow), names of 4
// to 30 characters, GNU cflow-like signatures with and without arguments.
//
//   make-listing [sun|free] [LINES] [SEED] [--parts=K --dir=DIR] [--pool=P]
//
// --parts=K cuts the listing at a root every LINES/K lines, references
// staying within a part; with --dir the parts are K listings
// DIR/part-NNNNN.cflow, each numbered from 1. One graph either way, to time
// what a listing costs. --pool=P gives a big code base's
// shape: 20% definitions, 35% calls to P library functions (a few called
// everywhere), 45% references back, and deeper lines only under definitions.
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <vector>

namespace {

struct settings {
  bool sun = true;
  long lines = 1000000;
  uint64_t seed = 1;
  long parts = 0;
  const char* dir = nullptr;
  long pool = 0;
};

bool read_settings(int argc, char** argv, settings& s) {
  int positional = 0;
  for (int i = 1; i < argc; ++i) {
    const char* a = argv[i];
    if (std::strncmp(a, "--parts=", 8) == 0) {
      s.parts = std::atol(a + 8);
    } else if (std::strncmp(a, "--dir=", 6) == 0) {
      s.dir = a + 6;
    } else if (std::strncmp(a, "--pool=", 7) == 0) {
      s.pool = std::atol(a + 7);
    } else if (positional == 0) {
      s.sun = std::strcmp(a, "free") != 0;
      ++positional;
    } else if (positional == 1) {
      s.lines = std::atol(a);
      ++positional;
    } else if (positional == 2) {
      s.seed = std::strtoull(a, nullptr, 10);
      ++positional;
    } else {
      return false;
    }
  }
  return s.parts >= 0 && (s.dir == nullptr || s.parts > 0);
}

// The listings written to, one at a time.
struct sink {
  explicit sink(const settings& with) : s(with) {}
  const settings& s;
  std::string out;
  FILE* file = stdout;
  long part = 0;

  bool open_next() {
    if (!flush() || (file != stdout && std::fclose(file) != 0)) return false;
    const std::string name =
        std::string(s.dir) + "/part-" + std::to_string(100000 + part++).substr(1) + ".cflow";
    file = std::fopen(name.c_str(), "w");
    return file != nullptr;
  }
  bool flush() {
    const bool ok = std::fwrite(out.data(), 1, out.size(), file) == out.size();
    out.clear();
    return ok;
  }
  bool close() {
    return flush() && std::fflush(file) == 0 && (file == stdout || std::fclose(file) == 0);
  }
};

}  // namespace

int main(int argc, char** argv) {
  settings s;
  if (!read_settings(argc, argv, s)) {
    std::fprintf(
        stderr, "usage: make-listing [sun|free] [LINES] [SEED] [--parts=K --dir=DIR] [--pool=P]\n");
    return 2;
  }
  const bool sun = s.sun;
  std::mt19937_64 random(s.seed);
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
  std::vector<std::string> pool;
  for (long k = 0; k < s.pool; ++k) pool.push_back("lib_" + identifier(4 + below(16)));

  sink to(s);
  // Without --dir the parts are one listing on standard output, numbered on.
  const bool split = s.dir != nullptr;
  const long part_lines = s.parts > 0 ? (s.lines + s.parts - 1) / s.parts : s.lines + 1;
  long first = 1;            // the number the current listing starts at, less one
  std::vector<long> listed;  // numbers that a reference may point back to
  long cuts = 0;
  long depth = 1;
  bool defined = true;  // the line before is a definition
  for (long n = 1; n <= s.lines; ++n) {
    // Call trees are shallow and bushy: the walk leans towards the root,
    // yet now and then climbs all the way to 30.
    const long step = below(10);
    if (s.pool == 0)
      depth += step < 4 ? -1 : step < 7 ? 0 : 1;
    else  // a definition's calls follow it; the others are leaves
      depth += defined ? (step < 8 ? 1 : 0) : (step < 8 ? 0 : -1);
    if (depth < 1) depth = 1;
    if (depth > 30) depth = 30;
    // A new part starts at a root when due; its references stay in it.
    if (s.parts > 0 && (n == 1 || n - first >= part_lines)) {
      depth = 1;
      if (split && !to.open_next()) return 1;
      first = n;
      ++cuts;
      listed.clear();
    }
    const std::string name = identifier(4 + below(27));
    char number[32];
    const long shown = split ? n - first + 1 : n;
    std::snprintf(number, sizeof number, sun ? "%5ld " : "%ld", shown);
    to.out += number;
    to.out.append(static_cast<size_t>(depth), '\t');
    const long kind = below(100);
    const long refer = s.pool > 0 ? 45 : 20, undefined = s.pool > 0 ? 80 : 45;
    defined = false;
    if (kind < refer && !listed.empty()) {
      const long to_line = listed[static_cast<size_t>(below(static_cast<uint64_t>(listed.size())))];
      const long target = split ? to_line - first + 1 : to_line;
      to.out += sun ? name + ": " + std::to_string(target)
                    : "... " + name + " ... {" + std::to_string(target) + "}";
    } else if (kind < undefined) {
      // Library calls are skewed: a few names take most of them.
      const std::string& callee =
          s.pool > 0
              ? pool[static_cast<size_t>(std::pow(below(1 << 20) / double(1 << 20), 3) * s.pool)]
              : name;
      to.out += sun ? callee + ": <>" : callee + " {}";
      if (s.pool == 0) listed.push_back(n);
    } else {
      // A big code base's files are many: a folder per part.
      const std::string file = (s.pool > 0 ? "d" + std::to_string(cuts) + "/" : std::string()) +
                               kFiles[below(std::size(kFiles))];
      const std::string line = std::to_string(1 + below(3000));
      if (sun) {
        std::string sig = std::string(kTypes[below(std::size(kTypes))]) + " (";
        const long args = below(4);
        if (args == 0) sig += "void";
        for (long a = 0; a < args; ++a)
          sig += std::string(a ? ", " : "") + kTypes[below(std::size(kTypes))] + " " +
                 identifier(1 + below(8));
        to.out += name + ": " + sig + "), <" + file + " " + line + ">";
      } else {
        to.out += name + " {" + file + " " + line + "}";
      }
      listed.push_back(n);
      defined = true;
    }
    to.out += '\n';
    if (to.out.size() > (1 << 20) && !to.flush()) return 1;
  }
  return to.close() ? 0 : 1;
}
