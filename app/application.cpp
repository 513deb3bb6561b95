#include "app/application.h"

#include <utility>

namespace corvane {

CApplication::CApplication(ISettingsStore& settings, IPrompt& prompt, const IClock& clock,
                           std::string dataDirectory)
    : m_settings(settings),
      m_prompt(prompt),
      m_clock(clock),
      m_dataDirectory(std::move(dataDirectory)),
      m_fileIndex(prompt, m_dataDirectory),
      // Workers ask whether the file database is in use; they read the published copy, never
      // the setup the main thread may be replacing.
      m_registry(m_fileIndex,
                 [this] { return m_services.SetupSnapshot()->m_useFileDatabase != 0; }),
      m_newsgroups(prompt, m_dataDirectory),
      m_throughput(clock),
      m_services(m_throughput, m_trace, &m_newsgroups, &m_registry) {
    PublishSetup();
}

CApplication::~CApplication() {
    m_newsgroups.Close();
    m_fileIndex.Close();
}

bool CApplication::OpenIndexes() { return m_fileIndex.Open(); }

std::string CApplication::DefaultSavePath() const {
    std::string path = m_dataDirectory;
    if (!path.empty() && path.back() != '/') path += '/';
    return path + "downloads";
}

void CApplication::EnableTracing() {
    m_trace.Enable();
    m_prompt.ShowMessage("Tracing Enabled");
}

}  // namespace corvane
