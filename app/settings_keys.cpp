#include "app/settings_keys.h"

namespace corvane {
namespace {

// The fields in the order of kPlacementFields, so that one loop reads or writes all eleven.
std::array<int SWindowPlacement::*, 11> PlacementMembers() {
    return {&SWindowPlacement::length, &SWindowPlacement::flags, &SWindowPlacement::showCmd,
            &SWindowPlacement::minX,   &SWindowPlacement::minY,  &SWindowPlacement::maxX,
            &SWindowPlacement::maxY,   &SWindowPlacement::left,  &SWindowPlacement::top,
            &SWindowPlacement::right,  &SWindowPlacement::bottom};
}

}  // namespace

std::string DefaultBrowsePath(const std::string& savePath) {
    if (!savePath.empty() && (savePath.back() == '/' || savePath.back() == '\\')) {
        return savePath.substr(0, savePath.size() - 1);
    }
    return savePath;
}

const SWindowPlacement& DefaultPlacement(std::string_view prefix) {
    return prefix == kBrowserPlacementPrefix ? kBrowserPlacementDefaults : kMainPlacementDefaults;
}

SWindowPlacement LoadPlacement(ISettingsStore& store, std::string_view prefix) {
    SWindowPlacement placement = DefaultPlacement(prefix);
    const auto members = PlacementMembers();
    for (size_t i = 0; i < members.size(); ++i) {
        int& field = placement.*members[i];
        field = store.ReadInt(kSectionData, std::string(prefix) + kPlacementFields[i], field);
    }
    return placement;
}

void SavePlacement(ISettingsStore& store, std::string_view prefix,
                   const SWindowPlacement& placement) {
    const auto members = PlacementMembers();
    for (size_t i = 0; i < members.size(); ++i) {
        store.WriteInt(kSectionData, std::string(prefix) + kPlacementFields[i],
                       placement.*members[i]);
    }
}

int ReadColumnWidth(ISettingsStore& store, const SColumnKey& column) {
    const int width = store.ReadInt(kSectionColumns, column.name, column.defaultWidth);
    return width < 0 || width > kMaxColumnWidth ? column.defaultWidth : width;
}

void WriteColumnWidth(ISettingsStore& store, const SColumnKey& column, int width) {
    store.WriteInt(kSectionColumns, column.name, width);
}

}  // namespace corvane
