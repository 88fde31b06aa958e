// The host version alert of the real plug-in: Start on a host record without
// advanceState shows a warning box with an empty message and ends as
// cancelled; with advanceState no box appears. A second thread finds the
// box (dialog class #32770 of this process), reads it, optionally captures
// it to a BMP file and presses OK.
//
//   win_VersionAlert [plugin.8bf] [screenshot.bmp]
#include "testhost/PluginLoader.h"
#include "tests/support/HostImages.h"
#include "tests/win32/WinCheck.h"
#include "tests/win32/WindowShot.h"

#include <windows.h>

#include <cstring>

namespace {

struct BoxWatch {
    const char* screenshotPath = nullptr;
    volatile LONG stop = 0;  // set once the Start call has returned
    bool found = false;
    char caption[256] = {0};
    char text[256] = {0};
    bool textControl = false;
    bool okButton = false;
    bool cancelButton = false;
    bool warningIcon = false;
    bool screenshotWritten = false;
};

BOOL CALLBACK FindBox(HWND window, LPARAM parameter) {
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    char className[64] = {0};
    GetClassNameA(window, className, sizeof(className));
    if (strcmp(className, "#32770") != 0) return TRUE;
    *reinterpret_cast<HWND*>(parameter) = window;
    return FALSE;
}

// A message box shows its icon through a static control holding the shared
// system icon that its style names.
BOOL CALLBACK FindWarningIcon(HWND child, LPARAM parameter) {
    HICON shown = reinterpret_cast<HICON>(SendMessageA(child, STM_GETICON, 0, 0));
    if (shown != nullptr && shown == LoadIconA(nullptr, IDI_WARNING)) {
        *reinterpret_cast<bool*>(parameter) = true;
        return FALSE;
    }
    return TRUE;
}

DWORD WINAPI WatchForBox(LPVOID parameter) {
    BoxWatch* watch = static_cast<BoxWatch*>(parameter);
    const DWORD start = GetTickCount();
    HWND box = nullptr;
    // Looks until the Start call is over (a box would hold it up), and gives
    // up after 30 s so that a box that never shows cannot hang the run.
    while (box == nullptr && InterlockedCompareExchange(&watch->stop, 0, 0) == 0 &&
           GetTickCount() - start < 30000) {
        EnumWindows(FindBox, reinterpret_cast<LPARAM>(&box));
        if (box == nullptr) Sleep(50);
    }
    if (box == nullptr) return 0;
    watch->found = true;
    Sleep(700);  // let the box paint before it is read and captured
    GetWindowTextA(box, watch->caption, sizeof(watch->caption));
    HWND text = GetDlgItem(box, 0xFFFF);  // the message text of a message box
    watch->textControl = text != nullptr;
    if (text != nullptr) GetWindowTextA(text, watch->text, sizeof(watch->text));
    HWND ok = GetDlgItem(box, IDOK);
    HWND cancel = GetDlgItem(box, IDCANCEL);
    watch->okButton = ok != nullptr && IsWindowVisible(ok);
    watch->cancelButton = cancel != nullptr && IsWindowVisible(cancel);
    EnumChildWindows(box, FindWarningIcon, reinterpret_cast<LPARAM>(&watch->warningIcon));
    if (watch->screenshotPath != nullptr) {
        watch->screenshotWritten = WriteWindowShot(box, watch->screenshotPath);
    }
    PostMessageA(box, WM_COMMAND, IDOK, 0);
    return 0;
}

// Start with a box watcher running beside it; answers Start's result.
int16 StartWatched(HostSession* session, PluginEntryProc entry, BoxWatch* watch) {
    HANDLE watcher = CreateThread(nullptr, 0, WatchForBox, watch, 0, nullptr);
    const int16 result = CallSelector(session, entry, filterSelectorStart);
    InterlockedExchange(&watch->stop, 1);
    if (watcher != nullptr) {
        WaitForSingleObject(watcher, 35000);
        CloseHandle(watcher);
    }
    return result;
}

HostImage RgbImage(int32 width, int32 height) { return UniformImage(width, height, 3, 120); }

void CheckHostWithoutAdvanceState(PluginEntryProc entry, const char* screenshotPath) {
    HostSettings settings;
    settings.filterRect = Rect{4, 6, 24, 36};
    settings.haveAdvanceState = false;
    HostSession session;
    OpenHostSession(&session, RgbImage(50, 30), settings);
    WIN_CHECK(session.record.advanceState == nullptr);

    // Prepare makes the instance first, so that Start is not the call that
    // creates the record; then the host takes the parameter block away.
    WIN_CHECK_EQ(CallSelector(&session, entry, filterSelectorPrepare), noErr);
    Handle parameters = session.record.parameters;
    WIN_CHECK(parameters != nullptr);
    session.record.parameters = nullptr;
    const Rect stale = {1, 2, 3, 4};
    session.record.inRect = stale;
    session.record.outRect = stale;
    session.record.maskRect = stale;

    BoxWatch watch;
    watch.screenshotPath = screenshotPath;
    WIN_CHECK_EQ(StartWatched(&session, entry, &watch), userCanceledErr);
    printf("box: found %d, caption \"%s\", text \"%s\"\n", watch.found ? 1 : 0, watch.caption,
           watch.text);
    WIN_CHECK(watch.found);
    WIN_CHECK(watch.textControl);
    WIN_CHECK_EQ(strlen(watch.text), 0);
    WIN_CHECK(watch.warningIcon);
    WIN_CHECK(watch.okButton);
    WIN_CHECK(!watch.cancelButton);
    WIN_CHECK(watch.caption[0] != '\0');  // the platform's default title
    if (screenshotPath != nullptr) WIN_CHECK(watch.screenshotWritten);

    const FilterRecord& r = session.record;
    WIN_CHECK(r.inRect.top == 0 && r.inRect.left == 0 && r.inRect.bottom == 0 &&
              r.inRect.right == 0);
    WIN_CHECK(r.outRect.top == 0 && r.outRect.left == 0 && r.outRect.bottom == 0 &&
              r.outRect.right == 0);
    WIN_CHECK(r.maskRect.top == 0 && r.maskRect.left == 0 && r.maskRect.bottom == 0 &&
              r.maskRect.right == 0);
    WIN_CHECK(r.parameters == nullptr);
    WIN_CHECK_EQ(session.advanceCalls, 0);
    session.record.parameters = parameters;
    CloseHostSession(&session);
}

void CheckHostWithAdvanceState(PluginEntryProc entry) {
    HostSettings settings;
    settings.filterRect = Rect{4, 6, 24, 36};
    HostSession session;
    OpenHostSession(&session, RgbImage(50, 30), settings);
    WIN_CHECK(session.record.advanceState != nullptr);
    WIN_CHECK_EQ(CallSelector(&session, entry, filterSelectorPrepare), noErr);

    BoxWatch watch;
    WIN_CHECK_EQ(StartWatched(&session, entry, &watch), noErr);
    WIN_CHECK(!watch.found);
    WIN_CHECK_EQ(session.advanceCalls, 1);
    WIN_CHECK_EQ(session.record.inRect.bottom, 24);
    WIN_CHECK_EQ(session.record.inRect.right, 36);
    CloseHostSession(&session);
}

}  // namespace

int main(int argc, char** argv) {
    LoadedPlugin plugin;
    if (!LoadPluginUnderTest(argc, argv, &plugin)) return 1;
    CheckHostWithoutAdvanceState(plugin.entry, argc > 2 ? argv[2] : nullptr);
    CheckHostWithAdvanceState(plugin.entry);
    UnloadFilterPlugin(&plugin);
    return FinishChecks("alert");
}
