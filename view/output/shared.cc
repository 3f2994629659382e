#include "view/output/shared.h"

#include <cstdio>

#include "view/output/text.h"

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

void put_plain(out_buffer& out, std::string_view s) {
  put_utf8(out, s, 0, kReplacement, is_control, [&out](unsigned char c) {
    char e[8];
    out.put(std::string_view(e, std::snprintf(e, sizeof e, "\\x%02x", c)));
  });
}

void put_count(out_buffer& out, size_t n) {
  char digits[24];
  out.put(std::string_view(digits, std::snprintf(digits, sizeof digits, "%zu", n)));
}

void put_place(out_buffer& out, const call_graph& g, int32_t id) {
  if (g.defined(id)) {
    put_plain(out, g.file(id));
    out.put(':');
    out.put_int(g.line(id));
    out.put(": ");
    put_plain(out, g.name(id));
  } else {
    put_plain(out, g.name(id));
    out.put(": no definition");
  }
}
