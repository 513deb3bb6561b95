#pragma once
// The start-up warning shown when the user-interface library is older than the one the
// program was made for: the fixed title and text, the download addresses as links that open
// in the desktop's default handler, "Don't show this again" (clear at first) and OK. The
// caller records the box's state after the dialog closes. Main thread only.
#include <QDialog>
#include <cstdint>
#include <functional>

#include "platform/settings_store.h"

class QCheckBox;

namespace corvane {

class CControlsWarningDialog final : public QDialog {
    Q_OBJECT
public:
    explicit CControlsWarningDialog(QWidget* parent = nullptr);
    bool DontShowAgain() const;

private:
    QCheckBox* m_dontShow;
};

// The whole start-up step: shows the dialog when the check says it is due and records the
// answer. `exec` runs the dialog (tests replace it); the default shows it modally.
// True when the dialog was shown.
bool RunControlsWarningIfDue(std::uint32_t packedVersion, ISettingsStore& settings,
                             const std::function<void(CControlsWarningDialog&)>& exec = {});

}  // namespace corvane
