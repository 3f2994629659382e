// The quick road: one classification of the line into bit masks, then the
// shapes that cflow writes read off the masks. It answers only when the
// general reading would give the same entry; for anything else (a sign, a
// long number, a TAB, '"' or '\\' after the number, a signature comma that no
// "<file line" follows, a syntax error) it declines and the general reading
// decides.
#ifndef TANGLET_LISTING_QUICK_H_
#define TANGLET_LISTING_QUICK_H_

#include <cstddef>

#include "listing/listing.h"

// text is at most line_masks::kMaxLine bytes, and kLineSlack readable bytes
// follow it. true: entry is filled as the general reading would fill it.
bool quick_sun_line(std::string_view text, listing_entry& entry);
bool quick_free_line(std::string_view text, listing_entry& entry);

#endif  // TANGLET_LISTING_QUICK_H_
