// The call graph of one or more listings: one node per function, one edge
// per caller/callee pair, both in first-seen order.
#ifndef TANGLET_VIEW_GRAPH_H_
#define TANGLET_VIEW_GRAPH_H_

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "listing/listing.h"
#include "listing/reader.h"
#include "view/big.h"

struct call_edge {
  int32_t caller, callee;
};

class call_graph {
 public:
  struct node {
    const char* text;  // the name, then the signature, in the graph's text store
    uint32_t name_size, signature_size;
    int32_t file;  // index into files(); -1 for a function without definition
    int32_t line;
  };

  size_t size() const { return nodes_.size(); }
  bool defined(int32_t id) const { return nodes_[id].file >= 0; }
  std::string_view name(int32_t id) const { return {nodes_[id].text, nodes_[id].name_size}; }
  std::string_view signature(int32_t id) const {
    return {nodes_[id].text + nodes_[id].name_size, nodes_[id].signature_size};
  }
  std::string_view file(int32_t id) const {
    return nodes_[id].file >= 0 ? files_[nodes_[id].file] : std::string_view();
  }
  int32_t file_index(int32_t id) const { return nodes_[id].file; }
  int32_t line(int32_t id) const { return nodes_[id].line; }
  bool recursive(int32_t id) const { return recursive_[id] != 0; }
  const big_vector<call_edge>& edges() const { return edges_; }
  // What GCC's call graphs tell besides the calls (empty for listings): a
  // function's calls through pointers, and its stack frame, in bytes
  // (-1: not told) with GCC's word for it ("static", "dynamic", ...).
  int32_t indirect_calls(int32_t id) const {
    return static_cast<size_t>(id) < indirect_.size() ? indirect_[id] : 0;
  }
  int64_t stack_bytes(int32_t id) const {
    return static_cast<size_t>(id) < stack_.size() ? stack_[id].bytes : -1;
  }
  std::string_view stack_kind(int32_t id) const {
    return stack_bytes(id) < 0 ? std::string_view() : stack_kinds_[stack_[id].kind];
  }
  void set_indirect_calls(int32_t id, int32_t count);
  void set_stack(int32_t id, int64_t bytes, std::string_view kind);

  // After finish(): each node's callees and callers, in edge order.
  struct range {
    const int32_t *begin_, *end_;
    const int32_t* begin() const { return begin_; }
    const int32_t* end() const { return end_; }
    size_t size() const { return static_cast<size_t>(end_ - begin_); }
  };
  range callees(int32_t id) const {
    return {out_.data() + out_begin_[id], out_.data() + out_begin_[id + 1]};
  }
  range callers(int32_t id) const {
    return {in_.data() + in_begin_[id], in_.data() + in_begin_[id + 1]};
  }

  // Building. A defined function is its name, file and line; one without
  // definition its name alone.
  int32_t add_defined(std::string_view name, std::string_view signature, std::string_view file,
                      int32_t line);
  int32_t add_undefined(std::string_view name);
  // The same in steps: the file's index and the key's hash, a hint to fetch
  // its slot, then the node.
  int32_t intern_file(std::string_view file);
  static uint64_t hash_of(std::string_view name, int32_t file, int32_t line);
  void prefetch(uint64_t hash) const {
    if (!node_index_.empty())
      __builtin_prefetch(&node_index_[(hash >> 32) & (node_index_.size() - 1)]);
  }
  int32_t add_hashed(uint64_t hash, std::string_view name, std::string_view signature, int32_t file,
                     int32_t line) {
    return find_or_add(hash, name, signature, file, line);
  }
  void add_edge(int32_t caller, int32_t callee);
  // Room for a listing of this many bytes.
  void reserve(size_t bytes);
  // As the linker joins a program's units: a function without definition
  // whose name is defined once is that definition (two definitions stay
  // two). The graph takes no more nodes after it.
  // Returns what it saw of names defined twice: how many, and the two
  // first definitions of one of them (main if it is one).
  struct definition_facts {
    size_t names_defined_twice = 0;
    std::array<int32_t, 2> twice{-1, -1};
  };
  definition_facts join_declarations();
  // Builds the adjacency and marks the functions on a call cycle; the
  // graph takes no more nodes or edges after it.
  void finish();

