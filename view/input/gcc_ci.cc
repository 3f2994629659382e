#include "view/input/gcc_ci.h"

#include <dirent.h>
#include <sys/stat.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io/line_reader.h"

namespace {

constexpr char kProgram[] = "tanglet-view";
constexpr std::string_view kNewline = "\\n";  // GCC's line break in a label

bool take(std::string_view& s, std::string_view prefix) {
  if (s.substr(0, prefix.size()) != prefix) return false;
  s.remove_prefix(prefix.size());
  return true;
}

bool take_suffix(std::string_view& s, std::string_view suffix) {
  if (s.size() < suffix.size() || s.substr(s.size() - suffix.size()) != suffix) return false;
  s.remove_suffix(suffix.size());
  return true;
}

// A title up to its closing quote: GCC leaves quotes out of titles.
bool take_title(std::string_view& s, std::string_view& title) {
  const size_t quote = s.find('"');
  if (quote == std::string_view::npos) return false;
  title = s.substr(0, quote);
  s.remove_prefix(quote + 1);
  return true;
}

bool is_blank(char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; }

bool to_number(std::string_view s, int64_t& out) {
  if (s.empty() || s.size() > 18) return false;
  out = 0;
  for (const char c : s) {
    if (c < '0' || c > '9') return false;
    out = out * 10 + (c - '0');
  }
  return true;
}

// "file:line:column", or "file:line" without columns.
bool to_location(std::string_view s, std::string_view& file, int32_t& line) {
  size_t colon = s.rfind(':');
  int64_t n;
  if (colon == std::string_view::npos || !to_number(s.substr(colon + 1), n)) return false;
  const size_t before = colon == 0 ? std::string_view::npos : s.rfind(':', colon - 1);
  int64_t first;
  if (before != std::string_view::npos &&
      to_number(s.substr(before + 1, colon - before - 1), first)) {
    n = first;
    colon = before;
  }
  if (colon == 0 || n > INT32_MAX) return false;
  file = s.substr(0, colon);
  line = static_cast<int32_t>(n);
  return true;
}

// A node's label: its name, where it is, then with -fcallgraph-info=su the
// frame ("16 bytes (static)") and perhaps more. A file name may hold "\n"
// too: the place is the first part that reads as one.
struct label_parts {
  std::string_view first, file, kind;
  int32_t line = 0;
  int64_t bytes = -1;
  bool located = false;
};

label_parts split_label(std::string_view label) {
  label_parts p;
  size_t end = label.find(kNewline);
  p.first = label.substr(0, end);
  if (end == std::string_view::npos) return p;
  const std::string_view rest = label.substr(end + kNewline.size());
  for (size_t at = 0;; at = end + kNewline.size()) {
    end = rest.find(kNewline, at);
    if (to_location(rest.substr(0, end), p.file, p.line)) break;
    if (end == std::string_view::npos) return p;
  }
  p.located = true;
  if (end == std::string_view::npos) return p;
  std::string_view frame = rest.substr(end + kNewline.size());
  frame = frame.substr(0, frame.find(kNewline));
  const size_t space = frame.find(' ');
  int64_t bytes;
  if (space == std::string_view::npos || !to_number(frame.substr(0, space), bytes)) return p;
  frame.remove_prefix(space);
  if (take(frame, " bytes (") && take_suffix(frame, ")") && !frame.empty() && frame.size() <= 32) {
    p.bytes = bytes;
    p.kind = frame;
  }
  return p;
}

// C++ labels are declarations, "int ns::S::get(int) const": the name is
// the word before the parameters.
std::string_view cxx_name(std::string_view pretty) {
  size_t open = std::string_view::npos;
  for (size_t i = 0, depth = 0; i < pretty.size() && open == std::string_view::npos; ++i) {
    const char c = pretty[i];
    if (c == '<') ++depth;
    if (c == '>' && depth > 0) --depth;
    if (c != '(' || depth > 0) continue;
    if (i >= 8 && pretty.substr(i - 8, 8) == "operator" && pretty.substr(i, 2) == "()") {
      ++i;  // operator()'s own parentheses
      continue;
    }
    open = i;
  }
  if (open == std::string_view::npos || open == 0) return pretty;
  size_t start = 0;
  for (size_t j = open, depth = 0; j-- > 0;) {
    const char c = pretty[j];
    if (c == '>') ++depth;
    if (c == '<' && depth > 0) --depth;
    if (c == ' ' && depth == 0) {
      start = j + 1;
      break;
    }
  }
  return start < open ? pretty.substr(start, open - start) : pretty;
}

}  // namespace

