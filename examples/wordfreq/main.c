/* wordfreq: prints the most frequent words of standard input. */
#include <stdio.h>
#include <stdlib.h>

#include "wordfreq.h"

static void usage(const char *program) {
  fprintf(stderr, "usage: %s [count]\n", program);
  exit(2);
}

int main(int argc, char **argv) {
  long shown = 10;
  if (argc > 2) usage(argv[0]);
  if (argc == 2 && (shown = strtol(argv[1], NULL, 10)) <= 0) usage(argv[0]);
  struct table *words = table_new(1024);
  if (words == NULL || count_words(stdin, words) != 0) {
    perror("wordfreq");
    return 1;
  }
  print_top(words, (size_t)shown);
  table_free(words);
  return 0;
}
