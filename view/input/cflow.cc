#include "view/input/cflow.h"

#include <fcntl.h>
#include <poll.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <thread>

extern char** environ;

namespace {

constexpr char kProgram[] = "tanglet-view";

// The invocation that measured closest to the compiler's own graph: every
// function a root (-AA), each listed once (-b: never exponential), names
// with a leading underscore kept, macros expanded (--cpp), and GCC's
// keywords known for what they are (GNU cflow's "GCC initialization").
const char* const kOptions[] = {"--format=posix", "-b", "-AA", "-i", "_"};
const char* const kGccSymbols[] = {
    "__inline:=inline",        "__inline__:=inline",    "__const__:=const",
    "__const:=const",          "__restrict:=restrict",  "__restrict__:=restrict",
    "__extension__:qualifier", "__attribute__:wrapper", "__asm__:wrapper",
    "__nonnull:wrapper",       "__wur:wrapper",         "typeof:wrapper",
    "__typeof__:wrapper",      "__typeof:wrapper",
};

}  // namespace

std::vector<std::string> cflow_command(const cflow_settings& settings, const source_plan& plan,
                                       const std::vector<std::string>& files) {
  std::vector<std::string> command{settings.program};
  command.insert(command.end(), std::begin(kOptions), std::end(kOptions));
  // cflow hands the preprocessor its options through sh -c, unquoted: the
  // plan's values are quoted for it.
  std::string cpp = "--cpp";
  if (!plan.cpp_options.empty()) {
    cpp += "=cpp";
    for (const std::string& o : plan.cpp_options) cpp += " " + o;
  }
  command.push_back(cpp);
  // cflow loses a definition behind some attributes (a struct timespec
  // __attribute__((...)) return type): the preprocessor takes them out.
  command.emplace_back("-D'__attribute__(x)='");
  command.insert(command.end(), plan.cflow_options.begin(), plan.cflow_options.end());
  for (const char* symbol : kGccSymbols) command.push_back(std::string("--symbol=") + symbol);
  command.insert(command.end(), settings.options.begin(), settings.options.end());
  command.emplace_back("--");
  command.insert(command.end(), files.begin(), files.end());
  return command;
}

std::vector<std::vector<std::string>> split_files(const std::vector<std::string>& files, int jobs) {
  // A file costs its size and the headers every file includes. The parts
  // stay runs of the list in its order: cflow carries what it learnt of one
  // file (its typedefs) to the next, and a file whose predecessors change
  // can read otherwise.
  constexpr long long kHeaders = 32 << 10;
  std::vector<long long> cost(files.size());
  long long total = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    struct stat about;
    cost[i] = kHeaders + (::stat(files[i].c_str(), &about) == 0 ? about.st_size : 0);
    total += cost[i];
  }
  const size_t parts = std::max<size_t>(1, std::min<size_t>(jobs, files.size()));
  std::vector<std::vector<std::string>> out(parts);
  long long sum = 0;
  for (size_t i = 0; i < files.size(); ++i) {
    // The part whose share of the total this file's middle falls in.
    const auto k = static_cast<size_t>((sum + cost[i] / 2) * static_cast<long long>(parts) / total);
    out[std::min(k, parts - 1)].push_back(files[i]);
    sum += cost[i];
  }
  out.erase(std::remove_if(out.begin(), out.end(), [](const auto& p) { return p.empty(); }),
            out.end());
  return out;
}

namespace {

std::string_view next_line(std::string_view& text) {
  const size_t end = text.find('\n');
  const std::string_view line = text.substr(0, end);
  text.remove_prefix(end == std::string_view::npos ? text.size() : end + 1);
  return line;
}

// "cflow:FILE:LINE: TEXT" as FILE:LINE and TEXT.
bool cflow_message(std::string_view line, std::string_view& where, std::string_view& text) {
  if (line.substr(0, 6) != "cflow:") return false;
  line.remove_prefix(6);
  const size_t colon = line.find(':');
  const size_t second = colon == std::string_view::npos ? colon : line.find(':', colon + 1);
  if (second == std::string_view::npos) {
    where = {};
    text = line;
  } else {
    where = line.substr(0, second);
    text = line.substr(std::min(second + 2, line.size()));
  }
  return true;
}

}  // namespace

namespace {

// The places of each name that cflow says is defined again, in order.
struct redefinitions {
  std::vector<std::string_view> names;
  std::vector<std::vector<std::string_view>> places;

