// A small JSON reader, for the compilation databases that build systems
// write: the whole text into a tree of values.
#ifndef TANGLET_VIEW_INPUT_JSON_H_
#define TANGLET_VIEW_INPUT_JSON_H_

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

struct json_value {
  enum kind_t { null_value, boolean, number, string, array, object };
  kind_t kind = null_value;
  bool yes = false;                // a boolean's value
  std::string text;                // a string's value, UTF-8; a number's text
  std::vector<std::string> keys;   // an object's keys, in order
  std::vector<json_value> values;  // an object's values, or an array's items

  // The object's member of this name, or nullptr.
  const json_value* member(std::string_view key) const;
};

// false with a reason ("line 3: expected ':'") for text that is not JSON.
// Nesting is bounded, so that no text can exhaust the stack.
bool parse_json(std::string_view text, json_value& out, std::string& error);

#endif  // TANGLET_VIEW_INPUT_JSON_H_
