#include "view/graph.h"

#include <sys/random.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <new>

#include "listing/gnu.h"

namespace {

uint64_t mix(uint64_t x) {
  x ^= x >> 32;
  x *= 0xd6e8feb86659fd93ull;
  x ^= x >> 32;
  return x;
}

// A listing may be made to flood the index: its hashes are keyed by random
// bits drawn once a process, which enter every step, so that no names can
// be chosen to share slots. The order of nodes is first-seen whatever the
// key, so outputs do not depend on it.
struct hash_key {
  uint64_t k[4];
};

hash_key make_key() {
  hash_key key{};
  if (getrandom(&key, sizeof key, GRND_NONBLOCK) == static_cast<ssize_t>(sizeof key)) return key;
  // No entropy yet, early at boot: what differs between runs.
  timespec now{};
  clock_gettime(CLOCK_REALTIME, &now);
  key.k[0] = mix(static_cast<uint64_t>(now.tv_nsec) ^ static_cast<uint64_t>(now.tv_sec) << 30);
  key.k[1] = mix(key.k[0] ^ static_cast<uint64_t>(getpid()));
  key.k[2] = mix(key.k[1] ^ reinterpret_cast<uintptr_t>(&key));
  key.k[3] = mix(key.k[2] ^ reinterpret_cast<uintptr_t>(&make_key));
  return key;
}

const hash_key kKey = make_key();

// The 128-bit product of a and b, its halves folded: each bit of the key
// reaches every bit of the result.
uint64_t fold(uint64_t a, uint64_t b) {
  __extension__ typedef unsigned __int128 wide;
  const wide p = static_cast<wide>(a) * b;
  return static_cast<uint64_t>(p) ^ static_cast<uint64_t>(p >> 64);
}

uint64_t word(const char* p) {
  uint64_t w;
  std::memcpy(&w, p, 8);
  return w;
}

// Sixteen bytes a step; names are short, most take one.
uint64_t hash_text(std::string_view s, uint64_t h = 0) {
  h ^= kKey.k[0] ^ s.size();
  const char* p = s.data();
  size_t n = s.size();
  for (; n > 16; p += 16, n -= 16) h = fold(word(p) ^ kKey.k[1], word(p + 8) ^ h);
  uint64_t a = 0, b = 0;
  if (n > 8) {
    a = word(p);
    std::memcpy(&b, p + 8, n - 8);
  } else if (n > 0) {
    std::memcpy(&a, p, n);
  }
  return mix(fold(a ^ kKey.k[1], b ^ h));
}

}  // namespace

uint64_t call_graph::hash_of(std::string_view name, int32_t file, int32_t line) {
  if (file < 0) return hash_text(name);
  const uint64_t place = uint64_t{static_cast<uint32_t>(file)} << 32 | static_cast<uint32_t>(line);
  return hash_text(name, fold(place ^ kKey.k[2], kKey.k[3]));
}

size_t graph_builder::number_hash::operator()(int32_t n) const {
  return static_cast<size_t>(fold(static_cast<uint32_t>(n) ^ kKey.k[2], kKey.k[3]));
}

namespace {

std::string_view trim(std::string_view s) {
  while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
  while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
  return s;
}

}  // namespace

// Texts are copied into blocks that never move, so that views stay valid.
struct call_graph::text_store {
  static constexpr size_t kBlock = size_t{2} << 20;  // a huge page
  std::vector<std::pair<char*, size_t>> blocks;
  char* free = nullptr;
  size_t left = 0;

  ~text_store() {
    for (const auto& [b, size] : blocks) big_free(b, size);
  }
  char* take(size_t n) {
    if (n > left) {
      const size_t size = std::max(n, kBlock);
      char* b = static_cast<char*>(big_allocate(size));
      blocks.emplace_back(b, size);
      free = b;
      left = size;
    }
    char* p = free;
    free += n;
    left -= n;
    return p;
  }
};

call_graph::call_graph() : text_(new text_store) {}
call_graph::~call_graph() = default;

