// The four operations of the graph writer, which each program links once,
// and the setting of the edges they leave out.
#ifndef TANGLET_DRIVER_WRITER_H_
#define TANGLET_DRIVER_WRITER_H_

#include <cstdint>

#include "io/padded.h"

// 0: all edges visible; 1 ("Interne") or 2 ("Externe"): that class is hidden.
extern int invisible_class;

// Graph writer: defined by the writer the program links.
void write_graph_header();
void write_node(padded_text name, int32_t number, padded_text signature, padded_text file,
                int32_t line);
void write_edge(int32_t source, int32_t target);
void write_graph_footer();

#endif  // TANGLET_DRIVER_WRITER_H_
