// The index library's fatal failures, as the desktop reports them: the text goes to standard
// error and into a message box on the window's thread before the library ends the process.
// The failing call may run on a worker, and the window's thread may itself be waiting for the
// index then; the worker therefore waits for the box only so long, and the process ends
// either way.
#include <QApplication>
#include <QMessageBox>
#include <QMetaObject>
#include <QThread>
#include <chrono>
#include <cstdio>
#include <future>
#include <memory>

#include "vindle.h"

namespace {

constexpr std::chrono::minutes kLongestWait{2};

void ShowFatalBox(const QString& text) {
    QMessageBox::critical(nullptr, "Corvane", text);
}

}  // namespace

extern "C" void VindleReportFatal(const char* text) {
    std::fprintf(stderr, "%s\n", text);
    std::fflush(stderr);
    QCoreApplication* application = QCoreApplication::instance();
    if (application == nullptr) return;
    const QString message = QString::fromUtf8(text);
    if (QThread::currentThread() == application->thread()) {
        ShowFatalBox(message);
        return;
    }
    auto shown = std::make_shared<std::promise<void>>();
    std::future<void> done = shown->get_future();
    QMetaObject::invokeMethod(
        application,
        [message, shown] {
            ShowFatalBox(message);
            shown->set_value();
        },
        Qt::QueuedConnection);
    done.wait_for(kLongestWait);
}
