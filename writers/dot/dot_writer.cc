// The graph of tanglet-dot, in Graphviz dot. -e leaves out the edges that
// the VCG header would make invisible; -i keeps only the defined functions:
// their nodes, and the edges between two of them.
#include "driver/registry.h"
#include "driver/writer.h"
#include "io/digits.h"
#include "io/escape.h"
#include "io/out_buffer.h"
#include "writers/dot/dot_header.h"

namespace {

number_cache identifiers;

// A dot identifier may not hold a minus sign unless it is quoted.
template <class Out>
inline void put_identifier(Out& out, int32_t number) {
  if (number < 0) out.put('"');
  out.put("node_");
  out.put_int(number, identifiers);
  if (number < 0) out.put('"');
}

// Graphviz reads no quoted string longer than 16384 bytes. A label that could
// be longer is written as several strings joined by "+", which dot joins
// again, each cut between escapes, never inside one.
constexpr size_t kMaxQuoted = 16000;

class long_label {
 public:
  explicit long_label(out_buffer& out) : out_(out) {}
  // Escaped, in as long pieces as fit each string.
  void text(std::string_view s) {
    while (!s.empty()) {
      size_t k = 0, size = 0;
      for (; k < s.size(); ++k) {
        const size_t unit = needs_escape(s[k]) ? 2 : 1;
        if (used_ + size + unit > kMaxQuoted) break;
        size += unit;
      }
      out_.put_escaped(std::string_view(s.data(), k));  // no substr: it may throw
      used_ += size;
      s.remove_prefix(k);
      if (!s.empty()) joint();
    }
  }
  // Text that needs no escape, never cut.
  void unit(std::string_view u) {
    if (used_ + u.size() > kMaxQuoted) joint();
    out_.put(u);
    used_ += u.size();
  }

 private:
  void joint() {
    out_.put("\" + \"");
    used_ = 0;
  }

  out_buffer& out_;
  size_t used_ = 0;
};

void put_long_label(out_buffer& out, std::string_view name, std::string_view signature,
                    std::string_view file, int32_t line) {
  long_label label(out);
  label.text(name);
  label.unit("\\n");
  label.text(signature);
  label.unit("\\n");
  label.text(file);
  label.unit(":");
  char digits[16];
  label.unit(std::string_view(digits, static_cast<size_t>(format_int(digits, line) - digits)));
}

[[gnu::always_inline]] inline void put_node(padded_text name, int32_t number, padded_text signature,
                                            padded_text file, int32_t line) {
  // Escaping at most doubles a field; the label's rest is under 20 bytes.
  const size_t label = 2 * (name.size() + signature.size() + file.size()) + 20;
  if (label > kMaxQuoted) {
    put_identifier(graph_output, number);
    graph_output.put(" [ label=\"");
    put_long_label(graph_output, name, signature, file, line);
    graph_output.put("\" ]\n");
    return;
  }
  graph_output.write_line(label + 40, [&](auto& out) {
    put_identifier(out, number);
    out.put(" [ label=\"");
    out.put_escaped(name);
    // A function without a definition, a quarter of most listings.
    if (file.empty() && signature.empty() && line == 0) {
      out.put("\\n\\n:0\" ]\n");
      return;
    }
    out.put("\\n");
    out.put_escaped_long(signature);
    out.put("\\n");
    out.put_escaped(file);
    out.put(':');
    out.put_int(line);
    out.put("\" ]\n");
  });
}

// -i: the defined functions alone, decided by the registry (a definition is
// registered before its node is written). Out of line, so that the common
// case needs no registers saved for a call.
[[gnu::noinline]] void put_defined_node(padded_text name, int32_t number, padded_text signature,
                                        padded_text file, int32_t line) {
  if (is_defined(number)) put_node(name, number, signature, file, line);
}

// -e leaves out the calls into defined functions; -i keeps only the calls
// between two of them: an edge from a function without definition would
// name a node that -i left out, and Graphviz would draw it as a bare box.
bool edge_hidden(int32_t source, int32_t target) {
  if (invisible_class == 1) return is_defined(target);
  return !(is_defined(target) && is_defined(source));
}

}  // namespace

void write_graph_header() { graph_output.put(kDotHeader); }

void write_node(padded_text name, int32_t number, padded_text signature, padded_text file,
                int32_t line) {
  if (invisible_class == 2) return put_defined_node(name, number, signature, file, line);
  put_node(name, number, signature, file, line);
}

void write_edge(int32_t source, int32_t target) {
  if (invisible_class != 0 && edge_hidden(source, target)) return;
  graph_output.write_line(64, [&](auto& out) {
    out.put('\t');
    put_identifier(out, source);
    out.put(" -> ");
    put_identifier(out, target);
    out.put(" ;\n");
  });
}

void write_graph_footer() { graph_output.put("}\n"); }
