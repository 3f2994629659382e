// Reading the listings, selecting the view and writing it.
#ifndef TANGLET_VIEW_VIEW_H_
#define TANGLET_VIEW_VIEW_H_

#include "view/command_line.h"
#include "view/graph.h"

// Reads one listing from fd in a layout (a FORMAT_ value) into builder;
// name is how messages call it. Returns 0, or 1 after saying what was wrong.
int load_listing(int fd, const char* name, int layout, graph_builder& builder);

// The whole program after the command line: 0, or 1 with a message.
int run_view(const view_settings& settings);

// Standard output failed with error: 1 after saying so, or the end that
// SIGPIPE would have brought when the reader went away.
int write_error(int error);

#endif  // TANGLET_VIEW_VIEW_H_
