#include "gui/article_table_model.h"

#include <QIcon>
#include <QString>
#include <string_view>

#include "app/main_model.h"
#include "gui/icons.h"

namespace corvane {
namespace {

QString FromUtf8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

const char* const kTitles[CArticleTableModel::kColCount] = {"Group", "Subject", "Date",
                                                            "From",  "Lines",   "Origin"};

}  // namespace

CArticleTableModel::CArticleTableModel(CMainModel& model, QObject* parent)
    : QAbstractTableModel(parent), m_model(model), m_rows(model.Rows().Rows()) {
    m_model.Rows().SetView(this);
}

CArticleTableModel::~CArticleTableModel() {
    m_model.Rows().SetView(nullptr);
}

const std::array<SColumnKey, CArticleTableModel::kColCount>& CArticleTableModel::ColumnKeys() {
    return kArticleListColumns;
}

int CArticleTableModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int CArticleTableModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : kColCount;
}

QVariant CArticleTableModel::data(const QModelIndex& index, int role) const {
    const CArticle* article = index.isValid() ? ArticleAt(index.row()) : nullptr;
    if (!article) return {};
    const int column = index.column();
    if (role == Qt::DecorationRole) {
        if (column != kColGroup) return {};
        return icons::ArticleState(article->StateImage());
    }
    if (role == Qt::TextAlignmentRole && column == kColLines) {
        return QVariant::fromValue(Qt::AlignRight | Qt::AlignVCenter);
    }
    if (role != Qt::DisplayRole && role != Qt::ToolTipRole) return {};
    switch (column) {
        case kColGroup:
            return FromUtf8(article->Newsgroup());
        case kColSubject:
            // Only a joined posting composes its subject; a single one shows its own text
            // without building a string per painted cell.
            if (article->IsMultiPart()) return FromUtf8(article->DisplaySubject());
            return FromUtf8(article->Subject());
        case kColDate:
            return FromUtf8(article->Date());
        case kColFrom:
            return FromUtf8(article->From());
        case kColLines:
            return QString::number(article->Lines());
        case kColOrigin:
            return FromUtf8(article->Origin());
        default:
            return {};
    }
}

QVariant CArticleTableModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole) return {};
    if (section < 0 || section >= kColCount) return {};
    return QString::fromLatin1(kTitles[section]);
}

void CArticleTableModel::sort(int column, Qt::SortOrder /*order*/) {
    // A view asks with -1 when its sort indicator is cleared: that is no column to sort by.
    if (column < 0 || column >= kColCount) return;
    m_model.SortByColumn(column);
}

CArticle* CArticleTableModel::ArticleAt(int row) const {
    if (row < 0 || static_cast<std::size_t>(row) >= m_rows.size()) return nullptr;
    return m_rows[static_cast<std::size_t>(row)];
}

int CArticleTableModel::RowOf(const CArticle* article) const {
    EnsureIndex();
    const auto it = m_index.find(article);
    return it == m_index.end() ? -1 : it->second;
}

void CArticleTableModel::EnsureIndex() const {
    if (m_indexValid) return;
    m_index.clear();
    m_index.reserve(m_rows.size());
    for (std::size_t i = 0; i < m_rows.size(); ++i) m_index.emplace(m_rows[i], static_cast<int>(i));
    m_indexValid = true;
}

void CArticleTableModel::OnArticleInserted(std::size_t row, const CArticle& article) {
    // The rows append; anything else means this mirror missed an event, and only a full
    // reset brings the view back in step.
    if (row != m_rows.size()) {
        OnRowsReset();
        return;
    }
    const int at = static_cast<int>(row);
    beginInsertRows(QModelIndex(), at, at);
    m_rows.push_back(const_cast<CArticle*>(&article));
    if (m_indexValid) m_index.emplace(&article, at);
    endInsertRows();
}

void CArticleTableModel::OnArticleChanged(const CArticle& article) {
    const int row = RowOf(&article);
    if (row < 0) return;
    emit dataChanged(index(row, 0), index(row, kColCount - 1));
}

void CArticleTableModel::OnArticleRemoved(std::size_t row, const CArticle& article) {
    int at = static_cast<int>(row);
    if (row >= m_rows.size() || m_rows[row] != &article) {
        // The record still sits in the rows during this call, so a reset cannot help here:
        // find it in the mirror instead.
        at = RowOf(&article);
        if (at < 0) return;
    }
    beginRemoveRows(QModelIndex(), at, at);
    m_rows.erase(m_rows.begin() + at);
    // Every later row moved up by one: rebuilding on the next lookup is cheaper than
    // renumbering now, since removals come in runs.
    m_indexValid = false;
    m_index.clear();
    endRemoveRows();
}

void CArticleTableModel::OnRowsReset() {
    beginResetModel();
    m_rows = m_model.Rows().Rows();
    m_indexValid = false;
    m_index.clear();
    endResetModel();
}

void CArticleTableModel::OnSelectionChanged() {
    emit SelectionChanged();
}

void CArticleTableModel::OnScrollTo(std::size_t row) {
    if (row < m_rows.size()) emit ScrollRequested(static_cast<int>(row));
}

}  // namespace corvane
