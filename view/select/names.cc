// Names: whole-name patterns, the focus by name, and the closest names to
// one that is not there.
#include <algorithm>

#include "view/select/steps.h"

namespace {

size_t edit_distance(std::string_view a, std::string_view b, std::vector<size_t>& row) {
  row.resize(b.size() + 1);
  for (size_t j = 0; j <= b.size(); ++j) row[j] = j;
  for (size_t i = 1; i <= a.size(); ++i) {
    size_t diagonal = row[0];
    row[0] = i;
    for (size_t j = 1; j <= b.size(); ++j) {
      const size_t up = row[j];
      row[j] = std::min({row[j] + 1, row[j - 1] + 1, diagonal + (a[i - 1] != b[j - 1])});
      diagonal = up;
    }
  }
  return row[b.size()];
}

}  // namespace

bool matches_whole(const regex_t& re, std::string_view text) {
  regmatch_t m[1];
#ifdef REG_STARTEND
  m[0].rm_so = 0;
  m[0].rm_eo = static_cast<regoff_t>(text.size());
  if (regexec(&re, text.data(), 1, m, REG_STARTEND) != 0) return false;
#else
  const std::string copy(text);
  if (regexec(&re, copy.c_str(), 1, m, 0) != 0) return false;
#endif
  // POSIX matches leftmost, then longest: a whole match, if any, is found.
  return m[0].rm_so == 0 && static_cast<size_t>(m[0].rm_eo) == text.size();
}

std::vector<std::string_view> closest_names(const call_graph& g, std::string_view name) {
  struct candidate {
    size_t score;
    int32_t id;
  };
  // Only the first bytes of each name count: a typing slip shows there, and
  // the edit distance of two whole names of thousands of bytes each, for
  // every name of the listing, took a minute.
  constexpr size_t kCompared = 64;
  name = name.substr(0, kCompared);
  std::vector<candidate> found;
  std::vector<size_t> row;
  const size_t bound = std::max<size_t>(2, name.size() / 3);
  for (size_t i = 0; i < g.size(); ++i) {
    const std::string_view other = g.name(static_cast<int32_t>(i)).substr(0, kCompared);
    const size_t gap =
        other.size() > name.size() ? other.size() - name.size() : name.size() - other.size();
    // A name that holds the one asked for is close too: "alloc" for "xmalloc".
    size_t score = other.find(name) != std::string_view::npos && !name.empty() ? 1 + gap / 8
                   : gap > bound                                               ? bound + 1
                                 : edit_distance(name, other, row);
    if (score <= bound) found.push_back({score, static_cast<int32_t>(i)});
  }
  std::stable_sort(found.begin(), found.end(),
                   [](const candidate& a, const candidate& b) { return a.score < b.score; });
  std::vector<std::string_view> names;
  for (const candidate& c : found) {
    if (std::find(names.begin(), names.end(), g.name(c.id)) != names.end()) continue;
    names.push_back(g.name(c.id));
    if (names.size() == 3) break;
  }
  return names;
}

bool find_named(const call_graph& g, const std::string& name, const filter& f,
                big_vector<int32_t>& out, std::string& message) {
  bool named = false, kept = false;
  for (size_t i = 0; i < g.size(); ++i) {
    if (g.name(static_cast<int32_t>(i)) != name) continue;
    named = true;
    if (f.keep[i]) {
      kept = true;
      out.push_back(static_cast<int32_t>(i));
    }
  }
  if (!named) {
    message = "no function named '" + name + "' in the listing";
    const auto close = closest_names(g, name);
    for (size_t k = 0; k < close.size(); ++k) {
      message += k == 0 ? "; closest: " : ", ";
      message += close[k];
    }
    return false;
  }
  if (!kept) {
    message = "the function '" + name + "' is left out by --exclude or --internal";
    return false;
  }
  return true;
}

bool find_focus(const call_graph& g, const selection_options& o, const filter& f,
                big_vector<int32_t>& focus, std::string& message) {
  for (const std::string& name : o.focus) {
    if (!find_named(g, name, f, focus, message)) return false;
  }
  std::sort(focus.begin(), focus.end());
  focus.erase(std::unique(focus.begin(), focus.end()), focus.end());
  return true;
}
