#include "view/view.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <string>

#include "io/broken_pipe.h"
#include "io/out_buffer.h"
#include "view/input/inputs.h"

namespace {
constexpr char kProgram[] = "tanglet-view";

// Each line of a message from the selection, as the program's.
void say(const std::string& message) {
  for (size_t start = 0; start < message.size();) {
    const size_t end = std::min(message.find('\n', start), message.size());
    std::fprintf(stderr, "%s: %.*s\n", kProgram, static_cast<int>(end - start),
                 message.data() + start);
    start = end + 1;
  }
}

void say_cut(const view_settings& settings, const graph_view& view) {
  if (view.paths) {
    std::fprintf(stderr,
                 "%s: the paths hold %zu functions, more than --max-nodes=%zu: kept the %zu on "
                 "the shortest, of up to %d calls; %zu left out, %zu marked where calls were "
                 "left out; see them all with --max-nodes=%zu\n",
                 kProgram, view.wanted, settings.selection.max_nodes, view.nodes.size(),
                 static_cast<int>(view.level), view.wanted - view.nodes.size(), view.marked,
                 view.wanted);
    return;
  }
  char where[96];
  if (view.dropped != 0)
    std::snprintf(where, sizeof where, "kept %zu of the %zu functions that nobody calls",
                  view.nodes.size(), view.nodes.size() + view.dropped);
  else
    std::snprintf(where, sizeof where, "cut after level %d", static_cast<int>(view.level));
  std::fprintf(stderr,
               "%s: the view would hold %zu functions, more than --max-nodes=%zu: %s, %zu "
               "function%s marked where calls were left out; see more with --max-nodes=%zu, or "
               "narrow it with --focus, --exclude or --internal\n",
               kProgram, view.wanted, settings.selection.max_nodes, where, view.marked,
               view.marked == 1 ? "" : "s", view.wanted);
}

}  // namespace

int run_view(const view_settings& settings) {
  call_graph graph;
  if (load_inputs(settings, graph) != 0) return 1;
  graph.finish();

  graph_view view;
  std::string message;
  // The explorer and the summary take the whole graph that the filters leave.
  const bool whole = settings.output == OUTPUT_HTML || settings.output == OUTPUT_SUMMARY;
  const bool selected = whole ? select_all(graph, settings.selection, view, message)
                              : select_view(graph, settings.selection, view, message);
  say(message);
  if (!selected) return 1;
  if (view.cut) say_cut(settings, view);

  graph_output.reset(1);
  switch (settings.output) {
    case OUTPUT_DOT:
      write_dot(graph, view, settings.writing, graph_output);
      break;
    case OUTPUT_JSON:
      write_json(graph, view, graph_output);
      break;
    case OUTPUT_MERMAID:
      write_mermaid(graph, view, settings.writing, graph_output);
      if (view.edges.size() > 500)
        std::fprintf(stderr,
                     "%s: warning: %zu edges, more than the 500 that Mermaid draws by default: "
                     "narrow the view with --focus\n",
                     kProgram, view.edges.size());
      break;
    case OUTPUT_HTML:
      write_html(graph, view, settings.writing, graph_output);
      break;
    case OUTPUT_LIST:
      write_list(graph, view, graph_output);
      break;
    case OUTPUT_SUMMARY:
      write_summary(graph, view, graph_output);
      break;
  }
  if (!graph_output.flush()) return write_error(graph_output.error());
  return 0;
}

int write_error(int error) {
  end_if_reader_left(error);
  std::fprintf(stderr, "%s: write error: %s\n", kProgram, std::strerror(error));
  return 1;
}
