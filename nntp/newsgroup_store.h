#pragma once
// Where the group-list job keeps the server's newsgroups: the newsgroup index of the current
// server, through the application. Called from worker threads; implementations serialise a
// store against the user-interface thread replacing the index.
#include <cstdint>
#include <string>
#include <vector>

namespace corvane {

class INewsgroupStore {
public:
    virtual ~INewsgroupStore() = default;
    // The date (YYMMDD) and time (HHMMSS) of the last complete retrieval from the server whose
    // index is open; 0 when there was none.
    virtual uint32_t StoredDate() = 0;
    virtual uint32_t StoredTime() = 0;
    // Adds the names (those present already are kept once) and records the date and time.
    virtual void StoreNewsgroups(const std::string& server, const std::vector<std::string>& names,
                                 uint32_t date, uint32_t time) = 0;
};

}  // namespace corvane
