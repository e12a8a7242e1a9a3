// What the presenter calls in the shell. On Windows the shell's hooks answer; the
// shell defines each one once, for the demo engine and the presenter alike.
#pragma once

// The program will end with exit code 1 (the shell's exitCode word).
void set_exit_code_failure();
