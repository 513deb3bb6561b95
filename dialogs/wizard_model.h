#pragma once
// The setup wizard without its window: which of the six pages shows, which of Back, Next and
// Done are offered, the checks that keep the user on a page (each with its message), the
// connection choice written to the current setup as it changes, the server values of the
// wizard's own (they reach the setup only through Finish), the running mark of the group-list
// download and the filtered group list. Main thread only; the download itself is the main
// window model's work, started by the window with the values DownloadValues() hands over.
#include <optional>
#include <string>
#include <vector>

#include "app/main_model.h"
#include "setup/setup.h"

namespace corvane {

class CWizardModel {
public:
    enum EPage { kIntro = 0, kConnection, kServer, kDownload, kSelectGroup, kDone, kPageCount };

    // `current` is the setup the wizard fills (the fresh one of New). Without a dial-up
    // service direct connection is forced on and the dial-up controls stay disabled.
    CWizardModel(CSetup& current, bool dialupAvailable,
                 std::vector<std::string> dialupEntries = {});

    int Page() const { return m_page; }
    bool CanGoBack() const;
    bool CanGoNext() const;
    bool CanFinish() const { return m_page == kDone; }
    // The message number that keeps the user on the page, or nothing when the page may be left.
    std::optional<int> ForwardCheck() const;
    // Moves on when the check allows; gives back the refusing message number otherwise.
    std::optional<int> Next();
    void Back();

    // Connection page: written to the current setup at once.
    bool DialupAvailable() const { return m_dialupAvailable; }
    const std::vector<std::string>& DialupEntries() const { return m_entries; }
    bool DirectConnection() const { return m_setup.m_directConnection != 0; }
    void SetDirectConnection(bool on);
    void SetDialUpEntry(std::string entry);
    bool DialupControlsEnabled() const { return m_dialupAvailable; }

    // Server page.
    void SetServer(std::string server) { m_values.server = std::move(server); }
    void SetUser(std::string user) { m_values.user = std::move(user); }
    void SetPassword(std::string password) { m_values.password = std::move(password); }
    void SetRequiresLogin(bool on) { m_values.requiresLogin = on; }
    bool LoginFieldsEnabled() const { return m_values.requiresLogin; }
    // Kept within the spin button's range.
    void SetPort(int port);

    // Download page. StartDownload marks the download running and gives the values the
    // group-list item is built from; nothing starts while one runs.
    std::optional<SWizardValues> StartDownload();
    // The work has ended (or could not start): Back, Next and the button come back.
    void DownloadFinished() { m_downloading = false; }
    bool Downloading() const { return m_downloading; }
    bool DownloadButtonEnabled() const { return !m_downloading; }

    // Select page: the names of the open newsgroup index and the filter over them.
    void SetGroupNames(std::vector<std::string> names);
    // Shows only the names that contain the text (case-sensitive); the window calls it when
    // the filter's timer fires.
    void ApplyFilter(const std::string& filter);
    const std::vector<std::string>& ShownGroups() const { return m_shown; }
    void ChooseShownGroup(std::size_t row);
    void SetGroup(std::string group) { m_values.group = std::move(group); }

    const SWizardValues& Values() const { return m_values; }
    // Done: what the main window model copies into the setup (ApplyWizard).
    SWizardValues Finish() const { return m_values; }

private:
    CSetup& m_setup;
    bool m_dialupAvailable;
    std::vector<std::string> m_entries;
    int m_page = kIntro;
    bool m_downloading = false;
    SWizardValues m_values;
    std::vector<std::string> m_names;
    std::vector<std::string> m_shown;
};

}  // namespace corvane
