// tanglet-view's options.
#ifndef TANGLET_VIEW_COMMAND_LINE_H_
#define TANGLET_VIEW_COMMAND_LINE_H_

#include <string>
#include <string_view>
#include <vector>

#include "view/input/cflow.h"
#include "view/output/writers.h"
#include "view/select/select.h"

enum : int { OUTPUT_DOT, OUTPUT_JSON, OUTPUT_MERMAID, OUTPUT_HTML, OUTPUT_LIST, OUTPUT_SUMMARY };

struct view_settings {
  selection_options selection;
  write_options writing;
  int output = OUTPUT_DOT;
  int layout;  // a FORMAT_ value; FORMAT_ANY: the first line decides
  bool reversed = false;
  std::vector<std::string> files;  // none: standard input
  std::string build_dir;           // -p: where compile_commands.json is
  cflow_settings cflow;
  std::vector<std::string> ci_dirs;  // --ci: searched for GCC's .ci files
  view_settings();
  ~view_settings();
  view_settings(const view_settings&) = delete;
  view_settings& operator=(const view_settings&) = delete;
};

enum : int { COMMAND_RUN_VIEW = -1 };
// Fills settings from the arguments, or answers --help and --version (0),
// or reports bad usage on standard error (2). COMMAND_RUN_VIEW otherwise.
int parse_view_command_line(int argc, char** argv, view_settings& settings);

// Why an --exclude or --stub pattern is refused before regcomp sees it, or
// nullptr: what would make compiling or matching it run away.
const char* regex_refusal(std::string_view pattern);

#endif  // TANGLET_VIEW_COMMAND_LINE_H_
