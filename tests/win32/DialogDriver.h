// Driving a plug-in's modal dialog from a second thread of the host
// process, as a user would: find the window, read its controls, send them
// messages, and wait until the host thread has dealt with everything.
//
// The host thread runs the plug-in (and, inside Start, the dialog's modal
// loop). Everything that touches the host's records runs on that thread
// through OnHostThread, which sends a message to a hidden window of the
// host thread; the modal loop, and the host's abortProc while a preview
// render runs, dispatch it.
#pragma once

#include "testhost/HostSession.h"
#include "tests/win32/WinCheck.h"
#include "tests/win32/WindowShot.h"

#include <windows.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

namespace driver {

const UINT runMessage = WM_APP + 300;    // lParam: std::function<void()>*
const UINT tokenMessage = WM_APP + 301;  // marks that the queue got this far

inline HWND& ProbeWindow() {
    static HWND window = nullptr;
    return window;
}

inline HANDLE& TokenEvent() {
    static HANDLE event = nullptr;
    return event;
}

inline LRESULT CALLBACK ProbeProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    if (message == runMessage) {
        (*reinterpret_cast<std::function<void()>*>(lParam))();
        return 1;
    }
    if (message == tokenMessage) {
        SetEvent(TokenEvent());
        return 1;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// Made on the host thread before the plug-in is called.
inline void CreateProbe() {
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = ProbeProc;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VornTestProbe";
    RegisterClassA(&windowClass);
    ProbeWindow() = CreateWindowExA(0, "VornTestProbe", "probe", WS_POPUP, 0, 0, 1, 1, nullptr,
                                    nullptr, GetModuleHandleA(nullptr), nullptr);
    TokenEvent() = CreateEventA(nullptr, TRUE, FALSE, nullptr);
}

// Runs work on the host thread and waits for it (at most 20 s).
inline bool OnHostThread(std::function<void()> work) {
    DWORD_PTR answer = 0;
    return SendMessageTimeoutA(ProbeWindow(), runMessage, 0, reinterpret_cast<LPARAM>(&work),
                               SMTO_NORMAL, 20000, &answer) != 0;
}

// Waits until the host thread has taken every message posted before this
// call from its queue.
inline bool DrainHostQueue() {
    ResetEvent(TokenEvent());
    PostMessageA(ProbeWindow(), tokenMessage, 0, 0);
    return WaitForSingleObject(TokenEvent(), 20000) == WAIT_OBJECT_0;
}

// What the host has seen so far.
struct HostCounters {
    int32 polls = 0;
    int32 displays = 0;
    int32 advances = 0;
    bool operator==(const HostCounters& o) const {
        return polls == o.polls && displays == o.displays && advances == o.advances;
    }
};

inline HostCounters ReadCounters(HostSession* session) {
    HostCounters counters;
    OnHostThread([&] {
        counters.polls = session->abortPolls;
        counters.displays = session->displayCalls;
        counters.advances = session->advanceCalls;
    });
    return counters;
}

// Waits until the dialog has nothing left to do: every posted request
// handled, every pending paint done, and the host's counters still.
inline HostCounters Settle(HostSession* session, HWND dialog) {
    HostCounters last = ReadCounters(session);
    int stable = 0;
    for (int round = 0; round < 400 && stable < 3; ++round) {
        DrainHostQueue();
        OnHostThread(
            [&] { RedrawWindow(dialog, nullptr, nullptr, RDW_UPDATENOW | RDW_ALLCHILDREN); });
        Sleep(20);
        HostCounters now = ReadCounters(session);
        stable = now == last ? stable + 1 : 0;
        last = now;
    }
    return last;
}

struct WindowSearch {
    const wchar_t* caption;  // null: any
    HWND found;
};

inline BOOL CALLBACK FindDialogWindow(HWND window, LPARAM parameter) {
    WindowSearch* search = reinterpret_cast<WindowSearch*>(parameter);
    DWORD process = 0;
    GetWindowThreadProcessId(window, &process);
    if (process != GetCurrentProcessId() || !IsWindowVisible(window)) return TRUE;
    char className[64] = {0};
    GetClassNameA(window, className, sizeof className);
    if (strcmp(className, "#32770") != 0) return TRUE;
    if (search->caption != nullptr) {
        wchar_t caption[128] = {0};
        GetWindowTextW(window, caption, 128);
        if (wcscmp(caption, search->caption) != 0) return TRUE;
    }
    search->found = window;
    return FALSE;
}

// A visible dialog of this process (with this caption), or null after
// waiting seconds for it.
inline HWND WaitForDialog(const wchar_t* caption, DWORD seconds) {
    const DWORD start = GetTickCount();
    WindowSearch search = {caption, nullptr};
    while (GetTickCount() - start < seconds * 1000) {
        EnumWindows(FindDialogWindow, reinterpret_cast<LPARAM>(&search));
        if (search.found != nullptr) return search.found;
        Sleep(50);
    }
    return nullptr;
}

inline bool WaitUntilGone(HWND window, DWORD seconds) {
    const DWORD start = GetTickCount();
    while (IsWindow(window)) {
        if (GetTickCount() - start > seconds * 1000) return false;
        Sleep(20);
    }
    return true;
}

inline std::wstring TextOf(HWND window) {
    wchar_t text[256] = {0};
    GetWindowTextW(window, text, 256);
    return text;
}

inline std::string ClassOf(HWND window) {
    char name[64] = {0};
    GetClassNameA(window, name, sizeof name);
    return name;
}

// Printable form of a wide text, for failure messages.
inline std::string Shown(const std::wstring& text) {
    std::string shown;
    for (wchar_t c : text) {
        if (c >= 32 && c < 127) {
            shown += static_cast<char>(c);
        } else {
            char escape[16];
            snprintf(escape, sizeof escape, "\\u%04X", static_cast<unsigned>(c));
            shown += escape;
        }
    }
    return shown;
}

#define WIN_CHECK_TEXT(window, expected)                                               \
    do {                                                                               \
        const std::wstring got_ = driver::TextOf(window);                              \
        const std::wstring want_ = (expected);                                         \
        if (got_ == want_) {                                                           \
            ++Tally().passed;                                                          \
        } else {                                                                       \
            ++Tally().failed;                                                          \
            printf("FAILED %s:%d: text \"%s\", expected \"%s\"\n", __FILE__, __LINE__, \
                   driver::Shown(got_).c_str(), driver::Shown(want_).c_str());         \
        }                                                                              \
    } while (0)

// The Amount in the host's parameter block (read on the host thread).
inline int16 HostAmount(HostSession* session) {
    int16 amount = -32768;
    OnHostThread([&] {
        Handle parameters = session->record.parameters;
        if (parameters != nullptr && *parameters != nullptr) memcpy(&amount, *parameters, 2);
    });
    return amount;
}

// Waits up to `milliseconds` at a time for the watcher thread to end,
// dispatching the host thread's messages meanwhile (the watcher may wait
// on the host thread), then closes it. Nothing to do for a null handle.
inline void JoinWatcher(HANDLE watcher, DWORD milliseconds) {
    if (watcher == nullptr) return;
    while (MsgWaitForMultipleObjects(1, &watcher, FALSE, milliseconds, QS_ALLINPUT) ==
           WAIT_OBJECT_0 + 1) {
        MSG message;
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
    }
    CloseHandle(watcher);
}

// Checks that the window stands centred across the desktop, with a third
// of the free height above it.
inline void CheckCentredOnDesktop(HWND window) {
    RECT desktop, box;
    GetWindowRect(GetDesktopWindow(), &desktop);
    GetWindowRect(window, &box);
    const LONG width = box.right - box.left;
    const LONG height = box.bottom - box.top;
    WIN_CHECK_EQ(box.left, (desktop.left + desktop.right - width) / 2);
    WIN_CHECK_EQ(box.top, (desktop.top + desktop.bottom - height) / 3);
}

// What a dialog's template gave its window, seen before the plug-in's
// dialog procedure changes anything: a hook on the host thread looks at
// the first WM_INITDIALOG of a dialog window (class #32770) and keeps its
// caption and whether the window is a wide-character one. Texts reach the
// window as the template holds them only through the wide-character
// dialog functions; the ANSI ones pass them through the ANSI code page.
struct TemplateWatch {
    bool seen = false;
    bool unicode = false;
    std::wstring caption;
};

inline TemplateWatch& WatchedTemplate() {
    static TemplateWatch watch;
    return watch;
}

inline LRESULT CALLBACK WatchInitDialog(int code, WPARAM wParam, LPARAM lParam) {
    const CWPSTRUCT* call = reinterpret_cast<const CWPSTRUCT*>(lParam);
    TemplateWatch& watch = WatchedTemplate();
    if (code == HC_ACTION && call != nullptr && call->message == WM_INITDIALOG && !watch.seen) {
        char className[64] = {0};
        GetClassNameA(call->hwnd, className, sizeof className);
        if (strcmp(className, "#32770") == 0) {
            wchar_t caption[128] = {0};
            GetWindowTextW(call->hwnd, caption, 128);
            watch.caption = caption;
            watch.unicode = IsWindowUnicode(call->hwnd) != FALSE;
            watch.seen = true;
        }
    }
    return CallNextHookEx(nullptr, code, wParam, lParam);
}

// Watches the next dialog the calling thread creates.
inline HHOOK WatchNextTemplate() {
    WatchedTemplate() = TemplateWatch();
    return SetWindowsHookExW(WH_CALLWNDPROC, WatchInitDialog, nullptr, GetCurrentThreadId());
}

// The typeface of the font a window draws its text with (the dialog's
// template font for a dialog and its controls).
inline std::wstring FaceNameOf(HWND window) {
    HFONT font = reinterpret_cast<HFONT>(SendMessageW(window, WM_GETFONT, 0, 0));
    if (font == nullptr) return L"";
    LOGFONTW description = {};
    if (GetObjectW(font, sizeof description, &description) == 0) return L"";
    return description.lfFaceName;
}

}  // namespace driver
