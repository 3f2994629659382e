// Stand-in for listing/reader.h until the reader lands as a component: the
// same interface, read the simple way.
#ifndef TANGLET_VIEW_READER_STUB_H_
#define TANGLET_VIEW_READER_STUB_H_

#include "listing/listing.h"

enum class read_status { done, syntax_error, unrecognized, read_error, no_memory, stopped };
struct read_result {
  read_status status;
  long long line;
  int error;
};
using entry_sink = bool (*)(void* context, const listing_entry& entry);
read_result read_listing(int fd, entry_sink sink, void* context);

#endif  // TANGLET_VIEW_READER_STUB_H_
