// The view's output formats, written into the project's output buffer.
#ifndef TANGLET_VIEW_OUTPUT_WRITERS_H_
#define TANGLET_VIEW_OUTPUT_WRITERS_H_

#include <cstdint>
#include <string>

#include "io/out_buffer.h"
#include "view/graph.h"
#include "view/select/select.h"

struct write_options {
  bool full_labels = false;  // name, signature and file:line
  bool group = true;         // one cluster per source file
  bool top_bottom = false;   // rankdir TB instead of LR
  bool has_link = false;
  std::string link;  // %f the file, %l the line, %% a percent sign
  // Given on the command line (else -1): the explorer's first depths.
  int32_t callers = -1, callees = -1;
  int32_t fold = -1;  // --fold, for the explorer's folding
};

void write_dot(const call_graph& g, const graph_view& v, const write_options& o, out_buffer& out);
void write_json(const call_graph& g, const graph_view& v, out_buffer& out);
void write_mermaid(const call_graph& g, const graph_view& v, const write_options& o,
                   out_buffer& out);
// One line per function, "FILE:LINE: NAME DISTANCE", nearest the focus first.
void write_list(const call_graph& g, const graph_view& v, out_buffer& out);
// The whole view's counts, roots, hubs, cycles, longest chain and the
// functions that main (or the focus) does not reach, as text.
void write_summary(const call_graph& g, const graph_view& v, out_buffer& out);
// The explorer: view/html/explorer.html with its style, script and data.
void write_html(const call_graph& g, const graph_view& v, const write_options& o, out_buffer& out);

// The explorer's assets, compiled in (view/embed.cmake makes them).
extern const char kExplorerHtml[], kExplorerCss[], kExplorerJs[];
extern const size_t kExplorerHtmlSize, kExplorerCssSize, kExplorerJsSize;

#endif  // TANGLET_VIEW_OUTPUT_WRITERS_H_
