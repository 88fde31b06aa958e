// The filter dialog of the real plug-in, used from a second thread as a
// user would: its caption and controls, typing Amount, the slider, the
// zoom buttons, dragging the preview, queued render requests, OK and
// Cancel in the middle of a render, Cancel and Close restoring Amount, a
// host whose image request fails, a dialog that cannot be created, and the
// labyrinth that OK leads to.
// Renders are counted by the host's abortProc polls: a filtered render of
// the whole frame polls a fixed number of times, an unfiltered one never.
//
//   win_FilterDialog PLUGIN.8bf [SHOT_FOLDER] [ja|en] [all|opening]
//
// The dialog's template texts and typeface are checked in the language
// given (default ja). "opening" runs only the first scenario's beginning:
// the dialog as it opens, its preview, OK, and the labyrinth OK leads to.
#include "resources/DialogIds.h"
#include "testhost/HostCallbacks.h"
#include "testhost/PluginLoader.h"
#include "tests/support/HostImages.h"
#include "tests/win32/DialogDriver.h"
#include "tests/win32/DialogLanguage.h"

// windows.h first: the common controls header builds on its types.
#include <windows.h>

#include <commctrl.h>

#include <cstring>

using driver::HostCounters;
using driver::OnHostThread;
using driver::Settle;

