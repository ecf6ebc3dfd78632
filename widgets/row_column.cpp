#include "widgets/row_column.h"

#include <QEvent>
#include <QScrollArea>
#include <QScrollBar>
#include <QSet>

namespace {

// Rows placed beyond each edge of the visible part, so that a small scroll
// shows rows that are ready.
constexpr int kMarginRows = 2;

}  // namespace

RowColumn::RowColumn(QScrollArea* area) : QWidget(area), m_area(area) {
    // The column sizes itself (count × row height, the viewport's width):
    // a resizable widget would have the area ask for size hints instead.
    area->setWidgetResizable(false);
    area->setWidget(this);
    area->viewport()->installEventFilter(this);
    area->verticalScrollBar()->setSingleStep(m_rowHeight / 2);
    schedulePlacement();
}

void RowColumn::setRowHeight(int height) {
    if (height <= 0 || height == m_rowHeight)
        return;
    m_rowHeight = height;
    m_area->verticalScrollBar()->setSingleStep(height / 2);
    schedulePlacement();
}

void RowColumn::append(QWidget* row) {
    row->setParent(this);
    row->hide();  // explicitly: showing the column must not show it
    m_rows.append(row);
    schedulePlacement();
}

void RowColumn::remove(QWidget* row) {
    const qsizetype index = m_rows.indexOf(row);
    if (index < 0)
        return;
    m_rows.removeAt(index);
    m_placed.removeOne(row);
    m_recent.removeOne(row);
    row->hide();
    schedulePlacement();
}

void RowColumn::clear() {
    for (QWidget* row : std::as_const(m_placed))
        row->hide();
    m_rows.clear();
    m_placed.clear();
    m_recent.clear();
    schedulePlacement();
}

void RowColumn::setRows(const QList<QWidget*>& rows) {
    for (QWidget* row : rows) {
        if (row->parentWidget() != this) {
            row->setParent(this);
            row->hide();
        }
    }
    const QSet<QWidget*> kept(rows.begin(), rows.end());
    QList<QWidget*> placed;
    for (QWidget* row : std::as_const(m_placed)) {
        if (kept.contains(row))
            placed.append(row);
        else
            row->hide();
    }
    m_placed = placed;
    m_rows = rows;
    schedulePlacement();
}

QList<QWidget*> RowColumn::placedRows() const {
    return m_placed;
}

void RowColumn::ensureVisible(QWidget* row) {
    const qsizetype index = m_rows.indexOf(row);
    if (index < 0)
        return;
    placeNow();  // the column's size must cover the row first
    m_area->ensureVisible(0, int(index) * m_rowHeight + m_rowHeight / 2, 0, m_rowHeight / 2);
}

void RowColumn::placeNow() {
    m_placementPending = false;
    const QSize viewport = m_area->viewport()->size();
    const QSize wanted(viewport.width(), int(m_rows.size()) * m_rowHeight);
    if (size() != wanted)
        resize(wanted);  // the area's scroll bars follow; the resize places the rows
    else
        placeVisibleRows();
}

// One placement per turn of the event loop for changes (appends, removals,
// a new row height); scrolling and resizing place at once.
void RowColumn::schedulePlacement() {
    if (m_placementPending)
        return;
    m_placementPending = true;
    QMetaObject::invokeMethod(
        this,
        [this] {
            if (m_placementPending)
                placeNow();
        },
        Qt::QueuedConnection);
}

void RowColumn::placeVisibleRows() {
    const int top = std::max(0, -y());
    const int bottom = top + m_area->viewport()->height();
    const int count = int(m_rows.size());
    const int first = std::max(0, top / m_rowHeight - kMarginRows);
    const int last = std::min(count - 1, bottom / m_rowHeight + kMarginRows);
    QList<QWidget*> placed;
    for (int i = first; i <= last; ++i) {
        QWidget* row = m_rows[i];
        keepRecent(row);
        row->setGeometry(0, i * m_rowHeight, width(), m_rowHeight);
        row->show();
        placed.append(row);
    }
    const QSet<QWidget*> keep(placed.begin(), placed.end());
    for (QWidget* row : std::as_const(m_placed)) {
        if (!keep.contains(row))
            row->hide();
    }
    m_placed = placed;
    releaseOldest(keep);
}

// Marks `row` as placed last, preparing it when it is new to the list of
// prepared rows.
void RowColumn::keepRecent(QWidget* row) {
    if (m_recent.removeOne(row)) {
        m_recent.append(row);
        return;
    }
    m_recent.append(row);
    if (m_prepare)
        m_prepare(row);
}

void RowColumn::releaseOldest(const QSet<QWidget*>& placed) {
    if (!m_release)
        return;
    for (qsizetype i = 0; m_recent.size() > kKeptRows && i < m_recent.size();) {
        QWidget* row = m_recent[i];
        if (placed.contains(row)) {
            ++i;
            continue;
        }
        m_recent.removeAt(i);
        m_release(row);
    }
}

void RowColumn::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    placeVisibleRows();
}

void RowColumn::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);  // the area scrolls by moving the column
    placeVisibleRows();
}

bool RowColumn::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_area->viewport() && event->type() == QEvent::Resize)
        placeNow();
    return QWidget::eventFilter(watched, event);
}
