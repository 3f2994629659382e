// tanglet-view: a readable picture of a program from its cflow listing.
#include <unistd.h>

#include <new>

#include "io/broken_pipe.h"
#include "view/command_line.h"
#include "view/view.h"

namespace {
[[noreturn]] void out_of_memory() {
  static const char kMessage[] = "tanglet-view: out of memory\n";
  (void)!::write(2, kMessage, sizeof kMessage - 1);
  _exit(1);
}
}  // namespace

int main(int argc, char** argv) {
  ignore_sigpipe();
  std::set_new_handler(out_of_memory);
  view_settings settings;
  const int status = parse_view_command_line(argc, argv, settings);
  if (status != COMMAND_RUN_VIEW) {
    // What --help or --version wrote has to reach its reader too.
    if (const int error = flush_stdout()) return write_error(error);
    return status;
  }
  return run_view(settings);
}