int32_t call_graph::intern_file(std::string_view file) {
  // A listing names few files, and one after another mostly the same.
  if (last_file_ != SIZE_MAX && files_[last_file_] == file) return static_cast<int32_t>(last_file_);
  if (file_index_.size() < 2 * files_.size() + 2) {
    file_index_.assign(std::max<size_t>(64, file_index_.size() * 2), 0);
    for (size_t i = 0; i < files_.size(); ++i) {
      size_t s = hash_text(files_[i]) & (file_index_.size() - 1);
      while (file_index_[s] != 0) s = (s + 1) & (file_index_.size() - 1);
      file_index_[s] = i + 1;
    }
  }
  size_t s = hash_text(file) & (file_index_.size() - 1);
  for (; file_index_[s] != 0; s = (s + 1) & (file_index_.size() - 1)) {
    if (files_[file_index_[s] - 1] == file)
      return static_cast<int32_t>(last_file_ = file_index_[s] - 1);
  }
  char* copy = text_->take(file.size());
  if (!file.empty()) std::memcpy(copy, file.data(), file.size());
  files_.emplace_back(copy, file.size());
  file_index_[s] = files_.size();
  last_file_ = files_.size() - 1;
  return static_cast<int32_t>(last_file_);
}

void call_graph::grow_nodes_index() {
  // A slot keeps its hash's high half, which also says where it goes: no
  // node is looked at again.
  big_vector<uint64_t> old(std::max<size_t>(1024, node_index_.size() * 2), 0);
  old.swap(node_index_);
  const size_t mask = node_index_.size() - 1;
  for (const uint64_t slot : old) {
    if (slot == 0) continue;
    size_t s = (slot >> 32) & mask;
    while (node_index_[s] != 0) s = (s + 1) & mask;
    node_index_[s] = slot;
  }
}

int32_t call_graph::find_or_add(uint64_t h, std::string_view name, std::string_view signature,
                                int32_t file, int32_t line) {
  if (2 * nodes_.size() + 2 > node_index_.size()) grow_nodes_index();
  const size_t mask = node_index_.size() - 1;
  for (size_t s = (h >> 32) & mask;; s = (s + 1) & mask) {
    const uint64_t slot = node_index_[s];
    if (slot == 0) {
      const auto id = static_cast<int32_t>(nodes_.size());
      char* text = text_->take(name.size() + signature.size());
      if (!name.empty()) std::memcpy(text, name.data(), name.size());
      if (!signature.empty()) std::memcpy(text + name.size(), signature.data(), signature.size());
      nodes_.push_back({text, static_cast<uint32_t>(name.size()),
                        static_cast<uint32_t>(signature.size()), file, line});
      node_index_[s] = (h >> 32) << 32 | static_cast<uint32_t>(id + 1);
      return id;
    }
    if (slot >> 32 != h >> 32) continue;
    const int32_t id = static_cast<int32_t>(static_cast<uint32_t>(slot) - 1);
    const node& n = nodes_[id];
    if (n.file == file && n.line == line && std::string_view(n.text, n.name_size) == name)
      return id;
  }
}

int32_t call_graph::add_defined(std::string_view name, std::string_view signature,
                                std::string_view file, int32_t line) {
  const int32_t f = intern_file(file);
  return find_or_add(hash_of(name, f, line), name, trim(signature), f, line);
}

int32_t call_graph::add_undefined(std::string_view name) {
  return find_or_add(hash_of(name, -1, 0), name, {}, -1, 0);
}

void call_graph::add_edge(int32_t caller, int32_t callee) { edges_.push_back({caller, callee}); }

// Each pair once, where it was first seen: the edges grouped by caller in
// their order, and in each group a callee already met is dropped.
void call_graph::drop_repeated_edges() {
  const size_t n = nodes_.size();
  big_vector<uint32_t> begin(n + 1, 0), order(edges_.size());
  for (const call_edge& e : edges_) ++begin[e.caller + 1];
  for (size_t i = 0; i < n; ++i) begin[i + 1] += begin[i];
  for (size_t k = 0; k < edges_.size(); ++k)
    order[begin[edges_[k].caller]++] = static_cast<uint32_t>(k);
  big_vector<int32_t> last_caller(n, -1);
  big_vector<uint8_t> repeated(edges_.size(), 0);
  bool any = false;
  for (const uint32_t k : order) {
    const call_edge& e = edges_[k];
    if (last_caller[e.callee] == e.caller) {
      repeated[k] = 1;
      any = true;
    }
    last_caller[e.callee] = e.caller;
  }
  if (!any) return;
  size_t kept = 0;
  for (size_t k = 0; k < edges_.size(); ++k) {
    if (!repeated[k]) edges_[kept++] = edges_[k];
  }
  edges_.resize(kept);
}

namespace {
// Room for what is coming, grown at least twofold: one listing after
// another must not copy the arrays each time.
template <class Vector>
void make_room(Vector& v, size_t more) {
  const size_t want = v.size() + more;
  if (want > v.capacity()) v.reserve(std::max(want, 2 * v.capacity()));
}
}  // namespace

