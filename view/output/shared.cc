#include "view/output/shared.h"

std::vector<int32_t> clusters(const call_graph& g, const graph_view& v, bool group,
                              std::vector<int32_t>& files) {
  std::vector<int32_t> cluster(v.nodes.size(), -1), of_file;
  if (!group) return cluster;
  for (size_t k = 0; k < v.nodes.size(); ++k) {
    const int32_t f = g.file_index(v.nodes[k]);
    if (f < 0) continue;
    if (of_file.size() <= static_cast<size_t>(f)) of_file.resize(f + 1, -1);
    if (of_file[f] < 0) {
      of_file[f] = static_cast<int32_t>(files.size());
      files.push_back(f);
    }
    cluster[k] = of_file[f];
  }
  return cluster;
}
