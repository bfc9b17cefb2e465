#pragma once

#include "app/MainView.h"

#include <QAbstractTableModel>

// The episode list's rows: title, publication date, and an empty "Length" column.
class EpisodeListModel : public QAbstractTableModel {
    Q_OBJECT
public:
    using QAbstractTableModel::QAbstractTableModel;

    void setRows(QList<EpisodeRow> rows);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

private:
    QList<EpisodeRow> m_rows;
};
