#include "view/input/json.h"

#include <algorithm>
#include <cstdint>

const json_value* json_value::member(std::string_view key) const {
  if (kind != object) return nullptr;
  for (size_t i = 0; i < keys.size(); ++i) {
    if (keys[i] == key) return &values[i];
  }
  return nullptr;
}

namespace {

constexpr int kMaxDepth = 200;

class json_parser {
 public:
  explicit json_parser(std::string_view text) : text_(text) {}

  bool document(json_value& out, std::string& error) {
    blanks();
    if (!value(out, 0)) {
      error = why();
      return false;
    }
    blanks();
    if (at_ != text_.size()) {
      fail("text after the end");
      error = why();
      return false;
    }
    return true;
  }

 private:
  bool fail(const char* what) {
    if (what_ == nullptr) what_ = what;
    return false;
  }
  std::string why() const {
    const size_t line = 1 + static_cast<size_t>(std::count(
                                text_.begin(), text_.begin() + std::min(at_, text_.size()), '\n'));
    return "line " + std::to_string(line) + ": " + what_;
  }
  void blanks() {
    while (at_ < text_.size() &&
           (text_[at_] == ' ' || text_[at_] == '\t' || text_[at_] == '\n' || text_[at_] == '\r'))
      ++at_;
  }
  bool take(char c) {
    blanks();
    if (at_ < text_.size() && text_[at_] == c) {
      ++at_;
      return true;
    }
    return false;
  }
  bool word(std::string_view w) {
    if (text_.substr(at_, w.size()) != w) return fail("not a JSON value");
    at_ += w.size();
    return true;
  }

  bool value(json_value& v, int depth) {
    if (depth > kMaxDepth) return fail("nested too deeply");
    blanks();
    if (at_ >= text_.size()) return fail("unexpected end");
    switch (text_[at_]) {
      case '{':
        return object(v, depth);
      case '[':
        return array(v, depth);
      case '"':
        v.kind = json_value::string;
        return string(v.text);
      case 't':
        v.kind = json_value::boolean;
        v.yes = true;
        return word("true");
      case 'f':
        v.kind = json_value::boolean;
        return word("false");
      case 'n':
        return word("null");
      default:
        return number(v);
    }
  }

  bool object(json_value& v, int depth) {
    v.kind = json_value::object;
    ++at_;
    if (take('}')) return true;
    do {
      blanks();
      v.keys.emplace_back();
      if (at_ >= text_.size() || text_[at_] != '"' || !string(v.keys.back()))
        return fail("expected a key");
      if (!take(':')) return fail("expected ':'");
      v.values.emplace_back();
      if (!value(v.values.back(), depth + 1)) return false;
    } while (take(','));
    return take('}') || fail("expected ',' or '}'");
  }

  bool array(json_value& v, int depth) {
    v.kind = json_value::array;
    ++at_;
    if (take(']')) return true;
    do {
      v.values.emplace_back();
      if (!value(v.values.back(), depth + 1)) return false;
    } while (take(','));
    return take(']') || fail("expected ',' or ']'");
  }

  bool number(json_value& v) {
    const size_t start = at_;
    while (at_ < text_.size() &&
           std::string_view("+-0123456789.eE").find(text_[at_]) != std::string_view::npos)
      ++at_;
    if (at_ == start) return fail("not a JSON value");
    v.kind = json_value::number;
    v.text.assign(text_.substr(start, at_ - start));
    return true;
  }

  bool hex4(uint32_t& out) {
    if (at_ + 4 > text_.size()) return fail("a short \\u escape");
    out = 0;
    for (int i = 0; i < 4; ++i) {
      const char c = text_[at_++];
      const int d = c >= '0' && c <= '9'   ? c - '0'
                    : c >= 'a' && c <= 'f' ? c - 'a' + 10
                    : c >= 'A' && c <= 'F' ? c - 'A' + 10
                                           : -1;
      if (d < 0) return fail("a bad \\u escape");
      out = out << 4 | static_cast<uint32_t>(d);
    }
    return true;
  }

  static void put_utf8(std::string& s, uint32_t c) {
    if (c < 0x80) {
      s += static_cast<char>(c);
    } else if (c < 0x800) {
      s += static_cast<char>(0xc0 | c >> 6);
      s += static_cast<char>(0x80 | (c & 0x3f));
    } else if (c < 0x10000) {
      s += static_cast<char>(0xe0 | c >> 12);
      s += static_cast<char>(0x80 | (c >> 6 & 0x3f));
      s += static_cast<char>(0x80 | (c & 0x3f));
    } else {
      s += static_cast<char>(0xf0 | c >> 18);
      s += static_cast<char>(0x80 | (c >> 12 & 0x3f));
      s += static_cast<char>(0x80 | (c >> 6 & 0x3f));
      s += static_cast<char>(0x80 | (c & 0x3f));
    }
  }

  bool escape(std::string& s) {
    if (at_ >= text_.size()) return fail("unexpected end");
    const char c = text_[at_++];
    const std::string_view from = "\"\\/bfnrt", to = "\"\\/\b\f\n\r\t";
    if (const size_t k = from.find(c); k != std::string_view::npos) {
      s += to[k];
      return true;
    }
    uint32_t u;
    if (c != 'u' || !hex4(u)) return fail("a bad escape");
    // A surrogate pair is one character; a lone half stands for U+FFFD.
    if (u >= 0xd800 && u < 0xdc00 && text_.substr(at_, 2) == "\\u") {
      const size_t back = at_;
      const char* said = what_;
      at_ += 2;
      uint32_t low;
      if (hex4(low) && low >= 0xdc00 && low < 0xe000) {
        put_utf8(s, 0x10000 + ((u - 0xd800) << 10) + (low - 0xdc00));
        return true;
      }
      at_ = back;
      what_ = said;
    }
    put_utf8(s, u >= 0xd800 && u < 0xe000 ? 0xfffd : u);
    return true;
  }

  bool string(std::string& s) {
    ++at_;  // the opening quote
    for (;;) {
      const size_t start = at_;
      while (at_ < text_.size() && text_[at_] != '"' && text_[at_] != '\\') ++at_;
      s.append(text_.substr(start, at_ - start));
      if (at_ >= text_.size()) return fail("a string without its end");
      if (text_[at_++] == '"') return true;
      if (!escape(s)) return false;
    }
  }

  std::string_view text_;
  size_t at_ = 0;
  const char* what_ = nullptr;
};

}  // namespace

bool parse_json(std::string_view text, json_value& out, std::string& error) {
  out = json_value();
  return json_parser(text).document(out, error);
}