  call_graph();
  ~call_graph();
  call_graph(const call_graph&) = delete;
  call_graph& operator=(const call_graph&) = delete;

 private:
  struct text_store;
  int32_t find_or_add(uint64_t hash, std::string_view name, std::string_view signature,
                      int32_t file, int32_t line);
  void grow_nodes_index();
  void drop_repeated_edges();

  std::unique_ptr<text_store> text_;
  big_vector<node> nodes_;
  std::vector<std::string_view> files_;
  big_vector<call_edge> edges_;
  // Open addressing: a slot is (hash's high half << 32 | id + 1), 0 empty;
  // the high half also gives the slot's place.
  big_vector<uint64_t> node_index_;
  std::vector<uint64_t> file_index_;
  size_t last_file_ = SIZE_MAX;
  big_vector<uint32_t> out_begin_, in_begin_;
  big_vector<int32_t> out_, in_;
  big_vector<uint8_t> recursive_;
  struct stack_frame {
    int64_t bytes;
    uint32_t kind;  // index into stack_kinds_
  };
  std::vector<int32_t> indirect_;
  std::vector<stack_frame> stack_;
  std::vector<std::string> stack_kinds_;
};

// How tanglet-view reads lines, beyond the filters: listings that went
// through editors end lines with CRs alone, or hold blank lines, which are
// told to blank_line (see graph_builder::skip_line), as is the header line
// of cflow --emacs.
constexpr read_options view_reading(void (*blank_line)(void* context)) {
  return {true, blank_line, true};
}

// Feeds a graph from the entries of listings, one listing at a time.
class graph_builder {
 public:
  // reversed: the listing was made with cflow -r, its children are callers.
  graph_builder(call_graph& graph, bool reversed) : graph_(graph), reversed_(reversed) {}
  // Forget the numbers and depths of the listing before.
  void begin_listing();
  void reserve(size_t bytes) { graph_.reserve(bytes); }
  // gnu: the entry comes from GNU's default layout, whose signature is the
  // whole declaration. Entries are taken a few lines late (see ring_), so
  // that the memory each one needs is on its way meanwhile: false when an
  // earlier entry refers to a line that lists no function.
  bool add(const listing_entry& entry, bool gnu);
  // A line that lists nothing, so that entries keep their lines' places.
  void skip_line() { ++entries_; }
  // Takes the entries still waiting; false as for add().
  bool end_listing();
  // The reference that failed: the number it gave, and its line (from 1)
  // in the listing.
  int32_t bad_reference() const { return bad_reference_; }
  long long bad_reference_entry() const { return bad_entry_; }
  // Depths seen in the listing so far.
  int32_t min_depth() const { return min_depth_; }
  int32_t max_depth() const { return max_depth_; }

 private:
  struct pending {
    int kind;
    int32_t number, depth, file, line;
    uint64_t hash;
    long long entry;
    size_t name_size, signature_size;
    std::vector<char> text;  // the name, then the signature
  };
  bool take(pending& p);
  int32_t node_of(int32_t number) const;  // -1: none
  void set_node(int32_t number, long long entry, int32_t id);
  struct number_hash {
    size_t operator()(int32_t n) const;
  };
  struct level {
    int32_t depth, node;
  };

  call_graph& graph_;
  bool reversed_;
  big_vector<int32_t> by_number_;  // node of each line number, -1 none
  std::unordered_map<int32_t, int32_t, number_hash> odd_numbers_;  // numbers outside by_number_
  // The lines that may still call, shallowest first: the last one seen at
  // each depth, until a shallower line ends its subtree. As deep as the
  // listing has lines, not as its depths are large.
  std::vector<level> depth_stack_;
  // The entries read and not yet taken, oldest at head_: the index slot of
  // a function is fetched when it is read and looked at kLag entries later.
  static constexpr size_t kLag = 8;
  pending ring_[kLag];
  size_t head_ = 0, waiting_ = 0;
  long long entries_ = 0;
  int32_t bad_reference_ = 0;
  long long bad_entry_ = 0;
  int32_t min_depth_ = INT32_MAX, max_depth_ = INT32_MIN;
};

#endif  // TANGLET_VIEW_GRAPH_H_
