// A deliberately plain second reading of both listing grammars: the C
// library's sscanf with the grammar's own scan formats, widened only where
// the programs mean more (signatures with commas, fields of any length, the
// 32-bit range of numbers). Slow and obviously right; the fast reader must
// agree with it on every line.
#ifndef TANGLET_TESTS_ORACLE_H_
#define TANGLET_TESTS_ORACLE_H_

#include <string>

#include "listing/listing.h"

struct oracle_entry {
  int kind = -1;
  long number = 0, depth = 0, line = 0;
  std::string name, signature, file;
};

// layout: FORMAT_SUN or FORMAT_FREE. text is a C string. Returns 1 or 0.
int oracle_parse(int layout, const char* text, oracle_entry& entry);

// "" when the fast reader, given the same text, agrees with the oracle;
// otherwise what differs.
std::string compare_with_oracle(int layout, const std::string& text);

#endif  // TANGLET_TESTS_ORACLE_H_
