// SPDX-License-Identifier: GPL-3.0-or-later
#include "library/LibraryListView.h"

#include "library/PathListModel.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include <utility>

namespace {

// The files and folders of this computer that a drag carries, in its order. A "file:" address names one only
// without a host or with "localhost"; another host's name would be read as a path here. No name holds a NUL.
QStringList localPaths(const QMimeData* data)
{
    QStringList paths;
    if (!data || !data->hasUrls()) {
        return paths;
    }
    for (const QUrl& url : data->urls()) {
        const QString host = url.host();
        if (!url.isLocalFile() || (!host.isEmpty() && host.compare(QLatin1String("localhost"), Qt::CaseInsensitive))) {
            continue;
        }
        const QString path = url.path(QUrl::FullyDecoded);
        if (path.startsWith(QLatin1Char('/')) && !path.contains(QChar::Null)) {
            paths.append(path);
        }
    }
    return paths;
}

} // namespace

LibraryListView::LibraryListView(QWidget* parent)
    : QTreeView(parent)
{
    setAcceptDrops(true);
    setDropIndicatorShown(false);
}

void LibraryListView::setReorderable(bool on, const QCursor& dragCursor)
{
    m_reorderable = on;
    m_dragCursor = dragCursor;
}

int LibraryListView::selectedRow() const
{
    const QModelIndexList selected = selectionModel() ? selectionModel()->selectedRows() : QModelIndexList();
    return selected.isEmpty() ? -1 : selected.first().row();
}

// Only a list of files is welcome; anything else shows that it cannot be dropped here.
void LibraryListView::dragEnterEvent(QDragEnterEvent* event)
{
    if (localPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void LibraryListView::dragMoveEvent(QDragMoveEvent* event)
{
    if (localPaths(event->mimeData()).isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
}

void LibraryListView::dropEvent(QDropEvent* event)
{
    const QStringList paths = localPaths(event->mimeData());
    if (paths.isEmpty()) {
        event->ignore();
        return;
    }
    event->acceptProposedAction();
    emit pathsDropped(paths);
}

void LibraryListView::mouseDoubleClickEvent(QMouseEvent* event)
{
    QTreeView::mouseDoubleClickEvent(event);
    emit doubleClickedEntry(selectedRow());
}

void LibraryListView::keyPressEvent(QKeyEvent* event)
{
    emit keyPressed(event->key(), selectedRow());
    QTreeView::keyPressEvent(event);
}

void LibraryListView::mousePressEvent(QMouseEvent* event)
{
    QTreeView::mousePressEvent(event);
    if (!m_reorderable || event->button() != Qt::LeftButton) {
        return;
    }
    const QModelIndex entry = indexAt(event->position().toPoint());
    if (entry.isValid()) {
        m_dragged = entry.siblingAtColumn(0);
        viewport()->setCursor(m_dragCursor);
    }
    m_dragging = true;
    m_carried = false;
}

// The carried entry moves one place each time the pointer reaches another entry: the two texts change places.
void LibraryListView::mouseMoveEvent(QMouseEvent* event)
{
    if (!m_reorderable || !m_dragging) {
        QTreeView::mouseMoveEvent(event);
        return;
    }
    auto* list = qobject_cast<PathListModel*>(model());
    const QModelIndex hovered = indexAt(event->position().toPoint()).siblingAtColumn(0);
    if (!list || !hovered.isValid() || !m_dragged.isValid()) {
        return;
    }
    const int from = m_dragged.row();
    const int to = hovered.row();
    if (list->paths().at(from) == list->paths().at(to)) {
        return;
    }
    list->swapRows(from, to);
    m_dragged = hovered;
    m_carried = true;
    selectionModel()->setCurrentIndex(hovered, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    // Near the top or bottom edge the list scrolls, so that the entry can be carried past what is visible.
    const int y = event->position().toPoint().y();
    const int edge = visualRect(hovered).height();
    if (y < edge && to > 0) {
        scrollTo(list->index(to - 1, 0));
    } else if (y > viewport()->height() - edge && to + 1 < list->rowCount()) {
        scrollTo(list->index(to + 1, 0));
    }
}

void LibraryListView::mouseReleaseEvent(QMouseEvent* event)
{
    QTreeView::mouseReleaseEvent(event);
    if (!m_dragging) {
        return;
    }
    m_dragging = false;
    viewport()->unsetCursor();
    // The release chooses the entry under the pointer, which, where the list scrolled meanwhile, is a neighbour of
    // the carried one; a removal would then take the wrong entry.
    if (std::exchange(m_carried, false) && m_dragged.isValid()) {
        selectionModel()->setCurrentIndex(m_dragged, QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    }
}
