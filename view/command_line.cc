#include "view/command_line.h"

#include <getopt.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string_view>

#include "listing/listing.h"
#include "view/output/link.h"

namespace {

constexpr char kProgram[] = "tanglet-view";

enum : int {
  OPT_MAX_NODES = 256,
  OPT_FOLD,
  OPT_LABELS,
  OPT_GROUP,
  OPT_LINK,
  OPT_RANKDIR,
  OPT_VERSION,
  OPT_CI,
  OPT_CFLOW,
  OPT_CFLOW_OPTION,
  OPT_TO,
};

const option kLongOptions[] = {
    {"focus", required_argument, nullptr, 'F'},
    {"to", required_argument, nullptr, OPT_TO},
    {"callees", required_argument, nullptr, 'd'},
    {"callers", required_argument, nullptr, 'u'},
    {"exclude", required_argument, nullptr, 'x'},
    {"stub", required_argument, nullptr, 's'},
    {"internal", no_argument, nullptr, 'i'},
    {"max-nodes", required_argument, nullptr, OPT_MAX_NODES},
    {"fold", required_argument, nullptr, OPT_FOLD},
    {"format", required_argument, nullptr, 'T'},
    {"labels", required_argument, nullptr, OPT_LABELS},
    {"group", required_argument, nullptr, OPT_GROUP},
    {"link", required_argument, nullptr, OPT_LINK},
    {"rankdir", required_argument, nullptr, OPT_RANKDIR},
    {"reversed", no_argument, nullptr, 'r'},
    {"layout", required_argument, nullptr, 'f'},
    {"ci", required_argument, nullptr, OPT_CI},
    {"build", required_argument, nullptr, 'p'},
    {"cflow", required_argument, nullptr, OPT_CFLOW},
    {"cflow-option", required_argument, nullptr, OPT_CFLOW_OPTION},
    {"jobs", required_argument, nullptr, 'j'},
    {"verbose", no_argument, nullptr, 'v'},
    {"help", no_argument, nullptr, 'h'},
    {"version", no_argument, nullptr, OPT_VERSION},
    {nullptr, 0, nullptr, 0},
};

const char kUsage[] =
    "Usage: tanglet-view [OPTION]... [FILE]...\n"
    "Draw the call graph of a C program, one node per function, as Graphviz dot,\n"
    "JSON, Mermaid or an HTML explorer. Each FILE is a cflow listing (standard\n"
    "input for none or -), a compile_commands.json, a C source or a directory of\n"
    "them, on which tanglet-view runs GNU cflow itself, or a .ci file of GCC's.\n"
    "\n"
    "Input:\n"
    "  -p, --build=DIR            the build's DIR/compile_commands.json\n"
    "      --cflow=PATH           the cflow to run (default cflow)\n"
    "      --cflow-option=OPT     one more option for cflow (repeatable)\n"
    "  -j, --jobs=N               cflow runs at once (default: one per processor)\n"
    "  -v, --verbose              say the cflow commands and all that cflow says\n"
    "  -f, --layout=sun|free|gnu  the listing's layout (default: the first line decides;\n"
    "                             posix: the sun layout, as GNU names it)\n"
    "  -r, --reversed             the listing was made with cflow -r\n"
    "      --ci=DIR               read the .ci files under DIR (gcc -fcallgraph-info;\n"
    "                             repeatable); a FILE that is one is read as one\n"
    "Selecting the view:\n"
    "  -F, --focus=NAME           start from this function (repeatable)\n"
    "      --to=NAME              only the call paths from the focus, or from the\n"
    "                             functions nobody calls, to NAME (repeatable)\n"
    "  -d, --callees=N            levels of callees around the focus (default 1;\n"
    "                             with --to, the longest path, unbounded by default)\n"
    "  -u, --callers=N            levels of callers around the focus (default 1)\n"
    "  -x, --exclude=REGEX        leave out functions whose whole name matches (repeatable)\n"
    "  -s, --stub=REGEX           draw these, but not what they call (repeatable)\n"
    "  -i, --internal             only functions defined in the listed sources\n"
    "      --max-nodes=N          cut a larger view at the depth where it fits\n"
    "                             (default 200; 0: no limit)\n"
    "      --fold=N               a function with more callers or callees than N shows\n"
    "                             N of them and one box for the rest (default 12; 0: all)\n"
    "Output:\n"
    "  -T, --format=FORMAT        dot (default), json, mermaid, html, list (FILE:LINE:\n"
    "                             NAME DISTANCE lines) or summary (of the whole graph)\n"
    "      --labels=name|full     full: name, signature and file:line\n"
    "      --group=file|none      one cluster per source file (default file)\n"
    "      --link=TEMPLATE        a URL for each defined function: %f file, %l line\n"
    "      --rankdir=LR|TB        direction of the drawing (default LR)\n"
    "  -h, --help                 this help\n"
    "      --version              the version\n"
    "\n"
    "Examples: tanglet-view -p build --focus=main | dot -Tsvg > main.svg\n"
    "          tanglet-view -p build -F main --to=fork | dot -Tsvg > fork.svg\n"
    "          make CFLAGS='-O0 -fcallgraph-info=su' && tanglet-view --ci=. -F main\n";

int usage_error(const char* format, const char* a, const char* b = "") {
  std::fprintf(stderr, "%s: ", kProgram);
  std::fprintf(stderr, format, a, b);
  std::fprintf(stderr, "\nTry '%s --help' for more information.\n", kProgram);
  return 2;
}

bool to_count(const char* text, long long limit, long long& out) {
  if (*text < '0' || *text > '9') return false;
  errno = 0;
  char* end;
  const long long v = std::strtoll(text, &end, 10);
  if (errno != 0 || *end != '\0' || v > limit) return false;
  out = v;
  return true;
}

bool add_regex(std::deque<regex_t>& list, const char* option, const char* text, int& status) {
  const std::string what = std::string(option) + " '" + text + "'";
  if (const char* refusal = regex_refusal(text)) {
    status = usage_error("%s: %s", what.c_str(), refusal);
    return false;
  }
  // Compiled in place: POSIX does not say that a regex_t may be copied.
  regex_t& re = list.emplace_back();
  const int error = regcomp(&re, text, REG_EXTENDED);
  if (error != 0) {
    char reason[256];
    regerror(error, &re, reason, sizeof reason);
    list.pop_back();
    status = usage_error("%s: %s", what.c_str(), reason);
    return false;
  }
  return true;
}

// Where the bracket expression that opens at p[i] ends: its ']', or p's
// end. A ']' first in the list is a member, and so is any within [: :],
// [. .] or [= =]; a backslash is an ordinary character there.
size_t bracket_end(std::string_view p, size_t i) {
  ++i;
  if (i < p.size() && p[i] == '^') ++i;
  if (i < p.size() && p[i] == ']') ++i;
  for (; i < p.size() && p[i] != ']'; ++i) {
    if (p[i] != '[' || i + 1 == p.size() || std::strchr(":.=", p[i + 1]) == nullptr) continue;
    const char close[] = {p[i + 1], ']'};
    i = p.find(std::string_view(close, 2), i + 2);
    if (i == std::string_view::npos) return p.size();
    ++i;
  }
  return i;
}

// Reads the repetition at p[i], if it is one: how many copies of what it
// repeats regcomp makes, with i moved to its end. A brace that opens no
// interval is for regcomp to judge. Counts stop growing past any bound.
bool read_repetition(std::string_view p, size_t& i, size_t& copies, size_t& largest) {
  if (p[i] == '*' || p[i] == '?' || p[i] == '+') {
    copies = p[i] == '+' ? 2 : 1;
    return true;
  }
  if (p[i] != '{') return false;
  size_t j = i + 1, count[2] = {0, 0};
  bool digits[2] = {false, false}, comma = false;
  for (; j < p.size() && p[j] != '}'; ++j) {
    if (p[j] == ',' && !comma) {
      comma = true;
    } else if (p[j] >= '0' && p[j] <= '9') {
      count[comma] = std::min<size_t>(count[comma] * 10 + static_cast<size_t>(p[j] - '0'), 1 << 20);
      digits[comma] = true;
    } else {
      return false;
    }
  }
  if (j == p.size() || (!digits[0] && !digits[1])) return false;
  i = j;
  largest = std::max({largest, count[0], count[1]});
  // {n}: n copies; {n,}: one more, under a star; {n,m} and {,m}: m.
  copies = !comma ? count[0] : digits[1] ? std::max(count[0], count[1]) : count[0] + 1;
  return true;
}

}  // namespace

