// Which part of the call graph a view shows.
#ifndef TANGLET_VIEW_SELECT_SELECT_H_
#define TANGLET_VIEW_SELECT_SELECT_H_

#include <regex.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <string_view>
#include <vector>

#include "view/graph.h"

struct selection_options {
  std::vector<std::string> focus;  // names; empty: the whole graph
  std::vector<std::string> to;     // names: only the call paths to these
  int32_t callees = 1, callers = 1;
  bool callees_given = false;         // a path's length is bounded only by an explicit -d
  std::deque<regex_t> exclude, stub;  // each on the whole name; compiled in place
  bool internal = false;              // only defined functions
  size_t max_nodes = 200;             // 0: no limit
  size_t fold = 12;                   // neighbours a hub shows; 0: all
  bool distances = false;             // walk even the whole graph, for graph_view::distance
};

enum : uint8_t { VIEW_FOCUS = 1, VIEW_CUT = 2, VIEW_TARGET = 4 };

// A hub's callers or callees beyond --fold, drawn as one box joined to it.
struct fold_box {
  int32_t hub;   // view id
  bool callers;  // its callers, else its callees
  int32_t more;  // how many the box stands for
};

struct graph_view {
  big_vector<int32_t> nodes;    // graph ids, in first-seen order; view id = index
  big_vector<uint8_t> flags;    // VIEW_* of each view node
  big_vector<call_edge> edges;  // in view ids, in first-seen order
  // Each view node's distance from the focus, callers negative (a function
  // both as near either way is a caller); without a focus, from the
  // functions nobody calls. Empty when the view was not walked.
  big_vector<int32_t> distance;
  // Set when --max-nodes cut the view: how many it would have held, the
  // last level kept, and how many nodes were marked.
  bool cut = false;
  size_t wanted = 0;
  int32_t level = 0;
  size_t marked = 0;
  size_t dropped = 0;           // functions of the last level kept that did not fit
  std::vector<fold_box> folds;  // in the order of their hubs
  // With --to: level is the longest path kept, wanted what all paths hold.
  bool paths = false;
};

// Whether the regex matches the whole of text.
bool matches_whole(const regex_t& re, std::string_view text);

// The view that the options ask for. false when a focus or target names no
// function that the view could hold, or no target has a path; message says
// so and suggests names. When true, message may hold a note for the reader.
bool select_view(const call_graph& graph, const selection_options& options, graph_view& view,
                 std::string& message);
// Every function that --exclude and --internal leave, focus marked, uncut.
bool select_all(const call_graph& graph, const selection_options& options, graph_view& view,
                std::string& message);

// Up to three names of the graph closest to name, closest first, by their
// first 64 bytes.
std::vector<std::string_view> closest_names(const call_graph& graph, std::string_view name);

#endif  // TANGLET_VIEW_SELECT_SELECT_H_
