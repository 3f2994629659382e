// Tests: a graph from a listing's text, read line by line as the reader does.
#ifndef TANGLET_VIEW_TEST_GRAPH_H_
#define TANGLET_VIEW_TEST_GRAPH_H_

#include <string>
#include <string_view>

#include "io/padded.h"
#include "view/graph.h"

// false at the first line that does not read, or at a bad reference.
inline bool build_graph(std::string_view text, call_graph& graph, bool reversed = false,
                        int layout = FORMAT_ANY) {
  graph_builder builder(graph, reversed);
  builder.begin_listing();
  input_format = layout;
  int32_t line = 0;
  bool ok = true;
  while (ok && !text.empty()) {
    const size_t end = text.find('\n');
    const padded_string copy(text.substr(0, end));  // padded, as the reader's lines are
    text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
    listing_entry entry;
    entry.number = ++line;
    ok = parse_listing_line(copy, entry) == PARSE_OK &&
         builder.add(entry, input_format == FORMAT_GNU);
  }
  ok = ok && builder.end_listing();
  input_format = FORMAT_AUTO;
  graph.finish();
  return ok;
}

#endif  // TANGLET_VIEW_TEST_GRAPH_H_
