// Paths: the functions on a call path from the focus, or from the functions
// nobody calls, to the targets of --to. One walk forward from the sources and
// one back from the targets: a function lies on a path of length
// from + to, the shortest through it.
#include <algorithm>

#include "view/select/steps.h"

namespace {

// Each node's distance to the nearest node queued (at 0 in dist), along
// callers. A stub's calls are not followed, here as forward.
void walk_back(const call_graph& g, const filter& f, big_vector<int32_t>& queue,
               big_vector<int32_t>& dist) {
  for (size_t q = 0; q < queue.size(); ++q) {
    const int32_t v = queue[q];
    for (const int32_t c : g.callers(v)) {
      if (f.keep[c] && !f.stub[c] && dist[c] < 0) {
        dist[c] = dist[v] + 1;
        queue.push_back(c);
      }
    }
  }
}

// Distances from the focus, or from the functions nobody calls, with no
// limit: a path too long for -d is told apart from none. The sources are
// walked from all at once: a cycle that no root reaches starts only after
// the roots' walk, and may be nearer than they are to what they reach.
void walk_from_sources(const call_graph& g, const filter& f, const selection_options& o,
                       const big_vector<int32_t>& focus, big_vector<int32_t>& from) {
  big_vector<int32_t> queue;
  if (focus.empty()) {
    big_vector<int32_t> down, up;
    distances(g, f, o, focus, down, up);
    for (size_t i = 0; i < down.size(); ++i) {
      if (down[i] == 0) queue.push_back(static_cast<int32_t>(i));
    }
  } else {
    queue.assign(focus.begin(), focus.end());
  }
  from.assign(g.size(), -1);
  for (const int32_t v : queue) from[v] = 0;
  walk(g, f, true, -1, queue, 0, from);
}

// Why a target has no path: too long for -d, or none at all, and the
// functions nearest to it that reach it.
void no_path(const call_graph& g, const filter& f, const selection_options& o,
             const std::string& name, const big_vector<int32_t>& ids,
             const big_vector<int32_t>& from, std::string& message) {
  if (!message.empty()) message += '\n';
  message += "no call path from ";
  if (o.focus.empty()) message += "the functions nobody calls";
  for (size_t k = 0; k < o.focus.size(); ++k) message += (k == 0 ? "" : ", ") + o.focus[k];
  message += " to " + name;
  int32_t shortest = -1;
  for (const int32_t t : ids) {
    if (from[t] >= 0 && (shortest < 0 || from[t] < shortest)) shortest = from[t];
  }
  if (shortest >= 0) {
    message += " within -d " + std::to_string(o.callees) + "; the shortest has " +
               std::to_string(shortest) + " calls";
  }
  // Through stubs too: a stub that calls it is among the nearest.
  const filter follow_all{f.keep, big_vector<uint8_t>(g.size(), 0)};
  big_vector<int32_t> dist(g.size(), -1), queue;
  for (const int32_t t : ids) {
    dist[t] = 0;
    queue.push_back(t);
  }
  walk_back(g, follow_all, queue, dist);
  size_t listed = 0;
  for (size_t q = ids.size(); q < queue.size() && listed < 3; ++q) {
    message += listed++ == 0 ? "; functions that reach it: " : ", ";
    message += g.name(queue[q]);
  }
}

// The room --max-nodes leaves after whole lengths, filled with a shortest
// path to each target in turn, back from it, nearest target first, each
// that fits: the first always, if nothing else is kept.
void fill_with_paths(const call_graph& g, const filter& f, const selection_options& o,
                     big_vector<int32_t> targets, const big_vector<int32_t>& from,
                     const big_vector<int32_t>& level, size_t kept, big_vector<uint8_t>& in) {
  std::stable_sort(targets.begin(), targets.end(),
                   [&](int32_t a, int32_t b) { return from[a] < from[b]; });
  for (const int32_t t : targets) {
    if (level[t] < 0) continue;
    for (int pass = 0; pass < 2; ++pass) {
      size_t added = 0;
      for (int32_t v = t;;) {
        if (!in[v]) ++added;
        if (pass == 1) in[v] = 1;
        const int32_t at = v;
        for (const int32_t c : g.callers(at)) {
          if (from[at] > 0 && f.keep[c] && !f.stub[c] && from[c] == from[at] - 1) {
            v = c;
            break;
          }
        }
        if (v == at) break;
      }
      if (pass == 0 && kept != 0 && kept + added > o.max_nodes) break;
      if (pass == 1) kept += added;
    }
  }
}

// Which nodes of the paths the view holds: whole lengths, shortest first,
// as many as --max-nodes holds, then single paths.
void cut_paths(const call_graph& g, const filter& f, const selection_options& o,
               const big_vector<int32_t>& targets, const big_vector<int32_t>& from,
               const big_vector<int32_t>& level, graph_view& view, big_vector<uint8_t>& in) {
  std::vector<size_t> per_level;
  for (const int32_t l : level) {
    if (l < 0) continue;
    if (per_level.size() <= static_cast<size_t>(l)) per_level.resize(l + 1, 0);
    ++per_level[l];
    ++view.wanted;
  }
  int32_t last = static_cast<int32_t>(per_level.size()) - 1;
  size_t kept = view.wanted;
  if (o.max_nodes != 0 && view.wanted > o.max_nodes) {
    view.cut = true;
    kept = 0;
    last = -1;
    while (kept + per_level[last + 1] <= o.max_nodes) kept += per_level[++last];
  }
  in.assign(g.size(), 0);
  for (size_t i = 0; i < g.size(); ++i) in[i] = level[i] >= 0 && level[i] <= last;
  if (view.cut) fill_with_paths(g, f, o, targets, from, level, kept, in);
  view.level = 0;
  for (size_t i = 0; i < g.size(); ++i) {
    if (in[i]) view.level = std::max(view.level, level[i]);
  }
}

// Focus and targets marked; in a cut view, what calls or is called by a
// node of the paths left out.
void mark_paths(const call_graph& g, const filter& f, const big_vector<int32_t>& focus,
                const big_vector<int32_t>& targets, const big_vector<int32_t>& level,
                const big_vector<uint8_t>& in, const big_vector<int32_t>& view_id,
                graph_view& view) {
  view.flags.assign(view.nodes.size(), 0);
  for (const int32_t v : focus) {
    if (in[v]) view.flags[view_id[v]] |= VIEW_FOCUS;
  }
  for (const int32_t v : targets) {
    if (in[v]) view.flags[view_id[v]] |= VIEW_TARGET;
  }
  if (!view.cut) return;
  const auto left_out = [&](int32_t w) { return level[w] >= 0 && !in[w]; };
  for (size_t k = 0; k < view.nodes.size(); ++k) {
    const int32_t v = view.nodes[k];
    bool cut = false;
    if (!f.stub[v]) {
      for (const int32_t w : g.callees(v)) cut = cut || left_out(w);
    }
    for (const int32_t w : g.callers(v)) cut = cut || (!f.stub[w] && left_out(w));
    if (cut) {
      view.flags[k] |= VIEW_CUT;
      ++view.marked;
    }
  }
}

}  // namespace

