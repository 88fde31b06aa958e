// Names and other user text in messages: every error is one line, whatever
// a name, a value or an argument holds.
#pragma once

#include <string>

// The name as it is when it holds only printable characters other than
// blanks, quotes and backslashes; otherwise QuoteText of it. Bytes from
// 0x80 on (UTF-8) are kept.
std::string QuotePath(const std::string& path);

// The text in single quotes, with control characters, quotes and
// backslashes written as \n, \t, \r, \', \\ or \xHH.
std::string QuoteText(const std::string& text);

// The text with only its control characters written out (\n, \t, \r,
// \xHH): the last guard before a message line is printed.
std::string EscapeControls(const std::string& text);
