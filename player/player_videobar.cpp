#include "player/player_videobar.h"

#include <QFileInfo>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "player/play_time.h"
#include "widgets/image_button.h"
#include "widgets/image_widget.h"
#include "widgets/skinned_form.h"

PlayerVideobar::PlayerVideobar(const QString& path, MediaJobRunner* jobs, QWidget* parent)
    : QWidget(parent), m_path(path) {
    setObjectName("PlayerVideobar");
    setFixedHeight(kCollapsedHeight);
    m_labName = skinned::label(this, path.section('/', -1), 12);
    m_labName->setObjectName("m_labName");
    m_labName->setStyleSheet("color: rgb(214, 222, 226);");
    m_labTime = skinned::label(this, "--:--", 11);
    m_labTime->setObjectName("m_labTime");
    m_labTime->setStyleSheet("color: rgb(140, 150, 156);");
    m_labTime->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    m_playWidget = new QImageWidget(this);
    m_playWidget->setObjectName("m_playWidget");
    m_playWidget->hide();
    m_btnClose = skinned::imageButton(this, "/image/PlayerImage/close_play.png",
                                      {.objectName = "m_btnClose", .toolTip = tr("Remove")});
    m_btnClose->hide();
    connect(m_btnClose, &QPushButton::clicked, this, &PlayerVideobar::emitDelete);
    setExpanded(false);

    jobs->run<MediaSummary>(
        this, [path] { return mediajobs::probe(path, true); },
        [this](const MediaSummary& summary) { takeSummary(summary); });
}

void PlayerVideobar::takeSummary(const MediaSummary& summary) {
    m_summary = summary;
    m_probed = true;
    if (summary.opened)
        m_labTime->setText(
            playtime::format(summary.durationUs, playtime::showsHours(summary.durationUs)));
    else
        m_labTime->setText(tr("unreadable"));
    if (!summary.thumbnail.isNull())
        m_playWidget->setPixmap(QPixmap::fromImage(summary.thumbnail));
    emit emitProbed();
}

void PlayerVideobar::setState(State state) {
    m_state = state;
    m_btnClose->setVisible(state != Normal);
    update();
}

void PlayerVideobar::setExpanded(bool expanded) {
    m_expanded = expanded;
    setFixedHeight(expanded ? kExpandedHeight : kCollapsedHeight);
    m_playWidget->setVisible(expanded);
    m_labName->setAlignment((expanded ? Qt::AlignRight : Qt::AlignLeft) | Qt::AlignVCenter);
    layOut();
}

void PlayerVideobar::layOut() {
    const int w = width();
    m_btnClose->move(w - m_btnClose->width() - 6, 8);
    const int textRight = w - m_btnClose->width() - 12;
    if (m_expanded) {
        m_playWidget->setGeometry(8, 8, 140, 105);
        m_labName->setGeometry(8, 112, textRight - 8, 18);
        m_labTime->setGeometry(152, 90, textRight - 152, 18);
    } else {
        m_labName->setGeometry(8, 6, textRight - 8 - 52, 18);
        m_labTime->setGeometry(textRight - 50, 6, 50, 18);
    }
}

void PlayerVideobar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void PlayerVideobar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    const QColor grounds[] = {QColor(30, 34, 37), QColor(44, 50, 54), QColor(22, 72, 84)};
    painter.fillRect(rect(), grounds[m_state]);
    painter.fillRect(QRect(0, height() - 1, width(), 1), QColor(18, 21, 23));
}

void PlayerVideobar::enterEvent(QEnterEvent* event) {
    if (m_state != Current)
        setState(Hovered);
    QWidget::enterEvent(event);
}

void PlayerVideobar::leaveEvent(QEvent* event) {
    if (m_state != Current)
        setState(Normal);
    QWidget::leaveEvent(event);
}

void PlayerVideobar::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::RightButton)
        emit emitPressEvent();
    QWidget::mousePressEvent(event);
}

void PlayerVideobar::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        setState(Current);
        emit emitDoublePressEvent();
    }
}
