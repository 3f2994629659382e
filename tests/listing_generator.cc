#include "tests/listing_generator.h"

#include "listing/listing.h"

namespace {

const char* const kTypes[] = {"int",          "void",   "char *",        "static int",
                              "const char *", "size_t", "struct node *", "unsigned long"};
const char* const kFiles[] = {"main.c", "a.c", "src/parse.c", "lib/x-y_z.c", "f.h"};
const char* const kNumbers[] = {
    "0",          "-1",          "+3",         "2147483647",           "-2147483648",
    "2147483648", "-2147483649", "4294967296", "99999999999999999999", "007"};
// Characters and pieces that the grammars care about.
const char* const kPieces[] = {
    ",",  "<",  ">", "{", "}", "<>", "{}", "...", "..", ".", "\t",  " ",       "\r",      "\v",
    "\f", "\n", "+", "-", ":", "\"", "\\", "0",   "7",  "x", ", <", "<a.c 1>", "{a.c 2}", "\xe9"};

}  // namespace

std::string listing_generator::number() {
  if (below(8) == 0) return kNumbers[below(std::size(kNumbers))];
  return std::to_string(static_cast<int>(below(2000)) - (below(10) == 0 ? 1000 : 0));
}

std::string listing_generator::tabs() {
  const uint64_t n = below(20) == 0 ? 40 + below(10) : below(6);
  return std::string(n, '\t');
}

std::string listing_generator::identifier() {
  static const char kChars[] = "abcdefghijklmnopqrstuvwxyz_0123456789";
  std::string s(1, "abcdefghijklmnopqrstuvwxyz_"[below(27)]);
  const uint64_t n = below(12);
  for (uint64_t i = 0; i < n; ++i) s += kChars[below(sizeof kChars - 1)];
  return s;
}

std::string listing_generator::signature() {
  std::string s = std::string(" ") + kTypes[below(std::size(kTypes))] + " (";
  const uint64_t args = below(4);
  if (args == 0) s += below(2) ? "void" : "";
  for (uint64_t i = 0; i < args; ++i) {
    s += std::string(i ? ", " : "") + kTypes[below(std::size(kTypes))] + " " + identifier();
  }
  return s + ")";
}

std::string listing_generator::valid_line(int layout) {
  std::string s = below(3) == 0 ? std::string(below(5), ' ') : "";
  s += std::to_string(static_cast<int>(below(100000)) - 100) + (below(3) == 0 ? " " : "") + tabs();
  const std::string name = identifier();
  const std::string file = kFiles[below(std::size(kFiles))];
  const std::string line = std::to_string(below(5000));
  if (layout == FORMAT_SUN) {
    switch (below(3)) {
      case 0:
        return s + name + ": <>";
      case 1:
        // Without a signature a blank still has to end the name token.
        return s + name + ":" + (below(4) ? signature() : " ") + ", <" + file + " " + line + ">";
      default:
        return s + name + ": " + std::to_string(below(100000));
    }
  }
  switch (below(3)) {
    case 0:
      return s + name + " {}";
    case 1:
      return s + name + " {" + file + " " + line + "}";
    default:
      return s + "... " + name + " ... {" + std::to_string(below(100000)) + "}";
  }
}

std::string listing_generator::mutate(std::string s) {
  const size_t at = s.empty() ? 0 : below(s.size() + 1);
  switch (below(9)) {
    case 0:  // drop a character
      if (at < s.size()) s.erase(at, 1);
      break;
    case 1:  // double one
      if (at < s.size()) s.insert(at, 1, s[at]);
      break;
    case 2:
    case 3:  // a piece the grammars look for
      s.insert(at, kPieces[below(std::size(kPieces))]);
      break;
    case 4:  // a number, maybe out of range
      s.insert(at, kNumbers[below(std::size(kNumbers))]);
      break;
    case 5:  // a long token
      s.insert(at, std::string(200 + below(3000), "a,<{9"[below(5)]));
      break;
    case 6:  // cut
      s.resize(at);
      break;
    case 7:  // a random byte
      s.insert(at, 1, static_cast<char>(below(256)));
      break;
    default:  // trailing white space, as editors and CR LF files leave
      s += below(2) ? "\r" : " \t";
      break;
  }
  return s;
}

std::string listing_generator::line(int layout) {
  std::string s = valid_line(below(4) == 0 ? FORMAT_SUN + FORMAT_FREE - layout : layout);
  for (uint64_t n = below(4); n > 0; --n) s = mutate(s);
  return s;
}
