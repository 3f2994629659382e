/* An open-addressing hash table of words. */
#include <stdlib.h>
#include <string.h>

#include "wordfreq.h"

static size_t hash(const char *word, size_t length) {
  size_t h = 5381;
  while (length-- > 0) h = h * 33 + (unsigned char)*word++;
  return h;
}

struct table *table_new(size_t size) {
  struct table *t = malloc(sizeof *t);
  if (t == NULL) return NULL;
  t->entries = calloc(size, sizeof *t->entries);
  t->size = size;
  t->used = 0;
  if (t->entries == NULL) {
    free(t);
    return NULL;
  }
  return t;
}

static void clear(struct table *t) {
  for (size_t i = 0; i < t->size; ++i) free(t->entries[i].word);
  free(t->entries);
}

static int grow(struct table *t) {
  struct table *bigger = table_new(t->size * 2);
  if (bigger == NULL) return -1;
  for (size_t i = 0; i < t->size; ++i) {
    if (t->entries[i].word == NULL) continue;
    struct entry *e = table_find(bigger, t->entries[i].word, strlen(t->entries[i].word));
    e->count = t->entries[i].count;
  }
  clear(t);
  *t = *bigger;
  free(bigger);
  return 0;
}

struct entry *table_find(struct table *t, const char *word, size_t length) {
  if (t->used * 2 >= t->size && grow(t) != 0) return NULL;
  size_t i = hash(word, length) % t->size;
  while (t->entries[i].word != NULL &&
         (strncmp(t->entries[i].word, word, length) != 0 || t->entries[i].word[length] != '\0'))
    i = (i + 1) % t->size;
  if (t->entries[i].word == NULL) {
    t->entries[i].word = strndup(word, length);
    if (t->entries[i].word == NULL) return NULL;
    t->used++;
  }
  return &t->entries[i];
}

void table_free(struct table *t) {
  clear(t);
  free(t);
}
