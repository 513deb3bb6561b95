#include "gui/about_box.h"

#include <QDialogButtonBox>
#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QVBoxLayout>

#include "app/application.h"

namespace corvane {

QString ToolkitVersionText(std::uint32_t packed) {
    const int major = static_cast<int>(packed >> 24);
    const int minor = static_cast<int>((packed >> 16) & 0xff);
    const int build = static_cast<int>(packed & 0xffff);
    return QString::asprintf("Comctl32.dll Version: %d.%.2d.%d", major, minor, build);
}

CAboutBox::CAboutBox(CApplication& app, const QString& home, std::uint32_t packedVersion,
                     QWidget* parent)
    : QDialog(parent), m_app(app) {
    setObjectName("aboutBox");
    setWindowTitle("About Corvane");
    auto* layout = new QVBoxLayout(this);
    auto addLabel = [&](const QString& text, const char* name) {
        auto* label = new QLabel(text, this);
        label->setObjectName(name);
        label->installEventFilter(this);
        layout->addWidget(label);
        return label;
    };
    addLabel(kVersionText, "aboutVersion");
    addLabel(ToolkitVersionText(packedVersion), "aboutToolkitVersion");
    QLabel* link =
        addLabel(QString("<a href=\"%1\">%2</a>").arg(home.toHtmlEscaped(), home.toHtmlEscaped()),
                 "aboutHome");
    link->setTextFormat(Qt::RichText);
    link->setOpenExternalLinks(true);
    addLabel(kJpegCredit, "aboutJpegCredit");
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    layout->addWidget(buttons);
}

void CAboutBox::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_app.EnableTracing();
        event->accept();
        return;
    }
    QDialog::mouseDoubleClickEvent(event);
}

bool CAboutBox::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::MouseButtonDblClick &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        m_app.EnableTracing();
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

}  // namespace corvane
