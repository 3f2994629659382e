// The walks from the focus, or from the functions nobody calls.
#include <algorithm>

#include "view/select/steps.h"

filter make_filter(const call_graph& g, const selection_options& o) {
  filter f;
  const size_t n = g.size();
  f.keep.assign(n, 1);
  f.stub.assign(n, 0);
  for (size_t i = 0; i < n; ++i) {
    const auto id = static_cast<int32_t>(i);
    if (o.internal && !g.defined(id)) {
      f.keep[i] = 0;
      continue;
    }
    for (const regex_t& re : o.exclude) {
      if (matches_whole(re, g.name(id))) {
        f.keep[i] = 0;
        break;
      }
    }
    if (!f.keep[i]) continue;
    for (const regex_t& re : o.stub) {
      if (matches_whole(re, g.name(id))) {
        f.stub[i] = 1;
        break;
      }
    }
  }
  return f;
}

void walk(const call_graph& g, const filter& f, bool forward, int32_t limit,
          big_vector<int32_t>& queue, size_t from, big_vector<int32_t>& dist,
          const folding* folds) {
  for (size_t q = from; q < queue.size(); ++q) {
    const int32_t v = queue[q];
    if (limit >= 0 && dist[v] >= limit) continue;
    if (forward && f.stub[v]) continue;
    for (const int32_t w : forward ? g.callees(v) : g.callers(v)) {
      if (f.keep[w] && dist[w] < 0 &&
          (folds == nullptr || !folds->hides(forward ? v : w, forward ? w : v))) {
        dist[w] = dist[v] + 1;
        queue.push_back(w);
      }
    }
  }
}

namespace {

void from_focus(const call_graph& g, const filter& f, const selection_options& o,
                const big_vector<int32_t>& focus, big_vector<int32_t>& down,
                big_vector<int32_t>& up) {
  big_vector<int32_t> queue;
  for (const int32_t v : focus) {
    down[v] = 0;
    queue.push_back(v);
  }
  walk(g, f, true, o.callees, queue, 0, down);
  up.assign(g.size(), -1);
  queue.clear();
  for (const int32_t v : focus) {
    up[v] = 0;
    queue.push_back(v);
  }
  walk(g, f, false, o.callers, queue, 0, up);
}

// The roots are the functions that nobody calls. What a cycle holds that no
// root reaches starts from its first node; what only a stub reaches is left
// out ("shadow": reached when stubs are followed).
void from_roots(const call_graph& g, const filter& f, big_vector<int32_t>& down) {
  const size_t n = g.size();
  big_vector<int32_t> queue;
  for (size_t i = 0; i < n; ++i) {
    if (!f.keep[i]) continue;
    bool called = false;
    for (const int32_t c : g.callers(static_cast<int32_t>(i))) called = called || f.keep[c];
    if (!called) {
      down[i] = 0;
      queue.push_back(static_cast<int32_t>(i));
    }
  }
  walk(g, f, true, -1, queue, 0, down);
  filter follow_all{f.keep, big_vector<uint8_t>(n, 0)};
  big_vector<int32_t> shadow(n, -1), shadow_queue;
  auto cast_shadow = [&](size_t from) {
    for (size_t q = from; q < queue.size(); ++q) {
      if (shadow[queue[q]] < 0) {
        shadow[queue[q]] = 0;
        shadow_queue.push_back(queue[q]);
      }
    }
    walk(g, follow_all, true, -1, shadow_queue, 0, shadow);
    shadow_queue.clear();
  };
  cast_shadow(0);
  for (size_t i = 0; i < n; ++i) {
    // Only a function on a cycle can be called by nobody outside it; any
    // other that no root reaches is reached from such a cycle, or only
    // through a stub.
    if (!f.keep[i] || shadow[i] >= 0 || !g.recursive(static_cast<int32_t>(i))) continue;
    const size_t from = queue.size();
    down[i] = 0;
    queue.push_back(static_cast<int32_t>(i));
    walk(g, f, true, -1, queue, from, down);
    cast_shadow(from);
  }
}

}  // namespace

void distances(const call_graph& g, const filter& f, const selection_options& o,
               const big_vector<int32_t>& focus, big_vector<int32_t>& down,
               big_vector<int32_t>& up) {
  down.assign(g.size(), -1);
  if (focus.empty())
    from_roots(g, f, down);
  else
    from_focus(g, f, o, focus, down, up);
}
