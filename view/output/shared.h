// What the output formats share: the view's files as clusters, and the
// explorer's page data.
#ifndef TANGLET_VIEW_OUTPUT_SHARED_H_
#define TANGLET_VIEW_OUTPUT_SHARED_H_

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "view/output/writers.h"

// The source files of the view's defined functions, in first-seen order,
// and each node's cluster (-1 for none).
std::vector<int32_t> clusters(const call_graph& g, const graph_view& v, bool group,
                              std::vector<int32_t>& files);

// The explorer's page data: one JSON object whose strings are tables (names,
// files, signatures, links, stack words; "<" escaped) and whose numbers are
// packed in base64 ("facts" per node, "calls" per edge), which the page
// decodes straight into typed arrays.
void write_page_data(const call_graph& g, const graph_view& v, const write_options& o,
                     out_buffer& out);

// Text for a terminal or an editor, as the list and the summary write it:
// control bytes as "\x01", each part that is not UTF-8 as U+FFFD, so that
// no name moves the cursor or breaks a line.
void put_plain(out_buffer& out, std::string_view s);
void put_count(out_buffer& out, size_t n);
// "FILE:LINE: NAME", or "NAME: no definition", without the newline.
void put_place(out_buffer& out, const call_graph& g, int32_t id);

#endif  // TANGLET_VIEW_OUTPUT_SHARED_H_
