#pragma once
// The About box: the program's version, the version of the user-interface library it runs
// with, the maker's home address as a link and the JPEG credit. A double click anywhere in it
// is the hidden gesture that switches tracing on for the rest of the run; the application
// object then writes the trace start line and tells the user. Main thread only.
#include <QDialog>
#include <QString>
#include <cstdint>

namespace corvane {

class CApplication;

// "Comctl32.dll Version: major.minor.build" from a version packed as
// (major << 24) + (minor << 16) + build; the minor part always has two digits.
QString ToolkitVersionText(std::uint32_t packed);

class CAboutBox final : public QDialog {
    Q_OBJECT
public:
    static constexpr const char* kVersionText = "Corvane Version: 2.0.17";
    static constexpr const char* kJpegCredit =
        "This software is based in part on the work of the Independent JPEG Group.";

    // `home` is the address the link opens; `packedVersion` as RunningToolkitVersion() gives.
    CAboutBox(CApplication& app, const QString& home, std::uint32_t packedVersion,
              QWidget* parent = nullptr);

protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    // The labels would take a double click for themselves; the gesture counts anywhere.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    CApplication& m_app;
};

}  // namespace corvane
