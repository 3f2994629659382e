// tanglet-view's graph and selection on any bytes: the first byte picks the
// layout, -r, the depths, the cut and a focus; every format is written.
// Text that starts as GCC's call graphs do is read as one.
// Invariants: a view holds each function and each edge at most once, its
// edges join nodes of the view, and it keeps to --max-nodes; dot, JSON,
// Mermaid, the list and the summary are UTF-8 without control bytes, and a
// link holds only what a URL may. The middle name is also tried as a
// pattern and as a mistyped focus, and the last as a target of --to: each
// function of those paths reaches a target, in the view, and is reached
// from the focus.
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "view/command_line.h"
#include "view/input/gcc_ci.h"
#include "view/output/link.h"
#include "view/output/text.h"
#include "view/output/writers.h"
#include "view/select/select.h"
#include "view/test_graph.h"

namespace {

[[noreturn]] void broken(const char* what) {
  std::fprintf(stderr, "invariant broken: %s\n", what);
  std::abort();
}

// GCC's call graph, line by line as load_gcc_ci() reads it.
bool build_ci(std::string_view text, call_graph& g) {
  ci_reader reader(g);
  while (!text.empty()) {
    const size_t end = text.find('\n');
    if (!reader.line(text.substr(0, end))) return false;
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  }
  if (!reader.end_file()) return false;
  reader.finish();
  g.finish();
  return true;
}

// Nodes of the view reached from those flagged, along the view's edges,
// forward or back.
std::vector<bool> reached(const graph_view& v, uint8_t flag, bool forward) {
  std::vector<bool> seen(v.nodes.size());
  for (size_t k = 0; k < v.nodes.size(); ++k) seen[k] = v.flags[k] & flag;
  for (bool grew = true; grew;) {
    grew = false;
    for (const call_edge& e : v.edges) {
      const int32_t a = forward ? e.caller : e.callee, b = forward ? e.callee : e.caller;
      if (seen[a] && !seen[b]) seen[b] = grew = true;
    }
  }
  return seen;
}

void check_paths(const call_graph& g, selection_options& o) {
  o.to = {std::string(g.name(static_cast<int32_t>(g.size() - 1)))};
  graph_view v;
  std::string message;
  if (!select_view(g, o, v, message)) {
    if (message.compare(0, 13, "no call path ") != 0 && !o.internal)
      broken("a target taken from the graph is unknown");
    return;
  }
  if (std::none_of(v.flags.begin(), v.flags.end(), [](uint8_t f) { return f & VIEW_TARGET; }))
    broken("paths without their target");
  if (o.distances && v.distance.size() != v.nodes.size()) broken("a path without its distances");
  if (o.max_nodes != 0 && v.nodes.size() > std::max<size_t>(o.max_nodes, v.level + 1))
    broken("paths over --max-nodes beyond one path");
  const std::vector<bool> to = reached(v, VIEW_TARGET, false), from = reached(v, VIEW_FOCUS, true);
  for (size_t k = 0; k < v.nodes.size(); ++k) {
    if (!to[k]) broken("a function of the paths that reaches no target");
    if (!o.focus.empty() && !from[k]) broken("a function of the paths not reached from the focus");
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  const unsigned knobs = data[0];
  const std::string text(reinterpret_cast<const char*>(data) + 1, size - 1);
  static const int kLayouts[] = {FORMAT_ANY, FORMAT_SUN_ANY, FORMAT_GNU, FORMAT_FREE};
  call_graph g;
  if (is_gcc_ci(text) ? !build_ci(text, g) : !build_graph(text, g, knobs & 4, kLayouts[knobs & 3]))
    return 0;

  selection_options o;
  if ((knobs & 8) && g.size() > 0) o.focus.emplace_back(g.name(static_cast<int32_t>(g.size() / 2)));
  o.callees = (knobs >> 4) & 3;
  o.callers = (knobs >> 6) & 1;
  o.max_nodes = (knobs & 0x80) ? 3 : 0;
  o.internal = (knobs & 0x30) == 0x30;
  o.fold = (knobs & 1) ? 2 : 0;
  o.distances = knobs & 1;
  graph_view v;
  std::string message;
  if (!select_view(g, o, v, message)) {
    // Only --internal may leave a focus out.
    if (!o.internal) broken("a focus taken from the graph is unknown");
    return 0;
  }
  // The focus is drawn whole, however many functions bear its name.
  const size_t focused = static_cast<size_t>(
      std::count_if(v.flags.begin(), v.flags.end(), [](uint8_t f) { return f & VIEW_FOCUS; }));
  if (o.max_nodes != 0 && v.nodes.size() > std::max(o.max_nodes, focused))
    broken("more nodes than --max-nodes");
  if (std::set<int32_t>(v.nodes.begin(), v.nodes.end()).size() != v.nodes.size())
    broken("a node twice");
  std::set<std::pair<int32_t, int32_t>> pairs;
  for (const call_edge& e : v.edges) {
    if (e.caller < 0 || e.callee < 0 || static_cast<size_t>(e.caller) >= v.nodes.size() ||
        static_cast<size_t>(e.callee) >= v.nodes.size())
      broken("an edge outside the view");
    if (!pairs.emplace(e.caller, e.callee).second) broken("an edge twice");
  }
  // A hub shows no more than --fold callers or callees, then one box.
  std::set<std::pair<int32_t, bool>> hubs;
  for (const fold_box& f : v.folds) {
    if (o.fold == 0 || o.focus.empty()) broken("a fold where none was asked for");
    if (f.hub < 0 || static_cast<size_t>(f.hub) >= v.nodes.size() || f.more < 1)
      broken("a fold box of no hub or of nothing");
    if (!hubs.emplace(f.hub, f.callers).second) broken("two fold boxes of one hub");
    size_t shown = 0;
    for (const call_edge& e : v.edges) shown += (f.callers ? e.callee : e.caller) == f.hub;
    if (shown > o.fold) broken("a hub shows more than --fold neighbours");
  }
  if (o.distances && v.distance.size() != v.nodes.size()) broken("a node without its distance");

  if (g.size() > 0) {
    check_paths(g, o);
    o.to.clear();
  }

  // The middle name as a pattern of --exclude, and as a mistyped focus: what
  // the pattern guard lets through compiles and matches within libFuzzer's
  // limits, and so does the search for the closest names.
  if (g.size() > 0) {
    const std::string pattern(g.name(static_cast<int32_t>(g.size() / 2)));
    regex_t re;
    if (regex_refusal(pattern) == nullptr && regcomp(&re, pattern.c_str(), REG_EXTENDED) == 0) {
      for (size_t i = 0; i < g.size(); ++i) matches_whole(re, g.name(static_cast<int32_t>(i)));
      regfree(&re);
    }
    if (closest_names(g, pattern + "_").size() > 3) broken("more than three closest names");
  }
  // A link can never leave a quoted string in any format.
  std::string url;
  for (const int32_t id : v.nodes) {
    if (!g.defined(id) || !expand_link("%f:%l%%", g.file(id), g.line(id), url)) continue;
    for (const char c : url) {
      const auto u = static_cast<unsigned char>(c);
      if (u <= 0x20 || u >= 0x7f ||
          std::string_view("\"<>\\^`{|}").find(c) != std::string_view::npos)
        broken("a link holds a character a URL cannot");
    }
  }

  std::string out;
  out_buffer buffer;
  buffer.reset(-1, &out);
  write_options w;
  w.full_labels = knobs & 1;
  w.has_link = knobs & 2;
  w.link = "%f:%l%%";
  write_dot(g, v, w, buffer);
  write_json(g, v, buffer);
  write_mermaid(g, v, w, buffer);
  write_list(g, v, buffer);
  graph_view all;
  if (!select_all(g, o, all, message)) broken("select_all refused what select_view took");
  write_summary(g, all, buffer);
  buffer.flush();
  // Whatever the names hold, each format stays text its reader takes.
  for (size_t i = 0; i < out.size(); ++i) {
    const auto c = static_cast<unsigned char>(out[i]);
    if (c < 0x20 && c != '\n' && c != '\t') broken("a control byte written raw");
    const int n = utf8_sequence(std::string_view(out).substr(i));
    if (n < 0) broken("bytes that are not UTF-8 written");
    i += static_cast<size_t>(n) - 1;
  }
  write_html(g, all, w, buffer);
  buffer.flush();
  return 0;
}
