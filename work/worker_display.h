#pragma once
// What one worker row of the main window shows: status text, progress (0..20), the activity
// image and the preview (the partly written file the row's thumbnail shows). The worker writes
// it from its own thread; the window reads it from the main thread (polling, or woken by the
// change number). The worker never touches a widget.
#include <cstdint>
#include <mutex>
#include <string>

namespace corvane {

// Bitmaps of the activity indicator.
inline constexpr int kActivityIdleImage = 142;
inline constexpr int kActivityActiveImage = 143;
inline constexpr int kProgressSteps = 20;
// One row per worker thread.
inline constexpr int kMaxWorkerRows = 8;

class CWorkerDisplay {
public:
    struct SState {
        std::string status;
        int progress = 0;
        int activityImage = kActivityIdleImage;
        std::string previewPath;  // empty: the thumbnail is cleared
        // Grows with every ShowPreview: the same file is shown again once more of it has
        // been written, so a path that did not change still asks for a reload.
        uint64_t previewShows = 0;
        uint64_t change = 0;  // grows with every write, so a reader sees whether to repaint
    };

    void SetStatusText(const std::string& text);
    void SetProgress(int position);
    void SetActivityImage(int image);
    void ShowPreview(const std::string& path);
    void ClearPreview();
    SState State() const;

private:
    mutable std::mutex m_lock;
    SState m_state;
};

// The kinds of control a worker is handed (the order is the protocol's).
enum class WorkerControl : int { Status = 0, Progress = 1, Activity = 2, Preview = 3 };

}  // namespace corvane
