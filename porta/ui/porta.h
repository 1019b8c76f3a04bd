#pragma once

// The launcher's entry point; main() only forwards to it so that the
// in-process tests can drive the real program.
int porta_main(int argc, char **argv);

// The power-off request of the previous run's script: the first line of
// /tmp/shutdown.ini as a decimal number (printed as "---get_shutd_type:
// value=%d"), or 0 without printing when the file cannot be read.
int read_shutdown_request(void);
