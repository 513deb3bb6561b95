#include "work/worker_display.h"

namespace corvane {

void CWorkerDisplay::SetStatusText(const std::string& text) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_state.status = text;
    ++m_state.change;
}

void CWorkerDisplay::SetProgress(int position) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_state.progress = position < 0 ? 0 : (position > kProgressSteps ? kProgressSteps : position);
    ++m_state.change;
}

void CWorkerDisplay::SetActivityImage(int image) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_state.activityImage = image;
    ++m_state.change;
}

void CWorkerDisplay::ShowPreview(const std::string& path) {
    std::lock_guard<std::mutex> guard(m_lock);
    m_state.previewPath = path;
    ++m_state.previewShows;
    ++m_state.change;
}

void CWorkerDisplay::ClearPreview() {
    std::lock_guard<std::mutex> guard(m_lock);
    m_state.previewPath.clear();
    ++m_state.change;
}

CWorkerDisplay::SState CWorkerDisplay::State() const {
    std::lock_guard<std::mutex> guard(m_lock);
    return m_state;
}

}  // namespace corvane
