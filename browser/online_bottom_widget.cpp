#include "browser/online_bottom_widget.h"

#include "browser/add_new_web_dialog.h"
#include "browser/web_address.h"
#include "core/app_files.h"
#include "widgets/image_button.h"
#include "widgets/image_widget.h"
#include "widgets/message_dialog.h"
#include "widgets/skinned_form.h"

#include <QDebug>
#include <QDir>
#include <QFileInfo>
#include <QGridLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QMovie>
#include <QPainter>
#include <QTimer>
#include <QWebEngineView>

namespace {

constexpr int kShotMargin = 5;
constexpr int kCaptionHeight = 28;
// A screenshot taken right after the load can still be blank: look again
// every 100 ms until the page shows something (or give up after 2 s and
// keep what there is, for a page that is plain on purpose).
constexpr int kGrabIntervalMs = 100;
constexpr int kGrabAttempts = 20;
constexpr QSize kStoredShotSize(340, 200);

bool isUniform(const QPixmap& pixmap) {
    const QImage image = pixmap.toImage().scaled(48, 28).convertToFormat(QImage::Format_RGB32);
    const QRgb first = image.pixel(0, 0);
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != first)
                return false;
        }
    }
    return true;
}

}  // namespace

OnlineUsuallyWebItem::OnlineUsuallyWebItem(int slot, QWidget* parent)
    : QWidget(parent), m_slot(slot) {
    setFixedSize(kWidth, kHeight);
    setAccessibleName(usualurl::kSlotKeys[slot]);
    setObjectName(usualurl::kSlotKeys[slot]);
    setCursor(Qt::PointingHandCursor);
    m_captionBg.load(appfiles::path("/image/bottom_selectbg.png"));
    m_hoverBg.load(appfiles::path("/image/selectbg.png"));
    m_addIcon.load(appfiles::path("/image/add_btn.png"));

    m_imageShot = new QImageWidget(this);
    m_imageShot->setObjectName("m_imageShot");
    m_imageShot->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_imageShot->hide();
    m_labTitle = skinned::label(this, {}, 12);
    m_labTitle->setObjectName("m_labTitle");
    m_labTitle->setAlignment(Qt::AlignCenter);
    m_labTitle->setStyleSheet("color: white;");  // on the dark caption band
    m_labTitle->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_labLoading = new QLabel(this);
    m_labLoading->setObjectName("m_labLoading");
    m_loadingMovie = new QMovie(appfiles::path("/image/web_loading.gif"), {}, this);
    m_labLoading->setMovie(m_loadingMovie);
    m_labLoading->setAttribute(Qt::WA_TransparentForMouseEvents);
    m_labLoading->hide();
    m_btnClose = new QImageButton(this);
    m_btnClose->setObjectName("m_btnClose");
    m_btnClose->setImage(appfiles::path("/image/tile_close.png"));
    m_btnClose->setToolTip("Remove this site");
    m_btnClose->hide();
    connect(m_btnClose, &QPushButton::clicked, this, &OnlineUsuallyWebItem::OnBtnClose);
}

OnlineUsuallyWebItem::~OnlineUsuallyWebItem() {
    delete m_renderView;
}

void OnlineUsuallyWebItem::resizeEvent(QResizeEvent*) {
    m_imageShot->setGeometry(kShotMargin, kShotMargin, width() - 2 * kShotMargin,
                             height() - kCaptionHeight - 2 * kShotMargin);
    m_labTitle->setGeometry(4, height() - kCaptionHeight, width() - 8, kCaptionHeight);
    m_labLoading->setGeometry((width() - 32) / 2, (height() - kCaptionHeight - 32) / 2, 32, 32);
    m_btnClose->move(width() - m_btnClose->width() - 4, 4);
}

void OnlineUsuallyWebItem::fill(const QString& url, const QString& title) {
    if (url.isEmpty())
        return;
    m_url = url;
    m_title = title;
    m_labTitle->setText(title);
    const QString shot = usualurl::screenshotPath(title);
    showScreenshot(QFileInfo::exists(shot) ? shot : usualurl::placeholderPath());
}

void OnlineUsuallyWebItem::showScreenshot(const QString& path) {
    QPixmap picture(path);
    m_imageShot->setPixmap(picture);
    m_imageShot->show();
    update();
}

void OnlineUsuallyWebItem::setLoading(bool loading) {
    m_labLoading->setVisible(loading);
    if (loading)
        m_loadingMovie->start();
    else
        m_loadingMovie->stop();
}

void OnlineUsuallyWebItem::ItemPress() {
    if (!m_imageShot->isHidden()) {
        if (!m_url.isEmpty())
            emit emitOpenUrl(m_url);
        return;
    }
    if (!isAdding())
        askForSite();
}

void OnlineUsuallyWebItem::askForSite() {
    if (!m_dialog)
        m_dialog = new AddNewWebDialog(this);
    m_dialog->clearFields();
    if (m_dialog->exec() != QDialog::Accepted)
        return;
    addSite(m_dialog->address(), m_dialog->title());
}

bool OnlineUsuallyWebItem::addSite(const QString& typedUrl, const QString& title) {
    if (typedUrl.trimmed().isEmpty() || isAdding())
        return false;
    const webaddress::Normalised address = webaddress::normalise(typedUrl);
    if (address.verdict == webaddress::Verdict::Refused)
        showMessage(webaddress::refusalMessage(typedUrl), {}, msg::kIcon | msg::kWarning);
    if (address.verdict != webaddress::Verdict::Loadable)
        return false;
    m_url = address.address;
    m_title = title;
    m_labTitle->setText(title);
    setLoading(true);
    // Rendered in a window that is shown but never reaches the screen: a
    // view that was never shown grabs plain white.
    m_renderView = new QWebEngineView;
    m_renderView->setAttribute(Qt::WA_DontShowOnScreen);
    m_renderView->resize(kRenderWidth, kRenderHeight);
    connect(m_renderView, &QWebEngineView::loadFinished, this, &OnlineUsuallyWebItem::Finished);
    connect(m_renderView, &QWebEngineView::titleChanged, this, &OnlineUsuallyWebItem::GetTitle);
    m_renderView->show();
    m_renderView->load(QUrl(m_url));
    return true;
}

