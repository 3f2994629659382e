// The folds: a hub shows its first --fold callers or callees and one box
// for the rest, and what only the rest led to leaves the view.
#include <algorithm>

#include "view/select/steps.h"

namespace {

// Orders a hub's neighbours: first those on its way to the focus, so that the hub stays joined to
// it; then the focus and its direct neighbours; then the ones with the most calls of their own;
// then the first seen.
struct nearer_first {
  const call_graph& g;
  const big_vector<int32_t>&down, &up, &level;
  int32_t hub;
  bool callers;
  int rank(int32_t w) const {
    const bool toward = callers ? down[w] >= 0 && down[hub] >= 0 && down[w] + 1 == down[hub]
                                : up[w] >= 0 && up[hub] >= 0 && up[w] + 1 == up[hub];
    return toward ? 0 : level[w] <= 1 ? 1 : 2;
  }
  size_t calls(int32_t w) const { return g.callees(w).size() + g.callers(w).size(); }
  bool operator()(int32_t a, int32_t b) const {
    if (rank(a) != rank(b)) return rank(a) < rank(b);
    if (calls(a) != calls(b)) return calls(a) > calls(b);
    return a < b;
  }
};

}  // namespace

bool folding::hides(int32_t caller, int32_t callee) const {
  if (hubs.empty()) return false;
  auto hidden_by = [&](int32_t h, int32_t other) {
    if (h < 0) return false;
    const auto begin = shown.begin() + static_cast<ptrdiff_t>(hubs[h].first);
    const auto end = shown.begin() + static_cast<ptrdiff_t>(hubs[h].last);
    return !std::binary_search(begin, end, other);
  };
  return hidden_by(callees_hub[caller], callee) || hidden_by(callers_hub[callee], caller);
}

void fold_hubs(const call_graph& g, const filter& f, const selection_options& o,
               const big_vector<int32_t>& down, const big_vector<int32_t>& up,
               const big_vector<int32_t>& level, folding& folds) {
  if (o.fold == 0) return;
  std::vector<int32_t> near;
  for (size_t i = 0; i < g.size(); ++i) {
    const auto h = static_cast<int32_t>(i);
    if (level[h] < 0) continue;
    for (const bool callers : {true, false}) {
      // Only where the walk goes on from the hub: what else it calls, or
      // is called by, is drawn for its own sake, and a box would hide nothing.
      const int32_t dist = callers ? up[h] : down[h];
      if (dist < 0 || dist >= (callers ? o.callers : o.callees) || (!callers && f.stub[h]))
        continue;
      near.clear();
      for (const int32_t w : callers ? g.callers(h) : g.callees(h)) {
        if (level[w] >= 0) near.push_back(w);
      }
      if (near.size() <= o.fold) continue;
      const auto kept = near.begin() + static_cast<ptrdiff_t>(o.fold);
      std::partial_sort(near.begin(), kept, near.end(),
                        nearer_first{g, down, up, level, h, callers});
      std::sort(near.begin(), kept);
      if (folds.hubs.empty()) {
        folds.callees_hub.assign(g.size(), -1);
        folds.callers_hub.assign(g.size(), -1);
      }
      (callers ? folds.callers_hub : folds.callees_hub)[h] =
          static_cast<int32_t>(folds.hubs.size());
      folds.hubs.push_back({h, callers, static_cast<int32_t>(near.size() - o.fold),
                            folds.shown.size(), folds.shown.size() + o.fold});
      folds.shown.insert(folds.shown.end(), near.begin(), kept);
    }
  }
}

void levels(const big_vector<int32_t>& down, const big_vector<int32_t>& up,
            big_vector<int32_t>& level) {
  level = down;
  for (size_t i = 0; i < up.size(); ++i) {
    if (up[i] >= 0 && (level[i] < 0 || up[i] < level[i])) level[i] = up[i];
  }
}

void drop_unreached(const call_graph& g, const filter& f, const selection_options& o,
                    const folding& folds, big_vector<int32_t>& down, big_vector<int32_t>& up,
                    big_vector<int32_t>& level) {
  if (folds.hubs.empty()) return;
  big_vector<int32_t> queue;
  for (const bool forward : {true, false}) {
    big_vector<int32_t>& dist = forward ? down : up;
    queue.clear();
    for (size_t i = 0; i < dist.size(); ++i) {
      if (dist[i] == 0)
        queue.push_back(static_cast<int32_t>(i));
      else
        dist[i] = -1;
    }
    walk(g, f, forward, forward ? o.callees : o.callers, queue, 0, dist, &folds);
  }
  levels(down, up, level);
}
