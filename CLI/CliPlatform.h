// The console updater's platform edges: terminal detection, Ctrl-C, and the file that carries
// the program's own package (CliPlatform_posix.cpp, CliPlatform_win.cpp).
#pragma once

#include <string>

// True when standard output is a terminal (the bar is then redrawn in place).
bool IsStdoutTerminal();

// From now on Ctrl-C (and on POSIX a termination request) only counts a stop request, and never
// interrupts a thread of the program. Call before starting other threads; once is enough.
bool InstallStopHandler();
unsigned int StopRequestCount();

// The file holding the package appended to this program; empty when the engine's own lookup
// finds it.
std::string OwnPackagePath();

// The system's folder of trusted package keys: /etc/halvard/trusted-keys, or on Windows
// "Halvard\trusted-keys" under Program Files (only administrators can write either).
std::string TrustedKeysFolder();
