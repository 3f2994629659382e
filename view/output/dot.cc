// Graphviz dot: clusters per file, marks as styles, links as URLs.
#include <cstdio>
#include <string>
#include <string_view>

#include "view/output/link.h"
#include "view/output/shared.h"
#include "view/output/text.h"

namespace {

// Graphviz reads no quoted string longer than 16384 bytes: longer text goes
// out as several strings joined by "+".
class dot_string {
 public:
  explicit dot_string(out_buffer& out) : out_(out) { out_.put('"'); }
  ~dot_string() { out_.put('"'); }
  // Control bytes as "\x01" and what is not UTF-8 as U+FFFD: Graphviz
  // copies the rest into SVG, which no XML reader takes with either.
  void text(std::string_view s) {
    for (size_t i = 0; i < s.size(); ++i) {
      const char c = s[i];
      const auto u = static_cast<unsigned char>(c);
      if (c == '"' || c == '\\') {
        room(2);
        out_.put('\\');
        out_.put(c);
      } else if (is_control(u)) {
        char e[8];
        raw(std::string_view(e, std::snprintf(e, sizeof e, "\\\\x%02x", u)));
      } else if (u >= 0x80) {
        const int n = utf8_sequence(s.substr(i));
        raw(n > 0 ? s.substr(i, n) : kReplacement);  // never split by room()
        i += static_cast<size_t>(n > 0 ? n : -n) - 1;
      } else {
        room(1);
        out_.put(c);
      }
    }
  }
  void raw(std::string_view s) {
    room(s.size());
    out_.put(s);
  }

 private:
  void room(size_t n) {
    if (used_ + n > kMax) {
      out_.put("\" + \"");
      used_ = 0;
    }
    used_ += n;
  }
  static constexpr size_t kMax = 16000;
  out_buffer& out_;
  size_t used_ = 0;
};

// What GCC's call graph tells of a function besides its calls, as tooltip
// lines: "calls through pointers: 3", "stack: 16 bytes (static)".
void gcc_facts(const call_graph& g, int32_t id, dot_string& s) {
  char digits[24];
  if (const int32_t n = g.indirect_calls(id); n > 0) {
    s.raw("\\n");
    s.raw(std::string_view(digits, std::snprintf(digits, sizeof digits, "%d", n)));
    s.raw(n == 1 ? " call through a pointer" : " calls through pointers");
  }
  if (const int64_t bytes = g.stack_bytes(id); bytes >= 0) {
    s.raw("\\nstack: ");
    s.raw(std::string_view(
        digits, std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(bytes))));
    s.raw(" bytes (");
    s.text(g.stack_kind(id));
    s.raw(")");
  }
}

void dot_node(const call_graph& g, const graph_view& v, const write_options& o, size_t k,
              std::string& url, out_buffer& out) {
  const int32_t id = v.nodes[k];
  const bool defined = g.defined(id), focus = v.flags[k] & (VIEW_FOCUS | VIEW_TARGET),
             cut = v.flags[k] & VIEW_CUT;
  out.put(defined && o.group ? "    n" : "  n");
  out.put_int(static_cast<int32_t>(k));
  out.put(" [label=");
  {
    dot_string s(out);
    s.text(g.name(id));
    if (o.full_labels && defined) {
      if (!g.signature(id).empty()) {
        s.raw("\\n");
        s.text(g.signature(id));
      }
      s.raw("\\n");
      s.text(g.file(id));
      s.raw(":");
      char digits[16];
      s.raw(std::string_view(digits, std::snprintf(digits, sizeof digits, "%d", g.line(id))));
    }
  }
  out.put(", tooltip=");
  {
    dot_string s(out);
    if (defined) {
      if (!g.signature(id).empty()) {
        s.text(g.signature(id));
        s.raw("\\n");
      }
      s.text(g.file(id));
      char digits[16];
      s.raw(std::string_view(digits, std::snprintf(digits, sizeof digits, ":%d", g.line(id))));
    } else {
      s.text(g.name(id));
      s.raw(": no definition in the listed sources");
    }
    gcc_facts(g, id, s);
    if (cut) s.raw("\\n(some calls left out: see --max-nodes)");
  }
  // Cut corners ("diagonals") mark a function that calls through pointers;
  // only a defined one does.
  const bool indirect = g.indirect_calls(id) > 0;
  if (!defined || focus) {
    out.put(!defined && focus ? ", style=\"dashed,filled,bold\""
            : focus ? (indirect ? ", style=\"filled,bold,diagonals\"" : ", style=\"filled,bold\"")
                    : ", style=dashed, fontcolor=\"#555555\"");
  } else if (indirect) {
    out.put(", style=diagonals");
  }
  if (focus) out.put(", fillcolor=\"#fde68a\"");
  if (g.recursive(id))
    out.put(", color=\"#b91c1c\"");
  else if (!defined)
    out.put(", color=\"#888888\"");
  if (cut) out.put(", peripheries=2");
  if (defined && o.has_link && expand_link(o.link, g.file(id), g.line(id), url)) {
    out.put(", URL=");
    dot_string s(out);
    s.text(url);
  }
  out.put("];\n");
}

