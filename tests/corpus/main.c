/* A small program for the call-graph tests: options, a table, output. */
#include <stdio.h>
#include <stdlib.h>

struct options {
  int verbose;
  const char *table_name;
};

int fact(int n);
int is_even(unsigned n);
void descend_01(int depth);
const struct table_entry *lookup_entry_by_name_and_kind(const char *name, int kind,
                                                        const struct table_entry *table,
                                                        size_t count, unsigned flags);

static void usage(const char *program, int status) {
  fprintf(stderr, "usage: %s [-v] table\n", program);
  exit(status);
}

static void parse_options(int argc, char **argv, struct options *opts) {
  if (argc < 2) usage(argv[0], 2);
  opts->verbose = argv[1][0] == '-';
  opts->table_name = argv[argc - 1];
}

static int report(const char *what, int value) {
  return printf("%s: %d\n", what, value);
}

int main(int argc, char **argv) {
  struct options opts;
  parse_options(argc, argv, &opts);
  if (opts.table_name == NULL) usage(argv[0], 1);
  report("fact", fact(5));
  report("even", is_even(10));
  lookup_entry_by_name_and_kind(opts.table_name, 1, NULL, 0, 0u);
  descend_01(0);
  return 0;
}
