#include "app/boot_widget.h"

#include <QLabel>
#include <QMovie>
#include <QTimer>

#include "core/app_files.h"
#include "core/app_log.h"
#include "core/product.h"
#include "widgets/message_dialog.h"

BootWidget::BootWidget(QWidget* parent)
    : QImageDialog(parent, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint) {
    setDragHeight(0);
    setWindowTitle(product::displayName());
    setUp();
}

bool BootWidget::setUp() {
    const QString background = appfiles::path("/image/start_bg.png");
    if (!setBackground(background, true)) {
        if (!applog::write(QString("set image backgroud failed! the path is:%1").arg(background))) {
            showMessage(QString("Open Log.txt failed!"));
            return false;
        }
        resize(520, 440);
    }
    const QString bar = appfiles::path("/image/start_bar.gif");
    m_movie = new QMovie(bar, QByteArray(), this);
    if (!m_movie->isValid()) {
        if (!applog::write(QString("set movie failed! the path is:%1").arg(bar))) {
            showMessage(QString("Open Log.txt failed!"));
            return false;
        }
    } else {
        m_barLabel = new QLabel(this);
        m_barLabel->setAttribute(Qt::WA_TranslucentBackground);
        m_barLabel->move(108, 390);
        m_barLabel->setMovie(m_movie);
        m_movie->jumpToFrame(0);
        m_barLabel->resize(m_movie->currentImage().size());
        m_movie->start();
    }
    m_timer = new QTimer(this);
    connect(m_timer, &QTimer::timeout, this, &BootWidget::TimeOut);
    m_timer->start(kShowMs);
    return true;
}

bool BootWidget::timerRunning() const {
    return m_timer && m_timer->isActive();
}

void BootWidget::TimeOut() {
    m_timer->stop();
    if (m_movie)
        m_movie->stop();
    accept();
}
