// corvane: the program. With a display it runs the main window; with `-nogui`, or when no
// display can be reached, it runs the same model headless. Here the desktop's parts (the
// dialogs, the wizard, help) are put together for the window.
#include <cstdlib>
#include <iostream>
#include <string>
#include <vector>

#include "app/headless_front.h"
#include "gui/auto_dialog.h"
#include "gui/browser_window.h"
#include "gui/find_dialog.h"
#include "gui/gui_front.h"
#include "gui/help_window.h"
#include "gui/import_dialog.h"
#include "gui/options_sheet.h"
#include "gui/setup_wizard.h"

namespace {

bool DisplayReachable() {
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && *value != '\0') return true;
    }
    return false;
}

corvane::SMainWindowDialogs Dialogs() {
    using namespace corvane;
    SMainWindowDialogs dialogs;
    dialogs.runWizard = RunSetupWizard;
    dialogs.wizardWorkFinished = NotifyWizardWorkFinished;
    dialogs.runOptions = RunOptionsSheet;
    dialogs.runAuto = [](QWidget* parent, CAutoDialogModel& model) {
        return RunAutoDialog(parent, model);
    };
    dialogs.runFind = RunFindDialog;
    dialogs.runImport = [](QWidget* parent, CApplication& app) {
        RunImportDialog(parent, app.FileRegistry(), app.Prompt(), &app.Settings(),
                        app.DataDirectory());
    };
    dialogs.showHelp = [](QWidget* parent) { ShowHelp(parent); };
    dialogs.openBrowser = OpenBrowserWindow;
    return dialogs;
}

}  // namespace

int main(int argc, char** argv) {
    std::vector<std::string> args(argv + 1, argv + argc);
    bool noGui = false;
    for (const std::string& arg : args) noGui = noGui || arg == "-nogui" || arg == "/nogui";
    if (!noGui && !DisplayReachable()) {
        std::cout << "corvane: no display; running without a window (as with -nogui)\n";
        noGui = true;
    }
    if (noGui) return corvane::RunHeadless(args);
    return corvane::RunGui(args, Dialogs());
}
