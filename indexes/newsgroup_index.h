#pragma once
// The newsgroup index of the current news server: the names of every group the server has
// announced, and the date and time of the last complete retrieval (both 0 when there was none).
// Owns the handle of the one index that is open, the server it belongs to and an in-memory copy
// of the date and time.
//
// Open, the browse calls and TakeDeferredMessages belong to the main thread; StoredDate,
// StoredTime and StoreNewsgroups are also called by worker threads. One lock covers the handle,
// so a worker never stores through a handle the main thread is replacing or has closed.
#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "nntp/newsgroup_store.h"
#include "platform/data_directory.h"
#include "platform/prompt.h"
#include "vindle.h"

namespace corvane {

class CNewsgroupIndex : public INewsgroupStore {
public:
    // Index files lie in `directory`; messages go to `prompt`, which must outlive this object.
    explicit CNewsgroupIndex(IPrompt& prompt, std::string directory = ProgramDataDirectory());
    ~CNewsgroupIndex() override;
    CNewsgroupIndex(const CNewsgroupIndex&) = delete;
    CNewsgroupIndex& operator=(const CNewsgroupIndex&) = delete;

    // Makes `server`'s index the open one. A different name closes the open index and clears
    // the stored date and time; an empty name leaves none open. The file is created when
    // missing and repaired when damaged ("Error in group index, repairing"). False after the
    // fatal database message: the caller must then end the program.
    bool Open(const std::string& server);
    void Close() { Open(std::string()); }
    bool IsOpen() const;
    std::string Server() const;

    uint32_t StoredDate() override;
    uint32_t StoredTime() override;

    // Adds the names to `server`'s index and records the date and time there. Opens that index
    // when none is open. When another server's index is open (the user switched servers while a
    // retrieval ran), the names go to `server`'s own file through a handle of their own and the
    // open index is left as it is. Messages that arise here wait for TakeDeferredMessages.
    void StoreNewsgroups(const std::string& server, const std::vector<std::string>& names,
                         uint32_t date, uint32_t time) override;

    // Every group name, in byte order.
    std::vector<std::string> AllGroups();
    // The names below a node of the group tree: those that begin with `node` and differ from it.
    std::vector<std::string> GroupsBelow(const std::string& node);

    // Texts that came up on a worker thread (a repair, the fatal database message), for the main
    // thread to show; emptied by the call.
    std::vector<std::string> TakeDeferredMessages();

private:
    // Opens the index of `server` with the date and time it holds; null after a fatal failure.
    VindleIndex* OpenServerIndex(const std::string& server, uint32_t& date, uint32_t& time,
                                 std::vector<std::string>& messages);
    void SwitchTo(const std::string& server, std::vector<std::string>& messages);
    static void AddNames(VindleIndex* index, const std::vector<std::string>& names);
    std::vector<std::string> Scan(const std::string& node, bool below);

    IPrompt& m_prompt;
    const std::string m_directory;
    mutable std::mutex m_lock;
    // Guarded by m_lock:
    VindleIndex* m_index = nullptr;
    std::string m_server;
    uint32_t m_date = 0;
    uint32_t m_time = 0;
    std::vector<std::string> m_deferred;
};

}  // namespace corvane