  void add(std::string_view name, std::string_view place) {
    size_t k = std::find(names.begin(), names.end(), name) - names.begin();
    if (k == names.size()) {
      names.push_back(name);
      places.emplace_back();
    }
    if (std::find(places[k].begin(), places[k].end(), place) == places[k].end())
      places[k].push_back(place);
  }
  // "main defined 3 times: a.c:1, b.c:2 and c.c:3" for the first few.
  std::string said(size_t most, int& others) const {
    std::string text;
    for (size_t k = 0; k < names.size(); ++k) {
      if (k == most) {
        others += static_cast<int>(names.size() - most);
        break;
      }
      const auto& p = places[k];
      text += text.empty() ? "" : "; ";
      text.append(names[k]);
      text +=
          p.size() == 2 ? " defined twice: " : " defined " + std::to_string(p.size()) + " times: ";
      for (size_t i = 0; i < p.size(); ++i)
        text.append(i == 0 ? "" : i + 1 == p.size() ? " and " : ", ").append(p[i]);
    }
    return text;
  }
};

}  // namespace

std::string summarize_cflow_errors(std::string_view said, bool verbose) {
  redefinitions again;
  int others = 0;
  while (!said.empty()) {
    const std::string_view line = next_line(said);
    std::string_view where, text;
    if (cflow_message(line, where, text)) {
      const size_t slash = text.rfind('/');
      if (text.size() > 10 && text.substr(text.size() - 10) == " redefined" &&
          slash != std::string_view::npos) {
        // The next line says where the definition before it is.
        std::string_view first, more, rest = said;
        if (cflow_message(next_line(rest), first, more) &&
            more == "this is the place of previous definition") {
          said = rest;
          again.add(text.substr(0, slash), first);
        }
        again.add(text.substr(0, slash), where);
        continue;
      }
      ++others;
    } else if (line.find(": error: ") != std::string_view::npos ||
               line.find(": fatal error: ") != std::string_view::npos ||
               line.find(": warning: ") != std::string_view::npos || line.substr(0, 4) == "sh: ") {
      ++others;  // the preprocessor's
    }
  }
  std::string summary = again.said(3, others);
  if (verbose) return summary;  // every line was shown as it came
  if (others > 0) {
    summary += summary.empty() ? "" : "; ";
    summary += std::to_string(others) + (summary.empty() ? "" : " other") +
               (others == 1 ? " warning" : " warnings") + ", see --verbose";
  }
  return summary;
}

namespace {

struct cflow_run {
  pid_t pid = -1;
  int out = -1, err = -1;
  std::string said;  // its standard error
};

std::string shown(const std::vector<std::string>& command) {
  std::string line;
  for (const std::string& word : command) line += (line.empty() ? "" : " ") + shell_quote(word);
  return line;
}

// 0 when program can be run: named by a path, or found on PATH as execvp
// looks. Said before starting, as some spawns (qemu-user's) tell a failed
// exec only by the child's status 127.
int runnable(const std::string& program) {
  if (program.find('/') != std::string::npos)
    return ::access(program.c_str(), X_OK) == 0 ? 0 : errno;
  const char* path = std::getenv("PATH");
  std::string_view dirs = path != nullptr ? path : "/usr/local/bin:/usr/bin:/bin";
  while (true) {
    const size_t colon = dirs.find(':');
    const std::string_view dir = dirs.substr(0, colon);
    const std::string candidate = std::string(dir.empty() ? "." : dir) + "/" + program;
    if (::access(candidate.c_str(), X_OK) == 0) return 0;
    if (colon == std::string_view::npos) return ENOENT;
    dirs.remove_prefix(colon + 1);
  }
}

// Starts one run, its standard output and error on pipes; errno on failure.
int start(const std::vector<std::string>& command, cflow_run& run) {
  if (const int e = runnable(command[0]); e != 0) return e;
  int out[2], err[2];
  if (::pipe2(out, O_CLOEXEC) != 0) return errno;
  if (::pipe2(err, O_CLOEXEC) != 0) {
    const int e = errno;
    ::close(out[0]);
    ::close(out[1]);
    return e;
  }
  posix_spawn_file_actions_t actions;
  posix_spawn_file_actions_init(&actions);
  posix_spawn_file_actions_adddup2(&actions, out[1], 1);
  posix_spawn_file_actions_adddup2(&actions, err[1], 2);
  // cflow ends as a writer should when its reader has gone: we ignore SIGPIPE.
  posix_spawnattr_t attributes;
  posix_spawnattr_init(&attributes);
  sigset_t pipe_signal;
  sigemptyset(&pipe_signal);
  sigaddset(&pipe_signal, SIGPIPE);
  posix_spawnattr_setsigdefault(&attributes, &pipe_signal);
  posix_spawnattr_setflags(&attributes, POSIX_SPAWN_SETSIGDEF);
  std::vector<char*> argv;
  for (const std::string& word : command) argv.push_back(const_cast<char*>(word.c_str()));
  argv.push_back(nullptr);
  const int e = posix_spawnp(&run.pid, argv[0], &actions, &attributes, argv.data(), environ);
  posix_spawn_file_actions_destroy(&actions);
  posix_spawnattr_destroy(&attributes);
  ::close(out[1]);
  ::close(err[1]);
  if (e != 0) {
    ::close(out[0]);
    ::close(err[0]);
    run.pid = -1;
    return e;
  }
  run.out = out[0];
  run.err = err[0];
  return 0;
}

// Keeps what the runs say on standard error while their listings are read,
// so that none waits on a full pipe; with --verbose, says it at once.
void drain_errors(std::vector<cflow_run>* runs, bool verbose) {
  constexpr size_t kKept = 4 << 20;
  std::vector<pollfd> fds;
  for (const cflow_run& r : *runs) fds.push_back({r.err, POLLIN, 0});
  size_t open = fds.size();
  char block[1 << 14];
  while (open > 0) {
    if (::poll(fds.data(), fds.size(), -1) < 0) {
      if (errno == EINTR) continue;
      break;
    }
    for (size_t k = 0; k < fds.size(); ++k) {
      if (fds[k].fd < 0 || fds[k].revents == 0) continue;
      const ssize_t n = ::read(fds[k].fd, block, sizeof block);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) {
        fds[k].fd = -1;
        --open;
        continue;
      }
      std::string& said = (*runs)[k].said;
      if (said.size() < kKept) said.append(block, static_cast<size_t>(n));
      if (verbose) (void)!::write(2, block, static_cast<size_t>(n));
    }
  }
}

