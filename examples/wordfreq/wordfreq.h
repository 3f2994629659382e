#ifndef WORDFREQ_H
#define WORDFREQ_H

#include <stddef.h>
#include <stdio.h>

struct entry {
  char *word;
  long count;
};

struct table {
  struct entry *entries;
  size_t size, used;
};

struct table *table_new(size_t size);
struct entry *table_find(struct table *t, const char *word, size_t length);
void table_free(struct table *t);
int count_words(FILE *in, struct table *words);
void print_top(const struct table *words, size_t shown);

#endif
