#include "cli/PathText.h"

#include <cstdio>

namespace {

bool IsControl(unsigned char c) { return c < 0x20 || c == 0x7f; }

bool NeedsEscape(unsigned char c) { return IsControl(c) || c == '\'' || c == '\\'; }

bool NeedsQuotes(const std::string& path) {
    if (path.empty()) return true;
    for (unsigned char c : path) {
        if (NeedsEscape(c) || c == ' ' || c == '"') return true;
    }
    return false;
}

void AppendEscaped(std::string* text, unsigned char c) {
    if (c == '\n') {
        *text += "\\n";
    } else if (c == '\t') {
        *text += "\\t";
    } else if (c == '\r') {
        *text += "\\r";
    } else if (c == '\'' || c == '\\') {
        *text += '\\';
        *text += char(c);
    } else {
        char hex[8];
        snprintf(hex, sizeof hex, "\\x%02x", unsigned(c));
        *text += hex;
    }
}

}  // namespace

std::string QuoteText(const std::string& text) {
    std::string quoted = "'";
    for (unsigned char c : text) {
        if (NeedsEscape(c)) {
            AppendEscaped(&quoted, c);
        } else {
            quoted += char(c);
        }
    }
    return quoted + "'";
}

std::string QuotePath(const std::string& path) {
    return NeedsQuotes(path) ? QuoteText(path) : path;
}

std::string EscapeControls(const std::string& text) {
    std::string escaped;
    escaped.reserve(text.size());
    for (unsigned char c : text) {
        if (IsControl(c)) {
            AppendEscaped(&escaped, c);
        } else {
            escaped += char(c);
        }
    }
    return escaped;
}
