// The conversion: a listing read into the depth stack, the registry and the
// graph writer.
#ifndef TANGLET_DRIVER_CONVERSION_H_
#define TANGLET_DRIVER_CONVERSION_H_

// Reads the listing from input_fd and writes the graph to graph_output.
// Reports its own failures on standard error; returns the exit status. A
// failed write ends it early with status 1 and is left to the caller to say.
int run_conversion(int input_fd = 0);

// Back to the state at program start: the settings, the depth stack and the
// registry (whose memory the programs themselves never give back). For tests.
void reset_driver_state();

#endif  // TANGLET_DRIVER_CONVERSION_H_
