#include "view/writers.h"

#include <algorithm>
#include <cstdio>
#include <string_view>

#include "view/link.h"
#include "view/text.h"

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

template <class W>
void put_int64(W& out, int64_t value) {
  char digits[24];
  const int n = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
  out.put(std::string_view(digits, static_cast<size_t>(n)));
}

void put_decimal(out_buffer& out, int64_t value) {
  char digits[24];
  const int n = std::snprintf(digits, sizeof digits, "%lld", static_cast<long long>(value));
  out.put(std::string_view(digits, static_cast<size_t>(n)));
}

// The source files of the view's defined functions, in first-seen order,
// and each node's cluster (-1 for none).
std::vector<int32_t> clusters(const call_graph& g, const graph_view& v, bool group,
                              std::vector<int32_t>& files) {
  std::vector<int32_t> cluster(v.nodes.size(), -1), of_file;
  if (!group) return cluster;
  for (size_t k = 0; k < v.nodes.size(); ++k) {
    const int32_t f = g.file_index(v.nodes[k]);
    if (f < 0) continue;
    if (of_file.size() <= static_cast<size_t>(f)) of_file.resize(f + 1, -1);
    if (of_file[f] < 0) {
      of_file[f] = static_cast<int32_t>(files.size());
      files.push_back(f);
    }
    cluster[k] = of_file[f];
  }
  return cluster;
}

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
  const bool defined = g.defined(id), focus = v.flags[k] & VIEW_FOCUS, cut = v.flags[k] & VIEW_CUT;
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

// JSON's string escapes; in the HTML also "<", so that no name ends the
// script element that holds the data.
template <class W>
void json_chars(W& out, std::string_view s, bool html) {
  // Most texts need no escape: eight bytes a step until one might.
  size_t i = 0;
  for (; i + 8 <= s.size(); i += 8) {
    const uint64_t w = bytes::load(s.data() + i);
    if ((w & bytes::kHighs) != 0 || bytes::any_below(w, 0x20) ||
        bytes::zero_bytes(w ^ (bytes::kOnes * '"')) ||
        bytes::zero_bytes(w ^ (bytes::kOnes * '\\')) ||
        (html && bytes::zero_bytes(w ^ (bytes::kOnes * '<'))))
      break;
  }
  size_t start = 0;
  for (; i < s.size(); ++i) {
    const auto c = static_cast<unsigned char>(s[i]);
    if (c >= 0x80) {
      // JSON is UTF-8: what is not becomes U+FFFD, as a browser shows it.
      const int n = utf8_sequence(s.substr(i));
      if (n > 0) {
        i += static_cast<size_t>(n) - 1;
        continue;
      }
      out.put(s.substr(start, i - start));
      out.put("\\ufffd");
      i += static_cast<size_t>(-n) - 1;
      start = i + 1;
      continue;
    }
    if (c >= 0x20 && c != '"' && c != '\\' && !(html && c == '<')) continue;
    out.put(s.substr(start, i - start));
    start = i + 1;
    switch (c) {
      case '"':
        out.put("\\\"");
        break;
      case '\\':
        out.put("\\\\");
        break;
      case '\n':
        out.put("\\n");
        break;
      case '\t':
        out.put("\\t");
        break;
      case '\r':
        out.put("\\r");
        break;
      default: {
        char u[8];
        std::snprintf(u, sizeof u, "\\u%04x", c);
        out.put(std::string_view(u, 6));
      }
    }
  }
  out.put(s.substr(start));
}

template <class W>
void json_string(W& out, std::string_view s, bool html) {
  out.put('"');
  json_chars(out, s, html);
  out.put('"');
}

