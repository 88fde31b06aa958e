// Drives the real plug-in through all selectors from a Win32 host process.
// The host kind follows this program's own file name, so the test script
// runs copies of it named after the hosts the plug-in tells apart.
#include "testhost/PluginLoader.h"
#include "tests/support/HostImages.h"
#include "tests/win32/WinCheck.h"

#include <windows.h>

#include <cstring>

namespace {

std::string ExecutableName() {
    char path[MAX_PATH] = {0};
    GetModuleFileNameA(nullptr, path, MAX_PATH);
    const char* slash = strrchr(path, '\\');
    return slash != nullptr ? slash + 1 : path;
}

HostImage GrayImage(int32 width, int32 height) { return UniformImage(width, height, 1, 90); }

int16 AmountOf(const HostSession& session) {
    Handle parameters = session.record.parameters;
    if (parameters == nullptr || *parameters == nullptr) return -32768;
    int16 amount;
    memcpy(&amount, *parameters, 2);
    return amount;
}

void CheckSelectors(PluginEntryProc entry, const std::string& exe) {
    HostSettings settings;
    settings.imageMode = plugInModeGrayScale;
    settings.planes = 1;
    settings.filterRect = Rect{10, 20, 110, 220};
    HostSession session;
    OpenHostSession(&session, GrayImage(300, 200), settings);
    session.record.wholeSize = Point{7, 9};

    WIN_CHECK_EQ(CallSelector(&session, entry, 6), filterBadParameters);
    WIN_CHECK(session.data != 0);
    const intptr_t slot = session.data;
    WIN_CHECK_EQ(CallSelector(&session, entry, -1), filterBadParameters);
    WIN_CHECK_EQ(session.data, slot);

    if (exe == "premiere.exe") {
        WIN_CHECK_EQ(session.record.wholeSize.v, 200);
        WIN_CHECK_EQ(session.record.wholeSize.h, 300);
    } else {
        WIN_CHECK_EQ(session.record.wholeSize.v, 7);
        WIN_CHECK_EQ(session.record.wholeSize.h, 9);
    }
    // Fireworks keeps the instance in a handle from the host's suite.
    WIN_CHECK_EQ(session.liveHandles, exe == "Fireworks.exe" ? 1 : 0);

    WIN_CHECK_EQ(CallSelector(&session, entry, filterSelectorParameters), noErr);
    WIN_CHECK(session.record.parameters != nullptr);
    WIN_CHECK_EQ(AmountOf(session), 10);

    session.record.bufferSpace = 99;
    session.record.maxSpace = 99;
    WIN_CHECK_EQ(CallSelector(&session, entry, filterSelectorPrepare), noErr);
    WIN_CHECK_EQ(session.record.bufferSpace, 0);
    WIN_CHECK_EQ(session.record.maxSpace, 0);

    // The host's scripting says "don't display": no dialog, the filter
    // rectangle alone is requested.
    WIN_CHECK_EQ(CallSelector(&session, entry, filterSelectorStart), noErr);
    const FilterRecord& r = session.record;
    WIN_CHECK_EQ(r.inRect.top, 10);
    WIN_CHECK_EQ(r.inRect.left, 20);
    WIN_CHECK_EQ(r.inRect.bottom, 110);
    WIN_CHECK_EQ(r.inRect.right, 220);
    WIN_CHECK_EQ(r.outRect.bottom, 110);
    WIN_CHECK_EQ(r.maskRect.right, 220);
    WIN_CHECK_EQ(r.inHiPlane, 0);
    WIN_CHECK_EQ(r.inputPadding, 255);
    WIN_CHECK_EQ(r.inputRate, 0x10000);
    WIN_CHECK_EQ(session.advanceCalls, 1);

    WIN_CHECK_EQ(CallSelector(&session, entry, filterSelectorContinue), noErr);
    WIN_CHECK_EQ(r.inRect.bottom, 0);
    WIN_CHECK_EQ(r.outRect.right, 0);
    WIN_CHECK_EQ(r.maskRect.bottom, 0);

    WIN_CHECK_EQ(CallSelector(&session, entry, filterSelectorFinish), noErr);
    WIN_CHECK_EQ(session.scriptRecorded.size(), 1);
    if (!session.scriptRecorded.empty()) {
        WIN_CHECK_EQ(session.scriptRecorded[0].key, keyAmount);
        WIN_CHECK_EQ(session.scriptRecorded[0].value, 10);
    }
    WIN_CHECK_EQ(session.descriptorParameters.recordInfo, plugInDialogOptional);
    CloseHostSession(&session);
}

// A recorded step replayed by the host: Amnt 25, no dialog.
void CheckScriptedRun(PluginEntryProc entry) {
    HostSettings settings;
    settings.imageMode = plugInModeGrayScale;
    settings.planes = 1;
    settings.playInfo = plugInDialogDontDisplay;
    HostSession session;
    OpenHostSession(&session, GrayImage(64, 48), settings);
    SetScriptDescriptor(
        &session, {ScriptItem{0x78787878, typeInteger, 3}, ScriptItem{keyAmount, typeInteger, 25}});
    WIN_CHECK_EQ(CallSelector(&session, entry, filterSelectorParameters), noErr);
    WIN_CHECK_EQ(CallSelector(&session, entry, filterSelectorStart), noErr);
    WIN_CHECK_EQ(AmountOf(session), 25);
    WIN_CHECK(session.descriptorParameters.descriptor == nullptr);
    WIN_CHECK_EQ(session.advanceCalls, 1);  // no dialog: the request went straight out

    // A scripted value that would make the lattice pitch < 1 is refused.
    SetScriptDescriptor(&session, {ScriptItem{keyAmount, typeInteger, -5}});
    WIN_CHECK_EQ(CallSelector(&session, entry, filterSelectorStart), filterBadParameters);
    WIN_CHECK_EQ(session.advanceCalls, 1);
    WIN_CHECK_EQ(session.record.inRect.bottom, 0);
    CloseHostSession(&session);
}

}  // namespace

int main(int argc, char** argv) {
    LoadedPlugin plugin;
    if (!LoadPluginUnderTest(argc, argv, &plugin)) return 1;
    const std::string exe = ExecutableName();
    printf("host executable: %s\n", exe.c_str());
    CheckSelectors(plugin.entry, exe);
    CheckScriptedRun(plugin.entry);
    UnloadFilterPlugin(&plugin);
    return FinishChecks("dispatch");
}
