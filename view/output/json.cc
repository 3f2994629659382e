// JSON: the view's nodes and edges, UTF-8 whatever the names hold.
#include <string_view>

#include "view/output/json_text.h"
#include "view/output/writers.h"

namespace {

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

void write_graph(const call_graph& g, const graph_view& v, out_buffer& out) {
  out.put("{\"nodes\":[");
  for (size_t k = 0; k < v.nodes.size(); ++k) {
    const int32_t id = v.nodes[k];
    // Each node goes into the buffer in one go: escapes at most six bytes
    // for one, the keys and numbers a bounded few.
    const size_t bound = 6 * (g.name(id).size() + g.signature(id).size() + g.file(id).size()) +
                         6 * g.stack_kind(id).size() + 240;
    out.write_line(bound, [&](auto& w) {
      w.put(k == 0 ? "{\"id\":" : ", {\"id\":");
      w.put_int(static_cast<int32_t>(k));
      w.put(",\"name\":");
      json_string(w, g.name(id), false);
      if (g.defined(id)) {
        w.put(",\"defined\":true,\"signature\":");
        json_string(w, g.signature(id), false);
        w.put(",\"file\":");
        json_string(w, g.file(id), false);
        w.put(",\"line\":");
        w.put_int(g.line(id));
      } else {
        w.put(",\"defined\":false");
      }
      if (v.flags[k] & VIEW_FOCUS) w.put(",\"focus\":true");
      if (v.flags[k] & VIEW_TARGET) w.put(",\"target\":true");
      if (g.recursive(id)) w.put(",\"recursive\":true");
      if (v.flags[k] & VIEW_CUT) w.put(",\"cut\":true");
      if (g.indirect_calls(id) > 0) {
        w.put(",\"indirect_calls\":");
        w.put_int(g.indirect_calls(id));
      }
      if (g.stack_bytes(id) >= 0) {
        w.put(",\"stack_bytes\":");
        put_int64(w, g.stack_bytes(id));
        w.put(",\"stack\":");
        json_string(w, g.stack_kind(id), false);
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
  out.put('}');
}

}  // namespace

void write_json(const call_graph& g, const graph_view& v, out_buffer& out) {
  write_graph(g, v, out);
  out.put('\n');
}
