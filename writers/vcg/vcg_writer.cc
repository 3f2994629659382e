// The graph of tanglet, in VCG. Edges into defined functions are class 1
// ("Interne"), the others class 2 ("Externe"), so a viewer can hide either.
#include "driver/registry.h"
#include "driver/writer.h"
#include "io/out_buffer.h"
#include "writers/vcg/vcg_header.h"

namespace {
number_cache titles;
}  // namespace

void write_graph_header() {
  graph_output.put(kVcgHeader);
  if (invisible_class != 0) {
    graph_output.put("invisible: ");
    graph_output.put_int(invisible_class);
    graph_output.put('\n');
  }
}

void write_node(padded_text name, int32_t number, padded_text signature, padded_text file,
                int32_t line) {
  // Escaping at most doubles a field; the rest is under 128 bytes.
  const size_t bound = 2 * (name.size() + signature.size() + file.size()) + 128;
  graph_output.write_line(bound, [&](auto& out) {
    out.put("node: { title: \"");
    out.put_int(number, titles);
    out.put("\" label: \"");
    out.put_escaped(name);
    out.put("\" info1: \"");
    out.put_int(number, titles);
    // A function without a definition, a quarter of most listings.
    if (file.empty() && signature.empty() && line == 0) {
      out.put("\" info2: \"\" info3: \":0\" }\n");
      return;
    }
    out.put("\" info2: \"");
    out.put_escaped_long(signature);
    out.put("\" info3: \"");
    out.put_escaped(file);
    out.put(':');
    out.put_int(line);
    out.put("\" }\n");
  });
}

void write_edge(int32_t source, int32_t target) {
  const bool defined = is_defined(target);
  graph_output.write_line(80, [&](auto& out) {
    out.put("edge: { sourcename: \"");
    out.put_int(source, titles);
    out.put("\" targetname: \"");
    out.put_int(target, titles);
    out.put(defined ? "\" class: 1 }\n" : "\" class: 2 }\n");
  });
}

void write_graph_footer() { graph_output.put("}\n"); }
