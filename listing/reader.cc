#include "listing/reader.h"

#include "io/bytes.h"
#include "io/line_reader.h"
#include "listing/quick/quick.h"

namespace {

bool blank(std::string_view line) {
  for (const char c : line) {
    if (!bytes::is_space(c)) return false;
  }
  return true;
}

}  // namespace

read_result read_listing(int fd, entry_sink sink, void* context, read_options options) {
  line_reader reader(fd, options.cr_ends_lines);
  listing_entry entry;
  long long count = 0;  // physical lines; never wraps
  for (;;) {
    // Once the layout is known, most lines take the quick road in blocks,
    // as many as the reader holds; the first other line is left for below.
    if ((input_format == FORMAT_SUN || input_format == FORMAT_FREE) &&
        current_quick_road != nullptr) {
      const auto block = input_format == FORMAT_FREE ? current_quick_road->free_block
                                                     : current_quick_road->sun_block;
      const quick_block read = block(reader.unread(), sink, context);
      reader.consume(read.bytes);
      count += static_cast<long long>(read.lines);
      if (read.stopped) return {read_status::stopped, count, 0};
    }
    padded_text line;
    const line_read got = reader.next(line);
    if (got == READ_END) return {read_status::done, count, 0};
    if (got == READ_FAILED) return {read_status::read_error, count, reader.error()};
    if (got == READ_NO_MEMORY) return {read_status::no_memory, count, 0};
    ++count;
    if (options.blank_line != nullptr && blank(line)) {
      options.blank_line(context);
      continue;
    }
    // A line that holds no number (GNU's default layout) is numbered by its
    // place, which is what GNU's "see N" counts.
    entry.number = static_cast<int32_t>(count);
    const parse_result parsed = parse_padded_line(line, entry);
    if (parsed == PARSE_UNRECOGNIZED) return {read_status::unrecognized, count, 0};
    if (parsed != PARSE_OK) return {read_status::syntax_error, count, 0};
    if (!sink(context, entry)) return {read_status::stopped, count, 0};
  }
}
