#include "cli/PathText.h"

#include <cstdio>

namespace {

bool NeedsEscape(unsigned char c) { return c < 0x20 || c == 0x7f || c == '\'' || c == '\\'; }

bool NeedsQuotes(const std::string& path) {
    if (path.empty()) return true;
    for (unsigned char c : path) {
        if (NeedsEscape(c) || c == ' ' || c == '"') return true;
    }
    return false;
}

}  // namespace

std::string QuotePath(const std::string& path) {
    if (!NeedsQuotes(path)) return path;
    std::string quoted = "'";
    for (unsigned char c : path) {
        if (!NeedsEscape(c)) {
            quoted += char(c);
        } else if (c == '\n') {
            quoted += "\\n";
        } else if (c == '\t') {
            quoted += "\\t";
        } else if (c == '\r') {
            quoted += "\\r";
        } else if (c == '\'' || c == '\\') {
            quoted += '\\';
            quoted += char(c);
        } else {
            char hex[8];
            snprintf(hex, sizeof hex, "\\x%02x", unsigned(c));
            quoted += hex;
        }
    }
    return quoted + "'";
}