bool is_gcc_ci(std::string_view head) {
  while (!head.empty() && is_blank(head.front())) head.remove_prefix(1);
  return take(head, "graph: {");
}

bool ci_reader::line(std::string_view s) {
  while (!s.empty() && is_blank(s.front())) s.remove_prefix(1);
  while (!s.empty() && is_blank(s.back())) s.remove_suffix(1);
  if (s.empty()) return true;
  if (!in_unit_) {
    // The unit's title is its main file, written as it is; a function
    // local to it has the same without quotes, and a colon, before its own.
    if (!take(s, "graph: { title: \"") || !take_suffix(s, "\"")) return false;
    prefix_.clear();
    for (const char c : s) {
      if (c != '"') prefix_ += c;
    }
    prefix_ += ':';
    in_unit_ = true;
    return true;
  }
  if (s == "}") {
    end_unit();
    return true;
  }
  if (take(s, "node: { title: \"")) return node(s);
  if (take(s, "edge: { sourcename: \"")) return edge(s);
  return false;
}

bool ci_reader::node(std::string_view s) {
  std::string_view title;
  if (!take_title(s, title) || !take(s, " label: \"") || !take_suffix(s, " }")) return false;
  const bool declared = take_suffix(s, " shape : ellipse");
  if (!take_suffix(s, "\"")) return false;
  if (title == "__indirect_call") {
    nodes_.push_back({keep(unit_text_, title), kIndirect});
    return true;
  }
  const label_parts p = split_label(s);
  const bool local = title.size() > prefix_.size() && title.substr(0, prefix_.size()) == prefix_;
  const std::string_view symbol = local ? title.substr(prefix_.size()) : title;
  // C: the symbol, which a builtin's label calls __builtin_NAME. C++: the
  // name from the declaration, with the declaration as signature.
  const bool cxx = p.first.find('(') != std::string_view::npos;
  const std::string_view name = cxx ? cxx_name(p.first) : symbol.empty() ? p.first : symbol;
  if (name.empty()) return false;
  int32_t slot;
  if (declared || !p.located) {
    slot = declare(symbol, name, !local);
  } else {
    slot = graph_.add_defined(name, cxx ? p.first : std::string_view(), p.file, p.line);
    if (!local) globals_.push_back({keep(kept_, title), slot});
    // A header's static function is one node for all the units that have
    // it: the largest of its frames.
    if (p.bytes > graph_.stack_bytes(slot)) graph_.set_stack(slot, p.bytes, p.kind);
  }
  nodes_.push_back({keep(unit_text_, title), slot});
  return true;
}

bool ci_reader::edge(std::string_view s) {
  std::string_view source, target;
  if (!take_title(s, source) || !take(s, " targetname: \"") || !take_title(s, target)) return false;
  // The call's place, which the graph does not keep.
  if (s != " }" && !(take(s, " label: \"") && take_suffix(s, "\" }"))) return false;
  edges_.push_back({keep(unit_text_, source), keep(unit_text_, target)});
  return true;
}

int32_t ci_reader::declare(std::string_view title, std::string_view name, bool global) {
  declared_.push_back({keep(kept_, title), keep(kept_, name), global});
  return kDeclared - static_cast<int32_t>(declared_.size() - 1);
}

// Edges may come before the nodes they join: resolved once the unit is whole.
void ci_reader::end_unit() {
  std::stable_sort(nodes_.begin(), nodes_.end(), [&](const unit_node& a, const unit_node& b) {
    return unit(a.title) < unit(b.title);
  });
  auto slot_of = [&](std::string_view title) {
    const auto it =
        std::lower_bound(nodes_.begin(), nodes_.end(), title,
                         [&](const unit_node& n, std::string_view t) { return unit(n.title) < t; });
    if (it != nodes_.end() && unit(it->title) == title) return it->slot;
    if (title == "__indirect_call") return kIndirect;
    const bool local = title.size() > prefix_.size() && title.substr(0, prefix_.size()) == prefix_;
    const std::string_view symbol = local ? title.substr(prefix_.size()) : title;
    return declare(symbol, symbol, !local);
  };
  indirect_.clear();
  for (const unit_edge& e : edges_) {
    const int32_t caller = slot_of(unit(e.source)), callee = slot_of(unit(e.target));
    if (caller == kIndirect) continue;
    if (callee != kIndirect)
      calls_.push_back({caller, callee});
    else if (caller >= 0)
      indirect_.push_back(caller);
  }
  // Each call site through a pointer once; a header's function that several
  // units have keeps the count of one of them.
  std::sort(indirect_.begin(), indirect_.end());
  for (size_t i = 0, j; i < indirect_.size(); i = j) {
    for (j = i; j < indirect_.size() && indirect_[j] == indirect_[i];) ++j;
    const auto count = static_cast<int32_t>(std::min<size_t>(j - i, INT32_MAX));
    if (count > graph_.indirect_calls(indirect_[i])) graph_.set_indirect_calls(indirect_[i], count);
  }
  unit_text_.clear();
  nodes_.clear();
  edges_.clear();
  in_unit_ = false;
}

