#pragma once

// The front-end menu's entry point; main() only forwards to it so that the
// in-process tests can drive the real program.
int vantor_main(int argc, char **argv);
