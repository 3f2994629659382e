// The first lines of every VCG graph tanglet writes, for the writer and for
// whoever checks its graphs.
#ifndef TANGLET_WRITERS_VCG_VCG_HEADER_H_
#define TANGLET_WRITERS_VCG_VCG_HEADER_H_

#include <string_view>

inline constexpr std::string_view kVcgHeader =
    "graph: {\n"
    "title: \"TITLE\"\n"
    "color: lightgray\n"
    "classname 1 : \"Interne\" classname 2 : \"Externe\"\n";

#endif  // TANGLET_WRITERS_VCG_VCG_HEADER_H_
