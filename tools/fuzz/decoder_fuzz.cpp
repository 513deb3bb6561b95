// libFuzzer target: article lines from untrusted bytes into an attachment decoder writing into
// a fresh download directory. Whatever the lines say, every file must land directly in that
// directory, nothing may appear beside it, an aborted article must leave nothing behind, and a
// finished one exactly the files its decoders name (less the duplicates).
//
// Input: byte 0 chooses decode (bit 0), overwrite (bit 1), finish or abort at the end (bit 2)
// and the file index option (bit 3); byte 1 is a mask cycled over the lines, a set bit marking
// a header line; the rest is split at '\n' into lines.
#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <map>
#include <set>
#include <string>
#include <string_view>
#include <utility>

#include "store/attachment_decoder.h"

namespace {

using corvane::AttachmentDecoder;
using corvane::EFeed;

void Check(bool condition) {
    if (!condition) std::abort();
}

class CMemoryRegistry : public corvane::IFileRegistry {
public:
    bool UseFileDatabase() override { return useFileDatabase; }
    bool FileKnown(std::string_view name, std::uint64_t length) override {
        return known.count({std::string(name), length}) != 0;
    }
    void RememberFile(std::string_view name, std::uint64_t length) override {
        known.insert({std::string(name), length});
    }
    bool useFileDatabase = false;
    std::set<std::pair<std::string, std::uint64_t>> known;
};

struct SFolders {
    std::string root;
    std::string downloads;
};

const SFolders& Folders() {
    static const SFolders folders = [] {
        // libFuzzer ends with _Exit, so the (empty) folders stay behind after a run.
        char tmpl[] = "/tmp/corvane-decoder-fuzz-XXXXXX";
        const char* made = mkdtemp(tmpl);
        Check(made != nullptr);
        return SFolders{made, std::string(made) + "/downloads"};
    }();
    return folders;
}

std::set<std::string> List(const std::string& folder) {
    std::set<std::string> names;
    if (DIR* dir = opendir(folder.c_str())) {
        while (const dirent* e = readdir(dir)) {
            const std::string name = e->d_name;
            if (name != "." && name != "..") names.insert(name);
        }
        closedir(dir);
    }
    return names;
}

void EmptyDownloads(const std::string& folder) {
    for (const std::string& name : List(folder)) {
        const std::string path = folder + "/" + name;
        struct stat st {};
        Check(lstat(path.c_str(), &st) == 0);
        Check(!S_ISDIR(st.st_mode));  // the decoder never makes a directory below its own
        unlink(path.c_str());
    }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const SFolders& folders = Folders();
    const bool decode = data[0] & 1, overwrite = data[0] & 2, finish = data[0] & 4;
    const std::uint8_t headerMask = data[1];
    CMemoryRegistry registry;
    registry.useFileDatabase = data[0] & 8;

    AttachmentDecoder* decoder = AttachmentDecoder::Create(
        decode, "alt.binaries.fuzz", folders.downloads, overwrite, 42, &registry);
    std::string_view input(reinterpret_cast<const char*>(data + 2), size - 2);
    bool givenUp = false;
    for (unsigned n = 0; !input.empty() && !givenUp; ++n) {
        const std::size_t end = std::min(input.find('\n'), input.size());
        const bool header = (headerMask >> (n % 8)) & 1;
        givenUp = decoder->FeedLine(input.substr(0, end), header) != EFeed::kGoOn;
        input.remove_prefix(std::min(end + 1, input.size()));
    }
    if (!givenUp && finish) givenUp = decoder->Finish() != EFeed::kGoOn;
    if (!finish || givenUp) decoder->Abort();

    // A name written twice (overwrite on) is decided by the last decoder that wrote it.
    std::map<std::string, bool> kept;
    const std::string prefix = folders.downloads + "/";
    for (const AttachmentDecoder* d = decoder; d != nullptr; d = d->Next()) {
        if (d->OwnPath().empty()) continue;
        Check(d->OwnPath() == prefix + d->OwnFileName());
        Check(d->OwnFileName().find('/') == std::string::npos);
        Check(d->OwnFileName() != "." && d->OwnFileName() != "..");
        Check(d->OwnFileName().size() <= 255);
        kept[d->OwnFileName()] = finish && !givenUp && !d->Duplicate();
    }
    std::set<std::string> expected;
    for (const auto& [name, stays] : kept) {
        if (stays) expected.insert(name);
    }
    const std::set<std::string> beside = List(folders.root);
    Check(beside.empty() || beside == std::set<std::string>{"downloads"});
    Check(List(folders.downloads) == expected);
    decoder->Release();
    Check(List(folders.downloads) == expected);  // a finished chain keeps its files
    EmptyDownloads(folders.downloads);
    return 0;
}
