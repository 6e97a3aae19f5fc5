// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QAbstractTableModel>
#include <QStringList>

/**
 * One of the library lists: full paths in the order they were added, shown under fixed column headers. Only the
 * first column holds text.
 */
class PathListModel : public QAbstractTableModel
{
    Q_OBJECT

public:
    explicit PathListModel(QStringList headers, QObject* parent = nullptr);

    [[nodiscard]] const QStringList& paths() const
    {
        return m_paths;
    }
    [[nodiscard]] qsizetype size() const
    {
        return m_paths.size();
    }
    void setPaths(QStringList paths);
    void append(const QString& path);
    void append(const QStringList& paths);
    void removeAt(qsizetype row);
    /** Exchanges the texts of two rows. */
    void swapRows(qsizetype first, qsizetype second);
    void clear();

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;

private:
    QStringList m_headers;
    QStringList m_paths;
};
