// Mermaid: a flowchart with a subgraph per file, marks as classes.
#include <cstdio>
#include <string>
#include <string_view>

#include "view/output/link.h"
#include "view/output/shared.h"
#include "view/output/text.h"

namespace {

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

// The marks, as classes: what each holds, then how it looks.
void mermaid_marks(const call_graph& g, const graph_view& v, out_buffer& out) {
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
                         : m == 1 ? (v.flags[k] & (VIEW_FOCUS | VIEW_TARGET)) != 0
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
}

void mermaid_links(const call_graph& g, const graph_view& v, const write_options& o,
                   out_buffer& out) {
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

// A fold box: a node of its own class, joined to its hub by a dotted link.
void mermaid_folds(const graph_view& v, out_buffer& out) {
  for (size_t k = 0; k < v.folds.size(); ++k) {
    const fold_box& f = v.folds[k];
    char text[96];
    out.put(std::string_view(text, std::snprintf(text, sizeof text, "  fold%zu[\"+%d more %s\"]\n",
                                                 k, f.more, f.callers ? "callers" : "callees")));
    out.put(std::string_view(
        text, f.callers ? std::snprintf(text, sizeof text, "  fold%zu -.-> n%d\n", k, f.hub)
                        : std::snprintf(text, sizeof text, "  n%d -.-> fold%zu\n", f.hub, k)));
  }
  for (size_t k = 0; k < v.folds.size(); ++k) {
    out.put(k == 0 ? "  class fold" : ",fold");
    out.put_int(static_cast<int32_t>(k));
  }
  if (!v.folds.empty()) out.put(" folded\n  classDef folded stroke-dasharray:4 3,color:#555555\n");
}

}  // namespace

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
  mermaid_folds(v, out);
  mermaid_marks(g, v, out);
  if (o.has_link) mermaid_links(g, v, o, out);
}
