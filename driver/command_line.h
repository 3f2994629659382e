// The options shared by both programs.
#ifndef TANGLET_DRIVER_COMMAND_LINE_H_
#define TANGLET_DRIVER_COMMAND_LINE_H_

#include <cstdio>

enum : int { COMMAND_RUN, COMMAND_EXIT_SUCCESS, COMMAND_EXIT_FAILURE };

// Sets input_format and invisible_class, or answers -h and -v, or reports a
// bad option. Returns whether to run the conversion or to end, and how.
int handle_command_line(int argc, char** argv);

void print_usage(FILE* stream, const char* program_name);
void print_version(FILE* stream);

#endif  // TANGLET_DRIVER_COMMAND_LINE_H_
