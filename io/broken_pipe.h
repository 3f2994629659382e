// How the programs end when their output cannot be written.
#ifndef TANGLET_IO_BROKEN_PIPE_H_
#define TANGLET_IO_BROKEN_PIPE_H_

// SIGPIPE ignored, whatever the parent left: a reader that went away is met
// as a failed write, where the program can still choose how to end.
void ignore_sigpipe();

// A reader that went away (EPIPE) ends the process as SIGPIPE would have:
// quietly, with the status a shell shows for that signal, as cat and grep
// end. Any other error returns, for the caller to report.
void end_if_reader_left(int error);

// Flushes standard output: 0, or the errno of the write that failed.
int flush_stdout();

#endif  // TANGLET_IO_BROKEN_PIPE_H_
