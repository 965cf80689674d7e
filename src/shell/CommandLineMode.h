#pragma once

class QCoreApplication;

// The program run from a shell to move memories in or out of the memory file: no window, so it works
// where there is no display too. It finds the settings and the memory file as the window does.

// Whether the arguments ask for it: help, or one of its options (a mistyped one gets an answer too).
bool wantsCommandLineMode(int argc, const char* const* argv);

// Does what the arguments ask and says so in one line on standard output, or why not on standard
// error. Returns the exit status: 0 done, 1 refused or failed, 2 arguments not understood.
int runCommandLineMode(QCoreApplication& app);
