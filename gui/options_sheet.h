#pragma once
// The "Options" sheet: five tabs ("General", "Dial Up", "Server", "Groups", "Criteria") over
// COptionsSheetModel, which edits the copy of the setup the main window made. Live edits go to
// the copy as the controls change; the General values and the port go in on OK, which a port
// outside 1-32768 refuses with a message. The list columns take their widths from the settings
// when the sheet opens and store them when it closes. Main thread only.
#include <QDialog>
#include <array>

#include "dialogs/options_sheet_model.h"
#include "platform/settings_store.h"

class QCheckBox;
class QComboBox;
class QLineEdit;
class QSpinBox;
class QTabWidget;
class QTreeWidget;

namespace corvane {

// Edits `copy` in place; true on OK. The main window installs the copy on true.
bool RunOptionsSheet(QWidget* parent, CSetup& copy, ISettingsStore& settings);

class COptionsSheet : public QDialog {
    Q_OBJECT
public:
    COptionsSheet(QWidget* parent, CSetup& copy, ISettingsStore& settings);
    ~COptionsSheet() override;

    void accept() override;

private:
    QWidget* BuildGeneral();
    QWidget* BuildDialup();
    QWidget* BuildServer();
    QWidget* BuildGroups();
    QWidget* BuildCriteria();
    void ShowDialupState();
    void ShowGroups();
    void ShowCriteriaGroups();
    void ShowConditions();
    int SelectedGroupRow() const;
    int SelectedCriteriaGroup() const;
    int SelectedCondition() const;
    void AddGroup();
    void EditGroup();
    void AddCriteriaGroup();
    void EditCriteriaGroup();
    void AddCondition();
    void EditCondition();
    QTreeWidget* MakeList(const char* name, const std::array<SSheetColumn, 3>& columns);
    void SaveColumnWidths();

    COptionsSheetModel m_model;
    ISettingsStore& m_settings;
    QTabWidget* m_pages = nullptr;
    std::array<QCheckBox*, 6> m_flags{};
    QSpinBox* m_giveUpLines = nullptr;
    QSpinBox* m_autoSave = nullptr;
    QSpinBox* m_timeOut = nullptr;
    QCheckBox* m_direct = nullptr;
    QComboBox* m_entry = nullptr;
    QCheckBox* m_connectIfNot = nullptr;
    QCheckBox* m_hangUp = nullptr;
    QLineEdit* m_user = nullptr;
    QLineEdit* m_password = nullptr;
    QLineEdit* m_port = nullptr;
    QTreeWidget* m_groups = nullptr;
    QTreeWidget* m_criteriaGroups = nullptr;
    QTreeWidget* m_conditions = nullptr;
};

}  // namespace corvane
