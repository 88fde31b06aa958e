#include "cli/HostMenu.h"

bool HostMenuAvailable(std::string* why) {
    *why = "--dialog and --about need a window system: use the Win32 host vornhost.exe";
    return false;
}

int16 ShowPluginAbout(PluginEntryProc) { return errPlugInHostInsufficient; }

int16 RunFilterFromMenu(HostSession*, PluginEntryProc) { return errPlugInHostInsufficient; }
