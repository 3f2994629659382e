// One line of a call-graph listing, in the "sun" or the "free" layout.
#ifndef TANGLET_LISTING_LISTING_H_
#define TANGLET_LISTING_LISTING_H_

#include <cstddef>
#include <cstdint>
#include <string_view>

enum : int { ENTRY_DEFINED = 0, ENTRY_EXTERNAL = 1, ENTRY_REFERENCE = 2 };
enum : int { FORMAT_SUN = 0, FORMAT_FREE = 1, FORMAT_AUTO = 2 };
// GNU cflow's own layouts (listing/gnu.h), which only tanglet-view reads:
// its default output, and the sun grammar indented with blanks. FORMAT_ANY
// lets the first line choose among all of them.
enum : int { FORMAT_GNU = 3, FORMAT_POSIX = 4, FORMAT_ANY = 5 };

// The text fields view the line they were parsed from: they stay valid only
// until the next line is read. signature, file and line are meaningful for
// ENTRY_DEFINED only.
struct listing_entry {
  int kind = ENTRY_DEFINED;
  int32_t number = 0;
  int32_t depth = 0;
  std::string_view name;
  std::string_view signature;
  std::string_view file;
  int32_t line = 0;
};

// The layout in force; FORMAT_AUTO until the first line has been recognised.
extern int input_format;

// "sun" and "free" name their layouts; anything else means automatic.
int format_from_name(std::string_view text);

// Results of parse_listing_line.
enum : int {
  PARSE_ERROR = 0,
  PARSE_OK = 1,
  // Automatic layout, and the first line fits neither grammar.
  PARSE_UNRECOGNIZED = 2,
};

// text is one line without its newline. Returns PARSE_OK with entry filled,
// PARSE_ERROR for a syntax error, or PARSE_UNRECOGNIZED (see above); the
// caller reports both failures.
int parse_listing_line(std::string_view text, listing_entry& entry);
int parse_sun_line(std::string_view text, listing_entry& entry);
int parse_free_line(std::string_view text, listing_entry& entry);
// Bytes past the end of a line that parse_padded_line may read, and that
// the line reader keeps readable.
constexpr size_t kLineSlack = 128;
// parse_listing_line for a text that kLineSlack readable bytes follow (what
// they hold does not matter): short lines of the shapes cflow writes take a
// quicker road that gives the same entries.
int parse_padded_line(std::string_view text, listing_entry& entry);
// Wide enough for any line that fits in memory.
int64_t count_char(std::string_view text, char c);

#endif  // TANGLET_LISTING_LISTING_H_
