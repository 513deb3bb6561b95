#pragma once
// What the attachment browser's right-hand side shows: the lines of a text file for the list
// box, and the geometry of a picture in the image view (the size drawn when shrinking to fit,
// the scroll ranges otherwise). Free functions without state; any thread may call them. The
// picture itself is loaded and drawn by the window through the image library.
#include <cstddef>
#include <string>
#include <vector>

namespace corvane {

struct STextFileLines {
    std::vector<std::string> lines;
    bool opened = false;    // false: the file is missing or unreadable (the list stays empty)
    bool complete = false;  // false: the file was longer than the list takes, or a read failed
};

// A file from the log can be anything the user downloaded or a damaged setup pointed at, so
// the list takes at most kMaxTextBytes of it and splits lines longer than kMaxTextLineBytes
// into several items rather than dropping their rest.
inline constexpr std::size_t kMaxTextBytes = 8u << 20;
inline constexpr std::size_t kMaxTextLineBytes = 4096;

// The file's lines, one item per line; a line ends at LF, with a CR before it dropped.
STextFileLines ReadTextFileLines(const std::string& path);

struct SImageSize {
    int width = 0;
    int height = 0;

    bool operator==(const SImageSize&) const = default;
};

// The size a picture is drawn at in shrink mode. A picture that fits in both directions keeps
// its natural size (shrinking never enlarges); otherwise both sides are divided by the larger
// of the two ratios picture/client, so the picture fits and keeps its proportions. An empty
// picture or client area draws nothing.
SImageSize ShrinkToFit(SImageSize picture, SImageSize client);

struct SScrollRanges {
    int horizontalMax = 0;  // each range runs from 0; 0 when that bar is hidden
    int verticalMax = 0;
    bool showHorizontal = false;
    bool showVertical = false;

    bool operator==(const SScrollRanges&) const = default;
};

// The scroll bars of a picture drawn at natural size: each is shown only when the picture is
// larger than the client area in its direction, and scrolls over the part that does not fit.
SScrollRanges ScrollRangesFor(SImageSize picture, SImageSize client);

}  // namespace corvane
