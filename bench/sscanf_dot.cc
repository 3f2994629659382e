// The plain design to measure against: stdio line reading, the sscanf
// reading of the grammars, and printf output. It writes the same dot graph
// as tanglet-dot (without options), so the two can be timed on one input.
#include <cstdio>
#include <cstdlib>
#include <vector>

#include "tests/oracle.h"

int main() {
  std::printf("digraph vorlan {\nnode [shape=box];edge [color=black style=solid];\n");
  char* line = nullptr;
  size_t capacity = 0;
  ssize_t length;
  std::vector<long> depth_stack(64, 0);
  long depth_top = 0;
  int layout = FORMAT_AUTO;
  long count = 0;
  oracle_entry e;
  while ((length = getline(&line, &capacity, stdin)) > 0) {
    ++count;
    int ok = 0;
    if (layout == FORMAT_AUTO) {
      if (oracle_parse(FORMAT_SUN, line, e)) {
        layout = FORMAT_SUN, ok = 1;
      } else if (oracle_parse(FORMAT_FREE, line, e)) {
        layout = FORMAT_FREE, ok = 1;
      }
    } else {
      ok = oracle_parse(layout, line, e);
    }
    if (!ok) {
      std::fprintf(stderr, "Syntax error line %ld\n", count);
      return 1;
    }
    if (static_cast<size_t>(e.depth) >= depth_stack.size()) depth_stack.resize(e.depth * 2, 0);
    depth_top = e.depth - 1;
    depth_stack[e.depth] = e.number;
    if (e.kind == ENTRY_DEFINED)
      std::printf("node_%ld [ label=\"%s\\n%s\\n%s:%ld\" ]\n", e.number, e.name.c_str(),
                  e.signature.c_str(), e.file.c_str(), e.line);
    else if (e.kind == ENTRY_EXTERNAL)
      std::printf("node_%ld [ label=\"%s\\n\\n:0\" ]\n", e.number, e.name.c_str());
    const long parent = depth_top >= 1 ? depth_stack[depth_top] : -1;
    if (parent != -1) std::printf("\tnode_%ld -> node_%ld ;\n", parent, e.number);
  }
  std::printf("}\n");
  std::free(line);
  return 0;
}
