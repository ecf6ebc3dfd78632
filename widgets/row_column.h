// The content of a scroll area that holds a long list of rows of one
// height: only the rows in or next to the visible part are placed and
// shown; every other row stays hidden and unplaced, so that a list of tens
// of thousands of rows costs no layout pass, no move events and no paint
// for what the user does not see. Before a row is shown for the first time
// the owner may build its form (the `prepare` callback), so that rows
// never scrolled into view never build one; and the owner may drop the
// form of a row that has been out of view longest (the `release`
// callback), so that scrolling through the whole list does not end with
// every form built. At most kKeptRows rows are prepared at any time.
//
// The column does not own its rows' lifetime rules beyond Qt's: rows are
// its children; the owner deletes a row after remove().
//
// GUI thread only.
#pragma once

#include <QList>
#include <QSet>
#include <QWidget>

#include <functional>

class QScrollArea;

class RowColumn : public QWidget {
    Q_OBJECT
public:
    // Becomes `area`'s widget (resizable with the area's width).
    explicit RowColumn(QScrollArea* area);

    static constexpr int kKeptRows = 64;

    // Called for a row just before it is shown, the first time or the
    // first time after its release.
    void setPrepare(std::function<void(QWidget*)> prepare) { m_prepare = std::move(prepare); }
    // Called for a hidden row when more than kKeptRows rows were prepared.
    void setRelease(std::function<void(QWidget*)> release) { m_release = std::move(release); }
    void setRowHeight(int height);
    int rowHeight() const { return m_rowHeight; }

    // Appends `row` (reparented to the column) at the end.
    void append(QWidget* row);
    // Takes `row` out of the column and hides it; the rows after it move up.
    void remove(QWidget* row);
    // Takes every row out (hidden, still children of the column).
    void clear();
    // The column holds `rows` from now on, in that order (a filter's
    // result): rows left out are hidden, rows kept keep their form.
    void setRows(const QList<QWidget*>& rows);
    int count() const { return int(m_rows.size()); }
    const QList<QWidget*>& rows() const { return m_rows; }
    // The rows placed and shown now, in list order.
    QList<QWidget*> placedRows() const;
    // Scrolls the area so that `row` is in view.
    void ensureVisible(QWidget* row);
    // Sizes the column and places the rows in view now rather than at the
    // next turn of the event loop.
    void placeNow();

protected:
    void resizeEvent(QResizeEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void placeVisibleRows();
    void schedulePlacement();
    void keepRecent(QWidget* row);
    void releaseOldest(const QSet<QWidget*>& placed);

    QScrollArea* m_area;
    QList<QWidget*> m_rows;
    QList<QWidget*> m_placed;
    // The prepared rows, the one placed longest ago first.
    QList<QWidget*> m_recent;
    std::function<void(QWidget*)> m_prepare;
    std::function<void(QWidget*)> m_release;
    int m_rowHeight = 40;
    bool m_placementPending = false;
};
