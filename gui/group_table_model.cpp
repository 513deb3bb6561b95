#include "gui/group_table_model.h"

#include "app/main_model.h"
#include "gui/icons.h"

namespace corvane {
namespace {

const char* const kTitles[CGroupTableModel::kColCount] = {"News Group", "Status", "Rel. Path"};

}  // namespace

CGroupTableModel::CGroupTableModel(CMainModel& model, QObject* parent)
    : QAbstractTableModel(parent), m_model(model) {
    Refresh();
}

const std::array<SColumnKey, CGroupTableModel::kColCount>& CGroupTableModel::ColumnKeys() {
    return kGroupListColumns;
}

void CGroupTableModel::Refresh() {
    beginResetModel();
    m_rows.clear();
    const auto& groups = m_model.Setup().m_groups;
    m_rows.reserve(groups.size());
    for (const auto& group : groups) {
        if (!group) continue;
        m_rows.push_back(SRow{QString::fromStdString(group->Name()),
                              QString::fromStdString(group->RelativePath()), group->m_enabled != 0,
                              group->m_type});
    }
    endResetModel();
}

int CGroupTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CGroupTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColCount;
}

QVariant CGroupTableModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || index.row() < 0 || index.row() >= rowCount()) return {};
    const SRow& row = m_rows[static_cast<std::size_t>(index.row())];
    if (role == Qt::DecorationRole) {
        if (index.column() == kColName) return icons::GroupType(row.type);
        return {};
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (index.column()) {
        case kColName:
            return row.name;
        case kColStatus:
            return row.enabled ? QStringLiteral("Enabled") : QStringLiteral("Disabled");
        case kColRelPath:
            return row.relativePath;
        default:
            return {};
    }
}

QVariant CGroupTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= kColCount) return {};
    return QString::fromLatin1(kTitles[section]);
}

}  // namespace corvane
