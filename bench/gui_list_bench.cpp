// gui_list_bench: a million articles taken in by a main model's article store while a table
// view over the article list model is shown, then the list sorted by each of its six columns
// and scrolled from top to bottom a page at a time, each step with the events handled as the
// window's loop would. Runs offscreen unless QT_QPA_PLATFORM says otherwise. Prints the
// figures; it asserts nothing.
#include <QApplication>
#include <QHeaderView>
#include <QScrollBar>
#include <QTableView>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <random>
#include <string>

#include "app/main_model.h"
#include "gui/article_table_model.h"
#include "platform/clock.h"
#include "platform/prompt.h"
#include "platform/settings_store.h"

namespace {

using namespace corvane;
using Clock = std::chrono::steady_clock;

constexpr int kArticles = 1'000'000;
constexpr const char* kGroup = "alt.binaries.pictures.misc";
const char* const kMonths[] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                               "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
const char* const kPosters[] = {"Jane Doe <jane@example.org>", "bob@example.net (Bob)",
                                "poster <poster@binaries.example.com>", "zed@example.com"};
const char* const kSites[] = {"news.example.org", "feed.example.net", "spool.example.com"};

double Seconds(Clock::time_point since) {
    return std::chrono::duration<double>(Clock::now() - since).count();
}

std::unique_ptr<CArticle> MakeArticle(std::mt19937& rng, int number) {
    auto article = std::make_unique<CArticle>();
    char text[128];
    std::snprintf(text, sizeof text, "holiday %08u.jpg", static_cast<unsigned>(rng()));
    article->SetSubject(text);
    std::snprintf(text, sizeof text, "%02u %s 2026 %02u:%02u:%02u GMT",
                  static_cast<unsigned>(1 + rng() % 28), kMonths[rng() % 12],
                  static_cast<unsigned>(rng() % 24), static_cast<unsigned>(rng() % 60),
                  static_cast<unsigned>(rng() % 60));
    article->SetDate(text);
    std::snprintf(text, sizeof text, "<%d.%u@example.org>", number, static_cast<unsigned>(rng()));
    article->SetMessageId(text);
    article->SetFrom(kPosters[rng() % 4]);
    article->SetOrigin(kSites[rng() % 3]);
    article->SetNewsgroup(kGroup);
    article->SetArticleNumber(number);
    article->SetLines(static_cast<std::int32_t>(rng() % 5000));
    return article;
}

class CQuietView final : public IMainView {};

void AddGroup(CApplication& app) {
    auto group = std::make_unique<CSetupGroup>();
    group->SetName(kGroup);
    group->m_enabled = 1;
    app.Setup().m_groups.push_back(std::move(group));
}

}  // namespace

int main(int argc, char** argv) {
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    QApplication application(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);  // each figure as soon as it is measured

    const std::string dir = std::filesystem::temp_directory_path() / "corvane-gui-list-bench";
    std::filesystem::create_directories(dir);
    CMemorySettingsStore settings;
    CRecordingPrompt prompt(false);
    CManualClock clock(1000000);
    CApplication app(settings, prompt, clock, dir);
    CMessageQueue queue(CMainModel::kQueueCapacity);
    CManualTimerService timers(clock, queue);
    CQuietView view;
    // The same intake with no table attached: the difference is what the list model costs.
    {
        CMainModel model(app, queue, timers, view);
        model.Initialise(SCommandLine{});
        AddGroup(app);
        std::mt19937 rng(2026);
        const auto start = Clock::now();
        for (int i = 0; i < kArticles; ++i) model.Store().IntakeArticle(MakeArticle(rng, i + 1));
        std::printf("insert %d articles (no view): %.2f s\n", kArticles, Seconds(start));
    }
    app.Setup().m_groups.clear();
    {
        CMainModel model(app, queue, timers, view);
        model.Initialise(SCommandLine{});
        AddGroup(app);

        CArticleTableModel table(model);
        QTableView tableView;
        tableView.verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
        tableView.verticalHeader()->setDefaultSectionSize(18);
        tableView.setModel(&table);
        tableView.setSortingEnabled(false);
        tableView.resize(900, 480);
        tableView.show();
        QApplication::processEvents();

        std::mt19937 rng(2026);
        auto start = Clock::now();
        for (int i = 0; i < kArticles; ++i) {
            model.Store().IntakeArticle(MakeArticle(rng, i + 1));
            // The window's loop runs between batches of header messages.
            if (i % 10000 == 9999) QApplication::processEvents();
        }
        QApplication::processEvents();
        std::printf("insert %d articles (view attached): %.2f s, %d rows shown\n", kArticles,
                    Seconds(start), table.rowCount());

        const char* names[] = {"Group", "Subject", "Date", "From", "Lines", "Origin"};
        for (int column = 0; column < CArticleTableModel::kColCount; ++column) {
            start = Clock::now();
            table.sort(column);
            QApplication::processEvents();
            tableView.viewport()->repaint();
            std::printf("sort by %-8s %.3f s\n", names[column], Seconds(start));
        }

        QScrollBar* bar = tableView.verticalScrollBar();
        int pages = 0;
        start = Clock::now();
        bar->setValue(0);
        while (bar->value() < bar->maximum()) {
            bar->setValue(bar->value() + bar->pageStep());
            tableView.viewport()->repaint();
            QApplication::processEvents();
            ++pages;
        }
        const double scroll = Seconds(start);
        std::printf("scroll top to bottom: %d pages of %d rows in %.2f s (%.3f ms a page)\n", pages,
                    bar->pageStep(), scroll, pages ? 1000.0 * scroll / pages : 0.0);

        start = Clock::now();
        for (int i = 0; i < 1000; ++i) {
            tableView.scrollTo(table.index(static_cast<int>(rng() % kArticles), 1));
        }
        QApplication::processEvents();
        std::printf("1000 scrollTo jumps: %.3f s\n", Seconds(start));
    }
    std::filesystem::remove_all(dir);
    return 0;
}
