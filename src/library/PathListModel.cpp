// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/PathListModel.h"

PathListModel::PathListModel(QStringList headers, QObject* parent)
    : QAbstractTableModel(parent)
    , m_headers(std::move(headers))
{}

void PathListModel::setPaths(QStringList paths)
{
    beginResetModel();
    m_paths = std::move(paths);
    endResetModel();
}

void PathListModel::append(const QString& path)
{
    append(QStringList{path});
}

void PathListModel::append(const QStringList& paths)
{
    if (paths.isEmpty()) {
        return;
    }
    const int first = static_cast<int>(m_paths.size());
    beginInsertRows({}, first, first + static_cast<int>(paths.size()) - 1);
    m_paths.append(paths);
    endInsertRows();
}

void PathListModel::removeAt(qsizetype row)
{
    if (row < 0 || row >= m_paths.size()) {
        return;
    }
    beginRemoveRows({}, static_cast<int>(row), static_cast<int>(row));
    m_paths.removeAt(row);
    endRemoveRows();
}

void PathListModel::swapRows(qsizetype first, qsizetype second)
{
    if (first == second || first < 0 || second < 0 || first >= m_paths.size() || second >= m_paths.size()) {
        return;
    }
    m_paths.swapItemsAt(first, second);
    emit dataChanged(index(static_cast<int>(first), 0), index(static_cast<int>(first), 0));
    emit dataChanged(index(static_cast<int>(second), 0), index(static_cast<int>(second), 0));
}

void PathListModel::clear()
{
    setPaths({});
}

int PathListModel::rowCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_paths.size());
}

int PathListModel::columnCount(const QModelIndex& parent) const
{
    return parent.isValid() ? 0 : static_cast<int>(m_headers.size());
}

QVariant PathListModel::data(const QModelIndex& index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid) || index.column() != 0) {
        return {};
    }
    if (role == Qt::DisplayRole || role == Qt::EditRole) {
        return m_paths.at(index.row());
    }
    return {};
}

QVariant PathListModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Horizontal && role == Qt::DisplayRole && section >= 0 && section < m_headers.size()) {
        return m_headers.at(section);
    }
    return {};
}
