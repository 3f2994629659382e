// Tests: a graph from a listing's text, read by the reader as tanglet-view
// reads a file.
#ifndef TANGLET_VIEW_TEST_GRAPH_H_
#define TANGLET_VIEW_TEST_GRAPH_H_

#include <sys/mman.h>
#include <unistd.h>

#include <string_view>

#include "view/graph.h"

// false at the first line that does not read, or at a bad reference.
inline bool build_graph(std::string_view text, call_graph& graph, bool reversed = false,
                        int layout = FORMAT_ANY) {
  graph_builder builder(graph, reversed);
  builder.begin_listing();
  input_format = layout;
  const int fd = memfd_create("listing", 0);
  bool ok = fd >= 0 && write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
            lseek(fd, 0, SEEK_SET) == 0;
  const auto take = [](void* b, const listing_entry& e) {
    return static_cast<graph_builder*>(b)->add(e, input_format == FORMAT_GNU);
  };
  const auto blank = [](void* b) { static_cast<graph_builder*>(b)->skip_line(); };
  ok = ok && read_listing(fd, take, &builder, view_reading(blank)).status == read_status::done &&
       builder.end_listing();
  if (fd >= 0) close(fd);
  input_format = FORMAT_AUTO;
  graph.finish();
  return ok;
}

#endif  // TANGLET_VIEW_TEST_GRAPH_H_
