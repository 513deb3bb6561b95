// corvane-screenshots DIR: draws the main window with a listed group, the options sheet and the
// setup wizard as a user first sees them, and saves each as a PNG in DIR. Run under Xvfb
// (scripts/screenshots.sh) for the pictures in docs/; the program's own data stays untouched
// (a temporary data folder, settings in memory).
#include <unistd.h>

#include <QApplication>
#include <QPixmap>
#include <QWizard>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <string>
#include <thread>

#include "app/application.h"
#include "app/main_model.h"
#include "gui/browser_window.h"
#include "gui/main_window.h"
#include "gui/options_sheet.h"
#include "gui/qt_prompt.h"
#include "gui/qt_timer_service.h"
#include "gui/setup_wizard.h"
#include "images/png_file.h"
#include "platform/settings_store.h"
#include "work/messages.h"

namespace {

using namespace corvane;

void Settle(CMessageQueue& queue, CMainModel& model) {
    for (int round = 0; round < 40; ++round) {
        SMessage message;
        while (queue.TryGet(message)) model.HandleMessage(message);
        QApplication::processEvents();
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

bool Save(QWidget& widget, const std::string& path) {
    const bool ok = widget.grab().save(QString::fromStdString(path), "PNG");
    std::printf("%s %s\n", ok ? "wrote" : "could not write", path.c_str());
    return ok;
}

void AddGroup(CSetup& setup, const char* name, bool enabled, const char* folder) {
    auto group = std::make_unique<CSetupGroup>();
    group->SetName(name);
    group->m_enabled = enabled ? 1 : 0;
    group->SetRelativePath(folder);
    setup.m_groups.push_back(std::move(group));
}

void PostHeader(CMessageQueue& queue, int number, const std::string& subject, const char* from,
                const std::string& date, int lines) {
    auto article = std::make_unique<CArticle>();
    article->SetArticleNumber(number);
    article->SetSubject(subject);
    article->SetNewsgroup("alt.binaries.pictures.landscapes");
    article->SetMessageId("<shot." + std::to_string(number) + "@example.org>");
    article->SetFrom(from);
    article->SetDate(date);
    article->SetOrigin(number % 2 ? "news.example.net" : "feed.example.org");
    article->SetLines(lines);
    queue.PostUntilAccepted(UWM_ARTICLE_HEADER, 0, article.release());
}

// A landscape drawn in code (sky, sun, hills, water), saved as a PNG the browser can show.
std::string WritePicture(const std::string& directory) {
    const int width = 480, height = 320;
    CPngImage picture;
    if (!picture.Create(width, height, 24)) return {};
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const double sunDx = x - 360.0, sunDy = y - 80.0;
            const double hill = 200 + 30 * std::sin(x / 60.0) + 15 * std::sin(x / 23.0);
            SRgb color{static_cast<uint8_t>(90 + y / 4), static_cast<uint8_t>(150 + y / 5), 235};
            if (sunDx * sunDx + sunDy * sunDy < 38 * 38) color = {255, 214, 90};
            if (y > hill) color = {static_cast<uint8_t>(60 + (x % 40)), 140, 70};
            if (y > 270) color = {40, static_cast<uint8_t>(90 + (x + y) % 30), 160};
            picture.SetColor(x, height - 1 - y, color);  // rows are stored bottom up
        }
    }
    const std::string path = directory + "/harbour.png";
    return picture.Save(path) != 0 ? path : std::string();
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 2) {
        std::fprintf(stderr, "usage: corvane-screenshots DIR\n");
        return 2;
    }
    const std::string out = argv[1];
    char pattern[] = "/tmp/corvane-shots-XXXXXX";
    if (::mkdtemp(pattern) == nullptr) return 1;
    const std::string data = pattern;

    QApplication application(argc, argv);
    CMemorySettingsStore settings;
    settings.WriteInt("Data", "Wizard", 0);
    CQtPrompt prompt;
    CSteadyClock clock;
    CApplication app(settings, prompt, clock, data);
    CMessageQueue queue(CMainModel::kQueueCapacity);
    CQtTimerService timers(queue);
    CMainWindow window(app);
    CMainModel model(app, queue, timers, window);
    window.Attach(model);
    model.Initialise({});
    CSetup& setup = app.Setup();
    setup.SetNewsServer("news.example.net");
    AddGroup(setup, "alt.binaries.pictures.landscapes", true, "landscapes");
    AddGroup(setup, "alt.binaries.pictures.animals", true, "animals");
    AddGroup(setup, "alt.binaries.pictures.misc", false, "");
    model.SetThreadsSlider(0);  // nothing is fetched: the picture shows the queue as it waits
    // Installed as the Options sheet's OK does; `setup` names the replaced record from here on.
    model.ApplyOptions(std::make_unique<CSetup>(setup));
    window.resize(1000, 680);
    window.show();

    const char* authors[] = {"Anna Berg <anna@example.org>", "photo@example.net",
                             "Kees de Vries <kees@example.nl>"};
    const char* names[] = {"glacier", "harbour", "meadow", "dunes", "lagoon", "sunrise",
                           "panorama", "forest", "canyon", "aurora", "delta", "ridge"};
    int number = 1000;
    for (int i = 0; i < 12; ++i) {
        const std::string base = std::string(names[i]) + ".jpg";
        const int parts = i % 3 == 0 ? 3 : 1;
        for (int part = 1; part <= parts; ++part) {
            if (i == 3 && part == 2) continue;  // one incomplete posting
            const std::string subject =
                parts == 1 ? base + " (1/1)"
                           : base + " (" + std::to_string(part) + "/" + std::to_string(parts) + ")";
            const std::string date = "2026-11-2" + std::to_string(i % 8) + " 14:0" +
                                     std::to_string(i % 10) + ":00";
            PostHeader(queue, number++, subject, authors[i % 3], date, 1800 + 97 * i);
        }
    }
    Settle(queue, model);
    model.Rows().SelectAndFocus(1);
    model.Execute(1059);  // queued: the row shows its queued state while the slider is at 0
    Settle(queue, model);

    std::filesystem::create_directories(out);
    bool ok = Save(window, out + "/main_window.png");

    CSetup copy(app.Setup());
    COptionsSheet sheet(&window, copy, settings);
    sheet.show();
    Settle(queue, model);
    ok = Save(sheet, out + "/options_sheet.png") && ok;
    sheet.hide();

    CSetupWizard wizard(&window, model);
    wizard.show();
    Settle(queue, model);
    wizard.next();
    wizard.next();
    Settle(queue, model);
    ok = Save(wizard, out + "/setup_wizard.png") && ok;
    wizard.hide();

    // The browser over a log that holds one saved picture and one text file.
    const std::string picture = WritePicture(data);
    if (!picture.empty()) {
        auto entry = std::make_unique<CLogEntry>();
        entry->SetFileName(picture);
        entry->SetNewsgroup("alt.binaries.pictures.landscapes");
        entry->SetSubject("harbour.png (1/1)");
        entry->SetOrigin("news.example.net");
        entry->SetAuthor("Anna Berg <anna@example.org>");
        entry->SetLines(1897);
        app.Log().Add(std::move(entry));
        SaveBrowserScreenshot(&window, model, out + "/browser.png");
        std::printf("wrote %s/browser.png\n", out.c_str());
    }

    window.Detach();
    std::filesystem::remove_all(data);
    return ok ? 0 : 1;
}
