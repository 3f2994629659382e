// GCC's own call graph (-fcallgraph-info): one .ci file per translation
// unit, in a dialect of VCG, one node or edge a line. The units are joined
// as the linker joins them: a function by its symbol across units, a static
// one per unit; calls through pointers are counted for their caller.
#ifndef TANGLET_VIEW_INPUT_GCC_CI_H_
#define TANGLET_VIEW_INPUT_GCC_CI_H_

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "view/graph.h"

// Whether a file that starts with these bytes is a .ci file: "graph: {"
// after blanks.
bool is_gcc_ci(std::string_view head);

class ci_reader {
 public:
  explicit ci_reader(call_graph& graph) : graph_(graph) {}
  // One line of a .ci file; false for one that GCC does not write.
  bool line(std::string_view text);
  // Whether the last file ended outside a unit; the next file starts anew.
  bool end_file();
  // Resolves the declarations and the calls of every unit read: before
  // the graph's finish().
  void finish();

 private:
  struct ref {
    size_t at, size;
  };
  struct unit_node {
    ref title;
    int32_t slot;  // a node's id, kIndirect, or an index into declared_ - kDeclared
  };
  struct unit_edge {
    ref source, target;
  };
  struct named {
    ref title;  // in kept_
    int32_t id;
  };
  struct declaration {
    ref title, name;  // in kept_
    bool global;
  };
  static constexpr int32_t kIndirect = -1, kDeclared = -2;

  bool node(std::string_view rest);
  bool edge(std::string_view rest);
  void end_unit();
  int32_t declare(std::string_view title, std::string_view name, bool global);
  std::string_view unit(ref r) const { return std::string_view(unit_text_).substr(r.at, r.size); }
  std::string_view kept(ref r) const { return std::string_view(kept_).substr(r.at, r.size); }
  ref keep(std::string& store, std::string_view s) {
    store.append(s);
    return {store.size() - s.size(), s.size()};
  }

  call_graph& graph_;
  bool in_unit_ = false;
  std::string prefix_;  // "unit:" before the title of a function local to it
  std::string unit_text_;
  std::vector<unit_node> nodes_;
  std::vector<unit_edge> edges_;
  // Across units: the functions defined with a symbol of their own, the
  // functions declared and not defined, the calls between slots.
  std::string kept_;
  std::vector<named> globals_;
  std::vector<declaration> declared_;
  std::vector<call_edge> calls_;
  std::vector<int32_t> indirect_;  // the unit's callers, once per call through a pointer
};

// Reads one .ci file from fd into reader; name is how messages call it.
// 0, or 1 with a message.
int load_gcc_ci(int fd, const char* name, ci_reader& reader);

// Adds the .ci files under dir, in every folder but hidden ones, sorted. 0,
// or 1 with a message.
int find_gcc_ci(const std::string& dir, std::vector<std::string>& files);

#endif  // TANGLET_VIEW_INPUT_GCC_CI_H_