namespace {

const int32 imageWidth = 250;  // columns fit in a byte: the red sample is the column
const int32 imageHeight = 200;

// The language whose template the dialog is expected to come from.
const DialogLanguage* dialogLanguage = &JapaneseDialogs();

// What the host thread does on behalf of a scenario while a render runs.
enum RenderAction {
    actionNone,
    actionClickOk,
    actionClickCancel,
    actionClickZoomOut,
    actionType60
};

struct HostSide {
    HostSession* session = nullptr;
    HWND dialog = nullptr;   // set by the watcher once the dialog is up
    int32 actionAtPoll = 0;  // 0: none; host thread only
    RenderAction action = actionNone;
    int32 actionPoll = 0;        // the poll at which it was done
    int32 failAdvanceCalls = 0;  // the next n advanceState calls fail
    std::vector<int32> pollsAtAdvance;
};

HostSide* hostSide = nullptr;

// A host's abortProc lets the window system breathe: every pending message
// is dispatched, so the dialog stays live while the preview filters.
void PumpDuringRender(HostSession* session) {
    HostSide* side = static_cast<HostSide*>(session->hookContext);
    if (side->actionAtPoll != 0 && session->abortPolls >= side->actionAtPoll &&
        side->dialog != nullptr) {
        side->actionAtPoll = 0;
        side->actionPoll = session->abortPolls;
        if (side->action == actionType60) {
            SetDlgItemTextA(side->dialog, CONTROL_AMOUNT_EDIT, "60");
        } else {
            const int button = side->action == actionClickOk       ? IDOK
                               : side->action == actionClickCancel ? IDCANCEL
                                                                   : CONTROL_ZOOM_OUT;
            SendMessageA(GetDlgItem(side->dialog, button), BM_CLICK, 0, 0);
        }
    }
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

OSErr PI_CDECL WatchedAdvanceState() {
    hostSide->pollsAtAdvance.push_back(hostSide->session->abortPolls);
    if (hostSide->failAdvanceCalls > 0) {
        --hostSide->failAdvanceCalls;
        ++hostSide->session->advanceCalls;
        return memFullErr;
    }
    return HostAdvanceStateEntry();
}

HostSettings DialogSettings() {
    return RgbDialogSettings(RGBColor{0, 0, 0}, RGBColor{65535, 65535, 65535});
}

// How a block of RGB pixels sits on the labyrinth lattice of a pitch.
struct LatticeReport {
    int32 offLattice = 0;     // wall pixels on no lattice line and not on the border
    int32 otherColours = 0;   // neither wall nor corridor colour
    int32 latticePoints = 0;  // interior lattice points
    int32 latticeWalls = 0;   // ... that are walls
    int32 walls = 0;
};

LatticeReport ReadLattice(const uint8_t* pixels, int32 rowBytes, int32 rows, int32 cols,
                          int32 pitch) {
    LatticeReport report;
    for (int32 r = 0; r < rows; ++r) {
        for (int32 c = 0; c < cols; ++c) {
            const uint8_t* p = pixels + static_cast<size_t>(r) * rowBytes + c * 3;
            const bool wall = p[0] == 0 && p[1] == 0 && p[2] == 0;
            const bool corridor = p[0] == 255 && p[1] == 255 && p[2] == 255;
            if (!wall && !corridor) ++report.otherColours;
            if (wall) ++report.walls;
            const bool border = r == 0 || c == 0 || r == rows - 1 || c == cols - 1;
            const bool onLine = r % pitch == 0 || c % pitch == 0;
            if (wall && !onLine && !border) ++report.offLattice;
            if (!border && r % pitch == 0 && c % pitch == 0) {
                ++report.latticePoints;
                if (wall) ++report.latticeWalls;
            }
        }
    }
    return report;
}

bool IsLabyrinth(const LatticeReport& report) {
    return report.otherColours == 0 && report.offLattice == 0 && report.latticePoints > 0 &&
           report.latticeWalls * 10 >= report.latticePoints * 9;
}

void PrintLattice(const char* what, int32 pitch, const LatticeReport& r) {
    printf("%s, pitch %d: %d walls, %d/%d lattice points walls, %d off the lattice, %d other\n",
           what, pitch, r.walls, r.latticeWalls, r.latticePoints, r.offLattice, r.otherColours);
}

// The frame as last handed to displayPixels.
struct Shown {
    std::vector<uint8_t> pixels;
    int32 rowBytes = 0;
    int32 rows = 0;
    int32 cols = 0;
};

Shown LastShown(HostSession* session) {
    Shown shown;
    OnHostThread([&] {
        shown.pixels = session->lastDisplayed;
        shown.rowBytes = session->lastPixelMap.rowBytes;
        shown.rows = session->lastPixelMap.bounds.bottom - session->lastPixelMap.bounds.top;
        shown.cols = session->lastPixelMap.bounds.right - session->lastPixelMap.bounds.left;
    });
    return shown;
}

const uint8_t* ShownPixel(const Shown& shown, int32 row, int32 col) {
    return shown.pixels.data() + static_cast<size_t>(row) * shown.rowBytes + col * 3;
}

// The frame shows the unfiltered image with its top-left pixel at image
// (top, left).
bool ShowsSourceAt(const Shown& shown, int32 top, int32 left) {
    if (shown.rows <= 0 || shown.pixels.size() < static_cast<size_t>(shown.rows) * shown.rowBytes)
        return false;
    for (int32 r = 0; r < shown.rows; r += 7) {
        for (int32 c = 0; c < shown.cols; c += 7) {
            const uint8_t* p = ShownPixel(shown, r, c);
            if (p[0] != left + c || p[1] != top + r || p[2] != 77) return false;
        }
    }
    return true;
}

LatticeReport ShownLattice(const Shown& shown, int32 pitch) {
    if (shown.pixels.size() < static_cast<size_t>(shown.rows) * shown.rowBytes) return {};
    return ReadLattice(shown.pixels.data(), shown.rowBytes, shown.rows, shown.cols, pitch);
}

struct Watch {
    HostSide* side = nullptr;
    std::string shots;
    std::function<void(Watch*, HWND)> scenario;
    bool sawDialog = false;
    bool dialogEnded = false;
};

DWORD WINAPI RunWatch(LPVOID parameter) {
    Watch* watch = static_cast<Watch*>(parameter);
    HWND dialog = driver::WaitForDialog(L"Vorn 1.0.5", 60);
    watch->sawDialog = dialog != nullptr;
    if (dialog == nullptr) return 0;
    OnHostThread([&] { watch->side->dialog = dialog; });
    watch->scenario(watch, dialog);
    // Whatever the scenario did, the dialog must end; a stuck one is
    // cancelled so that the run finishes.
    watch->dialogEnded = driver::WaitUntilGone(dialog, 60);
    if (!watch->dialogEnded) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

// One run from the host's menu (Parameters, Prepare, Start with the dialog,
// Continue, Finish) with a watcher driving the dialog.
int16 RunWithDialog(HostSession* session, PluginEntryProc entry, Watch* watch) {
    HostSide* side = watch->side;
    side->session = session;
    hostSide = side;
    session->onAbortPoll = PumpDuringRender;
    session->hookContext = side;
    session->record.advanceState = WatchedAdvanceState;
    HANDLE watcher = CreateThread(nullptr, 0, RunWatch, watch, 0, nullptr);
    const int16 result = RunFilterSession(session, entry, true);
    driver::JoinWatcher(watcher, 90000);
    return result;
}

void Shot(Watch* watch, HWND dialog, const char* name) {
    if (watch->shots.empty()) return;
    WIN_CHECK(WriteWindowShot(dialog, watch->shots + "\\" + name + ".bmp"));
}

void TypeAmount(HWND dialog, const wchar_t* text) {
    SendMessageW(GetDlgItem(dialog, CONTROL_AMOUNT_EDIT), WM_SETTEXT, 0,
                 reinterpret_cast<LPARAM>(text));
}

// Types `text`, and has the host thread do `action` at the second abort
// poll of the render the typing starts.
void TypeDuringRender(HostSession* session, Watch* watch, HWND dialog, const wchar_t* text,
                      RenderAction action) {
    OnHostThread([&] {
        watch->side->action = action;
        watch->side->actionAtPoll = session->abortPolls + 2;
    });
    TypeAmount(dialog, text);
}

void Click(HWND dialog, int id) { SendMessageA(GetDlgItem(dialog, id), BM_CLICK, 0, 0); }

int32 SliderPosition(HWND dialog) {
    return static_cast<int32>(SendDlgItemMessageA(dialog, CONTROL_AMOUNT_SLIDER, TBM_GETPOS, 0, 0));
}

// ---------------------------------------------------------------------------

void CheckControls(HWND dialog) {
    WIN_CHECK_TEXT(dialog, L"Vorn 1.0.5");
    // The typeface of the language's template, whatever the ANSI code page.
    const std::wstring face = driver::FaceNameOf(dialog);
    if (face != dialogLanguage->typeface) {
        printf("dialog font is \"%s\", expected \"%s\"\n", driver::Shown(face).c_str(),
               driver::Shown(dialogLanguage->typeface).c_str());
        WIN_CHECK(false);
    }
    const struct {
        int id;
        const char* className;
        const wchar_t* text;
    } controls[] = {
        {IDOK, "Button", L"OK"},
        {IDCANCEL, "Button", dialogLanguage->cancel},
        {CONTROL_PREVIEW, "Static", L""},
        {CONTROL_OPTIONS_GROUP, "Button", dialogLanguage->options},
        {CONTROL_ZOOM_IN, "Button", L"+"},
        {CONTROL_ZOOM_OUT, "Button", L"-"},
        {CONTROL_ZOOM_LABEL, "Static", L"100%"},
        {CONTROL_AMOUNT_LABEL, "Static", L"Amount"},
        {CONTROL_AMOUNT_EDIT, "Edit", L"10"},
    };
    for (const auto& control : controls) {
        HWND window = GetDlgItem(dialog, control.id);
        WIN_CHECK(window != nullptr);
        if (window == nullptr) continue;
        const std::string className = driver::ClassOf(window);
        if (lstrcmpiA(className.c_str(), control.className) != 0) {
            printf("control %d has class %s\n", control.id, className.c_str());
            WIN_CHECK(false);
        }
        WIN_CHECK_TEXT(window, control.text);
    }
    HWND slider = GetDlgItem(dialog, CONTROL_AMOUNT_SLIDER);
    WIN_CHECK(slider != nullptr);
    WIN_CHECK(lstrcmpiA(driver::ClassOf(slider).c_str(), "msctls_trackbar32") == 0);
    WIN_CHECK_EQ(SendMessageA(slider, TBM_GETRANGEMIN, 0, 0), 1);
    WIN_CHECK_EQ(SendMessageA(slider, TBM_GETRANGEMAX, 0, 0), 99);
    WIN_CHECK_EQ(SliderPosition(dialog), 10);
    // The whole Amount text is selected for typing over.
    DWORD start = 0, end = 0;
    SendDlgItemMessageA(dialog, CONTROL_AMOUNT_EDIT, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                        reinterpret_cast<LPARAM>(&end));
    WIN_CHECK_EQ(start, 0);
    WIN_CHECK_EQ(end, 2);

    driver::CheckCentredOnDesktop(dialog);
}

// The dialog in use, from opening to OK pressed in the middle of a render.
struct UseResult {
    int32 framePolls = 0;  // polls of one filtered render of the whole frame
    int32 pollsBeforeLastRender = 0;
};

void UseDialog(Watch* watch, HWND dialog, UseResult* use) {
    HostSession* session = watch->side->session;
    HWND preview = GetDlgItem(dialog, CONTROL_PREVIEW);
    RECT client = {0, 0, 0, 0};
    GetClientRect(preview, &client);
    const int32 frameWidth = client.right;
    const int32 frameHeight = client.bottom;
    printf("preview frame %d x %d\n", frameWidth, frameHeight);
    WIN_CHECK(frameWidth > 20 && frameWidth < imageWidth);
    WIN_CHECK(frameHeight > 20 && frameHeight < imageHeight);

    // Opening: one unfiltered render, then exactly one filtered render.
    HostCounters opened = Settle(session, dialog);
    const int32 framePixels = frameWidth * frameHeight;
    const int32 framePolls = 3 * ((framePixels + 999) / 1000);  // three planes painted
    use->framePolls = framePolls;
    printf("opening: %d polls (one render: %d), %d paints, %d host requests\n", opened.polls,
           framePolls, opened.displays, opened.advances);
    WIN_CHECK_EQ(opened.polls, framePolls);
    WIN_CHECK(opened.displays >= 1);
    WIN_CHECK_EQ(opened.advances, 1);  // the whole image, once
    CheckControls(dialog);
    Shown shown = LastShown(session);
    WIN_CHECK_EQ(shown.rows, frameHeight);
    WIN_CHECK_EQ(shown.cols, frameWidth);
    LatticeReport lattice = ShownLattice(shown, 11);
    PrintLattice("preview at Amount 10", 11, lattice);
    WIN_CHECK(IsLabyrinth(lattice));
    Shot(watch, dialog, "dialog-open");

    // The cursor over the preview is the four-way move cursor.
    HCURSOR cursor = nullptr;
    OnHostThread([&] {
        SendMessageA(preview, WM_SETCURSOR, reinterpret_cast<WPARAM>(preview),
                     MAKELPARAM(HTCLIENT, WM_MOUSEMOVE));
        cursor = GetCursor();
    });
    WIN_CHECK(cursor == LoadCursorA(nullptr, IDC_SIZEALL));

    // Typing 25: Amount 25, the slider follows, one filtered render.
    HostCounters before = Settle(session, dialog);
    TypeAmount(dialog, L"25");
    HostCounters after = Settle(session, dialog);
    WIN_CHECK_EQ(driver::HostAmount(session), 25);
    WIN_CHECK_EQ(SliderPosition(dialog), 25);
    WIN_CHECK_EQ(after.polls - before.polls, framePolls);
    lattice = ShownLattice(LastShown(session), 26);
    PrintLattice("preview at Amount 25", 26, lattice);
    WIN_CHECK(IsLabyrinth(lattice));
    Shot(watch, dialog, "dialog-amount25");

    // Text that is no value in range, and the value in effect: nothing.
    const wchar_t* ignored[] = {L"abc", L"0", L"100", L"", L"-7", L"25"};
    for (const wchar_t* text : ignored) {
        before = Settle(session, dialog);
        TypeAmount(dialog, text);
        after = Settle(session, dialog);
        if (driver::HostAmount(session) != 25 || after.polls != before.polls) {
            printf("typing \"%s\" changed something\n", driver::Shown(text).c_str());
        }
        WIN_CHECK_EQ(driver::HostAmount(session), 25);
        WIN_CHECK_EQ(SliderPosition(dialog), 25);
        WIN_CHECK_EQ(after.polls, before.polls);
        WIN_CHECK_TEXT(GetDlgItem(dialog, CONTROL_AMOUNT_EDIT), text);  // left as typed
    }
    // Digits followed by letters count up to the letters.
    before = Settle(session, dialog);
    TypeAmount(dialog, L"12ab");
    after = Settle(session, dialog);
    WIN_CHECK_EQ(driver::HostAmount(session), 12);
    WIN_CHECK_EQ(SliderPosition(dialog), 12);
    WIN_CHECK_EQ(after.polls - before.polls, framePolls);

    // The slider, moved with the keyboard from 56 to 57: 57 in the edit box
    // with the caret after it, Amount 57, one filtered render.
    HWND slider = GetDlgItem(dialog, CONTROL_AMOUNT_SLIDER);
    SendMessageA(slider, TBM_SETPOS, TRUE, 56);
    before = Settle(session, dialog);
    WIN_CHECK_EQ(driver::HostAmount(session), 12);  // setting the position tells nobody
    SendMessageA(slider, WM_KEYDOWN, VK_RIGHT, 0);
    SendMessageA(slider, WM_KEYUP, VK_RIGHT, 0xC0000001);
    after = Settle(session, dialog);
    WIN_CHECK_EQ(SliderPosition(dialog), 57);
    WIN_CHECK_TEXT(GetDlgItem(dialog, CONTROL_AMOUNT_EDIT), L"57");
    DWORD start = 0, end = 0;
    SendDlgItemMessageA(dialog, CONTROL_AMOUNT_EDIT, EM_GETSEL, reinterpret_cast<WPARAM>(&start),
                        reinterpret_cast<LPARAM>(&end));
    WIN_CHECK_EQ(start, 2);
    WIN_CHECK_EQ(end, 2);
    WIN_CHECK_EQ(driver::HostAmount(session), 57);
    WIN_CHECK_EQ(after.polls - before.polls, framePolls);
    // A scroll notification at an unchanged position does nothing.
    before = after;
    SendMessageA(dialog, WM_HSCROLL, TB_ENDTRACK, reinterpret_cast<LPARAM>(slider));
    after = Settle(session, dialog);
    WIN_CHECK_EQ(after.polls, before.polls);
    WIN_CHECK_EQ(driver::HostAmount(session), 57);

    // Zoom: "-" shows 50% and 33%, "+" goes back and on to 1200% and no
    // further.
    HWND label = GetDlgItem(dialog, CONTROL_ZOOM_LABEL);
    before = Settle(session, dialog);
    Click(dialog, CONTROL_ZOOM_OUT);
    after = Settle(session, dialog);
    WIN_CHECK_TEXT(label, L"50%");
    WIN_CHECK(after.polls > before.polls);
    Click(dialog, CONTROL_ZOOM_OUT);
    Settle(session, dialog);
    WIN_CHECK_TEXT(label, L"33%");
    Shot(watch, dialog, "dialog-zoom33");
    Click(dialog, CONTROL_ZOOM_IN);
    Click(dialog, CONTROL_ZOOM_IN);
    Settle(session, dialog);
    WIN_CHECK_TEXT(label, L"100%");
    const wchar_t* zoomIn[] = {L"200%", L"300%", L"400%",  L"500%",  L"600%", L"700%",
                               L"800%", L"900%", L"1000%", L"1100%", L"1200%"};
    for (const wchar_t* expected : zoomIn) {
        Click(dialog, CONTROL_ZOOM_IN);
        Settle(session, dialog);
        WIN_CHECK_TEXT(label, expected);
    }
    Shot(watch, dialog, "dialog-zoom1200");
    before = Settle(session, dialog);
    Click(dialog, CONTROL_ZOOM_IN);
    after = Settle(session, dialog);
    WIN_CHECK_TEXT(label, L"1200%");
    WIN_CHECK(after == before);  // neither a render nor a paint
    for (int step = 0; step < 11; ++step) Click(dialog, CONTROL_ZOOM_OUT);
    Settle(session, dialog);
    WIN_CHECK_TEXT(label, L"100%");

    // Five queued requests for the labyrinth give one render.
    before = Settle(session, dialog);
    OnHostThread([&] {
        for (int i = 0; i < 5; ++i) PostMessageA(dialog, 0x8064, 0, 0);
    });
    after = Settle(session, dialog);
    WIN_CHECK_EQ(after.polls - before.polls, framePolls);

    // A zoom step while a filtered render runs: the label changes at once,
    // the render completes, then the view is rendered anew at 50%, once
    // unfiltered and once filtered.
    const int32 halfRows = 2 * frameHeight < imageHeight ? 2 * frameHeight : imageHeight;
    const int32 halfCols = 2 * frameWidth < imageWidth ? 2 * frameWidth : imageWidth;
    const int32 halfPolls = 3 * ((halfRows * halfCols + 999) / 1000);
    before = Settle(session, dialog);
    TypeDuringRender(session, watch, dialog, L"50", actionClickZoomOut);
    after = Settle(session, dialog);
    WIN_CHECK_EQ(watch->side->actionPoll, before.polls + 2);
    WIN_CHECK_TEXT(label, L"50%");
    WIN_CHECK_EQ(after.polls - before.polls, framePolls + halfPolls);
    Click(dialog, CONTROL_ZOOM_IN);
    Settle(session, dialog);
    WIN_CHECK_TEXT(label, L"100%");

    // Amount changed while a filtered render runs: one more filtered render
    // follows it, with the new Amount.
    before = Settle(session, dialog);
    TypeDuringRender(session, watch, dialog, L"57", actionType60);
    after = Settle(session, dialog);
    WIN_CHECK_EQ(watch->side->actionPoll, before.polls + 2);
    WIN_CHECK_EQ(driver::HostAmount(session), 60);
    WIN_CHECK_EQ(after.polls - before.polls, 2 * framePolls);
    lattice = ShownLattice(LastShown(session), 61);
    WIN_CHECK(IsLabyrinth(lattice));
    TypeAmount(dialog, L"57");
    Settle(session, dialog);

    // Dragging the preview: the image follows the pointer (the pan moves
    // against the mouse), unfiltered while the button is down; the release
    // brings the labyrinth back with one render.
    const int32 panRow = imageHeight / 2;
    const int32 panColumn = imageWidth / 2;
    before = Settle(session, dialog);
    PostMessageA(preview, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 40));
    PostMessageA(preview, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(50, 40));
    after = Settle(session, dialog);
    WIN_CHECK_EQ(after.polls, before.polls);
    WIN_CHECK(after.displays > before.displays);
    shown = LastShown(session);
    WIN_CHECK(ShowsSourceAt(shown, panRow - frameHeight / 2, panColumn - 10 - frameWidth / 2));
    PostMessageA(preview, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(45, 50));
    after = Settle(session, dialog);
    WIN_CHECK_EQ(after.polls, before.polls);
    shown = LastShown(session);
    WIN_CHECK(ShowsSourceAt(shown, panRow - 10 - frameHeight / 2, panColumn - 5 - frameWidth / 2));
    Shot(watch, dialog, "dialog-drag");
    // Far to the right: the view stops at the image's left edge.
    PostMessageA(preview, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(-300 & 0xFFFF, 50));
    PostMessageA(preview, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(400, 50));
    after = Settle(session, dialog);
    WIN_CHECK_EQ(after.polls, before.polls);
    WIN_CHECK(ShowsSourceAt(LastShown(session), panRow - 10 - frameHeight / 2, 0));
    before = after;
    PostMessageA(preview, WM_LBUTTONUP, 0, MAKELPARAM(400, 50));
    after = Settle(session, dialog);
    WIN_CHECK_EQ(after.polls - before.polls, framePolls);
    lattice = ShownLattice(LastShown(session), 58);
    PrintLattice("preview after the drag, Amount 57", 58, lattice);
    WIN_CHECK(IsLabyrinth(lattice));
    // The mouse moving without the button pans nothing.
    before = after;
    PostMessageA(preview, WM_MOUSEMOVE, 0, MAKELPARAM(10, 10));
    after = Settle(session, dialog);
    WIN_CHECK(after == before);

    // A press and release without a move asks for the labyrinth once, and
    // later requests are not lost.
    before = Settle(session, dialog);
    PostMessageA(preview, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(30, 30));
    PostMessageA(preview, WM_LBUTTONUP, 0, MAKELPARAM(30, 30));
    after = Settle(session, dialog);
    WIN_CHECK_EQ(after.polls - before.polls, framePolls);
    before = after;
    TypeAmount(dialog, L"40");
    after = Settle(session, dialog);
    WIN_CHECK_EQ(driver::HostAmount(session), 40);
    WIN_CHECK_EQ(after.polls - before.polls, framePolls);

    // Another window taking the mouse in the middle of a drag ends it.
    before = Settle(session, dialog);
    PostMessageA(preview, WM_LBUTTONDOWN, MK_LBUTTON, MAKELPARAM(40, 40));
    PostMessageA(preview, WM_MOUSEMOVE, MK_LBUTTON, MAKELPARAM(44, 40));
    Settle(session, dialog);
    OnHostThread([&] { SetCapture(driver::ProbeWindow()); });
    after = Settle(session, dialog);
    WIN_CHECK_EQ(after.polls - before.polls, framePolls);
    OnHostThread([&] { ReleaseCapture(); });
    before = Settle(session, dialog);
    PostMessageA(preview, WM_MOUSEMOVE, 0, MAKELPARAM(80, 80));
    after = Settle(session, dialog);
    WIN_CHECK(after == before);

    // OK while a filtered render runs: the render completes, then the
    // dialog ends with Amount 31.
    before = Settle(session, dialog);
    use->pollsBeforeLastRender = before.polls;
    TypeDuringRender(session, watch, dialog, L"31", actionClickOk);
}

// The template's caption ("ﾀﾞｲｱﾛｸﾞ" in Japanese) reached the window as
// written, before the dialog replaced it.
void CheckTemplateCaption() {
    const driver::TemplateWatch& created = driver::WatchedTemplate();
    WIN_CHECK(created.seen);
    WIN_CHECK(created.unicode);
    if (created.caption != dialogLanguage->caption) {
        printf("template caption read back as \"%s\", expected \"%s\"\n",
               driver::Shown(created.caption).c_str(),
               driver::Shown(dialogLanguage->caption).c_str());
        WIN_CHECK(false);
    }
}

// The dialog as it opens (controls, texts, the labyrinth in the preview),
// then OK: the filter runs over the whole image with Amount 10.
void CheckDialogOpening(PluginEntryProc entry, const std::string& shots) {
    HostSession session;
    OpenHostSession(&session, GradientImage(imageWidth, imageHeight), DialogSettings());
    HostSide side;
    Watch watch;
    watch.side = &side;
    watch.shots = shots;
    watch.scenario = [&](Watch* w, HWND dialog) {
        Settle(w->side->session, dialog);
        CheckControls(dialog);
        const LatticeReport lattice = ShownLattice(LastShown(w->side->session), 11);
        PrintLattice("preview at Amount 10", 11, lattice);
        WIN_CHECK(IsLabyrinth(lattice));
        Shot(w, dialog, "dialog-open");
        Click(dialog, IDOK);
    };
    HHOOK templateHook = driver::WatchNextTemplate();
    WIN_CHECK(templateHook != nullptr);
    const int16 result = RunWithDialog(&session, entry, &watch);
    if (templateHook != nullptr) UnhookWindowsHookEx(templateHook);
    printf("dialog opened and confirmed: result %d, Amount %d\n", result,
           driver::HostAmount(&session));
    CheckTemplateCaption();
    WIN_CHECK(watch.sawDialog);
    WIN_CHECK(watch.dialogEnded);
    WIN_CHECK_EQ(result, noErr);
    const HostImage& out = session.result;
    const LatticeReport lattice =
        ReadLattice(out.samples.data(), out.width * 3, out.height, out.width, 11);
    PrintLattice("image after OK, Amount 10", 11, lattice);
    WIN_CHECK(IsLabyrinth(lattice));
    CloseHostSession(&session);
}

void CheckDialogInUse(PluginEntryProc entry, const std::string& shots) {
    HostSession session;
    OpenHostSession(&session, GradientImage(imageWidth, imageHeight), DialogSettings());
    HostSide side;
    UseResult use;
    Watch watch;
    watch.side = &side;
    watch.shots = shots;
    watch.scenario = [&](Watch* w, HWND dialog) { UseDialog(w, dialog, &use); };
    HHOOK templateHook = driver::WatchNextTemplate();
    WIN_CHECK(templateHook != nullptr);
    const int16 result = RunWithDialog(&session, entry, &watch);
    if (templateHook != nullptr) UnhookWindowsHookEx(templateHook);
    printf("dialog in use: result %d, Amount %d\n", result, driver::HostAmount(&session));
    CheckTemplateCaption();
    WIN_CHECK(watch.sawDialog);
    WIN_CHECK(watch.dialogEnded);
    WIN_CHECK_EQ(result, noErr);
    // OK came in the middle of the render (its second poll) and waited for it.
    WIN_CHECK_EQ(side.actionPoll, use.pollsBeforeLastRender + 2);
    WIN_CHECK(side.pollsAtAdvance.size() >= 2);
    if (side.pollsAtAdvance.size() >= 2) {
        WIN_CHECK_EQ(side.pollsAtAdvance[1] - use.pollsBeforeLastRender, use.framePolls);
    }
    Handle parameters = session.record.parameters;
    int16 amount = 0;
    if (parameters != nullptr) memcpy(&amount, *parameters, 2);
    WIN_CHECK_EQ(amount, 31);
    // The filter ran over the whole image with the chosen Amount.
    const HostImage& out = session.result;
    LatticeReport lattice =
        ReadLattice(out.samples.data(), out.width * 3, out.height, out.width, 32);
    PrintLattice("image after OK, Amount 31", 32, lattice);
    WIN_CHECK(IsLabyrinth(lattice));
    WIN_CHECK_EQ(session.scriptRecorded.size(), 1);
    if (!session.scriptRecorded.empty()) WIN_CHECK_EQ(session.scriptRecorded[0].value, 31);
    CloseHostSession(&session);
}

// Changes, then Cancel pressed while a render runs: the render completes,
// the dialog ends cancelled and Amount is what it was.
void CheckCancelDuringRender(PluginEntryProc entry) {
    HostSession session;
    OpenHostSession(&session, GradientImage(imageWidth, imageHeight), DialogSettings());
    session.record.parameters = HostParametersHandle(10);
    HostSide side;
    int32 pollsBefore = 0;
    Watch watch;
    watch.side = &side;
    watch.scenario = [&](Watch*, HWND dialog) {
        // The dialog before this one ended with OK in the middle of a
        // render; this one opens as usual, with one filtered render.
        RECT client = {0, 0, 0, 0};
        GetClientRect(GetDlgItem(dialog, CONTROL_PREVIEW), &client);
        const int32 framePolls = 3 * ((client.right * client.bottom + 999) / 1000);
        WIN_CHECK_EQ(Settle(&session, dialog).polls, framePolls);
        TypeAmount(dialog, L"44");
        Click(dialog, CONTROL_ZOOM_OUT);
        Settle(&session, dialog);
        Click(dialog, CONTROL_ZOOM_IN);
        SendMessageA(GetDlgItem(dialog, CONTROL_AMOUNT_SLIDER), WM_KEYDOWN, VK_RIGHT, 0);
        HostCounters settled = Settle(&session, dialog);
        WIN_CHECK_EQ(driver::HostAmount(&session), 45);
        pollsBefore = settled.polls;
        OnHostThread([&] {
            side.action = actionClickCancel;
            side.actionAtPoll = session.abortPolls + 1;
        });
        TypeAmount(dialog, L"60");
    };
    const int16 result = RunWithDialog(&session, entry, &watch);
    WIN_CHECK(watch.sawDialog);
    WIN_CHECK(watch.dialogEnded);
    WIN_CHECK_EQ(result, userCanceledErr);
    WIN_CHECK_EQ(side.actionPoll, pollsBefore + 1);
    WIN_CHECK(session.abortPolls > pollsBefore + 1);  // the render went on after the click
    int16 amount = 0;
    memcpy(&amount, *session.record.parameters, 2);
    WIN_CHECK_EQ(amount, 10);
    WIN_CHECK_EQ(session.advanceCalls, 1);  // the preview's request alone
    WIN_CHECK(session.result.samples == session.source.samples);
    CloseHostSession(&session);
}

// A stored Amount outside 1..99 shows as the nearer bound and is written
// back at once; closing the dialog puts the stored value back.
void CheckStoredAmountOutOfRange(PluginEntryProc entry, int16 stored, int32 shown,
                                 bool withEscape) {
    HostSession session;
    OpenHostSession(&session, GradientImage(imageWidth, imageHeight), DialogSettings());
    session.record.parameters = HostParametersHandle(stored);
    HostSide side;
    Watch watch;
    watch.side = &side;
    watch.scenario = [&](Watch*, HWND dialog) {
        Settle(&session, dialog);
        WIN_CHECK_EQ(SliderPosition(dialog), shown);
        WIN_CHECK_TEXT(GetDlgItem(dialog, CONTROL_AMOUNT_EDIT), std::to_wstring(shown));
        WIN_CHECK_EQ(driver::HostAmount(&session), shown);
        if (withEscape) {
            // As typed on the keyboard, in the edit box.
            HWND edit = GetDlgItem(dialog, CONTROL_AMOUNT_EDIT);
            PostMessageA(edit, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
            PostMessageA(edit, WM_KEYUP, VK_ESCAPE, 0xC0010001);
        } else {
            PostMessageA(dialog, WM_CLOSE, 0, 0);
        }
    };
    const int16 result = RunWithDialog(&session, entry, &watch);
    printf("stored Amount %d: shown %d, result %d\n", stored, shown, result);
    WIN_CHECK(watch.sawDialog);
    WIN_CHECK(watch.dialogEnded);
    WIN_CHECK_EQ(result, userCanceledErr);
    int16 amount = 0;
    memcpy(&amount, *session.record.parameters, 2);
    WIN_CHECK_EQ(amount, stored);
    CloseHostSession(&session);
}

// The host cannot deliver the image while the dialog is up: the preview
// stays empty (no filtering), OK still works, and the filter then runs on
// what the host delivers for Start.
void CheckFailedImageRequest(PluginEntryProc entry, const std::string& shots) {
    HostSession session;
    OpenHostSession(&session, GradientImage(imageWidth, imageHeight), DialogSettings());
    HostSide side;
    side.failAdvanceCalls = 1;
    Watch watch;
    watch.side = &side;
    watch.shots = shots;
    watch.scenario = [&](Watch* w, HWND dialog) {
        HostCounters settled = Settle(&session, dialog);
        WIN_CHECK_EQ(settled.polls, 0);
        TypeAmount(dialog, L"20");
        Click(dialog, CONTROL_ZOOM_IN);
        settled = Settle(&session, dialog);
        WIN_CHECK_EQ(settled.polls, 0);
        WIN_CHECK_EQ(driver::HostAmount(&session), 20);
        Shot(w, dialog, "dialog-no-image");
        Click(dialog, IDOK);
    };
    const int16 result = RunWithDialog(&session, entry, &watch);
    WIN_CHECK(watch.sawDialog);
    WIN_CHECK(watch.dialogEnded);
    WIN_CHECK_EQ(result, noErr);
    LatticeReport lattice =
        ReadLattice(session.result.samples.data(), imageWidth * 3, imageHeight, imageWidth, 21);
    PrintLattice("image after OK without preview image", 21, lattice);
    WIN_CHECK(IsLabyrinth(lattice));
    CloseHostSession(&session);
}

// A round selection, seen at 100% and at 50%: the labyrinth fills the
// selection and follows its outline, the image shows around it; OK
// filters the selection alone. Once with copies of the image, once with
// the host's own rows handed over (as the command-line hosts do).
void CheckSelectionPreview(PluginEntryProc entry, const std::string& shots, bool inPlace) {
    HostImage image = GradientImage(imageWidth, imageHeight);
    const int32 centreX = 125, centreY = 100, radius = 45;
    image.mask.assign(static_cast<size_t>(imageWidth) * imageHeight, 0);
    for (int32 y = 0; y < imageHeight; ++y) {
        for (int32 x = 0; x < imageWidth; ++x) {
            const int32 dx = x - centreX, dy = y - centreY;
            if (dx * dx + dy * dy <= radius * radius) image.mask[y * imageWidth + x] = 255;
        }
    }
    HostSettings settings = DialogSettings();
    settings.filterRect =
        Rect{centreY - radius, centreX - radius, centreY + radius + 1, centreX + radius + 1};
    settings.deliverInPlace = inPlace;
    const std::string suffix = inPlace ? "-in-place" : "";
    HostSession session;
    OpenHostSession(&session, image, settings);
    HostSide side;
    Watch watch;
    watch.side = &side;
    watch.shots = shots;
    watch.scenario = [&](Watch* w, HWND dialog) {
        Settle(&session, dialog);
        Shot(w, dialog, ("dialog-selection" + suffix).c_str());
        Click(dialog, CONTROL_ZOOM_OUT);
        Settle(&session, dialog);
        WIN_CHECK_TEXT(GetDlgItem(dialog, CONTROL_ZOOM_LABEL), L"50%");
        const Shown shown = LastShown(&session);
        int32 labyrinth = 0, picture = 0, pictureInside = 0;
        for (int32 r = 0; r < shown.rows; ++r) {
            for (int32 c = 0; c < shown.cols; ++c) {
                // The preview mixes the labyrinth in through the selection
                // byte with truncation, so full white may show as 254.
                const uint8_t* p = ShownPixel(shown, r, c);
                if ((p[0] <= 1 && p[1] <= 1 && p[2] <= 1) ||
                    (p[0] >= 254 && p[1] >= 254 && p[2] >= 254)) {
                    ++labyrinth;
                } else {
                    ++picture;
                    if (p[2] != 77 || p[0] >= imageWidth || p[1] >= imageHeight ||
                        image.mask[p[1] * imageWidth + p[0]] != 0)
                        ++pictureInside;
                }
            }
        }
        printf("selection at 50%%%s: %d labyrinth pixels, %d picture pixels, %d of them inside\n",
               suffix.c_str(), labyrinth, picture, pictureInside);
        WIN_CHECK(labyrinth > shown.rows * shown.cols / 10);
        WIN_CHECK(picture > shown.rows * shown.cols / 4);
        WIN_CHECK_EQ(pictureInside, 0);
        Shot(w, dialog, ("dialog-selection-50" + suffix).c_str());
        Click(dialog, IDOK);
    };
    const int16 result = RunWithDialog(&session, entry, &watch);
    WIN_CHECK(watch.sawDialog);
    WIN_CHECK_EQ(result, noErr);
    int32 changedOutside = 0, otherInside = 0;
    for (size_t i = 0; i < image.mask.size(); ++i) {
        const uint8_t* before = &session.source.samples[i * 3];
        const uint8_t* after = &session.result.samples[i * 3];
        if (image.mask[i] == 0) {
            if (memcmp(before, after, 3) != 0) ++changedOutside;
        } else {
            const bool wall = after[0] == 0 && after[1] == 0 && after[2] == 0;
            const bool corridor = after[0] == 255 && after[1] == 255 && after[2] == 255;
            if (!wall && !corridor) ++otherInside;
        }
    }
    WIN_CHECK_EQ(changedOutside, 0);
    WIN_CHECK_EQ(otherInside, 0);
    printf("selection%s: the host copied %zu input and %zu output bytes\n", suffix.c_str(),
           session.inBuffer.size(), session.outBuffer.size());
    CloseHostSession(&session);
}

// A dialog that cannot be created (here: its owner window is gone): Start
// ends with errPlugInHostInsufficient before asking the host for anything,
// instead of filtering with a request the dialog never made.
DWORD WINAPI CloseStrayDialog(LPVOID parameter) {
    HWND dialog = driver::WaitForDialog(nullptr, 5);
    *static_cast<bool*>(parameter) = dialog != nullptr;
    if (dialog != nullptr) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

void CheckDialogCannotBeCreated(PluginEntryProc entry) {
    HWND gone = CreateWindowExA(0, "STATIC", "gone", WS_POPUP, 0, 0, 10, 10, nullptr, nullptr,
                                GetModuleHandleA(nullptr), nullptr);
    DestroyWindow(gone);
    HostSettings settings = DialogSettings();
    settings.parentWindow = reinterpret_cast<intptr_t>(gone);
    HostSession session;
    OpenHostSession(&session, GradientImage(imageWidth, imageHeight), settings);
    WIN_CHECK_EQ(CallSelector(&session, entry, filterSelectorParameters), noErr);
    session.record.inRect = Rect{1, 2, 3, 4};
    bool dialogShown = false;
    HANDLE watcher = CreateThread(nullptr, 0, CloseStrayDialog, &dialogShown, 0, nullptr);
    const int16 result = CallSelector(&session, entry, filterSelectorStart);
    if (watcher != nullptr) {
        WaitForSingleObject(watcher, 10000);
        CloseHandle(watcher);
    }
    printf("dialog without a window to own it: Start answers %d\n", result);
    WIN_CHECK(!dialogShown);
    WIN_CHECK_EQ(result, errPlugInHostInsufficient);
    WIN_CHECK_EQ(session.advanceCalls, 0);
    const Rect& r = session.record.inRect;
    WIN_CHECK(r.top == 0 && r.left == 0 && r.bottom == 0 && r.right == 0);
    CloseHostSession(&session);
}

}  // namespace

int main(int argc, char** argv) {
    const std::string shots = argc > 2 ? argv[2] : "";
    dialogLanguage = DialogLanguageArgument(argc, argv, 3);
    if (dialogLanguage == nullptr) return 1;
    const std::string mode = argc > 4 ? argv[4] : "all";
    if (mode != "all" && mode != "opening") {
        printf("FAILED: unknown mode \"%s\" (all or opening)\n", mode.c_str());
        return 1;
    }
    CheckInterfaceLanguage(*dialogLanguage);
    LoadedPlugin plugin;
    if (!LoadPluginUnderTest(argc, argv, &plugin)) return 1;
    // The host registers the slider class the dialog uses.
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    WIN_CHECK(InitCommonControlsEx(&controls));
    driver::CreateProbe();
    if (mode == "opening") {
        CheckDialogOpening(plugin.entry, shots);
        UnloadFilterPlugin(&plugin);
        return FinishChecks("filter dialog opening");
    }
    CheckDialogInUse(plugin.entry, shots);
    CheckCancelDuringRender(plugin.entry);
    CheckStoredAmountOutOfRange(plugin.entry, 0, 1, false);
    CheckStoredAmountOutOfRange(plugin.entry, 150, 99, true);
    CheckFailedImageRequest(plugin.entry, shots);
    CheckSelectionPreview(plugin.entry, shots, false);
    CheckSelectionPreview(plugin.entry, shots, true);
    CheckDialogCannotBeCreated(plugin.entry);
    UnloadFilterPlugin(&plugin);
    return FinishChecks("filter dialog");
}