void json(const call_graph& g, const graph_view& v, const write_options* html, out_buffer& out) {
  out.put("{\"nodes\":[");
  std::string link;
  for (size_t k = 0; k < v.nodes.size(); ++k) {
    const int32_t id = v.nodes[k];
    const bool url = html != nullptr && html->has_link && g.defined(id) &&
                     expand_link(html->link, g.file(id), g.line(id), link);
    // Each node goes into the buffer in one go: escapes at most six bytes
    // for one, the keys and numbers a bounded few; a link needs none.
    const size_t bound = 6 * (g.name(id).size() + g.signature(id).size() + g.file(id).size()) +
                         (url ? link.size() : 0) + 6 * g.stack_kind(id).size() + 240;
    out.write_line(bound, [&](auto& w) {
      w.put(k == 0 ? "{\"id\":" : ", {\"id\":");
      w.put_int(static_cast<int32_t>(k));
      w.put(",\"name\":");
      json_string(w, g.name(id), html != nullptr);
      if (g.defined(id)) {
        w.put(",\"defined\":true,\"signature\":");
        json_string(w, g.signature(id), html != nullptr);
        w.put(",\"file\":");
        json_string(w, g.file(id), html != nullptr);
        w.put(",\"line\":");
        w.put_int(g.line(id));
      } else {
        w.put(",\"defined\":false");
      }
      if (v.flags[k] & VIEW_FOCUS) w.put(",\"focus\":true");
      if (g.recursive(id)) w.put(",\"recursive\":true");
      if (v.flags[k] & VIEW_CUT) w.put(",\"cut\":true");
      if (url) {
        w.put(",\"url\":");
        json_string(w, link, true);
      }
      if (g.indirect_calls(id) > 0) {
        w.put(",\"indirect_calls\":");
        w.put_int(g.indirect_calls(id));
      }
      if (g.stack_bytes(id) >= 0) {
        w.put(",\"stack_bytes\":");
        put_int64(w, g.stack_bytes(id));
        w.put(",\"stack\":");
        json_string(w, g.stack_kind(id), html != nullptr);
      }
      w.put('}');
    });
  }
  out.put("],\"edges\":[");
  for (size_t k = 0; k < v.edges.size(); ++k) {
    out.write_line(64, [&](auto& w) {
      w.put(k == 0 ? "{\"source\":" : ", {\"source\":");
      w.put_int(v.edges[k].caller);
      w.put(",\"target\":");
      w.put_int(v.edges[k].callee);
      w.put('}');
    });
  }
  out.put(']');
  if (html != nullptr && html->callers >= 0) {
    out.put(",\"callers\":");
    put_decimal(out, html->callers);
  }
  if (html != nullptr && html->callees >= 0) {
    out.put(",\"callees\":");
    put_decimal(out, html->callees);
  }
  out.put('}');
}

