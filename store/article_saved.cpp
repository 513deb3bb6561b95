#include "store/article_saved.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <memory>

namespace corvane {

bool AppendDescription(const std::string& directory, std::string_view fileName,
                       std::string_view subject) {
    std::string line;
    line.reserve(fileName.size() + subject.size() + 3);
    line.append(fileName).append(" ");
    for (const char c : subject) line.push_back(c == '\r' || c == '\n' ? ' ' : c);
    line.append("\r\n");

    std::string path = directory;
    if (!path.empty() && path.back() != '/') path.push_back('/');
    path.append(kDescriptionFileName);
    const int fd =
        ::open(path.c_str(), O_WRONLY | O_CREAT | O_APPEND | O_NOFOLLOW | O_CLOEXEC, 0644);
    if (fd < 0) return false;
    // One write per line: with O_APPEND two windows' lines cannot interleave.
    std::size_t done = 0;
    bool ok = true;
    while (done < line.size()) {
        const ssize_t n = ::write(fd, line.data() + done, line.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) {
            ok = false;
            break;
        }
        done += static_cast<std::size_t>(n);
    }
    ::close(fd);
    return ok;
}

void RecordSavedArticle(const AttachmentDecoder& chain, std::string_view displaySubject,
                        std::string_view origin, std::string_view author, std::int32_t lines,
                        bool loggingOn, CDownloadLog& log) {
    for (const AttachmentDecoder* d = &chain; d != nullptr; d = d->Next()) {
        if (d->OwnPath().empty()) return;
        if (d->Duplicate() || !loggingOn) continue;
        auto entry = std::make_unique<CLogEntry>();
        entry->SetFileName(d->OwnPath());
        entry->SetNewsgroup(d->BaseName());
        entry->SetSubject(std::string(displaySubject));
        entry->SetOrigin(std::string(origin));
        entry->SetAuthor(std::string(author));
        entry->SetLines(lines);
        AppendDescription(d->Directory(), d->OwnFileName(), displaySubject);
        log.Add(std::move(entry));
    }
}

}  // namespace corvane
