// The graph of tanglet-dot, in Graphviz dot. -i and -e leave out the edges
// that the VCG header would make invisible.
#include "driver/driver.h"
#include "driver/output.h"

namespace {

// A dot identifier may not hold a minus sign unless it is quoted.
void put_identifier(out_buffer& out, int32_t number) {
  if (number < 0) out.put('"');
  out.put("node_");
  out.put_int(number);
  if (number < 0) out.put('"');
}

}  // namespace

void write_graph_header() {
  graph_output.put(
      "digraph vorlan {\n"
      "node [shape=box];edge [color=black style=solid];\n");
}

void write_node(std::string_view name, int32_t number, std::string_view signature,
                std::string_view file, int32_t line) {
  // Only external entries come without a file: a definition's file token is
  // never empty. With -i their edges are left out, so would they be.
  if (invisible_class == 2 && file.empty()) return;
  out_buffer& out = graph_output;
  put_identifier(out, number);
  out.put(" [ label=\"");
  out.put_escaped(name);
  out.put("\\n");
  out.put_escaped(signature);
  out.put("\\n");
  out.put_escaped(file);
  out.put(':');
  out.put_int(line);
  out.put("\" ]\n");
}

void write_edge(int32_t source, int32_t target) {
  // The class that the VCG header would hide: 1 into defined functions, 2 into
  // the others.
  if (invisible_class != 0 && (is_defined(target) ? 1 : 2) == invisible_class) return;
  out_buffer& out = graph_output;
  out.put('\t');
  put_identifier(out, source);
  out.put(" -> ");
  put_identifier(out, target);
  out.put(" ;\n");
}

void write_graph_footer() { graph_output.put("}\n"); }
