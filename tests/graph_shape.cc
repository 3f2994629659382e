#include "tests/graph_shape.h"

#include <cctype>
#include <set>

#include "writers/dot/dot_header.h"
#include "writers/vcg/vcg_header.h"

namespace {

// A cursor over one output line; any mismatch clears ok for good.
struct cursor {
  std::string_view s;
  bool ok = true;

  void literal(std::string_view want) {
    ok = ok && s.substr(0, want.size()) == want;
    if (ok) s.remove_prefix(want.size());
  }
  void integer() {
    const size_t i = integer_length(s);
    ok = ok && i > 0;
    if (ok) s.remove_prefix(i);
  }
  // An escaped text field, up to its closing quote or, for dot, the "\n"
  // that separates label lines; returns the field. Only '"' and '\' are
  // escaped, so reading by escape pairs is never ambiguous.
  std::string_view field(bool dot) {
    size_t i = 0;
    while (ok && i < s.size()) {
      if (s[i] == '"') {
        // dot joins long labels from several strings: "..." + "..."
        if (!dot || s.substr(i, 5) != "\" + \"") break;
        i += 5;
      } else if (s[i] != '\\') {
        ++i;
      } else if (i + 1 < s.size() && (s[i + 1] == '"' || s[i + 1] == '\\')) {
        i += 2;
      } else if (dot && i + 1 < s.size() && s[i + 1] == 'n') {
        break;
      } else {
        ok = false;
      }
    }
    ok = ok && i < s.size();
    const std::string_view f = s.substr(0, ok ? i : 0);
    if (ok) s.remove_prefix(i);
    return f;
  }
  // "file:line": the field ends with a colon and a number.
  void place(bool dot) {
    const std::string_view f = field(dot);
    const size_t colon = f.rfind(':');
    ok = ok && colon != std::string_view::npos &&
         integer_length(f.substr(colon + 1)) == f.size() - colon - 1 && colon + 1 < f.size();
  }
  // Returns the identifier's number text.
  std::string_view dot_identifier() {
    const bool quoted = !s.empty() && s[0] == '"';
    if (quoted) literal("\"");
    literal("node_");
    ok = ok && quoted == (!s.empty() && s[0] == '-');  // quoted exactly when negative
    const std::string_view number = s.substr(0, ok ? integer_length(s) : 0);
    integer();
    if (quoted) literal("\"");
    return number;
  }
  bool done() const { return ok && s.empty(); }

  static size_t integer_length(std::string_view t) {
    size_t i = !t.empty() && t[0] == '-' ? 1 : 0;
    const size_t digits = i;
    while (i < t.size() && std::isdigit(static_cast<unsigned char>(t[i]))) ++i;
    return i == digits || i > digits + 10 ? 0 : i;
  }
};

bool vcg_line(std::string_view line) {
  cursor c{line};
  if (line.substr(0, 5) == "edge:") {
    c.literal("edge: { sourcename: \"");
    c.integer();
    c.literal("\" targetname: \"");
    c.integer();
    c.literal("\" class: ");
    return c.ok && (c.s == "1 }" || c.s == "2 }");
  }
  c.literal("node: { title: \"");
  c.integer();
  c.literal("\" label: \"");
  c.field(false);
  c.literal("\" info1: \"");
  c.integer();
  c.literal("\" info2: \"");
  c.field(false);
  c.literal("\" info3: \"");
  c.place(false);
  c.literal("\" }");
  return c.done();
}

// nodes: the numbers of the nodes declared so far; an edge must name two of
// them when strict.
bool dot_line(std::string_view line, std::set<std::string_view>& nodes, bool strict) {
  cursor c{line};
  if (!line.empty() && line[0] == '\t') {
    c.literal("\t");
    const std::string_view source = c.dot_identifier();
    c.literal(" -> ");
    const std::string_view target = c.dot_identifier();
    c.literal(" ;");
    return c.done() && (!strict || (nodes.count(source) && nodes.count(target)));
  }
  nodes.insert(c.dot_identifier());
  c.literal(" [ label=\"");
  c.field(true);
  c.literal("\\n");
  c.field(true);
  c.literal("\\n");
  c.place(true);
  c.literal("\" ]");
  return c.done();
}

}  // namespace

std::string graph_header(graph_language language, int invisible) {
  if (language == GRAPH_DOT) return std::string(kDotHeader);
  std::string h(kVcgHeader);
  if (invisible != 0) h += "invisible: " + std::to_string(invisible) + "\n";
  return h;
}

std::string check_graph_shape(graph_language language, int invisible, std::string_view out,
                              bool complete) {
  const std::string header = graph_header(language, invisible);
  if (out.substr(0, header.size()) != header) return "no header";
  out.remove_prefix(header.size());
  if (complete) {
    if (out.size() < 2 || out.substr(out.size() - 2) != "}\n") return "no footer";
    out.remove_suffix(2);
  }
  // Under -i the dot graph holds only defined functions: an edge to or from
  // any other would make Graphviz draw a node that was never declared.
  std::set<std::string_view> nodes;
  const bool declared_only = invisible == 2;
  while (!out.empty()) {
    const size_t end = out.find('\n');
    if (end == std::string_view::npos) return "unfinished line: " + std::string(out);
    const std::string_view line = out.substr(0, end);
    if (!(language == GRAPH_VCG ? vcg_line(line) : dot_line(line, nodes, declared_only)))
      return "bad line: " + std::string(line);
    out.remove_prefix(end + 1);
  }
  return "";
}
