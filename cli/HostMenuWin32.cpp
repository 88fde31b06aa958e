// The host-menu commands on Windows. The host registers the common
// controls a filter dialog uses (the trackbar class) and owns the
// plug-in's windows with a main window of its own, which stays hidden as
// this host has no other user interface. While a dialog is up, abortProc
// keeps dispatching window messages (PumpWindowMessages), so the dialog
// stays live during preview renders.
#include "cli/HostMenu.h"

// windows.h first: the common controls header builds on its types.
#include <windows.h>

#include <commctrl.h>

namespace {

HWND hostWindow = nullptr;

HWND HostWindow() {
    if (hostWindow != nullptr) return hostWindow;
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = DefWindowProcA;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = "VornHostFrame";
    RegisterClassA(&windowClass);
    hostWindow = CreateWindowExA(0, "VornHostFrame", "vornhost", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                 CW_USEDEFAULT, 640, 480, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
    return hostWindow;
}

void RegisterCommonControls() {
    INITCOMMONCONTROLSEX controls = {};
    controls.dwSize = sizeof controls;
    controls.dwICC = ICC_BAR_CLASSES;
    InitCommonControlsEx(&controls);
}

}  // namespace

bool HostMenuAvailable(std::string*) { return true; }

int16 ShowPluginAbout(PluginEntryProc entry) {
    RegisterCommonControls();
    HostImage image;
    image.width = image.height = image.channels = 1;
    image.samples.assign(1, 0);
    HostSettings settings;
    settings.imageMode = plugInModeGrayScale;
    settings.planes = 1;
    settings.parentWindow = reinterpret_cast<intptr_t>(HostWindow());
    HostSession session;
    OpenHostSession(&session, image, settings);
    const int16 result = CallSelector(&session, entry, filterSelectorAbout);
    CloseHostSession(&session);
    return result;
}

int16 RunFilterFromMenu(HostSession* session, PluginEntryProc entry) {
    RegisterCommonControls();
    session->platform.hwnd = reinterpret_cast<intptr_t>(HostWindow());
    session->descriptorParameters.playInfo = plugInDialogDisplay;
    return RunFilterSession(session, entry, true);
}
