// The explorer: one page that holds its style, its script and the graph.
#include <algorithm>
#include <string_view>

#include "view/output/shared.h"

void write_html(const call_graph& g, const graph_view& v, const write_options& o, out_buffer& out) {
  const std::string_view page(kExplorerHtml, kExplorerHtmlSize);
  struct part {
    size_t at;
    std::string_view placeholder;
    int what;  // 0 style, 1 script, 2 data
  };
  part parts[] = {{page.find("/*@STYLE@*/"), "/*@STYLE@*/", 0},
                  {page.find("/*@SCRIPT@*/"), "/*@SCRIPT@*/", 1},
                  {page.find("@DATA@"), "@DATA@", 2}};
  std::sort(std::begin(parts), std::end(parts),
            [](const part& a, const part& b) { return a.at < b.at; });
  size_t from = 0;
  for (const part& p : parts) {
    if (p.at == std::string_view::npos) continue;  // the build checks that all are there
    out.put(page.substr(from, p.at - from));
    if (p.what == 0) out.put(std::string_view(kExplorerCss, kExplorerCssSize));
    if (p.what == 1) out.put(std::string_view(kExplorerJs, kExplorerJsSize));
    if (p.what == 2) write_page_data(g, v, o, out);
    from = p.at + p.placeholder.size();
  }
  out.put(page.substr(from));
}
