#include "view/input/sources.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstring>
#include <map>
#include <set>

#include "view/input/json.h"

std::vector<std::string> split_command(std::string_view command) {
  std::vector<std::string> words;
  std::string word;
  bool in_word = false;
  for (size_t i = 0; i < command.size(); ++i) {
    const char c = command[i];
    if (c == ' ' || c == '\t' || c == '\n') {
      if (in_word) words.push_back(std::move(word));
      word.clear();
      in_word = false;
      continue;
    }
    in_word = true;
    if (c == '\'') {
      const size_t end = command.find('\'', i + 1);
      word.append(command.substr(i + 1, end - i - 1));
      i = end == std::string_view::npos ? command.size() : end;
    } else if (c == '"') {
      for (++i; i < command.size() && command[i] != '"'; ++i) {
        // Within double quotes a backslash keeps its meaning only before these.
        if (command[i] == '\\' && i + 1 < command.size() &&
            std::string_view("\\\"$`").find(command[i + 1]) != std::string_view::npos)
          ++i;
        word += command[i];
      }
    } else if (c == '\\' && i + 1 < command.size()) {
      word += command[++i];
    } else {
      word += c;
    }
  }
  if (in_word) words.push_back(std::move(word));
  return words;
}

std::string shell_quote(std::string_view text) {
  const bool plain = !text.empty() && std::all_of(text.begin(), text.end(), [](char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') ||
           std::string_view("_-./=+,:@%").find(c) != std::string_view::npos;
  });
  if (plain) return std::string(text);
  std::string quoted = "'";
  for (const char c : text) {
    if (c == '\'')
      quoted += "'\\''";
    else
      quoted += c;
  }
  return quoted + "'";
}

namespace {

std::string working_directory() {
  std::string dir(4096, '\0');
  while (::getcwd(dir.data(), dir.size()) == nullptr && errno == ERANGE) dir.resize(dir.size() * 2);
  dir.resize(std::strlen(dir.c_str()));
  return dir;
}

bool ends_with(std::string_view s, std::string_view end) {
  return s.size() >= end.size() && s.substr(s.size() - end.size()) == end;
}

// The path as the user would write it: relative to the working directory
// when it lies under it.
std::string as_given(const std::string& absolute) {
  const std::string here = working_directory() + "/";
  if (absolute + "/" == here) return ".";
  if (absolute.compare(0, here.size(), here) == 0) return absolute.substr(here.size());
  return absolute;
}

}  // namespace

std::string absolute_path(std::string_view path, std::string_view directory) {
  std::string whole;
  if (path.empty() || path[0] != '/') {
    whole = directory.empty() ? working_directory() : absolute_path(directory);
    whole += '/';
  }
  whole.append(path);
  std::vector<std::string_view> parts;
  std::string_view rest = whole;
  while (!rest.empty()) {
    const size_t slash = rest.find('/');
    const std::string_view part = rest.substr(0, slash);
    rest.remove_prefix(slash == std::string_view::npos ? rest.size() : slash + 1);
    if (part.empty() || part == ".") continue;
    if (part == "..") {
      if (!parts.empty()) parts.pop_back();
      continue;
    }
    parts.push_back(part);
  }
  std::string out;
  for (const std::string_view part : parts) {
    out += '/';
    out.append(part);
  }
  return out.empty() ? "/" : out;
}

namespace {

// The union of the entries' preprocessor flags, first seen first.
struct flag_union {
  source_plan& plan;
  std::set<std::string> seen;                 // options already taken
  std::map<std::string, std::string> macros;  // a macro's name: its first -D or -U
  std::string standard;

  void macro(char letter, const std::string& value, const std::string& file) {
    const std::string option = std::string("-") + letter + value;
    const std::string name = value.substr(0, value.find_first_of("=("));
    const auto [at, added] = macros.emplace(name, option);
    if (added) {
      plan.cflow_options.push_back(std::string("-") + letter + shell_quote(value));
    } else if (at->second != option && seen.insert(option).second) {
      plan.notes.push_back(option + " (" + file + ") differs from " + at->second +
                           ": the first is used");
    }
  }
  void add(std::vector<std::string>& to, const std::string& option) {
    if (seen.insert(option).second) to.push_back(option);
  }
  void take(const std::vector<std::string>& args, const std::string& dir, const std::string& file);
};

// The value of an option either joined to it ("-Ifoo") or the next word.
bool option_value(const std::vector<std::string>& args, size_t& i, std::string_view name,
                  std::string& value) {
  const std::string& a = args[i];
  if (a.compare(0, name.size(), name) != 0) return false;
  if (a.size() > name.size()) {
    value = a.substr(name.size());
    return true;
  }
  if (i + 1 >= args.size()) return false;
  value = args[++i];
  return true;
}

void flag_union::take(const std::vector<std::string>& args, const std::string& dir,
                      const std::string& file) {
  std::string v;
  for (size_t i = 1; i < args.size(); ++i) {
    if (option_value(args, i, "-isystem", v)) {
      add(plan.cpp_options, "-isystem " + shell_quote(as_given(absolute_path(v, dir))));
    } else if (option_value(args, i, "-include", v)) {
      const std::string path = absolute_path(v, dir);
      add(plan.cpp_options,
          "-include " + shell_quote(::access(path.c_str(), F_OK) == 0 ? path : v));
    } else if (args[i].compare(0, 5, "-std=") == 0) {
      if (standard.empty()) add(plan.cpp_options, shell_quote(standard = args[i]));
    } else if (args[i].size() >= 2 && (args[i][1] == 'D' || args[i][1] == 'U') &&
               args[i][0] == '-') {
      const char letter = args[i][1];
      if (option_value(args, i, letter == 'D' ? "-D" : "-U", v)) macro(letter, v, file);
    } else if (option_value(args, i, "-I", v)) {
      // As the user names them, so that the graph names headers so too.
      add(plan.cflow_options, "-I" + shell_quote(as_given(absolute_path(v, dir))));
    }
  }
}

}  // namespace

