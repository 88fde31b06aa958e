// How the hosts' readers and parsers give up: the reason in *error, false
// as the answer, so that a check reads "if (...) return Fail(error, ...)".
#pragma once

#include <string>

inline bool Fail(std::string* error, const std::string& reason) {
    *error = reason;
    return false;
}
