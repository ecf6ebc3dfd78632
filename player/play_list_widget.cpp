#include "player/play_list_widget.h"

#include <QDragEnterEvent>
#include <QMenu>
#include <QMimeData>
#include <QScrollBar>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>
#include "player/player_log.h"

#include "core/app_files.h"
#include "player/media_jobs.h"
#include "player/player_videobar.h"
#include "widgets/skinned_form.h"

namespace {

QString scrollBarStyle() {
    const auto image = [](const char* name) { return appfiles::path(name); };
    return QString(
               "QScrollBar:vertical { background: url(%1); width: 10px; margin: 10px 0 10px 0; }"
               "QScrollBar::handle:vertical { border-image: url(%2) 3 0 3 0; min-height: 20px; }"
               "QScrollBar::add-line:vertical { image: url(%3); height: 10px;"
               " subcontrol-position: bottom; subcontrol-origin: margin; }"
               "QScrollBar::sub-line:vertical { image: url(%4); height: 10px;"
               " subcontrol-position: top; subcontrol-origin: margin; }"
               "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical { background: none; }"
               "QScrollBar::up-arrow:vertical, QScrollBar::down-arrow:vertical {"
               " background: url(%5); }")
        .arg(image("/image/PlayerImage/Slider.png"), image("/image/PlayerImage/scroll_Slider.png"),
             image("/image/PlayerImage/downallow.png"), image("/image/PlayerImage/upallow.png"),
             image("/image/PlayerImage/slider_M.png"));
}

}  // namespace

PlayListWidget::PlayListWidget(QWidget* parent) : QScrollArea(parent) {
    setObjectName("m_playListWidget");
    setMinimumWidth(kWidth);
    setMaximumWidth(kWidth);
    resize(kWidth, 551);
    setStyleSheet("QScrollArea {border:#212121;}");
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    verticalScrollBar()->setStyleSheet(scrollBarStyle());
    setAcceptDrops(true);

    m_jobs = new MediaJobRunner(this);
    m_contents = new QWidget;
    m_contents->setObjectName("m_playListContents");
    m_contents->setStyleSheet(QString("#m_playListContents { border-image: url(%1); }")
                                  .arg(appfiles::path("/image/playlist_bg.PNG")));
    m_rowsLayout = new QVBoxLayout(m_contents);
    m_rowsLayout->setContentsMargins(0, 0, 0, 0);
    m_rowsLayout->setSpacing(0);
    m_rowsLayout->addStretch(1);
    setWidget(m_contents);

    m_menu = new QMenu(this);
    m_menu->setStyleSheet(skinned::menuStyle());
    m_menu->addAction(tr("Delete"), this, &PlayListWidget::OnDeleteVideo);
    m_menu->addAction(tr("Delete ALL"), this, &PlayListWidget::OnDeleteVideoALL);
    m_menu->addAction(tr("Play"), this, &PlayListWidget::OnPlayAction);

    m_dropTimer = new QTimer(this);
    connect(m_dropTimer, &QTimer::timeout, this, &PlayListWidget::aaa);
    m_dropTimer->start(kDropIntervalMs);
}

PlayListWidget::~PlayListWidget() {
    // The rows go before the job runner waits, so no result is delivered.
    qDeleteAll(m_rows);
    m_rows.clear();
}

PlayerVideobar* PlayListWidget::rowFor(const QString& path) const {
    for (PlayerVideobar* row : m_rows) {
        if (row->path() == path)
            return row;
    }
    return nullptr;
}

PlayerVideobar* PlayListWidget::addRow(const QString& path) {
    auto* row = new PlayerVideobar(path, m_jobs, m_contents);
    m_rowsLayout->insertWidget(m_rowsLayout->count() - 1, row);
    m_rows.append(row);
    connect(row, &PlayerVideobar::emitDoublePressEvent, this, &PlayListWidget::VideoPlay);
    connect(row, &PlayerVideobar::emitPressEvent, this, &PlayListWidget::PopMenu);
    connect(row, &PlayerVideobar::emitDelete, this, &PlayListWidget::DeleteVideo);
    return row;
}

void PlayListWidget::removeRow(PlayerVideobar* row) {
    if (row == m_menuRow)
        m_menuRow = nullptr;
    m_rows.removeOne(row);
    m_rowsLayout->removeWidget(row);
    // The row may be the sender of the signal being handled.
    row->hide();
    row->deleteLater();
}

void PlayListWidget::collapseAll() {
    for (PlayerVideobar* row : m_rows) {
        row->setState(PlayerVideobar::Normal);
        row->setExpanded(false);
    }
}

