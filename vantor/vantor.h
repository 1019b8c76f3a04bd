#pragma once

// The front-end menu's entry point; main() only forwards to it so that the
// in-process tests can drive the real program.
//
// vantor runs on one thread: the main loop reads and writes every module's
// state, so no module needs a note on which thread owns what.
int vantor_main(int argc, char **argv);
