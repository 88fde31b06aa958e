// The real plug-in under the host profiles whose conventions meet the
// dialog: each run comes from the host's menu, a watcher thread types an
// Amount and confirms, and the image must be the labyrinth of that Amount
// in the host's colours (white walls on black).
//   no-descriptors  twice in one session: the dialog comes up both times
//                   and shows the default Amount (nothing was kept)
//   colour-bytes    the preview and the image in the host's 8-bit colours
//   quiet-abort     abortProc dispatches nothing; an OK posted during a
//                   render is handled once the render is over
//   no-display      the dialog works without displayPixels
//
//   win_HostProfiles PLUGIN.8bf
#include "testhost/HostProfiles.h"
#include "resources/DialogIds.h"
#include "testhost/HostCallbacks.h"
#include "testhost/PluginLoader.h"
#include "tests/support/HostImages.h"
#include "tests/win32/DialogDriver.h"

// windows.h first: the common controls header builds on its types.
#include <windows.h>

#include <commctrl.h>

#include <cstdio>
#include <cstring>

using driver::OnHostThread;
using driver::Settle;

namespace {

const int32 imageWidth = 120;
const int32 imageHeight = 90;
const int32 chosenAmount = 7;

struct HostSide {
    HostSession* session = nullptr;
    HWND dialog = nullptr;  // host thread only
    bool pumps = true;      // the profile's abortProc dispatches messages
    bool postOkAtPoll = false;
    int32 okPostedAtPoll = 0;
};

HostSide* hostSide = nullptr;

void AbortPoll(HostSession* session) {
    HostSide* side = hostSide;
    if (side->postOkAtPoll && side->dialog != nullptr && side->okPostedAtPoll == 0) {
        side->okPostedAtPoll = session->abortPolls;
        PostMessageA(side->dialog, WM_COMMAND, IDOK, 0);
    }
    if (!session->settings.abortPumpsMessages) return;
    MSG message;
    while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
}

HostImage GrayRampImage() {
    HostImage image = UniformImage(imageWidth, imageHeight, 3, 0);
    for (size_t i = 0; i < image.samples.size(); ++i) image.samples[i] = uint8_t(60 + i % 7);
    return image;
}

HostSettings ProfileSettings(const char* profile) {
    HostSettings settings = RgbDialogSettings(RGBColor{65535, 65535, 65535}, RGBColor{0, 0, 0});
    std::string error;
    if (!ApplyHostProfiles(profile, &settings, &error)) printf("FAILED: %s\n", error.c_str());
    return settings;
}

// Every pixel white or black, black off the lattice lines of the pitch
// and the border, and some white inside.
void CheckLabyrinth(const char* what, const HostImage& image, int32 pitch) {
    int32 otherColours = 0, offLattice = 0, interiorWalls = 0;
    for (int32 y = 0; y < image.height; ++y) {
        for (int32 x = 0; x < image.width; ++x) {
            const uint8_t* p = &image.samples[(static_cast<size_t>(y) * image.width + x) * 3];
            const bool white = p[0] == 255 && p[1] == 255 && p[2] == 255;
            const bool black = p[0] == 0 && p[1] == 0 && p[2] == 0;
            if (!white && !black) ++otherColours;
            const bool border = x == 0 || y == 0 || x == image.width - 1 || y == image.height - 1;
            if (white && !border) {
                ++interiorWalls;
                if (x % pitch != 0 && y % pitch != 0) ++offLattice;
            }
            if (border && !white) ++otherColours;
        }
    }
    printf("%s: %d interior wall pixels, %d off the lattice of pitch %d, %d in other colours\n",
           what, interiorWalls, offLattice, pitch, otherColours);
    WIN_CHECK_EQ(otherColours, 0);
    WIN_CHECK_EQ(offLattice, 0);
    WIN_CHECK(interiorWalls > 0);
}

struct Watch {
    HostSide* side = nullptr;
    bool sawDialog = false;
    bool ended = false;
    std::wstring amountShown;
    std::vector<uint8_t> shown;  // the last preview pixels handed to displayPixels
    int32 shownRowBytes = 0, shownRows = 0, shownCols = 0;
    int32 displays = 0;
};

DWORD WINAPI RunWatch(LPVOID parameter) {
    Watch* watch = static_cast<Watch*>(parameter);
    HWND dialog = driver::WaitForDialog(L"Vorn 1.0.5", 60);
    watch->sawDialog = dialog != nullptr;
    if (dialog == nullptr) return 0;
    HostSession* session = watch->side->session;
    Settle(session, dialog);
    watch->amountShown = driver::TextOf(GetDlgItem(dialog, CONTROL_AMOUNT_EDIT));
    wchar_t amount[8];
    swprintf(amount, 8, L"%d", chosenAmount);
    OnHostThread([&] { watch->side->dialog = dialog; });
    OnHostThread([&] {
        SendMessageW(GetDlgItem(dialog, CONTROL_AMOUNT_EDIT), WM_SETTEXT, 0,
                     reinterpret_cast<LPARAM>(amount));
    });
    if (!watch->side->postOkAtPoll) {
        Settle(session, dialog);
        OnHostThread([&] {
            watch->shown = session->lastDisplayed;
            watch->shownRowBytes = session->lastPixelMap.rowBytes;
            watch->shownRows =
                session->lastPixelMap.bounds.bottom - session->lastPixelMap.bounds.top;
            watch->shownCols =
                session->lastPixelMap.bounds.right - session->lastPixelMap.bounds.left;
            watch->displays = session->displayCalls;
        });
        OnHostThread([&] { SendMessageA(GetDlgItem(dialog, IDOK), BM_CLICK, 0, 0); });
    }
    watch->ended = driver::WaitUntilGone(dialog, 60);
    if (!watch->ended) PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    return 0;
}

int16 RunFromMenu(HostSession* session, PluginEntryProc entry, Watch* watch) {
    watch->side->session = session;
    watch->side->dialog = nullptr;
    hostSide = watch->side;
    session->onAbortPoll = AbortPoll;
    HANDLE watcher = CreateThread(nullptr, 0, RunWatch, watch, 0, nullptr);
    const int16 result = RunFilterSession(session, entry, true);
    if (watcher != nullptr) {
        while (MsgWaitForMultipleObjects(1, &watcher, FALSE, 90000, QS_ALLINPUT) ==
               WAIT_OBJECT_0 + 1) {
            MSG message;
            while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) DispatchMessageA(&message);
        }
        CloseHandle(watcher);
    }
    return result;
}

