#include "nntp/group_list_job.h"

#include <cstdio>
#include <string>
#include <vector>

#include "resources/string_table.h"

namespace corvane {
namespace {

bool IsSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// The command for this retrieval, and the status shown while it runs.
std::string ListCommand(INewsgroupStore& store, CNntpConnection& connection) {
    const uint32_t date = store.StoredDate();
    if (date == 0) {
        connection.SetStatusText(ResourceString(kIdsGettingNewsgroupList));
        return "LIST\r\n";
    }
    // Six digits each, leading zeros kept: 5 January 2005 is "050105".
    char command[64];
    std::snprintf(command, sizeof command, "NEWGROUPS %.06u %.06u\r\n", static_cast<unsigned>(date),
                  static_cast<unsigned>(store.StoredTime()));
    connection.SetStatusText(ResourceString(kIdsUpdatingNewsgroupList));
    return command;
}

// Reads names up to the "." line, storing every full batch as it comes. False when a line
// could not be read or the job was cancelled; cancelled tells which.
bool ReadNames(CCorvaneWorker& worker, const CWorkItem& item, INewsgroupStore& store,
               std::vector<std::string>& names, bool& cancelled) {
    CNntpConnection& connection = worker.Connection();
    std::string line;
    bool read = connection.ReceiveLine(line);
    while (read && line != ".") {
        if (worker.IsCancelled()) break;
        const std::string_view word = FirstWord(line);
        if (!word.empty()) names.emplace_back(word);
        // Batches carry no date: a retrieval cut short must not count as complete.
        if (names.size() >= kNamesPerBatch) {
            store.StoreNewsgroups(item.server, names, 0, 0);
            names.clear();
        }
        read = connection.ReceiveLine(line);
    }
    // A cancel also ends a read that was waiting; it is then no receive error.
    cancelled = worker.IsCancelled() && line != ".";
    if (cancelled) {
        connection.Disconnect();
        return false;
    }
    if (!read) connection.SetStatusText(ResourceString(kIdsReceiveError));
    return read;
}

}  // namespace

std::string_view FirstWord(std::string_view line) {
    size_t start = 0;
    while (start < line.size() && IsSpace(line[start])) ++start;
    size_t end = start;
    while (end < line.size() && !IsSpace(line[end]) && end - start < kMaxGroupNameLength) ++end;
    return line.substr(start, end - start);
}

SListStamp LocalListStamp(std::time_t moment) {
    std::tm local{};
    if (localtime_r(&moment, &local) == nullptr) return {};
    SListStamp stamp;
    stamp.date = static_cast<uint32_t>(((local.tm_year + 1900) % 100) * 10000 +
                                       (local.tm_mon + 1) * 100 + local.tm_mday);
    stamp.time = static_cast<uint32_t>(local.tm_hour * 10000 + local.tm_min * 100 + local.tm_sec);
    return stamp;
}

bool DoGroupList(CCorvaneWorker& worker, CWorkItem& item) {
    // Without a newsgroup index there is nowhere to put the names.
    INewsgroupStore* store = worker.Services().Newsgroups();
    if (store == nullptr) return false;
    if (!worker.ConnectFor(item)) return false;
    CNntpConnection& connection = worker.Connection();
    const SListStamp start = LocalListStamp(std::time(nullptr));
    const std::string command = ListCommand(*store, connection);
    connection.SetProgressRange(0, 1);
    connection.SendLine(command);
    std::string reply;
    if (!connection.ReceiveLine(reply)) {
        connection.SetStatusText(ResourceString(kIdsReceiveError));
        return false;
    }
    // Either code is taken for either command: servers differ in which they send.
    if (reply.compare(0, 3, "215") != 0 && reply.compare(0, 3, "231") != 0) {
        connection.Disconnect();
        connection.SetStatusText("");
        connection.SetProgress(0);
        return false;
    }
    std::vector<std::string> names;
    names.reserve(kNamesPerBatch);
    bool cancelled = false;
    if (!ReadNames(worker, item, *store, names, cancelled) && !cancelled) return false;
    if (!cancelled) store->StoreNewsgroups(item.server, names, start.date, start.time);
    connection.SetStatusText("");
    connection.SetProgress(0);
    return !cancelled;
}

}  // namespace corvane