const char* regex_refusal(std::string_view p) {
  // The C library's regcomp copies what a repetition repeats once per count
  // ('+' makes two), nested counts multiply, and its time and memory grow
  // faster than the copies: (((a?){16}){16}){16} took 1.6 s and 1.4 GB.
  // A back-reference makes matching exponential in the name's length.
  constexpr size_t kMaxCount = 255, kMaxTerms = 2048;
  // The terms of each open group so far, and of its last atom, which a
  // repetition copies; a group counts two more for its parentheses.
  struct group {
    size_t terms = 0, last = 0;
  };
  std::vector<group> open(1);
  size_t largest = 0, copies = 0;
  for (size_t i = 0; i < p.size(); ++i) {
    size_t atom = 1;
    if (p[i] == '\\' && i + 1 < p.size() && p[i + 1] >= '1' && p[i + 1] <= '9') {
      return "back-references are not supported";
    } else if (p[i] == '\\') {
      ++i;
    } else if (p[i] == '[') {
      i = bracket_end(p, i);
    } else if (p[i] == '(' || p[i] == '|') {
      if (p[i] == '(') open.emplace_back();
      open.back().last = 0;
      continue;
    } else if (p[i] == ')' && open.size() > 1) {
      atom = open.back().terms + 2;
      open.pop_back();
    } else if (read_repetition(p, i, copies, largest)) {
      if (largest > kMaxCount) return "a repetition count over 255";
      atom = 0;
    }
    group& g = open.back();
    if (atom == 0) {
      g.terms = g.terms - g.last + g.last * copies;
      g.last *= copies;
    } else {
      g.terms += atom;
      g.last = atom;
    }
    if (g.terms > kMaxTerms) return "more than 2048 terms once its repetitions are expanded";
  }
  return nullptr;
}