bool ci_reader::end_file() {
  const bool whole = !in_unit_;
  if (in_unit_) {
    unit_text_.clear();
    nodes_.clear();
    edges_.clear();
    in_unit_ = false;
  }
  return whole;
}

void ci_reader::finish() {
  std::stable_sort(globals_.begin(), globals_.end(),
                   [&](const named& a, const named& b) { return kept(a.title) < kept(b.title); });
  // A declaration is the definition of its symbol in another unit, if any.
  std::vector<int32_t> ids(declared_.size());
  for (size_t k = 0; k < declared_.size(); ++k) {
    const declaration& d = declared_[k];
    const std::string_view title = kept(d.title);
    const auto it =
        std::lower_bound(globals_.begin(), globals_.end(), title,
                         [&](const named& n, std::string_view t) { return kept(n.title) < t; });
    const bool found = d.global && it != globals_.end() && kept(it->title) == title;
    ids[k] = found ? it->id : graph_.add_undefined(kept(d.name));
  }
  for (const call_edge& c : calls_) {
    graph_.add_edge(c.caller >= 0 ? c.caller : ids[kDeclared - c.caller],
                    c.callee >= 0 ? c.callee : ids[kDeclared - c.callee]);
  }
  kept_.clear();
  globals_.clear();
  declared_.clear();
  calls_.clear();
}

int load_gcc_ci(int fd, const char* name, ci_reader& reader) {
  line_reader in(fd);
  padded_text text;
  long long line = 0;
  for (;;) {
    const line_read r = in.next(text);
    if (r == READ_END) break;
    if (r == READ_FAILED) {
      std::fprintf(stderr, "%s: %s: %s\n", kProgram, name, std::strerror(in.error()));
      return 1;
    }
    if (r == READ_NO_MEMORY) {
      std::fprintf(stderr, "%s: out of memory\n", kProgram);
      return 1;
    }
    ++line;
    if (!reader.line(text.view())) {
      std::fprintf(stderr, "%s: %s:%lld: not a line of GCC's call graph\n", kProgram, name, line);
      return 1;
    }
  }
  if (!reader.end_file()) {
    std::fprintf(stderr, "%s: %s:%lld: GCC's call graph ends before its closing '}'\n", kProgram,
                 name, line);
    return 1;
  }
  return 0;
}

namespace {

bool walk(const std::string& dir, std::vector<std::string>& files, int depth) {
  DIR* d = ::opendir(dir.c_str());
  if (d == nullptr) {
    std::fprintf(stderr, "%s: %s: %s\n", kProgram, dir.c_str(), std::strerror(errno));
    return false;
  }
  bool ok = true;
  const std::string base = dir.empty() || dir.back() == '/' ? dir : dir + '/';
  while (const dirent* e = ::readdir(d)) {
    const std::string_view entry = e->d_name;
    if (entry.empty() || entry.front() == '.') continue;  // hidden, and . and ..
    const std::string path = base + e->d_name;
    struct stat about;
    // Links to folders are not followed: a loop would never end.
    if (::lstat(path.c_str(), &about) != 0) continue;
    // CMake compiles a program of its own there, to know the compiler.
    if (S_ISDIR(about.st_mode) && entry.substr(0, 10) == "CompilerId") continue;
    if (S_ISDIR(about.st_mode)) {
      if (depth < 64 && !walk(path, files, depth + 1)) ok = false;
      continue;
    }
    if (entry.size() > 3 && entry.substr(entry.size() - 3) == ".ci" &&
        ::stat(path.c_str(), &about) == 0 && S_ISREG(about.st_mode))
      files.push_back(path);
  }
  ::closedir(d);
  return ok;
}

}  // namespace

int find_gcc_ci(const std::string& dir, std::vector<std::string>& files) {
  const size_t before = files.size();
  if (!walk(dir, files, 0)) return 1;
  if (files.size() == before) {
    std::fprintf(stderr, "%s: %s: no .ci file (compile with -fcallgraph-info)\n", kProgram,
                 dir.c_str());
    return 1;
  }
  std::sort(files.begin() + static_cast<std::ptrdiff_t>(before), files.end());
  return 0;
}
