#pragma once

// The launcher's entry point; main() only forwards to it so that the
// in-process tests can drive the real program.
int porta_main(int argc, char **argv);
