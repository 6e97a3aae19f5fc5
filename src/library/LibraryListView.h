// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <QCursor>
#include <QPersistentModelIndex>
#include <QTreeView>

/**
 * A library list: takes files and folders dropped from the file manager, reports double-clicks and keys for
 * removing entries, and, when reordering is on, lets the person carry an entry up or down with the mouse.
 */
class LibraryListView : public QTreeView
{
    Q_OBJECT

public:
    explicit LibraryListView(QWidget* parent = nullptr);

    /** Carrying entries with the mouse changes their order; the pointer shows the drag cursor meanwhile. */
    void setReorderable(bool on, const QCursor& dragCursor = QCursor(Qt::ClosedHandCursor));

    /** The row of the selected entry, or -1. */
    [[nodiscard]] int selectedRow() const;

signals:
    /** Local files and folders were dropped, in the order of the drop. */
    void pathsDropped(const QStringList& paths);
    void doubleClickedEntry(int selectedRow);
    void keyPressed(int key, int selectedRow);

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    bool m_reorderable = false;
    bool m_dragging = false;
    // An entry has moved since the button went down.
    bool m_carried = false;
    QCursor m_dragCursor;
    QPersistentModelIndex m_dragged;
};
