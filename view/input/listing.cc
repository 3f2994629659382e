#include "view/input/listing.h"

#include <sys/stat.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string_view>

#include "listing/reader.h"

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

bool starts_with(std::string_view s, std::string_view start) {
  return s.substr(0, start.size()) == start;
}

// "name   file:line" or "name * file:line declaration".
bool cross_reference(std::string_view line) {
  const size_t name_end = line.find(' ');
  if (name_end == 0 || name_end == std::string_view::npos) return false;
  size_t i = line.find_first_not_of(' ', name_end);
  if (i == std::string_view::npos) return false;
  if (starts_with(line.substr(i), "* ")) i += 2;
  const size_t end = std::min(line.find(' ', i), line.size());
  const std::string_view place = line.substr(i, end - i);
  const size_t colon = place.rfind(':');
  return colon != std::string_view::npos && colon + 1 < place.size() &&
         place.find_first_not_of("0123456789", colon + 1) == std::string_view::npos;
}

// What a first line that is no listing's says the text is, with what to
// run instead; nullptr when it says nothing.
const char* other_output(std::string_view line) {
  while (!line.empty() && (line.back() == ' ' || line.back() == '\r')) line.remove_suffix(1);
  const size_t start = line.find_first_not_of(" \t|");
  const std::string_view text = start == std::string_view::npos ? "" : line.substr(start);
  if (starts_with(text, "digraph"))
    return "this is cflow's --format=dot output, not a listing: run cflow with --format=posix "
           "-b, or give tanglet-view the sources";
  if (starts_with(text, "+-") || starts_with(text, "\\-"))
    return "this is cflow's --tree output, not a listing: run cflow without --tree, or give "
           "tanglet-view the sources";
  if (starts_with(text, "#") || starts_with(text, "/*") || starts_with(text, "//") ||
      (!text.empty() && std::strchr(";{}", text.back()) != nullptr))
    return "this is C source, not a listing: give tanglet-view the .c files by name, or their "
           "directory, and it runs cflow on them";
  if (cross_reference(text))
    return "this is cflow's cross-reference (-x), not a listing: run cflow without -x, or give "
           "tanglet-view the sources";
  return nullptr;
}

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
      if (const char* what = other_output({r.text, r.text_size}))
        std::fprintf(stderr, "%s: %s: %s\n", kProgram, name, what);
      else
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
