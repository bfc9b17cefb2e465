#include "gui/EpisodeListModel.h"

void EpisodeListModel::setRows(QList<EpisodeRow> rows)
{
    beginResetModel();
    m_rows = std::move(rows);
    endResetModel();
}

int EpisodeListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_rows.size());
}

int EpisodeListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : 3;
}

QVariant EpisodeListModel::data(const QModelIndex& index, int role) const
{
    if (!index.isValid() || index.row() >= m_rows.size())
        return {};
    if (role == Qt::DisplayRole || role == Qt::ToolTipRole) {
        const EpisodeRow& row = m_rows.at(index.row());
        switch (index.column()) {
        case 0: return row.title;
        case 1: return row.pubDate;
        default: return {};
        }
    }
    return {};
}

QVariant EpisodeListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return {};
    switch (section) {
    case 0: return QStringLiteral("Title");
    case 1: return QStringLiteral("Pubdate");
    case 2: return QStringLiteral("Length");
    default: return {};
    }
}