view_settings::view_settings() : layout(FORMAT_ANY) {}
view_settings::~view_settings() {
  for (regex_t& re : selection.exclude) regfree(&re);
  for (regex_t& re : selection.stub) regfree(&re);
}

int parse_view_command_line(int argc, char** argv, view_settings& s) {
  // getopt's own messages name the program as argv[0] does: the name, not a path.
  std::vector<char*> args(argv, argv + argc);
  static char name[] = "tanglet-view";
  if (args.empty()) args.push_back(name);
  args[0] = name;
  args.push_back(nullptr);
  optind = 1;
  opterr = 1;
  int status = COMMAND_RUN_VIEW;
  int c;
  long long n;
  while ((c = getopt_long(static_cast<int>(args.size() - 1), args.data(), "F:d:u:x:s:iT:rf:hp:j:v",
                          kLongOptions, nullptr)) != -1) {
    switch (c) {
      case 'F':
        s.selection.focus.emplace_back(optarg);
        break;
      case OPT_TO:
        s.selection.to.emplace_back(optarg);
        break;
      case 'd':
      case 'u':
        if (!to_count(optarg, 1000000, n))
          return usage_error("invalid %s value '%s'", c == 'd' ? "--callees" : "--callers", optarg);
        (c == 'd' ? s.selection.callees : s.selection.callers) = static_cast<int32_t>(n);
        (c == 'd' ? s.writing.callees : s.writing.callers) = static_cast<int32_t>(n);
        s.selection.callees_given = s.selection.callees_given || c == 'd';
        break;
      case 'x':
      case 's':
        if (!add_regex(c == 'x' ? s.selection.exclude : s.selection.stub,
                       c == 'x' ? "--exclude" : "--stub", optarg, status))
          return status;
        break;
      case 'i':
        s.selection.internal = true;
        break;
      case OPT_MAX_NODES:
        if (!to_count(optarg, INT32_MAX, n))
          return usage_error("invalid %s value '%s'", "--max-nodes", optarg);
        s.selection.max_nodes = static_cast<size_t>(n);
        break;
      case OPT_FOLD:
        if (!to_count(optarg, INT32_MAX, n))
          return usage_error("invalid %s value '%s'", "--fold", optarg);
        s.selection.fold = static_cast<size_t>(n);
        s.writing.fold = static_cast<int32_t>(n);
        break;
      case 'T': {
        const std::string v = optarg;
        if (v == "dot")
          s.output = OUTPUT_DOT;
        else if (v == "json")
          s.output = OUTPUT_JSON;
        else if (v == "mermaid")
          s.output = OUTPUT_MERMAID;
        else if (v == "html")
          s.output = OUTPUT_HTML;
        else if (v == "list")
          s.output = OUTPUT_LIST;
        else if (v == "summary")
          s.output = OUTPUT_SUMMARY;
        else
          return usage_error("unknown format '%s' (dot, json, mermaid, html, list or summary)%s",
                             optarg);
        // The list tells each function's distance, which only a walk gives.
        s.selection.distances = s.output == OUTPUT_LIST;
        break;
      }
      case OPT_LABELS:
        if (std::strcmp(optarg, "name") != 0 && std::strcmp(optarg, "full") != 0)
          return usage_error("invalid --labels value '%s' (name or full)%s", optarg);
        s.writing.full_labels = std::strcmp(optarg, "full") == 0;
        break;
      case OPT_GROUP:
        if (std::strcmp(optarg, "file") != 0 && std::strcmp(optarg, "none") != 0)
          return usage_error("invalid --group value '%s' (file or none)%s", optarg);
        s.writing.group = std::strcmp(optarg, "file") == 0;
        break;
      case OPT_LINK:
        if (!link_template_allowed(optarg))
          return usage_error("--link '%s': a link must be http, https or file, or relative%s",
                             optarg);
        s.writing.has_link = true;
        s.writing.link = optarg;
        break;
      case OPT_RANKDIR:
        if (std::strcmp(optarg, "LR") != 0 && std::strcmp(optarg, "TB") != 0)
          return usage_error("invalid --rankdir value '%s' (LR or TB)%s", optarg);
        s.writing.top_bottom = std::strcmp(optarg, "TB") == 0;
        break;
      case 'r':
        s.reversed = true;
        break;
      case 'f':
        // The sun grammar as GNU writes it by default too, with blanks:
        // the first line tells which, as it does without -f. GNU calls
        // it posix.
        if (std::strcmp(optarg, "sun") == 0 || std::strcmp(optarg, "posix") == 0)
          s.layout = FORMAT_SUN_ANY;
        else if (std::strcmp(optarg, "free") == 0)
          s.layout = FORMAT_FREE;
        else if (std::strcmp(optarg, "gnu") == 0)
          s.layout = FORMAT_GNU;
        else
          return usage_error("unknown layout '%s' (sun, free or gnu)%s", optarg);
        break;
      case OPT_CI:
        s.ci_dirs.emplace_back(optarg);
        break;
      case 'p':
        s.build_dir = optarg;
        break;
      case OPT_CFLOW:
        s.cflow.program = optarg;
        break;
      case OPT_CFLOW_OPTION:
        s.cflow.options.emplace_back(optarg);
        break;
      case 'j':
        if (!to_count(optarg, 1024, n) || n == 0)
          return usage_error("invalid %s value '%s'", "--jobs", optarg);
        s.cflow.jobs = static_cast<int>(n);
        break;
      case 'v':
        s.cflow.verbose = true;
        break;
      case 'h':
        std::fputs(kUsage, stdout);
        return 0;
      case OPT_VERSION:
        std::printf("%s %s\n", kProgram, TANGLET_VERSION);
        return 0;
      default:  // getopt has said what
        std::fprintf(stderr, "Try '%s --help' for more information.\n", kProgram);
        return 2;
    }
  }
  // The list answers "who calls X": all of them.
  if (s.output == OUTPUT_LIST) s.selection.fold = 0;
  for (int i = optind; i < static_cast<int>(args.size() - 1); ++i) s.files.emplace_back(args[i]);
  return status;
}
