// The explorer's page data: strings as tables, numbers packed. A graph of
// the Linux kernel's size is some 50 MB this way against 190 MB as JSON,
// and the page decodes it into typed arrays without a parse per node.
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "view/output/json_text.h"
#include "view/output/link.h"
#include "view/output/shared.h"

namespace {

// The explorer's packed numbers: unsigned LEB128 varints, signed ones
// zigzagged, the whole in base64.
void put_varint(std::string& to, uint64_t x) {
  for (; x >= 0x80; x >>= 7) to.push_back(static_cast<char>((x & 0x7f) | 0x80));
  to.push_back(static_cast<char>(x));
}
void put_signed(std::string& to, int64_t x) {
  put_varint(to, (static_cast<uint64_t>(x) << 1) ^ static_cast<uint64_t>(x >> 63));
}

void put_base64(out_buffer& out, std::string_view bytes) {
  static const char kDigits[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  char text[4096];
  size_t n = 0;
  for (size_t i = 0; i < bytes.size(); i += 3) {
    uint32_t w = static_cast<unsigned char>(bytes[i]) << 16;
    const size_t left = bytes.size() - i;
    if (left > 1) w |= static_cast<unsigned char>(bytes[i + 1]) << 8;
    if (left > 2) w |= static_cast<unsigned char>(bytes[i + 2]);
    text[n++] = kDigits[w >> 18];
    text[n++] = kDigits[(w >> 12) & 63];
    text[n++] = left > 1 ? kDigits[(w >> 6) & 63] : '=';
    text[n++] = left > 2 ? kDigits[w & 63] : '=';
    if (n == sizeof text) {
      out.put(std::string_view(text, n));
      n = 0;
    }
  }
  out.put(std::string_view(text, n));
}

// A JSON array of strings, "<" escaped: for each k below count, text(k).
template <class Text>
void put_strings(out_buffer& out, std::string_view key, size_t count, Text&& text) {
  out.put(key);
  out.put('[');
  for (size_t k = 0; k < count; ++k) {
    const std::string_view s = text(k);
    out.write_line(6 * s.size() + 4, [&](auto& w) {
      if (k > 0) w.put(',');
      json_string(w, s, true);
    });
  }
  out.put(']');
}

enum : unsigned {
  PACK_DEFINED = 1,
  PACK_FOCUS = 2,
  PACK_TARGET = 4,
  PACK_RECURSIVE = 8,
  PACK_CUT = 16,
  PACK_URL = 32,
  PACK_INDIRECT = 64,
  PACK_STACK = 128
};

// Each signature once: callbacks of one kind share theirs, and signatures
// are most of a page's text (tmux: 2,305 of them, 1,238 different).
struct signature_table {
  std::vector<std::string_view> texts;
  std::vector<int32_t> slots;  // index into texts, -1 free; keyed hashes

  explicit signature_table(size_t most) {
    size_t size = 16;
    while (size < 2 * most) size *= 2;
    slots.assign(size, -1);
  }
  // 0 for a signature not seen before, else how many entries back it is.
  uint64_t step(std::string_view text) {
    const size_t mask = slots.size() - 1;
    for (size_t s = call_graph::hash_of(text, -1, 0) & mask;; s = (s + 1) & mask) {
      if (slots[s] < 0) {
        slots[s] = static_cast<int32_t>(texts.size());
        texts.push_back(text);
        return 0;
      }
      if (texts[slots[s]] == text) return texts.size() - static_cast<size_t>(slots[s]);
    }
  }
};

// Per node its flags, then where defined the file (a step from the last
// one's), the line and the signature (a step back in its table), the calls
// through pointers and the stack's bytes. Files, signatures, links and
// stack words go to the tables.
void pack_nodes(const call_graph& g, const graph_view& v, const write_options& o,
                std::string& bytes, std::vector<std::string_view>& files,
                signature_table& signatures, std::vector<std::string>& urls,
                std::vector<int32_t>& stacks) {
  std::vector<int32_t> file_ids;  // first-seen, as the files table
  const std::vector<int32_t> file_of = clusters(g, v, true, file_ids);
  std::string link;
  int32_t last_file = 0;
  for (size_t k = 0; k < v.nodes.size(); ++k) {
    const int32_t id = v.nodes[k];
    unsigned flags = 0;
    if (g.defined(id)) flags |= PACK_DEFINED;
    if (v.flags[k] & VIEW_FOCUS) flags |= PACK_FOCUS;
    if (v.flags[k] & VIEW_TARGET) flags |= PACK_TARGET;
    if (g.recursive(id)) flags |= PACK_RECURSIVE;
    if (v.flags[k] & VIEW_CUT) flags |= PACK_CUT;
    if (o.has_link && g.defined(id) && expand_link(o.link, g.file(id), g.line(id), link)) {
      flags |= PACK_URL;
      urls.push_back(link);
    }
    if (g.indirect_calls(id) > 0) flags |= PACK_INDIRECT;
    if (g.stack_bytes(id) >= 0) flags |= PACK_STACK;
    put_varint(bytes, flags);
    if (flags & PACK_DEFINED) {
      if (static_cast<size_t>(file_of[k]) == files.size()) files.push_back(g.file(id));
      put_signed(bytes, file_of[k] - last_file);
      last_file = file_of[k];
      put_varint(bytes, static_cast<uint32_t>(g.line(id)));
      put_varint(bytes, signatures.step(g.signature(id)));
    }
    if (flags & PACK_INDIRECT) put_varint(bytes, static_cast<uint32_t>(g.indirect_calls(id)));
    if (flags & PACK_STACK) {
      put_varint(bytes, static_cast<uint64_t>(g.stack_bytes(id)));
      stacks.push_back(id);
    }
  }
}

// Per call the step from the last call's caller, and from its callee. The
// explorer's view is the whole graph, never folded.
void pack_edges(const graph_view& v, std::string& bytes) {
  int32_t source = 0, target = 0;
  for (const call_edge& e : v.edges) {
    put_signed(bytes, static_cast<int64_t>(e.caller) - source);
    put_signed(bytes, static_cast<int64_t>(e.callee) - target);
    source = e.caller;
    target = e.callee;
  }
}

}  // namespace

void write_page_data(const call_graph& g, const graph_view& v, const write_options& o,
                     out_buffer& out) {
  std::string node_bytes, edge_bytes;
  std::vector<std::string_view> files;
  std::vector<int32_t> stacks;
  std::vector<std::string> urls;
  signature_table signatures(v.nodes.size());
  pack_nodes(g, v, o, node_bytes, files, signatures, urls, stacks);
  pack_edges(v, edge_bytes);
  put_strings(out, "{\"names\":", v.nodes.size(), [&](size_t k) { return g.name(v.nodes[k]); });
  put_strings(out, ",\"files\":", files.size(), [&](size_t k) { return files[k]; });
  put_strings(out, ",\"signatures\":", signatures.texts.size(),
              [&](size_t k) { return signatures.texts[k]; });
  put_strings(out, ",\"urls\":", urls.size(), [&](size_t k) { return std::string_view(urls[k]); });
  put_strings(out, ",\"stacks\":", stacks.size(),
              [&](size_t k) { return g.stack_kind(stacks[k]); });
  out.put(",\"facts\":\"");
  put_base64(out, node_bytes);
  out.put("\",\"calls\":\"");
  put_base64(out, edge_bytes);
  out.put("\",\"count\":");
  put_int64(out, static_cast<int64_t>(v.edges.size()));
  if (o.callers >= 0) {
    out.put(",\"callers\":");
    put_int64(out, o.callers);
  }
  if (o.callees >= 0) {
    out.put(",\"callees\":");
    put_int64(out, o.callees);
  }
  if (o.fold >= 0) {
    out.put(",\"fold\":");
    put_int64(out, o.fold);
  }
  out.put('}');
}
