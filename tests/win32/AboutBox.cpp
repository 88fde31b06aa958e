// The About box of the real plug-in, used from a second thread: its
// template in the expected language (its typeface), its seven lines of
// text, its place on the desktop, Enter and Escape that do not close it,
// and the click that does.
//
//   win_AboutBox PLUGIN.8bf [SHOT_FOLDER] [ja|en]
//
// The screenshot is SHOT_FOLDER\about-box-ja.bmp (or -en).
#include "resources/DialogIds.h"
#include "testhost/PluginLoader.h"
#include "tests/support/HostImages.h"
#include "tests/win32/DialogDriver.h"
#include "tests/win32/DialogLanguage.h"

#include <windows.h>

namespace {

struct AboutWatch {
    const DialogLanguage* language = nullptr;
    std::string shots;
    bool found = false;
    bool stillOpenAfterKeys = false;
    bool closedByClick = false;
};

// Presses a key in the box the way the keyboard does: into the thread's
// queue, where the modal loop turns Enter and Escape into commands.
void PressKey(HWND window, UINT key) {
    PostMessageA(window, WM_KEYDOWN, key, 0x00000001);
    PostMessageA(window, WM_KEYUP, key, 0xC0000001);
}

DWORD WINAPI WatchAbout(LPVOID parameter) {
    AboutWatch* watch = static_cast<AboutWatch*>(parameter);
    HWND box = driver::WaitForDialog(nullptr, 60);
    watch->found = box != nullptr;
    if (box == nullptr) return 0;
    driver::DrainHostQueue();
    Sleep(300);

    WIN_CHECK_TEXT(box, L"");
    WIN_CHECK(IsWindowUnicode(box));
    // The typeface of the language's template, whatever the ANSI code page.
    const std::wstring face = driver::FaceNameOf(box);
    if (face != watch->language->typeface) {
        printf("About box font is \"%s\", expected \"%s\"\n", driver::Shown(face).c_str(),
               driver::Shown(watch->language->typeface).c_str());
        WIN_CHECK(false);
    }
    const LONG style = GetWindowLongA(box, GWL_STYLE);
    WIN_CHECK((style & WS_CAPTION) == 0);
    WIN_CHECK((style & WS_SYSMENU) == 0);
    HWND text = GetDlgItem(box, CONTROL_ABOUT_TEXT);
    WIN_CHECK(text != nullptr);
    WIN_CHECK_TEXT(text, L"Vorn\n\n1.0.5\n\nCopyright (C) 2026 Bramix\n\nDraw Vorn");
    WIN_CHECK((GetWindowLongA(text, GWL_STYLE) & SS_NOTIFY) == 0);

    driver::CheckCentredOnDesktop(box);
    if (!watch->shots.empty()) {
        WIN_CHECK(
            WriteWindowShot(box, watch->shots + "\\about-box-" + watch->language->name + ".bmp"));
    }

    PressKey(text, VK_RETURN);
    PressKey(text, VK_ESCAPE);
    PressKey(box, VK_RETURN);
    PressKey(box, VK_ESCAPE);
    driver::DrainHostQueue();
    Sleep(300);
    driver::DrainHostQueue();
    watch->stillOpenAfterKeys = IsWindow(box) && IsWindowVisible(box);

    // A click on the text: the pointer goes there and the button is
    // pressed, as the mouse does; the text control lets it through to the
    // box.
    RECT textRect;
    GetWindowRect(text, &textRect);
    SetCursorPos((textRect.left + textRect.right) / 2, (textRect.top + textRect.bottom) / 2);
    INPUT clicks[2] = {};
    clicks[0].type = INPUT_MOUSE;
    clicks[0].mi.dwFlags = MOUSEEVENTF_LEFTDOWN;
    clicks[1].type = INPUT_MOUSE;
    clicks[1].mi.dwFlags = MOUSEEVENTF_LEFTUP;
    SendInput(2, clicks, sizeof(INPUT));
    watch->closedByClick = driver::WaitUntilGone(box, 10);
    if (!watch->closedByClick) {
        printf("the pointer's click did not reach the box; clicking on the box itself\n");
        POINT at = {10, 10};
        PostMessageA(box, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(at.x, at.y));
        driver::WaitUntilGone(box, 10);
    }
    return 0;
}

void CheckAboutBox(PluginEntryProc entry, const DialogLanguage& language,
                   const std::string& shots) {
    const HostImage image = UniformImage(1, 1, 1, 0);
    HostSettings settings;
    settings.imageMode = plugInModeGrayScale;
    settings.planes = 1;
    HostSession session;
    OpenHostSession(&session, image, settings);

    AboutWatch watch;
    watch.language = &language;
    watch.shots = shots;
    HANDLE watcher = CreateThread(nullptr, 0, WatchAbout, &watch, 0, nullptr);
    const int16 result = CallSelector(&session, entry, filterSelectorAbout);
    driver::JoinWatcher(watcher, 60000);
    printf("About: box %s, open after Enter and Escape %d, closed by the click %d, result %d\n",
           watch.found ? "shown" : "missing", watch.stillOpenAfterKeys ? 1 : 0,
           watch.closedByClick ? 1 : 0, result);
    WIN_CHECK(watch.found);
    WIN_CHECK(watch.stillOpenAfterKeys);
    WIN_CHECK(watch.closedByClick);
    WIN_CHECK_EQ(result, noErr);
    CloseHostSession(&session);
}

}  // namespace

int main(int argc, char** argv) {
    const DialogLanguage* language = DialogLanguageArgument(argc, argv, 3);
    if (language == nullptr) return 1;
    CheckInterfaceLanguage(*language);
    LoadedPlugin plugin;
    if (!LoadPluginUnderTest(argc, argv, &plugin)) return 1;
    driver::CreateProbe();
    CheckAboutBox(plugin.entry, *language, argc > 2 ? argv[2] : "");
    UnloadFilterPlugin(&plugin);
    return FinishChecks("about box");
}
