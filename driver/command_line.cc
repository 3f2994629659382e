#include "driver/command_line.h"

#include <unistd.h>

#include "driver/writer.h"
#include "listing/listing.h"

namespace {

// glibc's getopt permutes arguments unless told not to with "+"; options
// must stop at the first argument that is not one.
#ifdef __GLIBC__
constexpr char kOptions[] = "+ievhf:";
#else
constexpr char kOptions[] = "ievhf:";
#endif

}  // namespace

void print_usage(FILE* stream, const char* program_name) {
  std::fprintf(stream, "Usage: %s -h\n", program_name);
  std::fprintf(stream, "Usage: %s -v\n", program_name);
  std::fprintf(stream, "Usage: %s [ -i | -e ] [ -f i_format ] < file.cflow\n", program_name);
  std::fputs("\t-h: this help.\n", stream);
  std::fputs("\t-v: version information.\n", stream);
  std::fputs("\t-i: restrict to internal (defined) functions.\n", stream);
  std::fputs("\t-e: restrict to external (used) functions (less usefull).\n", stream);
  std::fputs("\t-f i_format: input format. Arg. should be sun or free.\n", stream);
  std::fputs("\t             by default, it will be automatic as possible.\n", stream);
}

void print_version(FILE* stream) {
  std::fprintf(stream, "%s %s\n", "tanglet", TANGLET_VERSION);
  std::fputs(
      "Turns a cflow call-graph listing into a VCG or Graphviz dot graph.\n"
      "Copyright (c) 2026 The tanglet developers. All rights reserved.\n"
      "Distributed under the BSD 2-Clause License: you may redistribute\n"
      "and modify it under the terms that come with it.\n"
      "This program comes with ABSOLUTELY NO WARRANTY, to the extent\n"
      "permitted by law.\n",
      stream);
}

int handle_command_line(int argc, char** argv) {
  const char* program_name = argc > 0 && argv[0] != nullptr ? argv[0] : "tanglet";
  int option;
  while ((option = getopt(argc, argv, kOptions)) != -1) {
    switch (option) {
      case 'i':
        invisible_class = 2;
        break;
      case 'e':
        invisible_class = 1;
        break;
      case 'f':
        input_format = format_from_name(optarg);
        break;
      case 'h':
        print_usage(stdout, program_name);
        return COMMAND_EXIT_SUCCESS;
      case 'v':
        print_version(stdout);
        return COMMAND_EXIT_SUCCESS;
      case '?':
        print_usage(stderr, program_name);
        return COMMAND_EXIT_FAILURE;
      default:
        break;
    }
  }
  return COMMAND_RUN;
}
