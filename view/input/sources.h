// What cflow runs on: the C files a build compiles and the preprocessor
// flags they take, from a compilation database or from sources as given.
#ifndef TANGLET_VIEW_INPUT_SOURCES_H_
#define TANGLET_VIEW_INPUT_SOURCES_H_

#include <string>
#include <string_view>
#include <vector>

struct source_plan {
  // The C files, each once, relative to the working directory where they
  // lie under it (so that the graph names them as the user does).
  std::vector<std::string> files;
  // Options of cflow itself (-D, -U, -I), and those only the preprocessor
  // takes (-isystem, -include, -std); values quoted for the shell that cflow
  // hands them to.
  std::vector<std::string> cflow_options, cpp_options;
  // Said on standard error before the view: a -D that two files define
  // differently, a truer graph from a compilation database.
  std::vector<std::string> notes;
};

// Splits a command line as the POSIX shell does: blanks, quotes, backslashes.
std::vector<std::string> split_command(std::string_view command);
// The text quoted for sh when it needs to be.
std::string shell_quote(std::string_view text);
// path made absolute against directory (or the working directory), with "."
// and ".." taken out.
std::string absolute_path(std::string_view path, std::string_view directory = {});

// From a compile_commands.json: false with a message that names it.
bool plan_from_database(const std::string& path, source_plan& plan, std::string& error);
// From .c files and directories searched for them (hidden folders and .pc/
// left out); -I for each folder that holds a header.
bool plan_from_sources(const std::vector<std::string>& paths, source_plan& plan,
                       std::string& error);

#endif  // TANGLET_VIEW_INPUT_SOURCES_H_
