#include "view/view.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "io/out_buffer.h"
#include "listing/reader.h"
#include "view/input/gcc_ci.h"

namespace {

constexpr char kProgram[] = "tanglet-view";

struct load_context {
  graph_builder* builder;
  long long entries = 0;
  bool failed = false;
};

bool take_entry(void* context, const listing_entry& entry) {
  auto& c = *static_cast<load_context*>(context);
  ++c.entries;
  if (!c.builder->add(entry, input_format == FORMAT_GNU)) {
    c.failed = true;
    return false;
  }
  return true;
}

const char* layout_name(int format) {
  return format == FORMAT_FREE ? "free" : format == FORMAT_GNU ? "gnu" : "sun";
}

}  // namespace

int load_listing(int fd, const char* name, const view_settings& settings, graph_builder& builder) {
  input_format = settings.layout;
  builder.begin_listing();
  load_context context{&builder};
  struct stat about;
  if (::fstat(fd, &about) == 0 && S_ISREG(about.st_mode))
    builder.reserve(static_cast<size_t>(about.st_size));
  read_result r = read_listing(fd, take_entry, &context);
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
  return 0;
}

namespace {

// The first bytes of fd, left for the reader: of a file, or of a pipe
// through a copy that tee() makes (Linux); 0 for neither.
ssize_t peek(int fd, char* head, size_t size) {
  const ssize_t n = ::pread(fd, head, size, 0);
  if (n >= 0 || errno != ESPIPE) return n;
#ifdef __linux__
  int copy[2];
  if (::pipe(copy) != 0) return 0;
  const ssize_t teed = ::tee(fd, copy[1], size, 0);
  const ssize_t got = teed > 0 ? ::read(copy[0], head, static_cast<size_t>(teed)) : 0;
  ::close(copy[0]);
  ::close(copy[1]);
  return got;
#else
  return 0;
#endif
}

// GCC's call graph or a listing, by the first bytes.
int load_input(int fd, const char* name, const view_settings& settings, graph_builder& builder,
               ci_reader& ci) {
  char head[256];
  const ssize_t n = peek(fd, head, sizeof head);
  if (n > 0 && is_gcc_ci(std::string_view(head, static_cast<size_t>(n))))
    return load_gcc_ci(fd, name, ci);
  return load_listing(fd, name, settings, builder);
}

}  // namespace

int load_listings(const view_settings& settings, call_graph& graph) {
  graph_builder builder(graph, settings.reversed);
  ci_reader ci(graph);
  std::vector<std::string> found;
  for (const std::string& dir : settings.ci_dirs) {
    if (find_gcc_ci(dir, found) != 0) return 1;
  }
  std::vector<std::string> files = settings.files;
  if (files.empty() && found.empty()) files.emplace_back("-");
  for (const std::string& file : files) {
    if (file == "-") {
      if (load_input(0, "standard input", settings, builder, ci) != 0) return 1;
      continue;
    }
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0) {
      std::fprintf(stderr, "%s: %s: %s\n", kProgram, file.c_str(), std::strerror(errno));
      return 1;
    }
    const int status = load_input(fd, file.c_str(), settings, builder, ci);
    ::close(fd);
    if (status != 0) return status;
  }
  for (const std::string& file : found) {
    const int fd = ::open(file.c_str(), O_RDONLY);
    if (fd < 0) {
      std::fprintf(stderr, "%s: %s: %s\n", kProgram, file.c_str(), std::strerror(errno));
      return 1;
    }
    const int status = load_gcc_ci(fd, file.c_str(), ci);
    ::close(fd);
    if (status != 0) return status;
  }
  ci.finish();
  return 0;
}

int run_view(const view_settings& settings) {
  call_graph graph;
  if (load_listings(settings, graph) != 0) return 1;
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
  if (!graph_output.flush()) {
    std::fprintf(stderr, "%s: write error: %s\n", kProgram, std::strerror(graph_output.error()));
    return 1;
  }
  return 0;
}
