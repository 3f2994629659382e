// The cut: whole levels, nearest first, as many as --max-nodes holds.
#include <algorithm>

#include "view/select/steps.h"

void cut_to_fit(const call_graph& g, const selection_options& o, bool focused,
                const big_vector<int32_t>& level, graph_view& view, big_vector<int32_t>& view_id) {
  const size_t n = g.size();
  std::vector<size_t> per_level;
  size_t total = 0;
  for (size_t i = 0; i < n; ++i) {
    if (level[i] < 0) continue;
    if (per_level.size() <= static_cast<size_t>(level[i])) per_level.resize(level[i] + 1, 0);
    ++per_level[level[i]];
    ++total;
  }
  int32_t last = static_cast<int32_t>(per_level.size()) - 1;
  size_t room = SIZE_MAX;  // nodes of the last level that fit
  if (o.max_nodes != 0 && total > o.max_nodes) {
    size_t kept = 0;
    last = -1;
    while (last + 1 < static_cast<int32_t>(per_level.size()) &&
           kept + per_level[last + 1] <= o.max_nodes)
      kept += per_level[++last];
    if (last < 0) {
      // The first level alone is too many: the focus is still drawn whole;
      // of the functions nobody calls, as many as fit.
      last = 0;
      if (!focused) {
        room = o.max_nodes;
        view.dropped = per_level[0] - o.max_nodes;
      }
    }
    view.cut = true;
    view.wanted = total;
    view.level = last;
  }
  view_id.assign(n, -1);
  for (size_t i = 0; i < n; ++i) {
    if (level[i] < 0 || level[i] > last) continue;
    if (level[i] == last && room != SIZE_MAX && room-- == 0) {
      room = 0;
      continue;
    }
    view_id[i] = static_cast<int32_t>(view.nodes.size());
    view.nodes.push_back(static_cast<int32_t>(i));
  }
}

void mark(const call_graph& g, const filter& f, const big_vector<int32_t>& focus,
          const big_vector<int32_t>& down, const big_vector<int32_t>& up,
          const big_vector<int32_t>& level, const big_vector<int32_t>& view_id, graph_view& view) {
  view.flags.assign(view.nodes.size(), 0);
  for (const int32_t v : focus) {
    if (view_id[v] >= 0) view.flags[view_id[v]] |= VIEW_FOCUS;
  }
  if (!view.cut) return;
  // Marked: what calls, or is called by, a node that the cut left out.
  for (size_t k = 0; k < view.nodes.size(); ++k) {
    const int32_t v = view.nodes[k];
    bool cut = false;
    if (down[v] >= 0 && !f.stub[v]) {
      for (const int32_t w : g.callees(v)) cut = cut || (level[w] >= 0 && view_id[w] < 0);
    }
    if (!up.empty() && up[v] >= 0) {
      for (const int32_t w : g.callers(v)) cut = cut || (level[w] >= 0 && view_id[w] < 0);
    }
    if (cut) {
      view.flags[k] |= VIEW_CUT;
      ++view.marked;
    }
  }
}

void signed_distances(const big_vector<int32_t>& down, const big_vector<int32_t>& up,
                      graph_view& view) {
  view.distance.resize(view.nodes.size());
  for (size_t k = 0; k < view.nodes.size(); ++k) {
    const int32_t v = view.nodes[k];
    const bool caller = !up.empty() && up[v] >= 0 && (down[v] < 0 || up[v] <= down[v]);
    view.distance[k] = caller ? -up[v] : down[v];
  }
}

void collect_edges(const call_graph& g, const big_vector<int32_t>& view_id, graph_view& view,
                   const folding* folds) {
  for (const call_edge& e : g.edges()) {
    if (view_id[e.caller] >= 0 && view_id[e.callee] >= 0 &&
        (folds == nullptr || !folds->hides(e.caller, e.callee)))
      view.edges.push_back({view_id[e.caller], view_id[e.callee]});
  }
  if (folds == nullptr) return;
  for (const folding::hub& h : folds->hubs) {
    if (view_id[h.node] >= 0) view.folds.push_back({view_id[h.node], h.callers, h.more});
  }
}
