// tanglet-view's load alone: the listings named (none: standard input) read
// into the call graph, and the graph finished, with nothing selected or
// written. What a focused view costs beyond this is its walk and its output.
//
//   view-load [LISTING...]
#include <cstdio>

#include "view/command_line.h"
#include "view/input/inputs.h"
#include "view/view.h"

int main(int argc, char** argv) {
  view_settings settings;
  settings.files.assign(argv + 1, argv + argc);
  call_graph graph;
  if (load_inputs(settings, graph) != 0) return 1;
  graph.finish();
  std::printf("%zu functions, %zu calls\n", graph.size(), graph.edges().size());
  return 0;
}
