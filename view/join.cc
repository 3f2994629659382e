// Listings read together meet as the linker joins a program's units.
#include <string_view>
#include <unordered_map>

#include "view/graph.h"

void call_graph::join_declarations() {
  // A name's one definition, or -2 when it has several.
  std::unordered_map<std::string_view, int32_t> defined;
  bool undefined = false;
  for (size_t id = 0; id < nodes_.size(); ++id) {
    if (nodes_[id].file < 0) {
      undefined = true;
      continue;
    }
    const auto [at, added] = defined.emplace(name(static_cast<int32_t>(id)), id);
    if (!added) at->second = -2;
  }
  if (!undefined || defined.empty()) return;
  big_vector<int32_t> moved(nodes_.size(), -1);
  bool any = false;
  for (size_t id = 0; id < nodes_.size(); ++id) {
    if (nodes_[id].file >= 0) continue;
    const auto at = defined.find(name(static_cast<int32_t>(id)));
    if (at != defined.end() && at->second >= 0) {
      moved[id] = at->second;
      any = true;
    }
  }
  if (!any) return;
  // The joined declarations go; the others keep their order.
  size_t kept = 0;
  for (size_t id = 0; id < nodes_.size(); ++id) {
    if (moved[id] >= 0) continue;
    nodes_[kept] = nodes_[id];
    moved[id] = -3 - static_cast<int32_t>(kept++);  // new place, told apart from a join
  }
  nodes_.resize(kept);
  // What GCC's call graphs tell of a function moves with it.
  auto move_beside = [&](auto& side) {
    size_t to = 0;
    for (size_t id = 0; id < side.size(); ++id) {
      if (moved[id] <= -3) side[to++] = side[id];
    }
    side.resize(to);
  };
  move_beside(indirect_);
  move_beside(stack_);
  auto place = [&](int32_t id) {
    const int32_t m = moved[id];
    return m <= -3 ? -3 - m : -3 - moved[m];
  };
  for (call_edge& e : edges_) e = {place(e.caller), place(e.callee)};
  big_vector<uint64_t>().swap(node_index_);  // the graph takes no more nodes
}
