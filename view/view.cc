#include "view/view.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io/broken_pipe.h"
#include "io/out_buffer.h"
#include "listing/reader.h"
#include "view/input/inputs.h"

namespace {

constexpr char kProgram[] = "tanglet-view";

struct load_context {
  graph_builder* builder;
  long long entries = 0;
  bool failed = false;
  long long roots = 0;     // entries without a caller
  bool main_root = false;  // the first of them is main
};

bool take_entry(void* context, const listing_entry& entry) {
  auto& c = *static_cast<load_context*>(context);
  ++c.entries;
  if (entry.depth <= 1 && c.roots++ == 0) c.main_root = entry.name == "main";
  if (!c.builder->add(entry, input_format == FORMAT_GNU)) {
    c.failed = true;
    return false;
  }
  return true;
}

void skip_blank(void* context) { static_cast<load_context*>(context)->builder->skip_line(); }

const char* layout_name(int format) {
  return format == FORMAT_FREE ? "free" : format == FORMAT_GNU ? "gnu" : "sun";
}

}  // namespace

int load_listing(int fd, const char* name, int layout, graph_builder& builder) {
  input_format = layout;
  builder.begin_listing();
  load_context context{&builder};
  struct stat about;
  if (::fstat(fd, &about) == 0 && S_ISREG(about.st_mode))
    builder.reserve(static_cast<size_t>(about.st_size));
  read_result r = read_listing(fd, take_entry, &context, view_reading(skip_blank));
  if (r.status == read_status::done && !builder.end_listing()) r.status = read_status::stopped;
  switch (r.status) {
    case read_status::done:
      break;
    case read_status::syntax_error:
      std::fprintf(stderr, "%s: %s:%lld: not a line of the %s layout\n", kProgram, name, r.line,
                   layout_name(input_format));
      return 1;
    case read_status::unrecognized:
      std::fprintf(stderr, "%s: %s:%lld: not a line of any layout (sun, free or gnu)\n", kProgram,
                   name, r.line);
      return 1;
    case read_status::read_error:
      std::fprintf(stderr, "%s: %s: %s\n", kProgram, name, std::strerror(r.error));
      return 1;
    case read_status::no_memory:
      std::fprintf(stderr, "%s: out of memory\n", kProgram);
      return 1;
    case read_status::stopped:
      std::fprintf(stderr, "%s: %s:%lld: refers to line %d, which lists no function\n", kProgram,
                   name, builder.bad_reference_entry(), static_cast<int>(builder.bad_reference()));
      return 1;
  }
  if (context.entries >= 2 && builder.min_depth() == builder.max_depth())
    std::fprintf(stderr,
                 "%s: warning: %s: no line is nested under another: the listing's indentation "
                 "was probably lost\n",
                 kProgram, name);
  // cflow without -A lists what main reaches by direct calls alone.
  if (context.roots == 1 && context.main_root && context.entries > 1)
    std::fprintf(stderr,
                 "%s: note: %s: main is the listing's only root: functions reached only through "
                 "pointers are missing; list them all with cflow -A, or give tanglet-view the "
                 "sources\n",
                 kProgram, name);
  return 0;
}

int run_view(const view_settings& settings) {
  call_graph graph;
  if (load_inputs(settings, graph) != 0) return 1;
  graph.join_declarations();
  graph.finish();

  graph_view view;
  std::string message;
  const bool selected = settings.output == OUTPUT_HTML
                            ? select_all(graph, settings.selection, view, message)
                            : select_view(graph, settings.selection, view, message);
  if (!selected) {
    std::fprintf(stderr, "%s: %s\n", kProgram, message.c_str());
    return 1;
  }
  if (view.cut) {
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
  }
  if (!graph_output.flush()) return write_error(graph_output.error());
  return 0;
}

int write_error(int error) {
  end_if_reader_left(error);
  std::fprintf(stderr, "%s: write error: %s\n", kProgram, std::strerror(error));
  return 1;
}
