#include "view/input/inputs.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "view/input/cflow.h"
#include "view/input/gcc_ci.h"
#include "view/input/listing.h"
#include "view/input/sources.h"
#include "view/view.h"

namespace {

constexpr char kProgram[] = "tanglet-view";

bool ends_with(const std::string& s, std::string_view end) {
  return s.size() >= end.size() && std::string_view(s).substr(s.size() - end.size()) == end;
}

bool is_database(const std::string& path) {
  return path == "compile_commands.json" || ends_with(path, "/compile_commands.json");
}

bool is_directory(const std::string& path) {
  struct stat about;
  return ::stat(path.c_str(), &about) == 0 && S_ISDIR(about.st_mode);
}

// What the command line gives cflow to run on: databases, then sources.
bool plan_inputs(const view_settings& s, source_plan& plan, bool& any) {
  std::vector<std::string> databases, sources;
  if (!s.build_dir.empty()) databases.push_back(s.build_dir + "/compile_commands.json");
  for (const std::string& f : s.files) {
    if (is_database(f))
      databases.push_back(f);
    else if (ends_with(f, ".c") || is_directory(f))
      sources.push_back(f);
  }
  any = !databases.empty() || !sources.empty();
  std::string error;
  for (const std::string& db : databases) {
    if (!plan_from_database(db, plan, error)) {
      std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
      return false;
    }
  }
  if (!sources.empty() && !plan_from_sources(sources, plan, error)) {
    std::fprintf(stderr, "%s: %s\n", kProgram, error.c_str());
    return false;
  }
  return true;
}

struct listing_context {
  graph_builder* builder;
  int layout;
};

int read_cflow_listing(void* context, int fd, const char* name) {
  auto& c = *static_cast<listing_context*>(context);
  return load_listing(fd, name, c.layout, *c.builder);
}

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

// A listing, or GCC's call graph, by its first bytes.
int read_listing_fd(int fd, const char* name, int layout, graph_builder& builder, ci_reader& ci) {
  char head[256];
  const ssize_t n = peek(fd, head, sizeof head);
  if (n > 0 && is_gcc_ci(std::string_view(head, static_cast<size_t>(n))))
    return load_gcc_ci(fd, name, ci);
  return load_listing(fd, name, layout, builder);
}

int read_listing_file(const std::string& file, int layout, graph_builder& builder, ci_reader& ci) {
  if (file == "-") return read_listing_fd(0, "standard input", layout, builder, ci);
  const int fd = ::open(file.c_str(), O_RDONLY);
  if (fd < 0) {
    std::fprintf(stderr, "%s: %s: %s\n", kProgram, file.c_str(), std::strerror(errno));
    return 1;
  }
  const int status = read_listing_fd(fd, file.c_str(), layout, builder, ci);
  ::close(fd);
  return status;
}

// The .ci files under each --ci folder.
int read_gcc_ci_folders(const view_settings& s, ci_reader& ci) {
  std::vector<std::string> found;
  for (const std::string& dir : s.ci_dirs) {
    if (find_gcc_ci(dir, found) != 0) return 1;
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
  return 0;
}

// Functions that a build would not hold together: Debian's copies of
// patched files, and names defined twice (static namesakes, or programs
// built from one tree, such as a generator's main beside the program's).
void note_definitions(const call_graph& graph, const call_graph::definition_facts& facts) {
  // Files are few: each is looked at once, its functions counted.
  std::vector<size_t> per_file;
  for (size_t k = 0; k < graph.size(); ++k) {
    const int32_t f = graph.file_index(static_cast<int32_t>(k));
    if (f < 0) continue;
    if (per_file.size() <= static_cast<size_t>(f)) per_file.resize(f + 1, 0);
    ++per_file[f];
  }
  size_t patched = 0;
  for (size_t k = 0; k < graph.size(); ++k) {
    const auto id = static_cast<int32_t>(k);
    const int32_t f = graph.file_index(id);
    if (f < 0 || per_file[f] == 0) continue;
    const std::string_view file = graph.file(id);
    if (file.substr(0, 4) == ".pc/" || file.find("/.pc/") != std::string_view::npos)
      patched += per_file[f];
    per_file[f] = 0;  // counted
  }
  if (patched > 0)
    std::fprintf(stderr,
                 "%s: note: %zu function%s defined under .pc/, where Debian keeps copies of "
                 "patched files: leave that folder out of the listing\n",
                 kProgram, patched, patched == 1 ? " is" : "s are");
  if (facts.names_defined_twice == 0) return;
  auto place = [&](int32_t id) {
    return std::string(graph.file(id)) + ":" + std::to_string(graph.line(id));
  };
  const auto [a, b] = facts.twice;
  std::fprintf(stderr,
               "%s: note: %zu name%s defined in two places or more, such as %s (%s and %s): "
               "static namesakes, or several programs of one tree\n",
               kProgram, facts.names_defined_twice,
               facts.names_defined_twice == 1 ? " is" : "s are", std::string(graph.name(a)).c_str(),
               place(a).c_str(), place(b).c_str());
}

}  // namespace

int load_inputs(const view_settings& settings, call_graph& graph) {
  graph_builder builder(graph, settings.reversed);
  source_plan plan;
  bool run = false;
  if (!plan_inputs(settings, plan, run)) return 1;
  if (run) {
    for (const std::string& note : plan.notes)
      std::fprintf(stderr, "%s: note: %s\n", kProgram, note.c_str());
    // cflow's own listings: every function once, in the sun layout with blanks.
    // They read forwards whatever -r says of the listings given.
    graph_builder forwards(graph, false);
    listing_context context{&forwards, FORMAT_POSIX};
    if (run_cflow(settings.cflow, plan, read_cflow_listing, &context) != 0) return 1;
  }
  bool listed = false;
  ci_reader ci(graph);
  for (const std::string& file : settings.files) {
    if (is_database(file) || ends_with(file, ".c") || (file != "-" && is_directory(file))) continue;
    listed = true;
    if (read_listing_file(file, settings.layout, builder, ci) != 0) return 1;
  }
  if (read_gcc_ci_folders(settings, ci) != 0) return 1;
  if (!listed && !run && settings.ci_dirs.empty() &&
      read_listing_fd(0, "standard input", settings.layout, builder, ci) != 0)
    return 1;
  ci.finish();
  note_definitions(graph, graph.join_declarations());
  return 0;
}
