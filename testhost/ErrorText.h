// Windows error codes in plain words, for the hosts' one-line messages.
#pragma once

#include <string>

// "no such file (error 2)": the system's text for the code, lower-case and
// without its full stop, with the code in parentheses for bug reports.
// Codes a user meets most (a missing file or folder, no permission, a file
// that is no program of this kind) have texts of their own, so that they
// read the same whatever the system's language.
std::string WindowsErrorText(unsigned long code);
