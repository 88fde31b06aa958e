// The About box shown for the About selector.
#pragma once

#include "host/HostInterface.h"

#include <cstdint>

intptr_t RunAboutBox(const AboutRecord* about);