bool select_paths(const call_graph& g, const selection_options& o, const filter& f,
                  const big_vector<int32_t>& focus, graph_view& view, std::string& message) {
  const size_t n = g.size();
  const int32_t limit = o.callees_given ? o.callees : -1;
  big_vector<int32_t> from, to(n, -1), targets;
  walk_from_sources(g, f, o, focus, from);
  bool any = false;
  for (auto name = o.to.begin(); name != o.to.end(); ++name) {
    if (std::find(o.to.begin(), name, *name) != name) continue;  // said once
    big_vector<int32_t> ids;
    if (!find_named(g, *name, f, ids, message)) return false;
    bool reached = false;
    for (const int32_t t : ids)
      reached = reached || (from[t] >= 0 && (limit < 0 || from[t] <= limit));
    if (!reached) no_path(g, f, o, *name, ids, from, message);
    any = any || reached;
    for (const int32_t t : ids) {
      if (to[t] < 0) targets.push_back(t);
      to[t] = 0;
    }
  }
  if (!any) return false;
  big_vector<int32_t> queue(targets);
  walk_back(g, f, queue, to);
  big_vector<int32_t> level(n, -1);
  for (size_t i = 0; i < n; ++i) {
    if (from[i] >= 0 && to[i] >= 0 && (limit < 0 || from[i] + to[i] <= limit))
      level[i] = from[i] + to[i];
  }
  view.paths = true;
  big_vector<uint8_t> in;
  cut_paths(g, f, o, targets, from, level, view, in);
  big_vector<int32_t> view_id(n, -1);
  for (size_t i = 0; i < n; ++i) {
    if (!in[i]) continue;
    view_id[i] = static_cast<int32_t>(view.nodes.size());
    view.nodes.push_back(static_cast<int32_t>(i));
  }
  mark_paths(g, f, focus, targets, level, in, view_id, view);
  // For the list: how far along the paths, from the focus or the roots.
  if (o.distances) {
    for (const int32_t v : view.nodes) view.distance.push_back(from[v]);
  }
  collect_edges(g, view_id, view);
  return true;
}
