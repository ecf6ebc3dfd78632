#include "widgets/notice_popup.h"

#include <QApplication>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>

#include "core/app_files.h"

namespace {

constexpr QSize kPlainSize(260, 80);

}  // namespace

namespace {

NoticePopup* g_popup = nullptr;

void deleteSharedPopup() {
    delete g_popup;
    g_popup = nullptr;
}

}  // namespace

NoticePopup& NoticePopup::shared() {
    if (!g_popup) {
        g_popup = new NoticePopup;
        // Gone at the start of the application object's destruction, while
        // the window system is still there: a window shown once cannot be
        // destroyed after it (the application's destroyed() is too late).
        qAddPostRoutine(deleteSharedPopup);
    }
    return *g_popup;
}

NoticePopup::NoticePopup()
    : QWidget(nullptr, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setObjectName("noticePopup");
    setAttribute(Qt::WA_TranslucentBackground);
    setAttribute(Qt::WA_ShowWithoutActivating);
    m_opaqueTimer.setSingleShot(true);
    connect(&m_opaqueTimer, &QTimer::timeout, this, [this] { m_fadeTimer.start(kFadeStepMs); });
    connect(&m_fadeTimer, &QTimer::timeout, this, &NoticePopup::fadeStep);
}

void NoticePopup::showNotice(const QString& imageName, const QString& text) {
    m_fadeTimer.stop();
    if (!m_picture.load(appfiles::path(imageName)))
        m_picture = QPixmap();
    m_text = text;
    resize(m_picture.isNull() ? kPlainSize : m_picture.size());
    placeAtScreenCorner();
    setWindowOpacity(1.0);
    show();
    raise();
    update();
    m_opaqueTimer.start(kOpaqueMs);
}

void NoticePopup::placeAtScreenCorner() {
    const QScreen* screen = QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect area = screen->availableGeometry();
    move(area.right() - width() + 1, area.bottom() - height() + 1);
}

void NoticePopup::fadeStep() {
    const double opacity = windowOpacity() - kFadeStep;
    if (opacity < kFadeStep) {
        m_fadeTimer.stop();
        hide();
        return;
    }
    setWindowOpacity(opacity);
}

void NoticePopup::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_picture.isNull())
        painter.fillRect(rect(), QColor(40, 44, 52));
    else
        painter.drawPixmap(rect(), m_picture);
    if (m_text.isEmpty())
        return;
    painter.setPen(Qt::white);
    const QRect band = rect().adjusted(12, height() / 2, -12, -6);
    const QString elided = painter.fontMetrics().elidedText(m_text, Qt::ElideMiddle, band.width());
    painter.drawText(band, Qt::AlignLeft | Qt::AlignVCenter, elided);
}

void NoticePopup::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    m_opaqueTimer.stop();
    m_fadeTimer.stop();
    hide();
    emit clicked();
}
