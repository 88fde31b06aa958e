// File names in messages: every error is one line, whatever a name holds.
#pragma once

#include <string>

// The name as it is when it holds only printable characters other than
// blanks, quotes and backslashes; otherwise in single quotes, with control
// characters, quotes and backslashes written as \n, \t, \r, \', \\ or \xHH,
// so a newline in a name cannot break the line. Bytes from 0x80 on (UTF-8)
// are kept.
std::string QuotePath(const std::string& path);
