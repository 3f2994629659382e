// GNU cflow's own layouts: its default output (`cflow *.c`) and its POSIX
// output indented with blanks, as it writes them without --level-indent.
#ifndef TANGLET_LISTING_GNU_H_
#define TANGLET_LISTING_GNU_H_

#include <cstddef>
#include <string_view>

#include "listing/listing.h"

// A line of the default output, with or without -n numbers:
//   [number] indent name() [<declaration at file:line>] [(R)] [(recursive: see N)] [:] [[see N]]
// The indent is four blanks a level (a TAB counts as a level too); depth is
// the level plus one, so that roots are at depth 1 as in the sun layout.
// A defined function's signature is its whole declaration, name included
// (gnu_signature makes the sun form of it). "(recursive: see N)" and
// "[see N]" make a reference to line N. number is left as it was when the
// line holds none: the caller sets it to the physical line, which is what
// GNU's "see N" counts. 1 when the line fits, else 0.
int parse_gnu_line(padded_text text, listing_entry& entry);

// A sun line as GNU writes it by default, "%5d " and then four blanks a
// level ("    2     usage: 3"); TABs count as a level each, so that the
// TAB-indented recipe reads the same. 1 when the line fits, else 0.
int parse_posix_line(padded_text text, listing_entry& entry);

// The declaration without the function's name, as the sun layout gives it:
// "int main (void)" -> "int (void)", "char *f (a)" -> "char * (a)",
// "int (*work) (int)" -> "int (*) (int)", "f (x)" -> " (x)". Writes at most
// declaration.size() bytes to out; returns the length.
size_t gnu_signature(std::string_view declaration, std::string_view name, char* out);

#endif  // TANGLET_LISTING_GNU_H_
