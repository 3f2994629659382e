// Reading the listings, selecting the view and writing it.
#ifndef TANGLET_VIEW_VIEW_H_
#define TANGLET_VIEW_VIEW_H_

#include "view/command_line.h"
#include "view/graph.h"

// Reads each listing of settings.files (standard input for none or "-")
// into graph; says what went wrong on standard error. Returns 0 or 1.
int load_listings(const view_settings& settings, call_graph& graph);
// Reads one listing from fd; name is how messages call it.
int load_listing(int fd, const char* name, const view_settings& settings, graph_builder& builder);

// The whole program after the command line: 0, or 1 with a message.
int run_view(const view_settings& settings);

// Standard output failed with error: 1 after saying so, or the end that
// SIGPIPE would have brought when the reader went away.
int write_error(int error);

#endif  // TANGLET_VIEW_VIEW_H_
