// Checks that a graph is made only of the lines its writer writes, with every
// text field inside balanced quotes. For fuzzers and hostile-input tests.
#ifndef TANGLET_TESTS_GRAPH_SHAPE_H_
#define TANGLET_TESTS_GRAPH_SHAPE_H_

#include <string>
#include <string_view>

enum graph_language { GRAPH_VCG, GRAPH_DOT };

// The graph's header as the writer writes it, for the given invisible class.
std::string graph_header(graph_language language, int invisible);

// "" when out is a header, then node and edge lines, then (complete) the
// footer, and (dot under -i) every edge names nodes declared before it;
// else the first line that is not so.
std::string check_graph_shape(graph_language language, int invisible, std::string_view out,
                              bool complete);

#endif  // TANGLET_TESTS_GRAPH_SHAPE_H_
