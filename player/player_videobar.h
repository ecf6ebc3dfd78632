// One row of the play list: the file's name, its duration, a thumbnail
// (shown while the row is expanded) and a close button (shown while it is
// hovered or current). The row probes its file away from the GUI thread.
#pragma once

#include <QWidget>

#include "player/media_jobs.h"

class QImageButton;
class QImageWidget;
class QLabel;

class PlayerVideobar : public QWidget {
    Q_OBJECT
public:
    enum State { Normal = 0, Hovered = 1, Current = 2 };
    static constexpr int kCollapsedHeight = 30;
    static constexpr int kExpandedHeight = 130;

    // The row starts probing `path` through `jobs` at once.
    PlayerVideobar(const QString& path, MediaJobRunner* jobs, QWidget* parent = nullptr);

    const QString& path() const { return m_path; }
    State state() const { return m_state; }
    void setState(State state);
    bool isExpanded() const { return m_expanded; }
    void setExpanded(bool expanded);

    // Whether the probe has answered, and what it said.
    bool isProbed() const { return m_probed; }
    const MediaSummary& summary() const { return m_summary; }

    QLabel* m_labName;
    QLabel* m_labTime;
    QImageWidget* m_playWidget;
    QImageButton* m_btnClose;

signals:
    void emitDoublePressEvent();
    void emitPressEvent();
    void emitDelete();
    void emitProbed();

protected:
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void takeSummary(const MediaSummary& summary);
    void layOut();

    QString m_path;
    State m_state = Normal;
    bool m_expanded = false;
    bool m_probed = false;
    MediaSummary m_summary;
};