bool plan_from_database(const std::string& path, source_plan& plan, std::string& error) {
  std::string text;
  const int fd = ::open(path.c_str(), O_RDONLY);
  if (fd < 0) {
    error = path + ": " + std::strerror(errno);
    return false;
  }
  char block[1 << 16];
  ssize_t n;
  while ((n = ::read(fd, block, sizeof block)) > 0) text.append(block, static_cast<size_t>(n));
  const int read_errno = errno;
  ::close(fd);
  if (n < 0) {
    error = path + ": " + std::strerror(read_errno);
    return false;
  }
  json_value db;
  if (!parse_json(text, db, error)) {
    error = path + ": " + error;
    return false;
  }
  if (db.kind != json_value::array) {
    error = path + ": not a compilation database (an array of entries)";
    return false;
  }
  flag_union flags{plan, {}, {}, {}};
  std::set<std::string> files;
  for (size_t k = 0; k < db.values.size(); ++k) {
    const json_value& entry = db.values[k];
    const json_value* dir = entry.member("directory");
    const json_value* file = entry.member("file");
    const json_value* command = entry.member("command");
    const json_value* arguments = entry.member("arguments");
    if (dir == nullptr || file == nullptr || dir->kind != json_value::string ||
        file->kind != json_value::string || (command == nullptr && arguments == nullptr)) {
      error = path + ": entry " + std::to_string(k + 1) +
              " lacks its directory, file, or command and arguments";
      return false;
    }
    if (!ends_with(file->text, ".c")) continue;  // C++, assembler: not cflow's
    std::vector<std::string> args;
    if (arguments != nullptr) {
      for (const json_value& a : arguments->values) args.push_back(a.text);
    } else {
      args = split_command(command->text);
    }
    const std::string source = as_given(absolute_path(file->text, dir->text));
    flags.take(args, dir->text, source);
    if (files.insert(source).second) plan.files.push_back(source);
  }
  if (plan.files.empty()) {
    error = path + ": the build compiles no C file";
    return false;
  }
  return true;
}

namespace {

struct source_walk {
  std::vector<std::string>& files;
  std::vector<std::string> header_dirs;
  std::string error;

  // Sorted, so that the same tree gives the same graph anywhere.
  bool directory(const std::string& dir) {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) {
      error = dir + ": " + std::strerror(errno);
      return false;
    }
    std::vector<std::string> names;
    while (const dirent* e = ::readdir(d)) {
      // Hidden folders, and the patch copies of Debian's quilt, are no build's.
      if (e->d_name[0] != '.') names.emplace_back(e->d_name);
    }
    ::closedir(d);
    std::sort(names.begin(), names.end());
    bool header = false;
    const std::string prefix = dir == "." ? "" : dir + "/";
    for (const std::string& name : names) {
      const std::string path = prefix + name;
      struct stat about;
      if (::lstat(path.c_str(), &about) != 0) continue;
      if (S_ISDIR(about.st_mode)) {
        if (!directory(path)) return false;
      } else if (S_ISREG(about.st_mode) && ends_with(name, ".c")) {
        files.push_back(path);
      } else if (ends_with(name, ".h")) {
        header = true;
      }
    }
    if (header) header_dirs.push_back(dir);
    return true;
  }
};

}  // namespace

bool plan_from_sources(const std::vector<std::string>& paths, source_plan& plan,
                       std::string& error) {
  source_walk walk{plan.files, {}, {}};
  std::set<std::string> folders;
  for (const std::string& path : paths) {
    struct stat about;
    if (::stat(path.c_str(), &about) != 0) {
      error = path + ": " + std::strerror(errno);
      return false;
    }
    if (S_ISDIR(about.st_mode)) {
      if (!walk.directory(path)) {
        error = walk.error;
        return false;
      }
      continue;
    }
    plan.files.push_back(path);
    const size_t slash = path.rfind('/');
    folders.insert(slash == std::string::npos ? "." : path.substr(0, slash));
  }
  if (plan.files.empty()) {
    error = "no C file in " + paths.front() + (paths.size() > 1 ? " and the rest" : "");
    return false;
  }
  // The folders of files given one by one count when they hold a header.
  for (const std::string& dir : folders) {
    DIR* d = ::opendir(dir.c_str());
    if (d == nullptr) continue;
    while (const dirent* e = ::readdir(d)) {
      if (ends_with(e->d_name, ".h")) {
        walk.header_dirs.push_back(dir);
        break;
      }
    }
    ::closedir(d);
  }
  std::set<std::string> taken;
  for (const std::string& dir : walk.header_dirs) {
    if (taken.insert(dir).second) plan.cflow_options.push_back("-I" + shell_quote(dir));
  }
  plan.notes.push_back(
      "no compilation database: cflow runs with -I for each folder that "
      "holds a header; a compilation database (-p DIR) gives a truer graph");
  return true;
}