// Mermaid reads a quoted label's entities: "#quot;", "#35;". Every mark
// that its grammar or the HTML it makes could take as its own is written
// as one; control bytes as "\x01" text, what is not UTF-8 as U+FFFD. An
// empty text is a blank: Mermaid refuses a whole diagram for one "".
void mermaid_text(out_buffer& out, std::string_view s) {
  if (s.empty()) out.put(' ');
  for (size_t i = 0; i < s.size(); ++i) {
    const char c = s[i];
    const auto u = static_cast<unsigned char>(c);
    if (u >= 0x80) {
      const int n = utf8_sequence(s.substr(i));
      out.put(n > 0 ? s.substr(i, n) : kReplacement);
      i += static_cast<size_t>(n > 0 ? n : -n) - 1;
      continue;
    }
    const bool plain = (u >= '0' && u <= '9') || ((u | 0x20) >= 'a' && (u | 0x20) <= 'z') ||
                       std::string_view(" _.,:*()/+-=!?@$^~'").find(c) != std::string_view::npos;
    char e[12];
    if (plain)
      out.put(c);
    else if (is_control(u))
      out.put(std::string_view(e, std::snprintf(e, sizeof e, "#92;x%02x", u)));
    else
      out.put(std::string_view(e, std::snprintf(e, sizeof e, "#%u;", u)));
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
  out.put("}\n");
}

void write_json(const call_graph& g, const graph_view& v, out_buffer& out) {
  json(g, v, nullptr, out);
  out.put('\n');
}

void write_mermaid(const call_graph& g, const graph_view& v, const write_options& o,
                   out_buffer& out) {
  out.put(o.top_bottom ? "flowchart TB\n" : "flowchart LR\n");
  std::vector<int32_t> files;
  const std::vector<int32_t> cluster = clusters(g, v, o.group, files);
  auto node = [&](size_t k, const char* indent) {
    const int32_t id = v.nodes[k];
    out.put(indent);
    out.put('n');
    out.put_int(static_cast<int32_t>(k));
    out.put("[\"");
    mermaid_text(out, g.name(id));
    if (o.full_labels && g.defined(id)) {
      if (!g.signature(id).empty()) {
        out.put("<br/>");
        mermaid_text(out, g.signature(id));
      }
      out.put("<br/>");
      mermaid_text(out, g.file(id));
      out.put(':');
      out.put_int(g.line(id));
    }
    out.put("\"]\n");
  };
  std::vector<std::vector<size_t>> members(files.size());
  for (size_t k = 0; k < v.nodes.size(); ++k) {
    if (cluster[k] >= 0) members[cluster[k]].push_back(k);
  }
  for (size_t c = 0; c < files.size(); ++c) {
    out.put("  subgraph f");
    out.put_int(static_cast<int32_t>(c));
    out.put(" [\"");
    mermaid_text(out, g.file(v.nodes[members[c][0]]));
    out.put("\"]\n");
    for (const size_t k : members[c]) node(k, "    ");
    out.put("  end\n");
  }
  for (size_t k = 0; k < v.nodes.size(); ++k) {
    if (cluster[k] < 0) node(k, "  ");
  }
  for (const call_edge& e : v.edges) {
    out.put("  n");
    out.put_int(e.caller);
    out.put(" --> n");
    out.put_int(e.callee);
    out.put('\n');
  }
  // The marks, as classes: what each holds, then how it looks.
  struct mark {
    const char* name;
    const char* style;
  };
  static const mark kMarks[] = {{"undefined", "stroke-dasharray:4 3,color:#555555"},
                                {"focus", "fill:#fde68a,stroke-width:2px"},
                                {"recursive", "stroke:#b91c1c"},
                                {"cut", "stroke-width:3px"}};
  for (int m = 0; m < 4; ++m) {
    bool any = false;
    for (size_t k = 0; k < v.nodes.size(); ++k) {
      const int32_t id = v.nodes[k];
      const bool holds = m == 0   ? !g.defined(id)
                         : m == 1 ? (v.flags[k] & VIEW_FOCUS) != 0
                         : m == 2 ? g.recursive(id)
                                  : (v.flags[k] & VIEW_CUT) != 0;
      if (!holds) continue;
      out.put(any ? ",n" : "  class n");
      out.put_int(static_cast<int32_t>(k));
      any = true;
    }
    if (!any) continue;
    out.put(' ');
    out.put(kMarks[m].name);
    out.put("\n  classDef ");
    out.put(kMarks[m].name);
    out.put(' ');
    out.put(kMarks[m].style);
    out.put('\n');
  }
  if (o.has_link) {
    // The link is percent-encoded: nothing in it ends the string or the line.
    std::string url;
    for (size_t k = 0; k < v.nodes.size(); ++k) {
      const int32_t id = v.nodes[k];
      if (!g.defined(id) || !expand_link(o.link, g.file(id), g.line(id), url)) continue;
      out.put("  click n");
      out.put_int(static_cast<int32_t>(k));
      out.put(" href \"");
      out.put(url);
      out.put("\"\n");
    }
  }
}

void write_html(const call_graph& g, const graph_view& v, const write_options& o, out_buffer& out) {
  const std::string_view page(kExplorerHtml, kExplorerHtmlSize);
  struct part {
    size_t at;
    std::string_view placeholder;
    int what;  // 0 style, 1 script, 2 data
  };
  part parts[] = {{page.find("/*@STYLE@*/"), "/*@STYLE@*/", 0},
                  {page.find("/*@SCRIPT@*/"), "/*@SCRIPT@*/", 1},
                  {page.find("@DATA@"), "@DATA@", 2}};
  std::sort(std::begin(parts), std::end(parts),
            [](const part& a, const part& b) { return a.at < b.at; });
  size_t from = 0;
  for (const part& p : parts) {
    if (p.at == std::string_view::npos) continue;  // the build checks that all are there
    out.put(page.substr(from, p.at - from));
    if (p.what == 0) out.put(std::string_view(kExplorerCss, kExplorerCssSize));
    if (p.what == 1) out.put(std::string_view(kExplorerJs, kExplorerJsSize));
    if (p.what == 2) json(g, v, &o, out);
    from = p.at + p.placeholder.size();
  }
  out.put(page.substr(from));
}
