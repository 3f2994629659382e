// The first lines of every dot graph tanglet-dot writes, for the writer and
// for whoever checks its graphs.
#ifndef TANGLET_WRITERS_DOT_DOT_HEADER_H_
#define TANGLET_WRITERS_DOT_DOT_HEADER_H_

#include <string_view>

inline constexpr std::string_view kDotHeader =
    "digraph vorlan {\n"
    "node [shape=box];edge [color=black style=solid];\n";

#endif  // TANGLET_WRITERS_DOT_DOT_HEADER_H_