void call_graph::reserve(size_t bytes) {
  // A listing line is some 40 to 60 bytes; untouched room costs no memory.
  make_room(nodes_, bytes / 48);
  make_room(edges_, bytes / 48);
}

void call_graph::finish() {
  // The indexes are done with: give their memory to the adjacency.
  big_vector<uint64_t>().swap(node_index_);
  drop_repeated_edges();
  const size_t n = nodes_.size();
  out_begin_.assign(n + 1, 0);
  in_begin_.assign(n + 1, 0);
  for (const call_edge& e : edges_) {
    ++out_begin_[e.caller + 1];
    ++in_begin_[e.callee + 1];
  }
  for (size_t i = 0; i < n; ++i) {
    out_begin_[i + 1] += out_begin_[i];
    in_begin_[i + 1] += in_begin_[i];
  }
  out_.resize(edges_.size());
  in_.resize(edges_.size());
  {
    big_vector<uint32_t> out_at(out_begin_.begin(), out_begin_.end() - 1);
    big_vector<uint32_t> in_at(in_begin_.begin(), in_begin_.end() - 1);
    for (const call_edge& e : edges_) {
      out_[out_at[e.caller]++] = e.callee;
      in_[in_at[e.callee]++] = e.caller;
    }
  }

  // Tarjan's strongly connected components, without recursion: a node is
  // on a cycle when its component has two nodes or more, or it calls itself.
  recursive_.assign(n, 0);
  big_vector<int32_t> index(n, -1), low(n, 0), stack, path;
  big_vector<uint32_t> next(n, 0);
  big_vector<uint8_t> on_stack(n, 0);
  int32_t counter = 0;
  // What calls nothing or is called by nothing is on no cycle: left out of
  // the search, as if already done with (most functions without definition).
  for (size_t i = 0; i < n; ++i) {
    if (out_begin_[i] == out_begin_[i + 1] || in_begin_[i] == in_begin_[i + 1]) index[i] = 0;
  }
  for (size_t root = 0; root < n; ++root) {
    if (index[root] >= 0) continue;
    path.push_back(static_cast<int32_t>(root));
    index[root] = low[root] = counter++;
    next[root] = out_begin_[root];
    stack.push_back(static_cast<int32_t>(root));
    on_stack[root] = 1;
    while (!path.empty()) {
      const int32_t v = path.back();
      if (next[v] < out_begin_[v + 1]) {
        const int32_t w = out_[next[v]++];
        if (w == v) recursive_[v] = 1;
        if (index[w] < 0) {
          index[w] = low[w] = counter++;
          next[w] = out_begin_[w];
          stack.push_back(w);
          on_stack[w] = 1;
          path.push_back(w);
        } else if (on_stack[w]) {
          low[v] = std::min(low[v], index[w]);
        }
        continue;
      }
      path.pop_back();
      if (!path.empty()) low[path.back()] = std::min(low[path.back()], low[v]);
      if (low[v] == index[v]) {
        const bool cycle = stack.back() != v;
        int32_t w;
        do {
          w = stack.back();
          stack.pop_back();
          on_stack[w] = 0;
          if (cycle) recursive_[w] = 1;
        } while (w != v);
      }
    }
  }
}

void call_graph::set_indirect_calls(int32_t id, int32_t count) {
  if (indirect_.size() <= static_cast<size_t>(id)) indirect_.resize(id + 1, 0);
  indirect_[id] = count;
}

void call_graph::set_stack(int32_t id, int64_t bytes, std::string_view kind) {
  // GCC has three words for a frame: a short linear search finds them, and
  // made-up input gets no more than a few dozen.
  constexpr size_t kMostKinds = 64;
  size_t k = 0;
  while (k < stack_kinds_.size() && stack_kinds_[k] != kind) ++k;
  if (k == kMostKinds) k = kMostKinds - 1;
  if (k == stack_kinds_.size()) stack_kinds_.emplace_back(k + 1 < kMostKinds ? kind : "other");
  if (stack_.size() <= static_cast<size_t>(id)) stack_.resize(id + 1, {-1, 0});
  stack_[id] = {bytes, static_cast<uint32_t>(k)};
}

void graph_builder::begin_listing() {
  by_number_.clear();
  odd_numbers_.clear();
  depth_stack_.clear();
  head_ = waiting_ = 0;
  entries_ = 0;
  min_depth_ = INT32_MAX;
  max_depth_ = INT32_MIN;
}

