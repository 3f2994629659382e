#define LOG(m) log_message(m)

static inline int clamp(int v) { return v < 0 ? 0 : v; }

int parse(void);
void log_message(const char *m);
void fast_path(void);
void slow_path(void);
