// Runs one of the built programs the way a shell would, and keeps what it
// wrote and how it ended.
#ifndef TANGLET_TESTS_RUN_PROGRAM_H_
#define TANGLET_TESTS_RUN_PROGRAM_H_

#include <string>
#include <vector>

struct program_run {
  int status = -1;  // the exit status, or 128 + signal
  std::string out, err;
  long max_rss_kb = 0;     // the child's peak resident memory
  double cpu_seconds = 0;  // the child's user and system time
};

struct run_options {
  std::vector<std::string> args;
  std::string input;
  const char* stdin_path = nullptr;   // instead of input
  const char* stdout_path = nullptr;  // instead of capturing
  bool stdout_closed_pipe = false;    // a pipe whose reader has gone
  long memory_limit = 0;              // bytes of address space, 0: none
};

// argv[0] is the program's base name, so that messages read the same anywhere.
program_run run_program(const std::string& path, const run_options& options);

std::string read_file(const std::string& path);

#endif  // TANGLET_TESTS_RUN_PROGRAM_H_
