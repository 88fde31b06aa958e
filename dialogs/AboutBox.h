// The About box shown for the About selector.
#pragma once

#include "host/HostInterface.h"

#include <cstdint>

// Runs the box modally, owned by the host's window; answers what the
// platform's dialog call answers (nobody reads it).
intptr_t RunAboutBox(const AboutRecord* about);
