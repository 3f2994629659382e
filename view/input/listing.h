// One listing, read into the graph: messages for what does not read, and
// notes on what the listing lacks.
#ifndef TANGLET_VIEW_INPUT_LISTING_H_
#define TANGLET_VIEW_INPUT_LISTING_H_

#include "view/graph.h"

// Reads one listing from fd in a layout (a FORMAT_ value) into builder;
// name is how messages call it. Returns 0, or 1 after saying what was
// wrong: cflow's other outputs and C source are named for what they are.
int load_listing(int fd, const char* name, int layout, graph_builder& builder);

#endif  // TANGLET_VIEW_INPUT_LISTING_H_
