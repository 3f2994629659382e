// GNU cflow, run by tanglet-view over a program's sources: in parts, one
// per processor, each part's listing read as it streams.
#ifndef TANGLET_VIEW_INPUT_CFLOW_H_
#define TANGLET_VIEW_INPUT_CFLOW_H_

#include <string>
#include <string_view>
#include <vector>

#include "view/input/sources.h"

struct cflow_settings {
  std::string program = "cflow";
  std::vector<std::string> options;  // --cflow-option, after ours
  int jobs = 0;                      // 0: one per processor
  bool verbose = false;              // say the commands and all cflow says
};

// The command of one run over files, program first.
std::vector<std::string> cflow_command(const cflow_settings& settings, const source_plan& plan,
                                       const std::vector<std::string>& files);

// The files in at most jobs parts of about the same cost, each a run of
// the list in its order.
std::vector<std::vector<std::string>> split_files(const std::vector<std::string>& files, int jobs);

// What cflow said on standard error, in a line or two: each function
// defined twice, then a count of the other warnings. Empty when it said
// nothing worth a word.
std::string summarize_cflow_errors(std::string_view said, bool verbose);

// Reads one listing from fd; name is how messages call it. Returns 0, or 1
// after saying what went wrong.
using listing_reader = int (*)(void* context, int fd, const char* name);

// Runs cflow over the plan, in parts, and hands each part's output to read
// in order. Returns 0, or 1 after a message: cflow missing, failed, killed,
// or its listing refused; nothing is then claimed done.
int run_cflow(const cflow_settings& settings, const source_plan& plan, listing_reader read,
              void* context);

#endif  // TANGLET_VIEW_INPUT_CFLOW_H_
