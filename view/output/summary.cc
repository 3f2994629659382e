// The summary: what a person reading a program for the first time asks of
// its call graph, in plain text read top-down. Every step is linear in the
// graph but for sorting what it shows, and none recurses, so that a chain
// of calls as deep as the graph is large does not overflow the stack.
#include <algorithm>
#include <cstdio>
#include <vector>

#include "view/output/shared.h"

namespace {

constexpr size_t kTop = 10, kRoots = 20, kCycleNames = 8;

// The view's calls as adjacency lists, in view ids.
struct adjacency {
  std::vector<uint32_t> begin;  // n + 1
  std::vector<int32_t> to;
  const int32_t* from(int32_t k) const { return to.data() + begin[k]; }
  const int32_t* end(int32_t k) const { return to.data() + begin[k + 1]; }
  size_t size(int32_t k) const { return begin[k + 1] - begin[k]; }
};

adjacency make_adjacency(const graph_view& v, bool forward) {
  adjacency a;
  a.begin.assign(v.nodes.size() + 1, 0);
  a.to.resize(v.edges.size());
  for (const call_edge& e : v.edges) ++a.begin[(forward ? e.caller : e.callee) + 1];
  for (size_t k = 1; k < a.begin.size(); ++k) a.begin[k] += a.begin[k - 1];
  std::vector<uint32_t> at(a.begin.begin(), a.begin.end() - 1);
  for (const call_edge& e : v.edges)
    a.to[at[forward ? e.caller : e.callee]++] = forward ? e.callee : e.caller;
  return a;
}

// Tarjan's strongly connected components, with an explicit stack. A
// component's number is smaller than that of any component calling it.
std::vector<int32_t> components(const adjacency& calls, int32_t& count) {
  const auto n = static_cast<int32_t>(calls.begin.size() - 1);
  std::vector<int32_t> index(n, -1), low(n), component(n, -1), open;
  struct frame {
    int32_t node;
    uint32_t next;
  };
  std::vector<frame> frames;
  int32_t counter = 0;
  count = 0;
  auto enter = [&](int32_t k) {
    index[k] = low[k] = counter++;
    open.push_back(k);
    frames.push_back({k, calls.begin[k]});
  };
  for (int32_t s = 0; s < n; ++s) {
    if (index[s] >= 0) continue;
    enter(s);
    while (!frames.empty()) {
      frame& f = frames.back();
      const int32_t k = f.node;
      if (f.next < calls.begin[k + 1]) {
        const int32_t w = calls.to[f.next++];
        if (index[w] < 0)
          enter(w);
        else if (component[w] < 0)  // still open: on the stack
          low[k] = std::min(low[k], index[w]);
        continue;
      }
      frames.pop_back();
      if (!frames.empty()) low[frames.back().node] = std::min(low[frames.back().node], low[k]);
      if (low[k] != index[k]) continue;
      int32_t w;
      do {
        w = open.back();
        open.pop_back();
        component[w] = count;
      } while (w != k);
      ++count;
    }
  }
  return component;
}

// Names separated by commas, wrapped, then how many more there were.
void put_names(out_buffer& out, const call_graph& g, const graph_view& v,
               const std::vector<int32_t>& shown, size_t total, std::string_view indent) {
  size_t column = 0;
  for (size_t i = 0; i < shown.size(); ++i) {
    const std::string_view name = g.name(v.nodes[shown[i]]);
    // Lines of at most 78 columns, their comma included, unless a name is longer.
    if (column == 0 || column + 3 + name.size() > 78) {
      if (i != 0) out.put(",\n");
      out.put(indent);
      column = indent.size();
    } else {
      out.put(", ");
      column += 2;
    }
    put_plain(out, name);
    column += name.size();
  }
  if (total > shown.size()) {
    out.put(shown.empty() ? indent : ", and ");
    put_count(out, total - shown.size());
    out.put(" more");
  }
  if (total != 0) out.put('\n');
}

void put_counts(out_buffer& out, const call_graph& g, const graph_view& v) {
  size_t defined = 0, self = 0;
  std::vector<uint8_t> file;
  size_t files = 0;
  for (const int32_t id : v.nodes) {
    if (!g.defined(id)) continue;
    ++defined;
    const auto f = static_cast<size_t>(g.file_index(id));
    if (file.size() <= f) file.resize(f + 1, 0);
    files += file[f] == 0;
    file[f] = 1;
  }
  for (const call_edge& e : v.edges) self += e.caller == e.callee;
  out.put("functions: ");
  put_count(out, v.nodes.size());
  out.put(" (");
  put_count(out, defined);
  out.put(" defined, ");
  put_count(out, v.nodes.size() - defined);
  out.put(" without definition) in ");
  put_count(out, files);
  out.put(files == 1 ? " file\ncalls: " : " files\ncalls: ");
  put_count(out, v.edges.size());
  out.put(", ");
  put_count(out, self);
  out.put(self == 1 ? " function calls itself\n" : " functions call themselves\n");
}

bool by_name(const call_graph& g, const graph_view& v, int32_t a, int32_t b) {
  const int c = g.name(v.nodes[a]).compare(g.name(v.nodes[b]));
  return c != 0 ? c < 0 : a < b;
}

void put_roots(out_buffer& out, const call_graph& g, const graph_view& v, const adjacency& in) {
  std::vector<int32_t> roots;
  for (int32_t k = 0; k < static_cast<int32_t>(v.nodes.size()); ++k) {
    bool called = false;
    for (const int32_t* c = in.from(k); c != in.end(k); ++c) called = called || *c != k;
    if (!called) roots.push_back(k);
  }
  const size_t total = roots.size(), shown = std::min(total, kRoots);
  std::partial_sort(roots.begin(), roots.begin() + shown, roots.end(),
                    [&](int32_t a, int32_t b) { return by_name(g, v, a, b); });
  roots.resize(shown);
  out.put("\nroots, the functions nobody else calls: ");
  put_count(out, total);
  out.put('\n');
  put_names(out, g, v, roots, total, "  ");
}

// The kTop functions with the most calls one way, most first, then by name.
void put_top(out_buffer& out, const call_graph& g, const graph_view& v, const adjacency& calls,
             const char* title) {
  std::vector<int32_t> top;
  for (int32_t k = 0; k < static_cast<int32_t>(v.nodes.size()); ++k) {
    if (calls.size(k) != 0) top.push_back(k);
  }
  const size_t shown = std::min(top.size(), kTop);
  std::partial_sort(top.begin(), top.begin() + shown, top.end(), [&](int32_t a, int32_t b) {
    return calls.size(a) != calls.size(b) ? calls.size(a) > calls.size(b) : by_name(g, v, a, b);
  });
  out.put(title);
  for (size_t i = 0; i < shown; ++i) {
    char count[24];
    out.put(std::string_view(count,
                             std::snprintf(count, sizeof count, "  %7zu  ", calls.size(top[i]))));
    put_plain(out, g.name(v.nodes[top[i]]));
    out.put('\n');
  }
}

// The components of more than one function, largest first.
void put_cycles(out_buffer& out, const call_graph& g, const graph_view& v,
                const std::vector<int32_t>& component, int32_t count) {
  std::vector<size_t> size(count, 0);
  for (const int32_t c : component) ++size[c];
  std::vector<int32_t> cycles;
  size_t in_cycles = 0;
  for (int32_t c = 0; c < count; ++c) {
    if (size[c] < 2) continue;
    cycles.push_back(c);
    in_cycles += size[c];
  }
  // Names only for the cycles: most components are one function each, and a
  // list for every one cost more than the rest of the summary.
  std::vector<int32_t> slot(count, -1);
  for (size_t i = 0; i < cycles.size(); ++i) slot[cycles[i]] = static_cast<int32_t>(i);
  std::vector<std::vector<int32_t>> listed(cycles.size());
  for (int32_t k = 0; k < static_cast<int32_t>(v.nodes.size()); ++k) {
    const int32_t at = slot[component[k]];
    if (at >= 0 && listed[at].size() <= kCycleNames) listed[at].push_back(k);
  }
  auto members = [&](int32_t c) -> std::vector<int32_t>& { return listed[slot[c]]; };
  std::sort(cycles.begin(), cycles.end(), [&](int32_t a, int32_t b) {
    return size[a] != size[b] ? size[a] > size[b] : members(a)[0] < members(b)[0];
  });
  out.put("\ncall cycles, functions that call each other round: ");
  put_count(out, cycles.size());
  out.put(" (");
  put_count(out, in_cycles);
  out.put(" functions)\n");
  for (size_t i = 0; i < cycles.size() && i < kTop; ++i) {
    const int32_t c = cycles[i];
    out.put("  ");
    put_count(out, size[c]);
    out.put(" functions:\n");
    members(c).resize(std::min(members(c).size(), kCycleNames));
    put_names(out, g, v, members(c), size[c], "    ");
  }
  if (cycles.size() > kTop) {
    out.put("  and ");
    put_count(out, cycles.size() - kTop);
    out.put(" more\n");
  }
}

// The longest chain of calls from a start through the components, each
// one step, and within each the fewest calls from where the chain enters
// it to the call that leaves it: a chain that repeats no function.
std::vector<int32_t> longest_chain(const adjacency& calls, const std::vector<int32_t>& component,
                                   int32_t count, const std::vector<int32_t>& starts) {
  const size_t n = component.size();
  std::vector<uint32_t> first(count + 1, 0);  // the nodes by component
  for (const int32_t c : component) ++first[c + 1];
  for (int32_t c = 0; c < count; ++c) first[c + 1] += first[c];
  std::vector<int32_t> by_component(n);
  std::vector<uint32_t> at(first.begin(), first.end() - 1);
  for (size_t k = 0; k < n; ++k) by_component[at[component[k]]++] = static_cast<int32_t>(k);
  // Callees' components come first: each best is final when read.
  std::vector<int32_t> best(count, 0);
  std::vector<call_edge> leave(count, {-1, -1});
  for (int32_t c = 0; c < count; ++c) {
    for (uint32_t i = first[c]; i < first[c + 1]; ++i) {
      const int32_t u = by_component[i];
      for (const int32_t* w = calls.from(u); w != calls.end(u); ++w) {
        const int32_t d = component[*w];
        if (d != c && best[d] + 1 > best[c]) {
          best[c] = best[d] + 1;
          leave[c] = {u, *w};
        }
      }
    }
  }
  int32_t x = starts[0];
  for (const int32_t s : starts) x = best[component[s]] > best[component[x]] ? s : x;
  std::vector<int32_t> chain, parent(n, -1), queue;
  for (;;) {
    const int32_t c = component[x], u = leave[c].caller;
    const size_t from = chain.size();
    // Breadth first inside the component, from x until u.
    queue.assign(1, x);
    parent[x] = x;
    for (size_t q = 0; u >= 0 && parent[u] < 0; ++q) {
      for (const int32_t* w = calls.from(queue[q]); w != calls.end(queue[q]); ++w) {
        if (component[*w] == c && parent[*w] < 0) {
          parent[*w] = queue[q];
          queue.push_back(*w);
        }
      }
    }
    for (int32_t y = u < 0 ? x : u; y != x; y = parent[y]) chain.push_back(y);
    chain.push_back(x);
    std::reverse(chain.begin() + static_cast<std::ptrdiff_t>(from), chain.end());
    if (u < 0) return chain;
    x = leave[c].callee;
  }
}

// Defined functions that no start reaches, by file and line.
std::vector<int32_t> not_reached(const call_graph& g, const graph_view& v, const adjacency& calls,
                                 const std::vector<int32_t>& starts) {
  std::vector<uint8_t> reached(v.nodes.size(), 0);
  std::vector<int32_t> queue(starts);
  for (const int32_t s : starts) reached[s] = 1;
  for (size_t q = 0; q < queue.size(); ++q) {
    for (const int32_t* w = calls.from(queue[q]); w != calls.end(queue[q]); ++w) {
      if (!reached[*w]) {
        reached[*w] = 1;
        queue.push_back(*w);
      }
    }
  }
  std::vector<int32_t> dead;
  for (int32_t k = 0; k < static_cast<int32_t>(v.nodes.size()); ++k) {
    if (!reached[k] && g.defined(v.nodes[k])) dead.push_back(k);
  }
  std::stable_sort(dead.begin(), dead.end(), [&](int32_t a, int32_t b) {
    const int32_t fa = g.file_index(v.nodes[a]), fb = g.file_index(v.nodes[b]);
    return fa != fb ? fa < fb : g.line(v.nodes[a]) < g.line(v.nodes[b]);
  });
  return dead;
}

void put_from_starts(out_buffer& out, const call_graph& g, const graph_view& v,
                     const adjacency& calls, const std::vector<int32_t>& component, int32_t count) {
  // From the focus when there is one, else from every function named main.
  std::vector<int32_t> starts;
  for (int32_t k = 0; k < static_cast<int32_t>(v.nodes.size()); ++k) {
    if (v.flags[k] & VIEW_FOCUS) starts.push_back(k);
  }
  const bool focused = !starts.empty();
  for (int32_t k = 0; !focused && k < static_cast<int32_t>(v.nodes.size()); ++k) {
    if (g.name(v.nodes[k]) == "main") starts.push_back(k);
  }
  if (starts.empty()) {
    out.put("\nno function main: no chain of calls from it, nor dead-code candidates\n");
    return;
  }
  const char* from = focused ? "the focus" : "main";
  const std::vector<int32_t> chain = longest_chain(calls, component, count, starts);
  out.put("\nlongest chain of calls from ");
  out.put(from);
  out.put(", no function twice: ");
  put_count(out, chain.size() - 1);
  out.put(chain.size() == 2 ? " call\n" : " calls\n");
  for (const int32_t k : chain) {
    out.put("  ");
    put_place(out, g, v.nodes[k]);
    out.put('\n');
  }
  const std::vector<int32_t> dead = not_reached(g, v, calls, starts);
  out.put("\ndead-code candidates, defined and called by nothing that ");
  out.put(from);
  out.put(" reaches: ");
  put_count(out, dead.size());
  if (!dead.empty())
    out.put("\n(calls through pointers are not seen: a function called only so is listed)");
  out.put('\n');
  for (const int32_t k : dead) {
    out.put("  ");
    put_place(out, g, v.nodes[k]);
    out.put('\n');
  }
}

}  // namespace

void write_summary(const call_graph& g, const graph_view& v, out_buffer& out) {
  const adjacency calls = make_adjacency(v, true), callers = make_adjacency(v, false);
  int32_t count;
  const std::vector<int32_t> component = components(calls, count);
  put_counts(out, g, v);
  put_roots(out, g, v, callers);
  put_top(out, g, v, callers, "\nmost called, by callers:\n");
  put_top(out, g, v, calls, "most calling, by callees:\n");
  put_cycles(out, g, v, component, count);
  put_from_starts(out, g, v, calls, component, count);
}