// A fold box: a dashed note for the callers or callees that a hub does not
// show, joined to it by a dashed edge.
void dot_folds(const graph_view& v, out_buffer& out) {
  char label[128];
  for (size_t k = 0; k < v.folds.size(); ++k) {
    const fold_box& f = v.folds[k];
    out.put("  fold");
    out.put_int(static_cast<int32_t>(k));
    out.put(std::string_view(label, std::snprintf(label, sizeof label,
                                                  " [label=\"+%d more %s\", shape=note, "
                                                  "style=dashed, fontcolor=\"#555555\"];\n",
                                                  f.more, f.callers ? "callers" : "callees")));
  }
  for (size_t k = 0; k < v.folds.size(); ++k) {
    const fold_box& f = v.folds[k];
    out.put(f.callers ? "  fold" : "  n");
    out.put_int(static_cast<int32_t>(f.callers ? k : f.hub));
    out.put(f.callers ? " -> n" : " -> fold");
    out.put_int(static_cast<int32_t>(f.callers ? f.hub : k));
    out.put(" [style=dashed];\n");
  }
}

}  // namespace

void write_dot(const call_graph& g, const graph_view& v, const write_options& o, out_buffer& out) {
  out.put("digraph calls {\n");
  out.put(o.top_bottom ? "  graph [rankdir=TB" : "  graph [rankdir=LR");
  out.put(", fontname=\"Helvetica\", fontsize=10];\n");
  out.put("  node [shape=box, fontname=\"Helvetica\", fontsize=10];\n");
  std::vector<int32_t> files;
  const std::vector<int32_t> cluster = clusters(g, v, o.group, files);
  std::string url;
  // Each cluster's nodes in order: one pass per cluster would be quadratic.
  std::vector<size_t> first(files.size() + 1, 0), order(v.nodes.size());
  for (const int32_t c : cluster) {
    if (c >= 0) ++first[c + 1];
  }
  for (size_t c = 0; c < files.size(); ++c) first[c + 1] += first[c];
  {
    std::vector<size_t> at(first.begin(), first.end() - 1);
    for (size_t k = 0; k < v.nodes.size(); ++k) {
      if (cluster[k] >= 0) order[at[cluster[k]]++] = k;
    }
  }
  for (size_t c = 0; c < files.size(); ++c) {
    out.put("  subgraph cluster_");
    out.put_int(static_cast<int32_t>(c));
    out.put(" {\n    label=");
    {
      dot_string s(out);
      s.text(g.file(v.nodes[order[first[c]]]));
    }
    out.put(";\n    style=rounded;\n    color=\"#9ca3af\";\n");
    for (size_t i = first[c]; i < first[c + 1]; ++i) dot_node(g, v, o, order[i], url, out);
    out.put("  }\n");
  }
  for (size_t k = 0; k < v.nodes.size(); ++k) {
    if (cluster[k] < 0) dot_node(g, v, o, k, url, out);
  }
  for (const call_edge& e : v.edges) {
    out.put("  n");
    out.put_int(e.caller);
    out.put(" -> n");
    out.put_int(e.callee);
    out.put(";\n");
  }
  dot_folds(v, out);
  out.put("}\n");
}
