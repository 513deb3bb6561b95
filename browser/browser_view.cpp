#include "browser/browser_view.h"

#include <algorithm>
#include <fstream>

namespace corvane {

namespace {

void AddLine(STextFileLines& out, std::string& line) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    out.lines.push_back(std::move(line));
    line.clear();
}

}  // namespace

STextFileLines ReadTextFileLines(const std::string& path) {
    STextFileLines out;
    std::ifstream in(path, std::ios::binary);
    if (!in) return out;
    out.opened = true;

    std::string line;
    std::size_t total = 0;
    char c = 0;
    while (total < kMaxTextBytes && in.get(c)) {
        ++total;
        if (c == '\n') {
            AddLine(out, line);
            continue;
        }
        line.push_back(c);
        // Split a long line, but never between a CR and the LF that may follow it.
        if (line.size() >= kMaxTextLineBytes && c != '\r') {
            out.lines.push_back(std::move(line));
            line.clear();
        }
    }
    const bool atEnd = in.eof() || in.peek() == std::char_traits<char>::eof();
    out.complete = atEnd && !in.bad();
    if (!line.empty()) AddLine(out, line);
    return out;
}

SImageSize ShrinkToFit(SImageSize picture, SImageSize client) {
    if (picture.width <= 0 || picture.height <= 0 || client.width <= 0 || client.height <= 0) {
        return {};
    }
    const double rx = static_cast<double>(picture.width) / client.width;
    const double ry = static_cast<double>(picture.height) / client.height;
    if (rx < 1.0 && ry < 1.0) return picture;
    const double ratio = std::max(rx, ry);
    return {static_cast<int>(picture.width / ratio), static_cast<int>(picture.height / ratio)};
}

SScrollRanges ScrollRangesFor(SImageSize picture, SImageSize client) {
    SScrollRanges ranges;
    // In 64 bits, so that no pair of sizes the window reports can overflow.
    const long long overX = static_cast<long long>(picture.width) - std::max(client.width, 0);
    const long long overY = static_cast<long long>(picture.height) - std::max(client.height, 0);
    if (overX > 0) {
        ranges.horizontalMax = static_cast<int>(overX);
        ranges.showHorizontal = true;
    }
    if (overY > 0) {
        ranges.verticalMax = static_cast<int>(overY);
        ranges.showVertical = true;
    }
    return ranges;
}

}  // namespace corvane
