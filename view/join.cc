// Listings read together meet as the linker joins a program's units.
#include <algorithm>
#include <string_view>

#include "view/graph.h"

namespace {

// The defined functions by name, in open addressing: a slot holds the high
// half of the name's hash and the id + 1 of its first definition, 0 when
// empty. Flat, and each name's slot fetched a batch ahead, so that a
// million functions are indexed in a few tens of milliseconds; the half
// kept spares most probes a look at another node's name.
class definitions_by_name {
 public:
  definitions_by_name(const call_graph& g, size_t defined) : g_(g) {
    size_t size = 16;
    while (size < 2 * defined) size *= 2;
    slots_.assign(size, 0);
  }
  static uint64_t hash(std::string_view name) { return call_graph::hash_of(name, -1, 0); }
  void prefetch(uint64_t h) const { __builtin_prefetch(&slots_[h & (slots_.size() - 1)]); }
  // The first definition of the name (its id + 1), or 0 after taking id as
  // the first when add.
  int32_t find(std::string_view name, uint64_t h, int32_t id, bool add) {
    const size_t mask = slots_.size() - 1;
    const uint64_t tag = h >> 32 << 32;
    for (size_t s = h & mask;; s = (s + 1) & mask) {
      const uint64_t slot = slots_[s];
      if (slot == 0) {
        if (add) slots_[s] = tag | static_cast<uint32_t>(id + 1);
        return 0;
      }
      const auto first = static_cast<int32_t>(static_cast<uint32_t>(slot));
      if ((slot & ~uint64_t{0xffffffff}) == tag && g_.name(first - 1) == name) return first;
    }
  }

 private:
  const call_graph& g_;
  big_vector<uint64_t> slots_;
};

// Calls take(id, hash) for every node that wants(id), the hashes of a
// batch computed and their slots fetched before the first is taken.
template <class Wants, class Take>
void in_batches(const call_graph& g, definitions_by_name& index, Wants&& wants, Take&& take) {
  constexpr size_t kBatch = 16;
  uint64_t h[kBatch];
  for (size_t start = 0; start < g.size(); start += kBatch) {
    const size_t end = std::min(g.size(), start + kBatch);
    for (size_t id = start; id < end; ++id) {
      if (!wants(static_cast<int32_t>(id))) continue;
      h[id - start] = definitions_by_name::hash(g.name(static_cast<int32_t>(id)));
      index.prefetch(h[id - start]);
    }
    for (size_t id = start; id < end; ++id) {
      if (wants(static_cast<int32_t>(id))) take(static_cast<int32_t>(id), h[id - start]);
    }
  }
}

}  // namespace

call_graph::definition_facts call_graph::join_declarations() {
  definition_facts facts;
  size_t defined = 0;
  for (const node& n : nodes_) defined += n.file >= 0;
  definitions_by_name index(*this, defined);
  big_vector<uint8_t> more(nodes_.size(), 0);  // of a first definition: it has namesakes
  auto is_defined = [&](int32_t id) { return nodes_[id].file >= 0; };
  in_batches(*this, index, is_defined, [&](int32_t id, uint64_t h) {
    const int32_t first = index.find(name(id), h, id, true);
    if (first == 0) return;
    if (!more[first - 1]) {
      ++facts.names_defined_twice;
      // main is the example that matters most: a generator beside the program.
      if (facts.twice[0] < 0 || name(id) == "main") facts.twice = {first - 1, id};
    }
    more[first - 1] = 1;
  });
  if (defined == nodes_.size()) return facts;
  big_vector<int32_t> moved(nodes_.size(), -1);
  bool any = false;
  in_batches(
      *this, index, [&](int32_t id) { return !is_defined(id); },
      [&](int32_t id, uint64_t h) {
        const int32_t first = index.find(name(id), h, id, false);
        if (first != 0 && !more[first - 1]) {
          moved[id] = first - 1;
          any = true;
        }
      });
  if (!any) return facts;
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
  if (facts.twice[0] >= 0) facts.twice = {place(facts.twice[0]), place(facts.twice[1])};
  big_vector<uint64_t>().swap(node_index_);  // the graph takes no more nodes
  return facts;
}
