#include "view/select.h"

#include <algorithm>

namespace {

// What the options leave of the graph: kept nodes, and the stubs among them.
struct filter {
  big_vector<uint8_t> keep, stub;
};

filter make_filter(const call_graph& g, const selection_options& o) {
  filter f;
  const size_t n = g.size();
  f.keep.assign(n, 1);
  f.stub.assign(n, 0);
  for (size_t i = 0; i < n; ++i) {
    const auto id = static_cast<int32_t>(i);
    if (o.internal && !g.defined(id)) {
      f.keep[i] = 0;
      continue;
    }
    for (const regex_t& re : o.exclude) {
      if (matches_whole(re, g.name(id))) {
        f.keep[i] = 0;
        break;
      }
    }
    if (!f.keep[i]) continue;
    for (const regex_t& re : o.stub) {
      if (matches_whole(re, g.name(id))) {
        f.stub[i] = 1;
        break;
      }
    }
  }
  return f;
}

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

// The focus nodes of the names, or false with the message.
bool find_focus(const call_graph& g, const selection_options& o, const filter& f,
                big_vector<int32_t>& focus, std::string& message) {
  for (const std::string& name : o.focus) {
    bool named = false, kept = false;
    for (size_t i = 0; i < g.size(); ++i) {
      if (g.name(static_cast<int32_t>(i)) != name) continue;
      named = true;
      if (f.keep[i]) {
        kept = true;
        focus.push_back(static_cast<int32_t>(i));
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
  }
  std::sort(focus.begin(), focus.end());
  focus.erase(std::unique(focus.begin(), focus.end()), focus.end());
  return true;
}

// Breadth first from the nodes already at distance 0 in dist (listed in
// queue), along callees (forward) or callers, to at most limit levels. A
// stub's callees are not followed.
void walk(const call_graph& g, const filter& f, bool forward, int32_t limit,
          big_vector<int32_t>& queue, size_t from, big_vector<int32_t>& dist) {
  for (size_t q = from; q < queue.size(); ++q) {
    const int32_t v = queue[q];
    if (limit >= 0 && dist[v] >= limit) continue;
    if (forward && f.stub[v]) continue;
    for (const int32_t w : forward ? g.callees(v) : g.callers(v)) {
      if (f.keep[w] && dist[w] < 0) {
        dist[w] = dist[v] + 1;
        queue.push_back(w);
      }
    }
  }
}

void collect_edges(const call_graph& g, const big_vector<int32_t>& view_id, graph_view& view) {
  for (const call_edge& e : g.edges()) {
    if (view_id[e.caller] >= 0 && view_id[e.callee] >= 0)
      view.edges.push_back({view_id[e.caller], view_id[e.callee]});
  }
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

bool select_view(const call_graph& g, const selection_options& o, graph_view& view,
                 std::string& message) {
  const filter f = make_filter(g, o);
  const size_t n = g.size();
  big_vector<int32_t> focus;
  if (!find_focus(g, o, f, focus, message)) return false;

  // The whole graph, when nothing would be cut from it: no walk at all.
  if (focus.empty() && o.stub.empty()) {
    const size_t kept = static_cast<size_t>(std::count(f.keep.begin(), f.keep.end(), 1));
    if (o.max_nodes == 0 || kept <= o.max_nodes) {
      big_vector<int32_t> view_id(n, -1);
      for (size_t i = 0; i < n; ++i) {
        if (!f.keep[i]) continue;
        view_id[i] = static_cast<int32_t>(view.nodes.size());
        view.nodes.push_back(static_cast<int32_t>(i));
      }
      view.flags.assign(view.nodes.size(), 0);
      collect_edges(g, view_id, view);
      return true;
    }
  }

  // Each node's distance from the focus along callees and along callers;
  // without a focus, from the roots along callees.
  big_vector<int32_t> down(n, -1), up, queue;
  if (!focus.empty()) {
    for (const int32_t v : focus) {
      down[v] = 0;
      queue.push_back(v);
    }
    walk(g, f, true, o.callees, queue, 0, down);
    up.assign(n, -1);
    queue.clear();
    for (const int32_t v : focus) {
      up[v] = 0;
      queue.push_back(v);
    }
    walk(g, f, false, o.callers, queue, 0, up);
  } else {
    // The roots are the functions that nobody calls. What a cycle holds
    // that no root reaches starts from its first node; what only a stub
    // reaches is left out ("shadow": reached when stubs are followed).
    for (size_t i = 0; i < n; ++i) {
      if (!f.keep[i]) continue;
      bool called = false;
      for (const int32_t c : g.callers(static_cast<int32_t>(i))) called = called || f.keep[c];
      if (!called) {
        down[i] = 0;
        queue.push_back(static_cast<int32_t>(i));
      }
    }
    walk(g, f, true, -1, queue, 0, down);
    filter follow_all{f.keep, big_vector<uint8_t>(n, 0)};
    big_vector<int32_t> shadow(n, -1), shadow_queue;
    auto cast_shadow = [&](size_t from) {
      for (size_t q = from; q < queue.size(); ++q) {
        if (shadow[queue[q]] < 0) {
          shadow[queue[q]] = 0;
          shadow_queue.push_back(queue[q]);
        }
      }
      walk(g, follow_all, true, -1, shadow_queue, 0, shadow);
      shadow_queue.clear();
    };
    cast_shadow(0);
    for (size_t i = 0; i < n; ++i) {
      // Only a function on a cycle can be called by nobody outside it; any
      // other that no root reaches is reached from such a cycle, or only
      // through a stub.
      if (!f.keep[i] || shadow[i] >= 0 || !g.recursive(static_cast<int32_t>(i))) continue;
      const size_t from = queue.size();
      down[i] = 0;
      queue.push_back(static_cast<int32_t>(i));
      walk(g, f, true, -1, queue, from, down);
      cast_shadow(from);
    }
  }

  // A node's level: its smaller distance.
  big_vector<int32_t> level(n, -1);
  std::vector<size_t> per_level;
  size_t total = 0;
  for (size_t i = 0; i < n; ++i) {
    int32_t l = down[i];
    if (!up.empty() && up[i] >= 0 && (l < 0 || up[i] < l)) l = up[i];
    level[i] = l;
    if (l < 0) continue;
    if (per_level.size() <= static_cast<size_t>(l)) per_level.resize(l + 1, 0);
    ++per_level[l];
    ++total;
  }
  int32_t last = static_cast<int32_t>(per_level.size()) - 1;
  size_t room = SIZE_MAX;  // nodes of the last level that fit
  if (o.max_nodes != 0 && total > o.max_nodes) {
    size_t kept = 0;
    last = -1;
    while (last + 1 < static_cast<int32_t>(per_level.size()) &&
           kept + per_level[last + 1] <= o.max_nodes)
      kept += per_level[++last];
    if (last < 0) {
      // The first level alone is too many: the focus is still drawn whole;
      // of the functions nobody calls, as many as fit.
      last = 0;
      if (focus.empty()) {
        room = o.max_nodes;
        view.dropped = per_level[0] - o.max_nodes;
      }
    }
    view.cut = true;
    view.wanted = total;
    view.level = last;
  }

  big_vector<int32_t> view_id(n, -1);
  for (size_t i = 0; i < n; ++i) {
    if (level[i] < 0 || level[i] > last) continue;
    if (level[i] == last && room != SIZE_MAX && room-- == 0) {
      room = 0;
      continue;
    }
    view_id[i] = static_cast<int32_t>(view.nodes.size());
    view.nodes.push_back(static_cast<int32_t>(i));
  }
  view.flags.assign(view.nodes.size(), 0);
  for (const int32_t v : focus) {
    if (view_id[v] >= 0) view.flags[view_id[v]] |= VIEW_FOCUS;
  }
  if (view.cut) {
    // Marked: what calls, or is called by, a node that the cut left out.
    for (size_t k = 0; k < view.nodes.size(); ++k) {
      const int32_t v = view.nodes[k];
      bool cut = false;
      if (down[v] >= 0 && !f.stub[v]) {
        for (const int32_t w : g.callees(v)) cut = cut || (level[w] >= 0 && view_id[w] < 0);
      }
      if (!up.empty() && up[v] >= 0) {
        for (const int32_t w : g.callers(v)) cut = cut || (level[w] >= 0 && view_id[w] < 0);
      }
      if (cut) {
        view.flags[k] |= VIEW_CUT;
        ++view.marked;
      }
    }
  }
  collect_edges(g, view_id, view);
  return true;
}

bool select_all(const call_graph& g, const selection_options& o, graph_view& view,
                std::string& message) {
  const filter f = make_filter(g, o);
  big_vector<int32_t> focus;
  if (!find_focus(g, o, f, focus, message)) return false;
  big_vector<int32_t> view_id(g.size(), -1);
  for (size_t i = 0; i < g.size(); ++i) {
    if (!f.keep[i]) continue;
    view_id[i] = static_cast<int32_t>(view.nodes.size());
    view.nodes.push_back(static_cast<int32_t>(i));
  }
  view.flags.assign(view.nodes.size(), 0);
  for (const int32_t v : focus) view.flags[view_id[v]] |= VIEW_FOCUS;
  collect_edges(g, view_id, view);
  return true;
}