// The filtered preview: the frame's pixels inside the image are the
// host's white and black, and both are there.
void CheckPreviewColours(const char* what, const Watch& watch) {
    int32 white = 0, black = 0, other = 0;
    const int32 cols = watch.shownCols < imageWidth ? watch.shownCols : imageWidth;
    for (int32 r = 0; r < watch.shownRows && r < imageHeight; ++r) {
        for (int32 c = 0; c < cols; ++c) {
            const size_t at = static_cast<size_t>(r) * watch.shownRowBytes + c * 3;
            if (at + 2 >= watch.shown.size()) break;
            const uint8_t* p = &watch.shown[at];
            if (p[0] == 255 && p[1] == 255 && p[2] == 255)
                ++white;
            else if (p[0] == 0 && p[1] == 0 && p[2] == 0)
                ++black;
            else
                ++other;
        }
    }
    printf("%s: preview %dx%d, %d white, %d black, %d other pixels\n", what, watch.shownCols,
           watch.shownRows, white, black, other);
    WIN_CHECK(white > 0);
    WIN_CHECK(black > 0);
    WIN_CHECK_EQ(other, 0);
}

void CheckProfile(PluginEntryProc entry, const char* profile, int32 runs) {
    HostSession session;
    OpenHostSession(&session, GrayRampImage(), ProfileSettings(profile));
    HostSide side;
    side.pumps = session.settings.abortPumpsMessages;
    side.postOkAtPoll = !side.pumps;
    for (int32 run = 1; run <= runs; ++run) {
        Watch watch;
        watch.side = &side;
        side.okPostedAtPoll = 0;
        const int32 pollsBefore = session.abortPolls;
        const int16 result = RunFromMenu(&session, entry, &watch);
        printf("%s, run %d: result %d, Amount shown \"%s\", %d polls, %d displays\n", profile, run,
               result, driver::Shown(watch.amountShown).c_str(), session.abortPolls - pollsBefore,
               session.displayCalls);
        WIN_CHECK(watch.sawDialog);
        WIN_CHECK(watch.ended);
        WIN_CHECK_EQ(result, noErr);
        // Every run starts from Parameters with a parameter block of the
        // plug-in's making: the default Amount, whatever the last run chose.
        WIN_CHECK(watch.amountShown == L"10");
        CheckLabyrinth(profile, session.result, chosenAmount + 1);
        if (session.settings.haveDisplayPixels && side.pumps) CheckPreviewColours(profile, watch);
        if (!session.settings.haveDisplayPixels) WIN_CHECK_EQ(session.displayCalls, 0);
        if (!session.settings.haveDescriptorSuites) {
            WIN_CHECK(session.record.descriptorParameters == nullptr);
        }
        if (side.postOkAtPoll) {
            // OK came while a render polled and was taken after it.
            WIN_CHECK(side.okPostedAtPoll > 0);
        }
    }
    CloseHostSession(&session);
}

}  // namespace

int main(int argc, char** argv) {
    LoadedPlugin plugin;
    if (!LoadPluginUnderTest(argc, argv, &plugin)) return 1;
    INITCOMMONCONTROLSEX controls = {sizeof controls, ICC_BAR_CLASSES};
    WIN_CHECK(InitCommonControlsEx(&controls));
    driver::CreateProbe();
    CheckProfile(plugin.entry, "no-descriptors", 2);
    CheckProfile(plugin.entry, "colour-bytes", 1);
    CheckProfile(plugin.entry, "quiet-abort", 1);
    CheckProfile(plugin.entry, "no-display", 1);
    CheckProfile(plugin.entry, "colour-bytes,no-descriptors,no-handles,kilobyte-space", 1);
    UnloadFilterPlugin(&plugin);
    return FinishChecks("host profiles");
}
