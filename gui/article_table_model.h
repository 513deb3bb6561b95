#pragma once
// The article list as a Qt table: six columns over the main model's CArticleRows, in screen
// order. It owns only a mirror of the row pointers (the records stay the article store's) and
// a pointer-to-row index built on demand, so that a changed record finds its row without a
// walk over a million rows. Main thread only: the rows tell it of every change through
// IArticleRowsView while the store runs, and it passes them on as model signals. Selection
// and scroll requests of the rows are handed to the window as the two signals below.
#include <QAbstractTableModel>
#include <array>
#include <cstddef>
#include <unordered_map>
#include <vector>

#include "app/article_rows.h"
#include "app/settings_keys.h"

namespace corvane {

class CMainModel;

class CArticleTableModel : public QAbstractTableModel, public IArticleRowsView {
    Q_OBJECT

public:
    enum EColumn { kColGroup, kColSubject, kColDate, kColFrom, kColLines, kColOrigin, kColCount };

    // Attaches itself as the view of model.Rows(); the destructor detaches it again.
    explicit CArticleTableModel(CMainModel& model, QObject* parent = nullptr);
    ~CArticleTableModel() override;

    // The settings key and default width of each column, in column order.
    static const std::array<SColumnKey, kColCount>& ColumnKeys();

    int rowCount(const QModelIndex& parent = QModelIndex()) const override;
    int columnCount(const QModelIndex& parent = QModelIndex()) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;
    // The list sorts ascending only, whatever order the header asks for.
    void sort(int column, Qt::SortOrder order = Qt::AscendingOrder) override;

    // The record of a screen row, or null outside the list.
    CArticle* ArticleAt(int row) const;
    // The screen row of a record, or -1 when it is not listed.
    int RowOf(const CArticle* article) const;

    // IArticleRowsView.
    void OnArticleInserted(std::size_t row, const CArticle& article) override;
    void OnArticleChanged(const CArticle& article) override;
    void OnArticleRemoved(std::size_t row, const CArticle& article) override;
    void OnRowsReset() override;
    void OnSelectionChanged() override;
    void OnScrollTo(std::size_t row) override;

signals:
    // The rows' selection changed from the model's side (Select all, Find, a removal).
    void SelectionChanged();
    // The model asks for a row to be made visible (locate button, Find).
    void ScrollRequested(int row);

private:
    void EnsureIndex() const;

    CMainModel& m_model;
    std::vector<CArticle*> m_rows;  // mirror of the rows, consistent at every model signal
    // Built lazily; dropped whenever rows shift, extended in place when rows are appended.
    mutable std::unordered_map<const CArticle*, int> m_index;
    mutable bool m_indexValid = false;
};

}  // namespace corvane
