#include "setup/setup_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <new>
#include <unordered_set>

#include "resources/string_table.h"

namespace corvane {

namespace {

// Closes on every path out, so an early return cannot leak the descriptor.
class CFd {
public:
    explicit CFd(int fd) : m_fd(fd) {}
    CFd(const CFd&) = delete;
    CFd& operator=(const CFd&) = delete;
    ~CFd() {
        if (m_fd >= 0) ::close(m_fd);
    }
    int Get() const { return m_fd; }
    // A close that fails can mean the data never reached the disk, so a writer asks.
    bool Close() {
        const int fd = m_fd;
        m_fd = -1;
        return ::close(fd) == 0;
    }

private:
    int m_fd;
};

bool WriteAll(int fd, std::span<const std::uint8_t> bytes) {
    while (!bytes.empty()) {
        const ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        bytes = bytes.subspan(static_cast<std::size_t>(n));
    }
    return true;
}

// Written, flushed to the disk and closed without an error, or false.
bool WriteDurably(const std::string& path, std::span<const std::uint8_t> bytes) {
    CFd fd(::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666));
    if (fd.Get() < 0) return false;
    if (!WriteAll(fd.Get(), bytes) || ::fsync(fd.Get()) != 0) return false;
    return fd.Close();
}

// The rename is only durable once the directory entry is; a failure here leaves the new file
// in place and complete, so it is not reported.
void SyncDirectoryOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::string dir = slash == std::string::npos ? "." : path.substr(0, slash + 1);
    CFd fd(::open(dir.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (fd.Get() >= 0) ::fsync(fd.Get());
}

// Only regular files: a directory or a pipe under a setup file's name is an error, not
// something to wait on. Read to the end rather than trusting the size, which can change.
bool ReadWholeFile(const std::string& path, std::vector<std::uint8_t>& bytes) {
    CFd fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NONBLOCK));
    struct stat st {};
    if (fd.Get() < 0 || ::fstat(fd.Get(), &st) != 0 || !S_ISREG(st.st_mode)) return false;
    std::uint8_t chunk[65536];
    for (;;) {
        const ssize_t n = ::read(fd.Get(), chunk, sizeof chunk);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return false;
        if (n == 0) return true;
        bytes.insert(bytes.end(), chunk, chunk + n);
    }
}

std::vector<std::string> GroupNames(const CSetup& setup) {
    std::vector<std::string> names;
    names.reserve(setup.m_groups.size());
    for (const auto& group : setup.m_groups) names.push_back(group->Name());
    return names;
}

// A map value must be a multi-part record of the article list: anything else (a part inside
// a record, say) could be freed while the map still names it. Nulls carry nothing and are
// dropped quietly, as lists drop them. False when a value had to go for being elsewhere.
bool DropStrayMultiParts(CSetupFileContents& contents) {
    std::unordered_set<const CArticle*> listed;
    for (const auto& article : contents.m_articles) listed.insert(article.get());
    bool allListed = true;
    contents.m_multiParts.RemoveIf([&](const std::string&, CMultiPartArticle* record) {
        if (record == nullptr) return true;
        if (listed.contains(record)) return false;
        allListed = false;
        return true;
    });
    return allListed;
}

}  // namespace

void CSetupFileContents::ClearArticleState() {
    m_multiParts.Clear();
    m_articles.clear();
    m_messageIds.Clear();
    m_ranges.Reset();
}

CSetupFile::CSetupFile(IPrompt& prompt) : m_prompt(prompt) {
    RegisterSetupRecordClasses(m_registry);
    RegisterArticleRecordClasses(m_registry);
}

std::string CSetupFile::TempPathFor(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    const std::size_t nameStart = slash == std::string::npos ? 0 : slash + 1;
    const std::size_t dot = path.rfind('.');
    // A leading dot names a hidden file rather than starting an extension.
    std::string temp = dot != std::string::npos && dot > nameStart ? path.substr(0, dot) : path;
    temp += ".tmp";
    // A setup file that is itself called "x.tmp" would be truncated by its own save.
    if (temp == path) temp += ".tmp";
    return temp;
}