// How a finished run ended, as a message; empty when it went well.
std::string ending(const cflow_settings& settings, const cflow_run& run, int status) {
  const std::string name = settings.program;
  if (WIFSIGNALED(status))
    return name + " was killed by signal " + std::to_string(WTERMSIG(status)) + " (" +
           strsignal(WTERMSIG(status)) + ")";
  std::string_view said = run.said, last;
  while (!said.empty()) {
    const std::string_view line = next_line(said);
    // The shell's word when the preprocessor could not be run at all.
    if (line.substr(0, 4) == "sh: ")
      return name + " could not run the preprocessor: " + std::string(line);
    if (!line.empty()) last = line;
  }
  if (WIFEXITED(status) && WEXITSTATUS(status) == 0) return {};
  return name + " failed with status " + std::to_string(WEXITSTATUS(status)) +
         (last.empty() ? "" : ": " + std::string(last));
}

// Starts a run per part; false after a message, with none left running.
bool start_all(const cflow_settings& settings, const source_plan& plan,
               std::vector<cflow_run>& runs) {
  int jobs = settings.jobs;
  if (jobs <= 0) jobs = static_cast<int>(std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN)));
  const auto parts = split_files(plan.files, jobs);
  runs.resize(parts.size());
  for (size_t k = 0; k < parts.size(); ++k) {
    const std::vector<std::string> command = cflow_command(settings, plan, parts[k]);
    if (settings.verbose)
      std::fprintf(stderr, "%s: running %s\n", kProgram, shown(command).c_str());
    if (const int e = start(command, runs[k]); e != 0) {
      std::fprintf(stderr, "%s: cannot run %s: %s\n", kProgram, settings.program.c_str(),
                   std::strerror(e));
      runs.resize(k);
      for (cflow_run& r : runs) {
        ::kill(r.pid, SIGTERM);
        ::close(r.out);
        ::close(r.err);
        while (::waitpid(r.pid, nullptr, 0) < 0 && errno == EINTR) {
        }
      }
      return false;
    }
  }
  return true;
}

}  // namespace

int run_cflow(const cflow_settings& settings, const source_plan& plan, listing_reader read,
              void* context) {
  std::vector<cflow_run> runs;
  if (!start_all(settings, plan, runs)) return 1;
  std::thread errors(drain_errors, &runs, settings.verbose);
  bool read_all = true;
  for (cflow_run& r : runs) {
    if (read_all && read(context, r.out, "cflow's listing") != 0) {
      read_all = false;  // the reader has said why; the rest are not wanted
      for (const cflow_run& other : runs) ::kill(other.pid, SIGTERM);
    }
    ::close(r.out);
  }
  std::vector<int> how(runs.size(), 0);
  for (size_t k = 0; k < runs.size(); ++k) {
    while (::waitpid(runs[k].pid, &how[k], 0) < 0 && errno == EINTR) {
    }
  }
  errors.join();
  std::string said;
  for (cflow_run& r : runs) {
    ::close(r.err);
    said += r.said;
  }
  if (!read_all) return 1;
  for (size_t k = 0; k < runs.size(); ++k) {
    const std::string failure = ending(settings, runs[k], how[k]);
    if (!failure.empty()) {
      std::fprintf(stderr, "%s: %s\n", kProgram, failure.c_str());
      return 1;
    }
  }
  const std::string summary = summarize_cflow_errors(said, settings.verbose);
  if (!summary.empty()) std::fprintf(stderr, "%s: cflow: %s\n", kProgram, summary.c_str());
  return 0;
}
