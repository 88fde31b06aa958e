// The language a dialog test expects the plug-in's dialogs in, and the
// texts and typeface that language's templates give them. The plug-in has
// each template in Japanese and in English; the window system picks one by
// the user's interface language, which Wine takes from the Unix locale
// (a test runs the driver under LC_ALL=ja_JP.UTF-8 or LC_ALL=C).
#pragma once

#include "tests/win32/WinCheck.h"

#include <windows.h>

#include <cstdio>
#include <cstring>
#include <string>

struct DialogLanguage {
    const char* name;          // "ja" or "en", as on the command line
    LANGID interfaceLanguage;  // the user interface language that picks it
    const wchar_t* typeface;   // the templates' font
    const wchar_t* caption;    // the filter dialog template's caption
    const wchar_t* cancel;     // the Cancel button
    const wchar_t* options;    // the group box around the Amount controls
};

inline const DialogLanguage& JapaneseDialogs() {
    static const DialogLanguage language = {
        "ja",
        0x0411,
        L"\xFF2D\xFF33 \xFF30\x30B4\x30B7\x30C3\x30AF",  // "ＭＳ Ｐゴシック"
        L"\xFF80\xFF9E\xFF72\xFF71\xFF9B\xFF78\xFF9E",   // "ﾀﾞｲｱﾛｸﾞ"
        L"\xFF77\xFF6C\xFF9D\xFF7E\xFF99",               // "ｷｬﾝｾﾙ"
        L"\x30AA\x30D7\x30B7\x30E7\x30F3"};              // "オプション"
    return language;
}

inline const DialogLanguage& EnglishDialogs() {
    static const DialogLanguage language = {"en",      0x0409,    L"MS Shell Dlg",
                                            L"Dialog", L"Cancel", L"Options"};
    return language;
}

// The language named by argument `index` ("ja", the default, or "en");
// null, with a message, for another name.
inline const DialogLanguage* DialogLanguageArgument(int argc, char** argv, int index) {
    const std::string name = argc > index ? argv[index] : "ja";
    if (name == "ja") return &JapaneseDialogs();
    if (name == "en") return &EnglishDialogs();
    printf("FAILED: unknown dialog language \"%s\" (ja or en)\n", name.c_str());
    return nullptr;
}

// The run must be in the language's environment: otherwise the check of
// the dialog's texts would test the locale rather than the plug-in.
inline bool CheckInterfaceLanguage(const DialogLanguage& language) {
    const LANGID user = GetUserDefaultUILanguage();
    printf("user interface language 0x%04X, dialogs expected in %s\n", user, language.name);
    if (PRIMARYLANGID(user) == PRIMARYLANGID(language.interfaceLanguage)) return true;
    printf(
        "FAILED: the user interface language is 0x%04X, not 0x%04X: the locale did not reach "
        "Wine\n",
        user, language.interfaceLanguage);
    ++Tally().failed;
    return false;
}
