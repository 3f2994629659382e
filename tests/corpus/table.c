/* Long signatures with many parameters, and library calls with no definition here. */
#include <stddef.h>
#include <string.h>

struct table_entry {
  const char *name;
  int kind;
};

static int entry_matches_name_and_kind_ignoring_flags_for_the_moment(
    const struct table_entry *entry, const char *name, int kind, unsigned flags) {
  (void)flags;
  return entry->kind == kind && strcmp(entry->name, name) == 0;
}

const struct table_entry *lookup_entry_by_name_and_kind(const char *name, int kind,
                                                        const struct table_entry *table,
                                                        size_t count, unsigned flags) {
  for (size_t i = 0; i < count; ++i)
    if (entry_matches_name_and_kind_ignoring_flags_for_the_moment(&table[i], name, kind, flags))
      return &table[i];
  return memchr(name, 0, strlen(name) + 1) ? NULL : table;
}

/* Reached from no root: only "cflow -A" lists it. */
#include <stdio.h>
void table_dump(const struct table_entry *table, size_t count) {
  for (size_t i = 0; i < count; ++i) printf("%s %d\n", table[i].name, table[i].kind);
}
