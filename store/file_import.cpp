#include "store/file_import.h"

#include <dirent.h>
#include <sys/stat.h>

#include <array>
#include <cstdint>
#include <memory>

#include "store/attachment_name.h"

namespace corvane {
namespace {

struct CDirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// What an entry is and how long: directories count as length 0, and a symbolic link is never
// taken for a directory, so a link cannot lead the import round in a circle.
struct SEntryFacts {
    bool directory = false;
    std::uint64_t length = 0;
};

bool Examine(const std::string& path, SEntryFacts& facts) {
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0) return false;
    facts.directory = S_ISDIR(st.st_mode);
    if (S_ISLNK(st.st_mode)) {
        struct stat target {};
        if (::stat(path.c_str(), &target) == 0 && !S_ISDIR(target.st_mode)) st = target;
    }
    facts.length = facts.directory ? 0 : static_cast<std::uint64_t>(st.st_size) & 0xffffffffu;
    return true;
}

int Negated(int count) {
    return -count;
}

}  // namespace

std::string ImportedFilesText(int count) {
    return "Imported " + std::to_string(count) + " files.";
}

bool HasImageExtension(std::string_view name) {
    const std::size_t dot = name.rfind('.');
    const std::string_view ext = dot == std::string_view::npos ? "" : name.substr(dot + 1);
    constexpr std::array<std::string_view, 5> kImages = {"jpg", "gif", "jpeg", "bmp", "png"};
    for (const std::string_view image : kImages) {
        if (ext.size() == image.size() && StartsWithNoCase(ext, image)) return true;
    }
    return false;
}

int ImportDirectory(const std::string& directory, const SImportOptions& options,
                    IFileRegistry& index, IImportProgress& progress) {
    progress.ShowText(std::string(kImportProcessingText) + directory);
    progress.ResetProgress();
    int count = 0;
    std::unique_ptr<DIR, CDirCloser> dir(::opendir(directory.c_str()));
    if (!dir) return 0;
    if (progress.Cancelled()) return Negated(count);
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name != "." && name != "..") {
            const std::string path = directory + "/" + std::string(name);
            SEntryFacts facts;
            const bool known = Examine(path, facts);
            if (known && facts.directory && options.processSubdirectories) {
                progress.StepProgress();
                const int below = ImportDirectory(path, options, index, progress);
                if (below < 0) return Negated(count) + below;
                count += below;
            } else if (known && (options.allFiles || HasImageExtension(name))) {
                if (!index.FileKnown(name, facts.length)) ++count;
                index.RememberFile(name, facts.length);
            }
        }
        if (progress.Cancelled()) return Negated(count);
    }
    return count;
}

int ImportFileData(std::string path, const SImportOptions& options, IFileRegistry& index,
                   IImportProgress& progress, IPrompt& prompt) {
    if (path.size() > 1 && path.back() == '/') path.pop_back();
    int count = ImportDirectory(path, options, index, progress);
    if (count < 0) {
        progress.ShowText(kImportCancelledText);
        count = -count;
    }
    prompt.ShowMessage(ImportedFilesText(count));
    return count;
}

}  // namespace corvane
