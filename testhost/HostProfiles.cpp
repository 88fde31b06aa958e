#include "testhost/HostProfiles.h"

namespace {

void PhotoshopLike(HostSettings*) {}

void ColourBytes(HostSettings* settings) { settings->colourFieldsHoldBytes = true; }

void NoDescriptors(HostSettings* settings) {
    settings->haveDescriptorSuites = false;
    settings->keepParameters = false;
}

void KilobyteSpace(HostSettings* settings) { settings->maxSpaceInKilobytes = true; }

void QuietAbort(HostSettings* settings) { settings->abortPumpsMessages = false; }

void NoDisplay(HostSettings* settings) { settings->haveDisplayPixels = false; }

void WholeFilterRect(HostSettings* settings) { settings->wholeImageFilterRect = true; }

void NoHandles(HostSettings* settings) { settings->haveHandleSuite = false; }

const HostProfile profiles[] = {
    {"photoshop",
     "colours 0..65535 with matching foreColor/backColor bytes, descriptor suites, parameters "
     "kept, maxSpace in bytes, abortProc dispatching window messages, displayPixels, filterRect "
     "the selection's bounds, handle suite",
     PhotoshopLike},
    {"colour-bytes", "8-bit values (0..255) in the 16-bit foreground/background fields",
     ColourBytes},
    {"no-descriptors",
     "no descriptor suites and no parameters kept: every run starts from Parameters and shows "
     "the dialog",
     NoDescriptors},
    {"kilobyte-space", "maxSpace given in kilobytes", KilobyteSpace},
    {"quiet-abort", "abortProc never dispatches window messages", QuietAbort},
    {"no-display", "no displayPixels callback", NoDisplay},
    {"whole-filter-rect", "filterRect is the whole image even with a selection", WholeFilterRect},
    {"no-handles", "no handle suite", NoHandles},
};

}  // namespace

const HostProfile* HostProfiles(size_t* count) {
    *count = sizeof profiles / sizeof profiles[0];
    return profiles;
}

const HostProfile* FindHostProfile(const std::string& name) {
    for (const HostProfile& profile : profiles) {
        if (name == profile.name) return &profile;
    }
    return nullptr;
}

bool ApplyHostProfiles(const std::string& names, HostSettings* settings, std::string* error) {
    size_t start = 0;
    while (true) {
        const size_t comma = names.find(',', start);
        const std::string name =
            names.substr(start, comma == std::string::npos ? std::string::npos : comma - start);
        const HostProfile* profile = FindHostProfile(name);
        if (profile == nullptr) {
            *error = (name.empty() ? std::string("an empty host profile name")
                                   : "no host profile '" + name + "'") +
                     " (profiles: " + HostProfileNames() + ")";
            return false;
        }
        profile->apply(settings);
        if (comma == std::string::npos) return true;
        start = comma + 1;
    }
}

std::string HostProfileNames() {
    std::string names;
    for (const HostProfile& profile : profiles) {
        if (!names.empty()) names += ", ";
        names += profile.name;
    }
    return names;
}
