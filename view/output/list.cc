// The list: one line per function, as grep, Vim's quickfix and Emacs'
// compilation mode read them, nearest the focus first.
#include <vector>

#include "view/output/shared.h"

void write_list(const call_graph& g, const graph_view& v, out_buffer& out) {
  const size_t n = v.nodes.size();
  const bool walked = v.distance.size() == n;
  // Counting sort on (distance, caller before callee), stable: the focus,
  // then -1, +1, -2, +2, ..., each in the view's order.
  auto key = [&](size_t k) -> size_t {
    if (!walked) return 0;
    const int32_t d = v.distance[k];
    return d > 0 ? 2 * static_cast<size_t>(d) : 2 * static_cast<size_t>(-d) - (d < 0);
  };
  std::vector<size_t> start;
  for (size_t k = 0; k < n; ++k) {
    const size_t at = key(k) + 1;
    if (start.size() <= at) start.resize(at + 1, 0);
    ++start[at];
  }
  for (size_t i = 1; i < start.size(); ++i) start[i] += start[i - 1];
  std::vector<size_t> order(n);
  for (size_t k = 0; k < n; ++k) order[start[key(k)]++] = k;
  for (const size_t k : order) {
    put_place(out, g, v.nodes[k]);
    if (walked) {
      out.put(v.distance[k] > 0 ? " +" : " ");
      out.put_int(v.distance[k]);
    }
    out.put('\n');
  }
}
