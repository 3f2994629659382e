// Runs a command several times with standard input and output redirected
// and prints, on one line: the median, fastest and slowest wall-clock
// seconds, the largest peak resident set in KiB (as /usr/bin/time -v
// reports it) and the most page faults of a run.
//
//   timeit RUNS INPUT OUTPUT COMMAND [ARG...]
#include <fcntl.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <vector>

int main(int argc, char** argv) {
  if (argc < 5) {
    std::fprintf(stderr, "usage: timeit RUNS INPUT OUTPUT COMMAND [ARG...]\n");
    return 2;
  }
  const int runs = std::atoi(argv[1]);
  std::vector<double> seconds;
  long max_rss = 0, max_faults = 0;
  for (int r = 0; r < runs; ++r) {
    timespec start, end;
    clock_gettime(CLOCK_MONOTONIC, &start);
    const pid_t pid = fork();
    if (pid == 0) {
      const int in = open(argv[2], O_RDONLY);
      const int out = open(argv[3], O_WRONLY | O_CREAT | O_TRUNC, 0644);
      if (in < 0 || out < 0) _exit(126);
      dup2(in, 0);
      dup2(out, 1);
      execv(argv[4], argv + 4);
      _exit(127);
    }
    int status = 0;
    rusage usage{};
    wait4(pid, &status, 0, &usage);
    clock_gettime(CLOCK_MONOTONIC, &end);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
      std::fprintf(stderr, "timeit: %s failed\n", argv[4]);
      return 1;
    }
    seconds.push_back(static_cast<double>(end.tv_sec - start.tv_sec) +
                      static_cast<double>(end.tv_nsec - start.tv_nsec) * 1e-9);
    max_rss = std::max(max_rss, usage.ru_maxrss);
    max_faults = std::max(max_faults, usage.ru_minflt + usage.ru_majflt);
  }
  std::sort(seconds.begin(), seconds.end());
  std::printf("%.6f %.6f %.6f %ld %ld\n", seconds[seconds.size() / 2], seconds.front(),
              seconds.back(), max_rss, max_faults);
  return 0;
}