std::vector<std::uint8_t> CSetupFile::ToBytes(CSetupFileContents& contents) {
    CArchive ar;
    ar.WriteObject(contents.m_setup.get());
    // The setup record always says both of these items follow.
    contents.m_log.Serialize(ar);
    ar.SerializeList(contents.m_articles);
    ar.SerializeMap(contents.m_messageIds);
    ar.SerializeMap(contents.m_multiParts);
    contents.m_ranges.Serialize(ar);
    return ar.Bytes();
}

bool CSetupFile::Save(CSetupFileContents& contents, const std::string& path) {
    contents.m_ranges.PurgeGroupsNotIn(GroupNames(*contents.m_setup));
    const std::string temp = TempPathFor(path);
    bool ok = false;
    try {
        const std::vector<std::uint8_t> bytes = ToBytes(contents);
        // rename replaces the old file in one step: at every moment either the old or the
        // new file is complete under its name.
        ok = WriteDurably(temp, bytes) && std::rename(temp.c_str(), path.c_str()) == 0;
    } catch (const CArchiveException&) {
    } catch (const std::bad_alloc&) {
    }
    if (ok) {
        SyncDirectoryOf(path);
        return true;
    }
    ::unlink(temp.c_str());
    m_prompt.ShowMessage(ResourceString(kIdsSetupSaveFailed));
    return false;
}

bool CSetupFile::SaveAs(CSetupFileContents& contents, const std::string& path) {
    contents.m_fileName = path;
    return Save(contents, path);
}

bool CSetupFile::Load(CSetupFileContents& contents, const std::string& path, std::uint32_t now) {
    contents.m_log.Clear();
    contents.ClearArticleState();
    bool ok = false;
    try {
        std::vector<std::uint8_t> bytes;
        ok = ReadWholeFile(path, bytes) && ReadItems(contents, bytes);
    } catch (const std::bad_alloc&) {
    }
    contents.m_fileName = ok ? path : std::string();
    return FinishLoad(contents, ok, now);
}

bool CSetupFile::LoadFromBytes(CSetupFileContents& contents, std::span<const std::uint8_t> bytes,
                               std::uint32_t now) {
    contents.m_log.Clear();
    contents.ClearArticleState();
    contents.m_fileName.clear();
    return FinishLoad(contents, ReadItems(contents, bytes), now);
}

bool CSetupFile::ReadItems(CSetupFileContents& contents, std::span<const std::uint8_t> bytes) {
    // Each item goes straight into contents, so what was read before a failure stays there
    // and outlives the archive, which may name any of it until it is gone.
    CArchive ar(m_registry, bytes);
    try {
        std::unique_ptr<CSetup> setup = ar.ReadOwned<CSetup>();
        if (!setup) throw CArchiveException(EArchiveError::kBadClass);
        contents.m_setup = std::move(setup);
        if (contents.m_setup->m_logPresent != 0) contents.m_log.Serialize(ar);
        ar.SerializeList(contents.m_articles);
        ar.SerializeMap(contents.m_messageIds);
        ar.SerializeMap(contents.m_multiParts);
        if (contents.m_setup->m_rangesPresent != 0) contents.m_ranges.Serialize(ar);
        return true;
    } catch (const CArchiveException&) {
        return false;
    } catch (const std::bad_alloc&) {
        return false;
    }
}

bool CSetupFile::FinishLoad(CSetupFileContents& contents, bool ok, std::uint32_t now) {
    ok = DropStrayMultiParts(contents) && ok;
    if (!ok) {
        contents.m_setup = std::make_unique<CSetup>();
        contents.m_fileName.clear();
        m_prompt.ShowMessage(ResourceString(kIdsSetupLoadFailed));
    }
    contents.m_messageIds.RemoveIf(
        [now](const std::string&, const std::unique_ptr<CMsgDetails>& details) {
            return details == nullptr || details->AgeInDays(now) > kMessageIdKeepDays;
        });
    return ok;
}

}  // namespace corvane
