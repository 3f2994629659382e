// The --link template: one place that decides what every format may write.
#ifndef TANGLET_VIEW_OUTPUT_LINK_H_
#define TANGLET_VIEW_OUTPUT_LINK_H_

#include <cstdint>
#include <string>
#include <string_view>

// False where the template's own text, before its first %f or %l, already
// gives a scheme other than http, https or file (as a browser reads it:
// leading blanks and controls stripped, tabs and line ends dropped).
bool link_template_allowed(std::string_view link);

// The template for a function into out (cleared first): %f the file
// percent-encoded (unreserved characters and "/" kept), %l the line, %% a
// percent sign, and the template's own characters that cannot stand in a
// URL percent-encoded. False, with nothing to write, where the result has a
// scheme other than http, https or file; a link without one is relative.
bool expand_link(std::string_view link, std::string_view file, int32_t line, std::string& out);

#endif  // TANGLET_VIEW_OUTPUT_LINK_H_
