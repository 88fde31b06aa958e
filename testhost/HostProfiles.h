// Host profiles: the conventions of filter hosts found in the field, as
// adjustments of the test host's settings and of what its callbacks do.
// A profile is chosen by name (vornhost --host-profile NAME, the Win32
// test drivers); several names joined by commas combine.
#pragma once

#include "testhost/HostSession.h"

#include <cstddef>
#include <string>

struct HostProfile {
    const char* name;
    const char* convention;  // what the host does differently, in a line
    void (*apply)(HostSettings* settings);
};

// Every profile, the Photoshop-like default first.
const HostProfile* HostProfiles(size_t* count);

// The profile of that name, or null.
const HostProfile* FindHostProfile(const std::string& name);

// Applies "NAME" or "NAME,NAME,..." to the settings; answers false with a
// reason for an unknown or empty name (the settings may be half changed).
bool ApplyHostProfiles(const std::string& names, HostSettings* settings, std::string* error);

// The names, joined by ", " (for help and error texts).
std::string HostProfileNames();
