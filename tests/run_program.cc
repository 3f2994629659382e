#include "tests/run_program.h"

#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <sstream>

std::string read_file(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

namespace {

std::string temp_path(const char* what) {
  const char* dir = std::getenv("TMPDIR");
  std::string path = std::string(dir ? dir : "/tmp") + "/tanglet-test-" + what + "-XXXXXX";
  const int fd = mkstemp(path.data());
  if (fd >= 0) close(fd);
  return path;
}

}  // namespace

program_run run_program(const std::string& path, const run_options& o) {
  const std::string in = temp_path("in"), out = temp_path("out"), err = temp_path("err");
  {
    std::ofstream f(in, std::ios::binary);
    f << o.input;
  }
  int pipe_fds[2] = {-1, -1};
  if (o.stdout_closed_pipe) {
    if (pipe(pipe_fds) != 0) return {};
    // Gone before the program starts: its first write fails, however short.
    close(pipe_fds[0]);
  }

  std::vector<std::string> words{path.substr(path.rfind('/') + 1)};
  words.insert(words.end(), o.args.begin(), o.args.end());
  std::vector<char*> argv;
  for (auto& w : words) argv.push_back(w.data());
  argv.push_back(nullptr);
#if defined(TANGLET_EMULATOR)
  // A cross build's programs are foreign to this kernel unless binfmt_misc
  // knows them: those go through the emulator, as CTest runs the tests.
  std::vector<std::string> emulated;
  std::istringstream command(TANGLET_EMULATOR);
  for (std::string w; command >> w;) emulated.push_back(w);
  emulated.push_back(path);
  emulated.insert(emulated.end(), o.args.begin(), o.args.end());
  std::vector<char*> emulated_argv;
  for (auto& w : emulated) emulated_argv.push_back(w.data());
  emulated_argv.push_back(nullptr);
#endif

  const pid_t pid = fork();
  if (pid == 0) {
    const int i = open(o.stdin_path ? o.stdin_path : in.c_str(), O_RDONLY);
    const int w = o.stdout_closed_pipe
                      ? pipe_fds[1]
                      : open(o.stdout_path ? o.stdout_path : out.c_str(), O_WRONLY);
    const int e = open(err.c_str(), O_WRONLY);
    if (i < 0 || w < 0 || e < 0) _exit(126);
    dup2(i, 0);
    dup2(w, 1);
    dup2(e, 2);
    if (o.memory_limit > 0) {
      const rlimit limit{static_cast<rlim_t>(o.memory_limit), static_cast<rlim_t>(o.memory_limit)};
      setrlimit(RLIMIT_AS, &limit);
    }
    execv(path.c_str(), argv.data());
#if defined(TANGLET_EMULATOR)
    if (errno == ENOEXEC) {
      setenv("QEMU_ARGV0", argv[0], 1);  // qemu's way to keep argv[0] the base name
      execv(emulated_argv[0], emulated_argv.data());
    }
#endif
    _exit(127);
  }
  if (o.stdout_closed_pipe) close(pipe_fds[1]);
  int raw = 0;
  rusage usage{};
  wait4(pid, &raw, 0, &usage);
  program_run r;
  r.max_rss_kb = usage.ru_maxrss;
  r.cpu_seconds = static_cast<double>(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
                  static_cast<double>(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
  r.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : 128 + WTERMSIG(raw);
  r.out = read_file(out);
  r.err = read_file(err);
  std::remove(in.c_str());
  std::remove(out.c_str());
  std::remove(err.c_str());
  return r;
}
