#include "view/reader_stub.h"

#include "driver/line_reader.h"

read_result read_listing(int fd, entry_sink sink, void* context) {
  line_reader reader(fd);
  listing_entry entry;
  long long lines = 0;
  for (;;) {
    std::string_view line;
    const int got = reader.next(line);
    if (got == READ_END) return {read_status::done, lines, 0};
    if (got == READ_FAILED) return {read_status::read_error, lines, reader.error()};
    if (got == READ_NO_MEMORY) return {read_status::no_memory, lines, 0};
    ++lines;
    entry.number = static_cast<int32_t>(lines);
    const int parsed = parse_padded_line(line, entry);
    if (parsed == PARSE_UNRECOGNIZED) return {read_status::unrecognized, lines, 0};
    if (parsed != PARSE_OK) return {read_status::syntax_error, lines, 0};
    if (!sink(context, entry)) return {read_status::stopped, lines, 0};
  }
}
