// JSON: the view's nodes and edges, UTF-8 whatever the names hold.
#include <cstdio>
#include <string>
#include <string_view>

#include "io/bytes.h"
#include "view/output/link.h"
#include "view/output/shared.h"
#include "view/output/text.h"

namespace {

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

// A fold box, after the view's nodes: what it stands for, and its hub.
void json_folds(const graph_view& v, out_buffer& out) {
  for (size_t k = 0; k < v.folds.size(); ++k) {
    const fold_box& f = v.folds[k];
    char text[160];
    out.put(std::string_view(
        text, std::snprintf(text, sizeof text,
                            "%s{\"id\":%zu,\"name\":\"+%d more %s\",\"folded\":%d,\"hub\":%d,"
                            "\"direction\":\"%s\"}",
                            k == 0 && v.nodes.empty() ? "" : ", ", v.nodes.size() + k, f.more,
                            f.callers ? "callers" : "callees", f.more, f.hub,
                            f.callers ? "callers" : "callees")));
  }
}

void json_edge(out_buffer& out, bool first, const call_edge& e) {
  out.write_line(64, [&](auto& w) {
    w.put(first ? "{\"source\":" : ", {\"source\":");
    w.put_int(e.caller);
    w.put(",\"target\":");
    w.put_int(e.callee);
    w.put('}');
  });
}

}  // namespace

void write_json_data(const call_graph& g, const graph_view& v, const write_options* html,
                     out_buffer& out) {
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
      if (v.flags[k] & VIEW_TARGET) w.put(",\"target\":true");
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
  json_folds(v, out);
  out.put("],\"edges\":[");
  for (size_t k = 0; k < v.edges.size(); ++k) json_edge(out, k == 0, v.edges[k]);
  for (size_t k = 0; k < v.folds.size(); ++k) {
    // Its callers call the hub; the hub calls its callees.
    const auto box = static_cast<int32_t>(v.nodes.size() + k), hub = v.folds[k].hub;
    json_edge(out, k == 0 && v.edges.empty(),
              v.folds[k].callers ? call_edge{box, hub} : call_edge{hub, box});
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
  if (html != nullptr && html->fold >= 0) {
    out.put(",\"fold\":");
    put_decimal(out, html->fold);
  }
  out.put('}');
}

void write_json(const call_graph& g, const graph_view& v, out_buffer& out) {
  write_json_data(g, v, nullptr, out);
  out.put('\n');
}
