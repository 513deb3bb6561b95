#pragma once
// Import of files already on disk into the file name/size index, so that they are recognised
// when they are posted again. Runs on the main thread; the progress window is reached through
// IImportProgress, which also lets pending window messages run when asked whether the user
// cancelled. Takes nothing over.
#include <string>
#include <string_view>

#include "platform/prompt.h"
#include "store/file_registry.h"

namespace corvane {

// The progress window of an import.
class IImportProgress {
public:
    virtual ~IImportProgress() = default;
    virtual void ShowText(std::string_view text) = 0;
    virtual void ResetProgress() = 0;
    virtual void StepProgress() = 0;
    // Lets pending window messages run, then answers whether the user cancelled.
    virtual bool Cancelled() = 0;
};

// Texts the import shows.
constexpr std::string_view kImportProcessingText = "Processing Directory:\t";
constexpr std::string_view kImportCancelledText = "Progress Cancelled";
std::string ImportedFilesText(int count);  // "Imported %d files."

struct SImportOptions {
    bool processSubdirectories = true;
    bool allFiles = false;  // false: image files only (jpg, gif, jpeg, bmp, png)
};

// Adds (name, low 32 bits of the length) of every file taken in `directory` (and below it when
// asked) to the index. The number of files new to the index, or its negative when cancelled.
int ImportDirectory(const std::string& directory, const SImportOptions& options,
                    IFileRegistry& index, IImportProgress& progress);

// The whole command after "OK": one trailing "/" dropped, the import, "Progress Cancelled"
// when it was cancelled, and the count shown in a message. Returns the count (not negated).
int ImportFileData(std::string path, const SImportOptions& options, IFileRegistry& index,
                   IImportProgress& progress, IPrompt& prompt);

// Whether a name has one of the image extensions the import takes by default.
bool HasImageExtension(std::string_view name);

}  // namespace corvane
