/* Reading words and printing the counts. */
#include <ctype.h>
#include <stdlib.h>
#include <string.h>

#include "wordfreq.h"

static int is_word_char(int c) { return isalnum(c) || c == '\'' || c == '-'; }

int count_words(FILE *in, struct table *words) {
  char word[256];
  size_t length = 0;
  int c;
  while ((c = getc(in)) != EOF) {
    if (is_word_char(c) && length < sizeof word) {
      word[length++] = (char)tolower(c);
    } else if (length > 0) {
      struct entry *e = table_find(words, word, length);
      if (e == NULL) return -1;
      e->count++;
      length = 0;
    }
  }
  return ferror(in) ? -1 : 0;
}

static int by_count(const void *a, const void *b) {
  const struct entry *x = a, *y = b;
  if (x->count != y->count) return x->count < y->count ? 1 : -1;
  return strcmp(x->word ? x->word : "", y->word ? y->word : "");
}

void print_top(const struct table *words, size_t shown) {
  struct entry *sorted = malloc(words->size * sizeof *sorted);
  if (sorted == NULL) return;
  memcpy(sorted, words->entries, words->size * sizeof *sorted);
  qsort(sorted, words->size, sizeof *sorted, by_count);
  for (size_t i = 0; i < shown && i < words->size && sorted[i].word; ++i)
    printf("%7ld %s\n", sorted[i].count, sorted[i].word);
  free(sorted);
}
