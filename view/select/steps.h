// The steps of a selection, each a function of its own: what the options
// keep, the focus, the walks from it, the levels and the cut.
#ifndef TANGLET_VIEW_SELECT_STEPS_H_
#define TANGLET_VIEW_SELECT_STEPS_H_

#include <string>
#include <vector>

#include "view/select/select.h"

// What the options leave of the graph: kept nodes, and the stubs among them.
struct filter {
  big_vector<uint8_t> keep, stub;
};
filter make_filter(const call_graph& g, const selection_options& o);

// The nodes of one name that the filter keeps, or false with the message.
bool find_named(const call_graph& g, const std::string& name, const filter& f,
                big_vector<int32_t>& out, std::string& message);
// The focus nodes of the names, or false with the message.
bool find_focus(const call_graph& g, const selection_options& o, const filter& f,
                big_vector<int32_t>& focus, std::string& message);

// The functions on a call path from the focus (none: from the functions
// nobody calls) to a target of --to, within an explicit -d and
// --max-nodes, shortest paths first; false with the message when no target
// has one.
bool select_paths(const call_graph& g, const selection_options& o, const filter& f,
                  const big_vector<int32_t>& focus, graph_view& view, std::string& message);

// What --fold hides: each hub with more callers or callees among the nodes
// with a level than the option allows, and the ones it shows.
struct folding {
  struct hub {
    int32_t node;
    bool callers;
    int32_t more;
    size_t first, last;  // its shown neighbours, shown[first, last), sorted
  };
  std::vector<hub> hubs;  // in graph order
  big_vector<int32_t> shown;
  // Each node's hub folding its callees, its callers, or -1; empty when
  // nothing is folded.
  big_vector<int32_t> callees_hub, callers_hub;
  // Whether the call from caller to callee is one that a fold hides.
  bool hides(int32_t caller, int32_t callee) const;
};
// Breadth first from the nodes already at distance 0 in dist (listed in
// queue from from on), along callees (forward) or callers, to at most limit
// levels (-1: no limit). A stub's callees are not followed, nor the calls
// that folds hide.
void walk(const call_graph& g, const filter& f, bool forward, int32_t limit,
          big_vector<int32_t>& queue, size_t from, big_vector<int32_t>& dist,
          const folding* folds = nullptr);

// Each node's distance along callees (down) and along callers (up) from
// the focus; without a focus, down from the functions nobody calls, and up
// left empty.
void distances(const call_graph& g, const filter& f, const selection_options& o,
               const big_vector<int32_t>& focus, big_vector<int32_t>& down,
               big_vector<int32_t>& up);

// The hubs that the walks from the focus go on from: those with more
// neighbours (among the nodes with a level) on the side the walk goes than
// --fold.
void fold_hubs(const call_graph& g, const filter& f, const selection_options& o,
               const big_vector<int32_t>& down, const big_vector<int32_t>& up,
               const big_vector<int32_t>& level, folding& folds);

// Each node's level: the smaller of its distances, -1 for neither.
void levels(const big_vector<int32_t>& down, const big_vector<int32_t>& up,
            big_vector<int32_t>& level);

// The distances and levels again, along the calls that the folds show:
// what only the folded ones reached, or reached within the depths, leaves.
void drop_unreached(const call_graph& g, const filter& f, const selection_options& o,
                    const folding& folds, big_vector<int32_t>& down, big_vector<int32_t>& up,
                    big_vector<int32_t>& level);

// The nodes with a level (the smaller distance) up to the last that fits
// --max-nodes, in graph order, into view; view_id maps graph ids to view ids.
void cut_to_fit(const call_graph& g, const selection_options& o, bool focused,
                const big_vector<int32_t>& level, graph_view& view, big_vector<int32_t>& view_id);

// Marks the focus, and, in a cut view, the nodes whose calls were cut.
void mark(const call_graph& g, const filter& f, const big_vector<int32_t>& focus,
          const big_vector<int32_t>& down, const big_vector<int32_t>& up,
          const big_vector<int32_t>& level, const big_vector<int32_t>& view_id, graph_view& view);

// Each view node's distance, callers negative, into view.distance.
void signed_distances(const big_vector<int32_t>& down, const big_vector<int32_t>& up,
                      graph_view& view);

// The graph's edges between nodes of the view, in first-seen order, but
// those that folds hide; then the fold boxes of the hubs in the view.
void collect_edges(const call_graph& g, const big_vector<int32_t>& view_id, graph_view& view,
                   const folding* folds = nullptr);

#endif  // TANGLET_VIEW_SELECT_STEPS_H_
