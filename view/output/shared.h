// What the output formats share: the view's files as clusters, and the
// graph as JSON data (the JSON format, and the explorer's page).
#ifndef TANGLET_VIEW_OUTPUT_SHARED_H_
#define TANGLET_VIEW_OUTPUT_SHARED_H_

#include <cstdint>
#include <vector>

#include "view/output/writers.h"

// The source files of the view's defined functions, in first-seen order,
// and each node's cluster (-1 for none).
std::vector<int32_t> clusters(const call_graph& g, const graph_view& v, bool group,
                              std::vector<int32_t>& files);

// The view as one JSON object; html: for the explorer's page (links, first
// depths, and "<" escaped so that no name ends the script element).
void write_json_data(const call_graph& g, const graph_view& v, const write_options* html,
                     out_buffer& out);

#endif  // TANGLET_VIEW_OUTPUT_SHARED_H_