namespace {
// Numbers are mostly the lines themselves: a table for those, a map for the
// few that are not. The table grows only as far as the entries read make
// likely, so that a few huge numbers cost no more than a few small ones.
constexpr int32_t kTableLimit = 1 << 24;
constexpr long long kTableSlack = 4096;
}  // namespace

int32_t graph_builder::node_of(int32_t number) const {
  if (number >= 0 && static_cast<size_t>(number) < by_number_.size() && by_number_[number] >= 0)
    return by_number_[number];
  const auto it = odd_numbers_.find(number);
  return it != odd_numbers_.end() ? it->second : -1;
}

void graph_builder::set_node(int32_t number, long long entry, int32_t id) {
  if (number >= 0 && static_cast<size_t>(number) < by_number_.size()) {
    by_number_[number] = id;
  } else if (number >= 0 && number < kTableLimit && number <= 2 * entry + kTableSlack) {
    by_number_.resize(std::max<size_t>(number + 1, by_number_.size() * 2), -1);
    by_number_[number] = id;
  } else {
    odd_numbers_[number] = id;
  }
}

bool graph_builder::add(const listing_entry& e, bool gnu) {
  if (waiting_ == kLag) {
    if (!take(ring_[head_])) return false;
    head_ = (head_ + 1) % kLag;
    --waiting_;
  }
  pending& p = ring_[(head_ + waiting_++) % kLag];
  p.kind = e.kind;
  p.number = e.number;
  p.depth = e.depth;
  p.entry = ++entries_;
  min_depth_ = std::min(min_depth_, e.depth);
  max_depth_ = std::max(max_depth_, e.depth);
  if (e.kind == ENTRY_REFERENCE) {
    if (e.number >= 0 && static_cast<size_t>(e.number) < by_number_.size())
      __builtin_prefetch(&by_number_[e.number]);
    return true;
  }
  // The texts are copied, as the entry's views end with this call.
  const size_t room = e.name.size() + e.signature.size() + 1;
  if (p.text.size() < room) p.text.resize(std::max(room, 2 * p.text.size()));
  if (!e.name.empty()) std::memcpy(p.text.data(), e.name.data(), e.name.size());
  p.name_size = e.name.size();
  p.signature_size = 0;
  if (e.kind == ENTRY_EXTERNAL) {
    p.file = -1;
    p.line = 0;
  } else {
    std::string_view signature = e.signature;
    char* to = p.text.data() + p.name_size;
    if (gnu) {
      const std::string_view made = trim({to, gnu_signature(signature, e.name, to)});
      std::memmove(to, made.data(), made.size());
      p.signature_size = made.size();
    } else {
      signature = trim(signature);
      if (!signature.empty()) std::memcpy(to, signature.data(), signature.size());
      p.signature_size = signature.size();
    }
    p.file = graph_.intern_file(e.file);
    p.line = e.line;
  }
  p.hash = call_graph::hash_of(e.name, p.file, p.line);
  graph_.prefetch(p.hash);
  return true;
}

bool graph_builder::end_listing() {
  for (; waiting_ > 0; --waiting_, head_ = (head_ + 1) % kLag) {
    if (!take(ring_[head_])) return false;
  }
  return true;
}

bool graph_builder::take(pending& p) {
  int32_t id = -1;
  if (p.kind == ENTRY_REFERENCE) {
    id = node_of(p.number);
    if (id < 0) {
      bad_reference_ = p.number;
      bad_entry_ = p.entry;
      return false;
    }
  } else {
    const char* text = p.text.data();
    id = graph_.add_hashed(p.hash, {text, p.name_size}, {text + p.name_size, p.signature_size},
                           p.file, p.line);
    set_node(p.number, p.entry, id);
  }
  // The caller is the last entry seen one level up; depths 0 and 1 have
  // none. What deeper levels held belongs to an earlier subtree: a line
  // that jumps levels below this one has no caller rather than a stranger's.
  const int32_t depth = std::max(p.depth, 0);
  while (!depth_stack_.empty() && depth_stack_.back().depth >= depth) depth_stack_.pop_back();
  const bool called = depth >= 2 && !depth_stack_.empty() && depth_stack_.back().depth == depth - 1;
  const int32_t parent = called ? depth_stack_.back().node : -1;
  depth_stack_.push_back({depth, id});
  if (called) {
    if (reversed_)
      graph_.add_edge(id, parent);
    else
      graph_.add_edge(parent, id);
  }
  return true;
}
