// Reading a whole listing: one call that hands every entry, in order, to a
// sink, and reports how the reading ended as a value. It writes nothing, so
// that any program can read listings at full speed with a sink of its own.
#ifndef TANGLET_LISTING_READER_H_
#define TANGLET_LISTING_READER_H_

#include "listing/listing.h"

enum class read_status { done, syntax_error, unrecognized, read_error, no_memory, stopped };

struct read_result {
  read_status status;
  // The physical line (from 1) of a syntax error or of an unrecognised
  // first line; otherwise the lines read.
  long long line;
  int error;  // errno, for read_error
};

// Takes each entry as soon as it is read. Its text fields view the input and
// last until the call returns; false stops the reading (read_status::stopped).
using entry_sink = bool (*)(void* context, const listing_entry& entry);

// What a program reads as lines beyond the filters' own.
struct read_options {
  bool cr_ends_lines = false;  // a CR that no newline follows ends a line
  // When set, a line of white space alone is passed over and told to this,
  // with the sink's context, instead of being an error.
  void (*blank_line)(void* context) = nullptr;
};

// Reads the listing from fd in the layout input_format says; with
// FORMAT_AUTO the first line decides, and input_format keeps the decision.
read_result read_listing(int fd, entry_sink sink, void* context, read_options options = {});

#endif  // TANGLET_LISTING_READER_H_
