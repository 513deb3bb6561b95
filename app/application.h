#pragma once
// The application object: one per process, made before the main window and outliving it. It
// owns the setup document (the current setup, the download log and the file name, in the
// setup file's contents), the file name/size index, the newsgroup index, the throughput
// counters, the trace file and the services the workers are given. The settings store and
// the prompt are the front end's and are only used here.
//
// Main thread only, except what the services hand to workers (each of those locks itself).
#include <cstdint>
#include <memory>
#include <string>

#include "app/app_services.h"
#include "app/throughput.h"
#include "indexes/file_index.h"
#include "indexes/newsgroup_index.h"
#include "nntp/trace_log.h"
#include "platform/clock.h"
#include "platform/prompt.h"
#include "platform/settings_store.h"
#include "setup/setup_file.h"
#include "store/file_index_registry.h"

namespace corvane {

class CApplication {
public:
    // `dataDirectory` holds filedb.idx, the newsgroup indexes and the default downloads.
    CApplication(ISettingsStore& settings, IPrompt& prompt, const IClock& clock,
                 std::string dataDirectory = ProgramDataDirectory());
    ~CApplication();
    CApplication(const CApplication&) = delete;
    CApplication& operator=(const CApplication&) = delete;

    // Opens (creating or repairing) filedb.idx. False after the fatal database message: the
    // program must end at once.
    bool OpenIndexes();

    CSetup& Setup() { return *m_document.m_setup; }
    const CSetup& Setup() const { return *m_document.m_setup; }
    CSetupFileContents& Document() { return m_document; }
    CDownloadLog& Log() { return m_document.m_log; }
    // Tells the workers about the setup as it stands now.
    void PublishSetup() { m_services.PublishSetup(Setup()); }

    ISettingsStore& Settings() { return m_settings; }
    IPrompt& Prompt() { return m_prompt; }
    const IClock& Clock() const { return m_clock; }
    CThroughputCounters& Throughput() { return m_throughput; }
    CAppServices& Services() { return m_services; }
    CNewsgroupIndex& Newsgroups() { return m_newsgroups; }
    CFileIndex& FileIndex() { return m_fileIndex; }
    // The file name/size index as the decoders and the import see it.
    IFileRegistry& FileRegistry() { return m_registry; }
    CTraceLog& Trace() { return m_trace; }
    const std::string& DataDirectory() const { return m_dataDirectory; }
    // The program's default folder for downloads.
    std::string DefaultSavePath() const;

    // The About box's hidden gesture: tracing stays on for the rest of the run.
    void EnableTracing();

private:
    ISettingsStore& m_settings;
    IPrompt& m_prompt;
    const IClock& m_clock;
    const std::string m_dataDirectory;
    CSetupFileContents m_document;
    CFileIndex m_fileIndex;
    CFileIndexRegistry m_registry;
    CNewsgroupIndex m_newsgroups;
    CThroughputCounters m_throughput;
    CTraceLog m_trace;
    CAppServices m_services;
};

}  // namespace corvane
