#include "tests/oracle.h"

#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <vector>

#include "listing/quick/quick.h"

namespace {

// "%d", with "%ld" and errno standing in for a 32-bit range check. Call it
// after the scan, never with the scan as an argument: the value must be read
// after sscanf stored it.
bool in_range(int conversions, int wanted, long value) {
  return conversions == wanted && errno != ERANGE && value >= INT_MIN && value <= INT_MAX;
}

#define SCAN_IN_RANGE(wanted, value, ...) \
  (errno = 0, scanned = std::sscanf(__VA_ARGS__), in_range(scanned, wanted, value))

int parse(int layout, const char* text, oracle_entry& e) {
  std::vector<char> token(std::strlen(text) + 1), file(std::strlen(text) + 1);
  int used = 0, scanned = 0;
  if (!SCAN_IN_RANGE(1, e.number, text, "%ld%n", &e.number, &used)) return 0;
  const char* rest = text + used;
  e.depth = 0;
  for (const char* p = rest; *p; ++p) e.depth += *p == '\t';

  if (std::sscanf(rest, "%s%n", token.data(), &used) != 1) return 0;
  const char* tail = rest + used;
  if (layout == FORMAT_SUN) {
    e.name.assign(token.data(), std::strlen(token.data()) - 1);
    if (std::strstr(tail, "<>")) {
      e.kind = ENTRY_EXTERNAL;
      return 1;
    }
    if (std::strchr(tail, ',')) {
      e.kind = ENTRY_DEFINED;
      // "%[^,]%n, <%s %d>", where the signature may run on past commas.
      for (const char* c = std::strchr(tail, ','); c; c = std::strchr(c + 1, ',')) {
        if (c > tail && SCAN_IN_RANGE(2, e.line, c, ", <%s %ld", file.data(), &e.line)) {
          e.signature.assign(tail, static_cast<size_t>(c - tail));
          e.file = file.data();
          return 1;
        }
      }
      return 0;
    }
    e.kind = ENTRY_REFERENCE;
    return SCAN_IN_RANGE(1, e.number, tail, " %ld", &e.number);
  }

  if (std::strcmp(token.data(), "...") == 0) {
    if (std::sscanf(tail, "%s%n", token.data(), &used) != 1) return 0;
    tail += used;
  }
  e.name = token.data();
  if (std::strstr(tail, "{}")) {
    e.kind = ENTRY_EXTERNAL;
    return 1;
  }
  if (std::strstr(tail, "...")) {
    e.kind = ENTRY_REFERENCE;
    const char* brace = std::strchr(tail, '{');
    return brace && SCAN_IN_RANGE(1, e.number, brace, "{%ld}", &e.number);
  }
  e.kind = ENTRY_DEFINED;
  if (!SCAN_IN_RANGE(2, e.line, tail, " {%s %ld}", file.data(), &e.line)) return 0;
  e.file = file.data();
  e.signature.clear();
  return 1;
}

}  // namespace

int oracle_parse(int layout, const char* text, oracle_entry& entry) {
  entry = oracle_entry{};
  return parse(layout, text, entry);
}

namespace {

// The quick road reads past the line. There the characters that could
// complete a mark at the line's end ("<" then ">", "..", "{" then "}", digits
// after a number) catch a mask that leaks beyond it.
const char kSlackFills[] = {'>', '.', '}', '7', '\t'};

}  // namespace

std::string compare_with_oracle(int layout, const std::string& text) {
  const std::string c_text = text.substr(0, text.find('\0'));
  oracle_entry want;
  const int want_ok = oracle_parse(layout, c_text.c_str(), want);
  std::string diff;
  auto compare = [&](const std::string& road, int got_ok, const listing_entry& got) {
    auto check = [&](const char* field, bool same) {
      if (!same) diff += (diff.empty() ? "" : ", ") + road + field;
    };
    check("accepted", want_ok == got_ok);
    if (want_ok && got_ok) {
      check("kind", want.kind == got.kind);
      check("number", want.number == got.number);
      check("depth", want.depth == got.depth);
      check("name", got.name == want.name);
      if (want.kind == ENTRY_DEFINED && got.kind == ENTRY_DEFINED) {
        check("signature", got.signature == want.signature);
        check("file", got.file == want.file);
        check("line", want.line == got.line);
      }
    }
  };
  // Every road of the reader: the general one, and the quick one under
  // each classifier.
  listing_entry got;
  const padded_string plain(c_text);
  compare("", layout == FORMAT_SUN ? parse_sun_line(plain, got) : parse_free_line(plain, got), got);
  const int saved_format = input_format;
  for (const quick_road_entry& r : quick_roads()) {
    if (!r.supported()) continue;
    current_quick_road = r.road;
    for (const char fill : kSlackFills) {
      const padded_string line(c_text, fill);
      const std::string road = std::string(r.name) + " " + fill + " ";
      if (c_text.size() <= kQuickMaxLine) {
        // Where it answers, it answers right.
        const bool quick = layout == FORMAT_SUN ? r.road->sun(line, got) : r.road->free(line, got);
        if (quick) compare(road + "quick ", 1, got);
      }
      input_format = layout;
      compare(road + "padded ", parse_padded_line(line, got), got);
    }
  }
  input_format = saved_format;
  current_quick_road = best_quick_road();
  return diff;
}
