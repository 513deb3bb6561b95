#pragma once
// The group list as a Qt table: "News Group" (with the group type's icon), "Status" and
// "Rel. Path", one row per group of the current setup in setup order. It keeps a copy of the
// shown values, so a setup replaced under it (Options, Open, New) never leaves it pointing at
// freed groups; Refresh() takes the current setup's groups again. Main thread only.
#include <QAbstractTableModel>
#include <QString>
#include <array>
#include <vector>

#include "app/settings_keys.h"

namespace corvane {

class CMainModel;

class CGroupTableModel : public QAbstractTableModel {
    Q_OBJECT

public:
    enum EColumn { kColName, kColStatus, kColRelPath, kColCount };

    explicit CGroupTableModel(CMainModel& model, QObject* parent = nullptr);

    // The settings key and default width of each column, in column order.
    static const std::array<SColumnKey, kColCount>& ColumnKeys();

    // Rebuilds every row from the setup's group list.
    void Refresh();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

private:
    struct SRow {
        QString name;
        QString relativePath;
        bool enabled = false;
        int type = 0;
    };

    CMainModel& m_model;
    std::vector<SRow> m_rows;
};

}  // namespace corvane
