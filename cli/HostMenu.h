// Commands a user reaches through an image editor's menus rather than a
// replayed script step: the filter with its dialog, and the About box.
// They need a window system; the native host reports them as unavailable.
#pragma once

#include "testhost/HostSession.h"

#include <string>

bool HostMenuAvailable(std::string* why);

// The About selector, with the host's window as owner of the box.
int16 ShowPluginAbout(PluginEntryProc entry);

// The filter as chosen from the menu: Parameters, Prepare, then Start with
// the host's scripting asking for the dialog to be displayed, Continue and
// Finish. The session must be open on the image.
int16 RunFilterFromMenu(HostSession* session, PluginEntryProc entry);
