#include "cli/PluginList.h"

namespace {

const int16 listedModes = 16;

std::string Join(const std::vector<std::string>& items) {
    if (items.empty()) return "none";
    std::string text;
    for (const std::string& item : items) text += (text.empty() ? "" : ", ") + item;
    return text;
}

std::string Line(const char* label, const std::string& value) {
    std::string text = std::string("  ") + label;
    text.append(text.size() < 14 ? 14 - text.size() : 1, ' ');
    return text + value + "\n";
}

std::string Describe(const PiplProperties& list) {
    std::string text;
    const bool filter = list.kind == piplKindFilter;
    text += Line("kind:", list.kind == 0 ? std::string("none")
                                         : FourCharText(list.kind) + (filter ? " (filter)" : ""));
    text += Line("category:", list.category.empty() ? "none" : list.category);
    text += Line("name:", list.name.empty() ? "none" : list.name);
    text += Line("interface:", list.haveVersion ? std::to_string(list.versionMajor) + "." +
                                                      std::to_string(list.versionMinor)
                                                : std::string("not given"));
    text += Line("entry wx86:", list.entryX86.empty() ? "none" : list.entryX86);
    text += Line("entry 8664:", list.entryX64.empty() ? "none" : list.entryX64);
    std::vector<std::string> flagged, enabled;
    for (int16 mode = 0; mode < listedModes; ++mode) {
        if (PiplModeFlag(list, mode)) flagged.push_back(ImageModeName(mode));
        if (PiplEnablesMode(list, mode)) enabled.push_back(ImageModeName(mode));
    }
    text += Line("mode flags:", list.haveModes ? Join(flagged) : std::string("not given"));
    if (list.haveEnable) {
        text += Line("enabled if:", list.enableExpression);
        if (EvaluateEnableExpression(list.enableExpression, 0) < 0)
            text += Line("", "(not understood; the mode flags decide)");
    }
    text += Line("modes:", Join(enabled));
    return text;
}

}  // namespace

std::string DescribePropertyLists(const std::string& path,
                                  const std::vector<PiplProperties>& lists) {
    std::string text;
    for (size_t i = 0; i < lists.size(); ++i) {
        text += path;
        if (lists.size() > 1) text += " (property list " + std::to_string(i + 1) + ")";
        text += ":\n" + Describe(lists[i]);
    }
    return text;
}
