#include "view/select/select.h"

#include <algorithm>

#include "view/select/steps.h"

namespace {

// Every node the filter keeps, the focus and the targets marked.
void keep_all(const call_graph& g, const filter& f, const big_vector<int32_t>& focus,
              const big_vector<int32_t>& targets, graph_view& view) {
  big_vector<int32_t> view_id(g.size(), -1);
  for (size_t i = 0; i < g.size(); ++i) {
    if (!f.keep[i]) continue;
    view_id[i] = static_cast<int32_t>(view.nodes.size());
    view.nodes.push_back(static_cast<int32_t>(i));
  }
  view.flags.assign(view.nodes.size(), 0);
  for (const int32_t v : focus) view.flags[view_id[v]] |= VIEW_FOCUS;
  for (const int32_t v : targets) view.flags[view_id[v]] |= VIEW_TARGET;
  collect_edges(g, view_id, view);
}

// The whole graph, when nothing would be cut from it: no walk at all.
bool whole_graph(const call_graph& g, const selection_options& o, const filter& f,
                 graph_view& view) {
  if (!o.stub.empty()) return false;
  const size_t kept = static_cast<size_t>(std::count(f.keep.begin(), f.keep.end(), 1));
  if (o.max_nodes != 0 && kept > o.max_nodes) return false;
  keep_all(g, f, {}, {}, view);
  return true;
}

}  // namespace

bool select_view(const call_graph& g, const selection_options& o, graph_view& view,
                 std::string& message) {
  const filter f = make_filter(g, o);
  big_vector<int32_t> focus;
  if (!find_focus(g, o, f, focus, message)) return false;
  if (!o.to.empty()) return select_paths(g, o, f, focus, view, message);
  if (focus.empty() && !o.distances && whole_graph(g, o, f, view)) return true;

  big_vector<int32_t> down, up;
  distances(g, f, o, focus, down, up);
  big_vector<int32_t> level;
  levels(down, up, level);
  // Folds first: what they leave is what --max-nodes then cuts. The whole
  // graph stays whole, as data for other tools.
  folding folds;
  if (!focus.empty()) {
    fold_hubs(g, f, o, down, up, level, folds);
    drop_unreached(g, f, o, folds, down, up, level);
  }
  big_vector<int32_t> view_id;
  cut_to_fit(g, o, !focus.empty(), level, view, view_id);
  mark(g, f, focus, down, up, level, view_id, view);
  if (o.distances) signed_distances(down, up, view);
  collect_edges(g, view_id, view, &folds);
  return true;
}

bool select_all(const call_graph& g, const selection_options& o, graph_view& view,
                std::string& message) {
  const filter f = make_filter(g, o);
  big_vector<int32_t> focus;
  if (!find_focus(g, o, f, focus, message)) return false;
  // The explorer draws the paths itself; it is told where they go.
  big_vector<int32_t> targets;
  for (const std::string& name : o.to) {
    if (!find_named(g, name, f, targets, message)) return false;
  }
  keep_all(g, f, focus, targets, view);
  return true;
}
