#pragma once
// The "Attachment Browser" window: draws the browser model (tabs, tree, text list or picture,
// status panes, buttons) and hands it the user's clicks; every decision is the model's. It
// owns its widgets and its CBrowserModel over the application's download log, prompt and
// settings. Main thread only. Non-modal; it deletes itself when closed, after the model has
// stored the tab, the shrink box and the placement and told the main model it is closed.
#include <QDialog>
#include <array>
#include <string>

#include "app/main_model.h"
#include "browser/browser_model.h"

class QCheckBox;
class QLabel;
class QListWidget;
class QPushButton;
class QTabBar;
class QTreeWidget;
class QTreeWidgetItem;

namespace corvane {

class CBrowserImageView;

class CBrowserWindow final : public QDialog {
    Q_OBJECT
public:
    CBrowserWindow(QWidget* parent, CMainModel& main);

    CBrowserModel& Model() { return m_model; }
    QTabBar* Tabs() const { return m_tabs; }
    QTreeWidget* Tree() const { return m_tree; }
    QListWidget* TextList() const { return m_list; }
    CBrowserImageView* ImageView() const { return m_image; }
    QCheckBox* ShrinkBox() const { return m_shrink; }
    QLabel* Pane(std::size_t pane) const { return m_panes.at(pane); }
    // The buttons by caption ("Kill Person", ..., "Close"); null for another caption.
    QPushButton* Button(const QString& caption) const;
    // Makes the first picture file of the tree current, opening its node; false when none.
    bool SelectFirstPicture();

protected:
    void closeEvent(QCloseEvent* event) override;
    void reject() override;

private:
    void BuildWidgets();
    void RestorePlacement();
    void Populate();
    void ShowModel(bool loadPicture);
    void OnCurrentItemChanged(QTreeWidgetItem* item);
    void OnExpansion(QTreeWidgetItem* item, bool expanded);
    void OnRemove(bool deleteFile);
    void OnEmptyLog();
    void OnRefresh();

    CMainModel& m_main;
    CBrowserModel m_model;
    bool m_closed = false;

    QTabBar* m_tabs = nullptr;
    QTreeWidget* m_tree = nullptr;
    QListWidget* m_list = nullptr;
    CBrowserImageView* m_image = nullptr;
    QCheckBox* m_shrink = nullptr;
    QPushButton* m_killPerson = nullptr;
    QPushButton* m_killSite = nullptr;
    QPushButton* m_remove = nullptr;
    QPushButton* m_removeFile = nullptr;
    std::array<QLabel*, kBrowserPaneCount> m_panes{};
};

// Opens the browser over the main model's log without waiting; the main window's hook.
bool OpenBrowserWindow(QWidget* parent, CMainModel& model);

// Opens the browser, shows its first picture, saves a grab of the window to `path` (PNG) and
// closes it again.
void SaveBrowserScreenshot(QWidget* parent, CMainModel& model, const std::string& path);

}  // namespace corvane
