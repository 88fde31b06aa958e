#include "testhost/ErrorText.h"

#include <windows.h>

#include <cctype>

namespace {

struct KnownError {
    DWORD code;
    const char* text;
};

const KnownError knownErrors[] = {
    {ERROR_FILE_NOT_FOUND, "no such file"},
    {ERROR_PATH_NOT_FOUND, "no such folder"},
    {ERROR_ACCESS_DENIED, "permission denied"},
    {ERROR_SHARING_VIOLATION, "the file is in use by another program"},
    {ERROR_WRITE_PROTECT, "the disk is write-protected"},
    {ERROR_DISK_FULL, "no space left on the disk"},
    {ERROR_HANDLE_DISK_FULL, "no space left on the disk"},
    {ERROR_BAD_EXE_FORMAT, "not a program or library for this kind of Windows (32 or 64 bits)"},
    {ERROR_MOD_NOT_FOUND, "a library it needs was not found"},
    {ERROR_DLL_INIT_FAILED, "the library refused to start"},
    {ERROR_INVALID_NAME, "the name is not valid"},
    {ERROR_FILENAME_EXCED_RANGE, "the name is too long"},
    {ERROR_ALREADY_EXISTS, "it exists already"},
};

std::string SystemText(DWORD code) {
    char buffer[512] = {0};
    const DWORD length =
        FormatMessageA(FORMAT_MESSAGE_FROM_SYSTEM | FORMAT_MESSAGE_IGNORE_INSERTS, nullptr, code,
                       MAKELANGID(LANG_NEUTRAL, SUBLANG_DEFAULT), buffer, sizeof buffer, nullptr);
    std::string text(buffer, length);
    while (!text.empty() &&
           (text.back() == '\n' || text.back() == '\r' || text.back() == ' ' || text.back() == '.'))
        text.pop_back();
    for (char& c : text) {
        if (c == '\r' || c == '\n') c = ' ';
    }
    if (!text.empty()) text[0] = char(tolower(static_cast<unsigned char>(text[0])));
    return text;
}

}  // namespace

std::string WindowsErrorText(unsigned long code) {
    const std::string number = "(error " + std::to_string(code) + ")";
    for (const KnownError& known : knownErrors) {
        if (known.code == code) return std::string(known.text) + " " + number;
    }
    const std::string text = SystemText(DWORD(code));
    return text.empty() ? "the system refused " + number : text + " " + number;
}