void PlayListWidget::makeCurrent(PlayerVideobar* row) {
    for (PlayerVideobar* other : m_rows) {
        if (other == row)
            continue;
        other->setState(PlayerVideobar::Normal);
        other->setExpanded(false);
    }
    row->setState(PlayerVideobar::Current);
    row->setExpanded(true);
    m_current = row->path();
    ensureWidgetVisible(row);
    emit emitPlayVideo(m_current);
}

void PlayListWidget::addFile(const QString& path) {
    collapseAll();
    PlayerVideobar* row = rowFor(path);
    makeCurrent(row ? row : addRow(path));
}

void PlayListWidget::addFiles(const QStringList& paths, bool playNow) {
    if (paths.isEmpty())
        return;
    for (const QString& path : paths) {
        if (!rowFor(path))
            addRow(path);
    }
    if (!playNow)
        return;
    for (PlayerVideobar* row : m_rows) {
        if (row->state() == PlayerVideobar::Current)
            row->setState(PlayerVideobar::Normal);
    }
    makeCurrent(rowFor(paths.first()));
}

void PlayListWidget::step(int direction) {
    if (m_rows.isEmpty())
        return;
    int index = -1;
    for (int i = 0; i < m_rows.size(); ++i) {
        if (m_rows[i]->state() == PlayerVideobar::Current)
            index = i;
    }
    if (index < 0) {
        makeCurrent(m_rows.first());
        return;
    }
    m_rows[index]->setState(PlayerVideobar::Normal);
    m_rows[index]->setExpanded(false);
    const int count = int(m_rows.size());
    makeCurrent(m_rows[(index + direction + count) % count]);
}

void PlayListWidget::playNext() {
    step(+1);
}

void PlayListWidget::playPrevious() {
    step(-1);
}

void PlayListWidget::VideoPlay() {
    auto* row = qobject_cast<PlayerVideobar*>(sender());
    if (!row)
        return;
    qCDebug(lcPlayer) << "VideoPlay";
    makeCurrent(row);
}

void PlayListWidget::PopMenu() {
    m_menuRow = qobject_cast<PlayerVideobar*>(sender());
    if (m_menuRow)
        m_menu->popup(QCursor::pos());
}

void PlayListWidget::OnPlayAction() {
    if (m_menuRow)
        makeCurrent(m_menuRow);
}

void PlayListWidget::OnDeleteVideo() {
    if (!m_menuRow)
        return;
    PlayerVideobar* row = m_menuRow;
    m_menuRow = nullptr;
    const bool wasCurrent = row->path() == m_current;
    removeRow(row);
    if (wasCurrent) {
        m_current.clear();
        emit emitDeleteVideo();
    }
}

// A row's close button. Only removing the current row stops the player, as
// with the menu's "Delete": another row's button must not end playback.
void PlayListWidget::DeleteVideo() {
    auto* row = qobject_cast<PlayerVideobar*>(sender());
    if (!row || !m_rows.contains(row))
        return;
    const bool wasCurrent = row->path() == m_current;
    removeRow(row);
    if (wasCurrent) {
        m_current.clear();
        emit emitDeleteVideo();
    }
}

void PlayListWidget::OnDeleteVideoALL() {
    for (PlayerVideobar* row : m_rows) {
        m_rowsLayout->removeWidget(row);
        row->hide();
        row->deleteLater();
    }
    m_rows.clear();
    m_menuRow = nullptr;
    m_current.clear();
    emit emitDeleteVideo();
}

void PlayListWidget::dragEnterEvent(QDragEnterEvent* event) {
    if (event->mimeData()->hasFormat("text/uri-list"))
        event->acceptProposedAction();
}

void PlayListWidget::dragMoveEvent(QDragMoveEvent* event) {
    if (event->mimeData()->hasFormat("text/uri-list"))
        event->acceptProposedAction();
}

void PlayListWidget::dropEvent(QDropEvent* event) {
    if (!event->mimeData()->hasFormat("text/uri-list"))
        return;
    for (const QUrl& url : event->mimeData()->urls()) {
        if (url.isLocalFile())
            m_pendingDrops.append(url.toLocalFile());
    }
    m_dropsPending = !m_pendingDrops.isEmpty();
    event->acceptProposedAction();
}

void PlayListWidget::aaa() {
    if (!m_dropsPending)
        return;
    const QStringList paths = m_pendingDrops;
    m_pendingDrops.clear();
    m_dropsPending = false;
    addFiles(paths, false);
}
