#pragma once
// The picture a worker is downloading, as its thumbnail shows it: the partly written file read
// through the program's own loaders, so a file that ends early still shows the rows decoded so
// far, and shrunk to fit the thumbnail without ever being enlarged. GUI-free: a QImage can be
// made on any thread.
#include <QImage>
#include <QSize>
#include <string>

namespace corvane {

// A null image when the file is of no picture kind or nothing of it decoded yet.
QImage LoadPreviewPicture(const std::string& path, QSize box);

}  // namespace corvane
