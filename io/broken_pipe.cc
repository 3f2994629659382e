#include "io/broken_pipe.h"

#include <unistd.h>

#include <cerrno>
#include <csignal>
#include <cstdio>

void ignore_sigpipe() { std::signal(SIGPIPE, SIG_IGN); }

void end_if_reader_left(int error) {
  if (error != EPIPE) return;
  std::signal(SIGPIPE, SIG_DFL);
  sigset_t pipe;
  sigemptyset(&pipe);
  sigaddset(&pipe, SIGPIPE);
  sigprocmask(SIG_UNBLOCK, &pipe, nullptr);
  std::raise(SIGPIPE);
  _exit(128 + SIGPIPE);  // not reached: the signal ends the process
}

int flush_stdout() {
  if (std::fflush(stdout) == 0 && !std::ferror(stdout)) return 0;
  return errno != 0 ? errno : EIO;
}
