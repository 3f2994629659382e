// Everything tanglet-view reads, into one graph: listings, GCC's call
// graphs, and the C sources or compilation databases that it hands to cflow.
#ifndef TANGLET_VIEW_INPUT_INPUTS_H_
#define TANGLET_VIEW_INPUT_INPUTS_H_

#include "view/command_line.h"
#include "view/graph.h"

// Reads the inputs that settings name (standard input for none) into
// graph, and joins them as the linker would (call_graph::join_declarations),
// with notes on what a build would not hold together. Returns 0, or 1
// after saying what went wrong.
int load_inputs(const view_settings& settings, call_graph& graph);

#endif  // TANGLET_VIEW_INPUT_INPUTS_H_