void OnlineUsuallyWebItem::GetTitle(QString title) {
    // Shown while loading; the engine first reports the address as the
    // title, so the page's final title is taken when the load has finished.
    if (m_title.isEmpty() && !title.isEmpty())
        m_labTitle->setText(title);
}

void OnlineUsuallyWebItem::Finished(bool ok) {
    if (!m_renderView || m_labLoading->isHidden())
        return;  // a later load of the same view, already handled
    setLoading(false);
    if (ok)
        grabWhenPainted(kGrabAttempts);
    else
        finishAdding({});
}

void OnlineUsuallyWebItem::grabWhenPainted(int attemptsLeft) {
    QPointer<OnlineUsuallyWebItem> self(this);
    QTimer::singleShot(kGrabIntervalMs, this, [self, attemptsLeft] {
        if (!self || !self->m_renderView)
            return;
        const QPixmap shot = self->m_renderView->grab();
        if (isUniform(shot) && attemptsLeft > 1)
            self->grabWhenPainted(attemptsLeft - 1);
        else
            self->finishAdding(shot);
    });
}

void OnlineUsuallyWebItem::finishAdding(const QPixmap& screenshot) {
    if (m_title.isEmpty() && m_renderView)
        m_title = m_renderView->title().trimmed();
    if (m_title.isEmpty())
        m_title = QUrl(m_url).host();
    m_labTitle->setText(m_title);
    if (screenshot.isNull()) {
        showScreenshot(usualurl::placeholderPath());
    } else {
        const QString path = usualurl::screenshotPath(m_title);
        QDir().mkpath(QFileInfo(path).absolutePath());
        const QPixmap stored = screenshot.scaled(kStoredShotSize, Qt::KeepAspectRatioByExpanding,
                                                 Qt::SmoothTransformation);
        if (!stored.save(path, "PNG"))
            qWarning().noquote() << "cannot write the screenshot" << path;
        m_imageShot->setPixmap(stored);
        m_imageShot->show();
    }
    m_renderView->deleteLater();
    m_renderView = nullptr;
    usualurl::store(m_slot, {m_url, m_title});
    emit emitStored();
}

void OnlineUsuallyWebItem::OnBtnClose() {
    if (isAdding())
        return;
    m_url.clear();
    m_title.clear();
    m_labTitle->clear();
    m_imageShot->hide();
    m_imageShot->setPixmap({});
    m_btnClose->hide();
    usualurl::store(m_slot, {});
    update();
    emit emitStored();
}

void OnlineUsuallyWebItem::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_hover && !m_hoverBg.isNull()) {
        painter.drawPixmap(rect(), m_hoverBg);
    } else {
        painter.setPen(QColor(214, 222, 226));
        painter.setBrush(Qt::white);
        painter.drawRoundedRect(rect().adjusted(0, 0, -1, -1), 4, 4);
    }
    painter.drawPixmap(QRect(0, height() - kCaptionHeight, width(), kCaptionHeight), m_captionBg);
    if (m_imageShot->isHidden() && !isAdding() && !m_addIcon.isNull()) {
        const QRect shotArea(0, 0, width(), height() - kCaptionHeight);
        painter.drawPixmap(
            shotArea.center() - QPoint(m_addIcon.width() / 2, m_addIcon.height() / 2), m_addIcon);
    }
}

void OnlineUsuallyWebItem::enterEvent(QEnterEvent*) {
    m_hover = true;
    m_btnClose->setVisible(isFilled() && !isAdding());
    update();
}

void OnlineUsuallyWebItem::leaveEvent(QEvent*) {
    m_hover = false;
    m_btnClose->hide();
    update();
}

void OnlineUsuallyWebItem::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        ItemPress();
}

OnlineBottomWidget::OnlineBottomWidget(QWidget* parent) : QWidget(parent) {
    m_background.load(appfiles::path("/image/bg_white.png"));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(24, 20, 24, 20);
    grid->setHorizontalSpacing(18);
    grid->setVerticalSpacing(16);
    constexpr int kColumns = 4;
    for (int i = 0; i < usualurl::kSlotCount; ++i) {
        auto* item = new OnlineUsuallyWebItem(i, this);
        connect(item, &OnlineUsuallyWebItem::emitOpenUrl, this, &OnlineBottomWidget::OpenUrl);
        grid->addWidget(item, i / kColumns, i % kColumns, Qt::AlignCenter);
        m_items.append(item);
    }
    const usualurl::Sites sites = usualurl::read();
    for (int i = 0; i < usualurl::kSlotCount; ++i)
        m_items[i]->fill(sites[i].url, sites[i].title);
}

bool OnlineBottomWidget::addToFirstEmpty(const QString& url, const QString& title) {
    for (OnlineUsuallyWebItem* item : m_items) {
        if (!item->isFilled() && !item->isAdding())
            return item->addSite(url, title);
    }
    showMessage("Every favourite site tile is taken. Remove a site from the start page first.", {},
                msg::kIcon | msg::kWarning);
    return false;
}

void OnlineBottomWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (m_background.isNull())
        painter.fillRect(rect(), Qt::white);
    else
        painter.drawPixmap(rect(), m_background);
}
