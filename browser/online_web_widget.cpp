#include "browser/online_web_widget.h"

#include "browser/down_tip_dialog.h"
#include "browser/my_web_view.h"
#include "browser/online_head_tool_widget.h"
#include "browser/online_web_page.h"
#include "browser/web_address.h"
#include "widgets/notice_popup.h"

#include <QPointer>
#include <QVBoxLayout>
#include <QWebEngineDownloadRequest>
#include <QWebEngineHistory>
#include <QWebEngineProfile>
#include <QWebEngineSettings>

namespace {

// A download that a page starts by itself (a link to a file the engine does
// not show) goes to the download list like a pasted address; the engine
// saves nothing.
void routeDownloadsToTheList(QWebEngineProfile* profile) {
    static bool routed = false;
    if (routed)
        return;
    routed = true;
    QObject::connect(profile, &QWebEngineProfile::downloadRequested, profile,
                     [](QWebEngineDownloadRequest* request) {
                         const QUrl url = request->url();
                         QWebEnginePage* page = request->page();
                         request->cancel();
                         auto* owner =
                             page ? qobject_cast<OnlineWebWidget*>(page->parent()) : nullptr;
                         if (owner)
                             owner->handOnDownload(url);
                     });
}

}  // namespace

OnlineWebWidget::OnlineWebWidget(QWidget* parent) : QWidget(parent) {
    QWebEngineProfile* profile = QWebEngineProfile::defaultProfile();
    routeDownloadsToTheList(profile);
    m_layout = new QVBoxLayout(this);
    m_layout->setContentsMargins(0, 0, 0, 0);
    m_layout->setSpacing(0);
    m_view = new MyWebView(this);
    m_page = new OnlineWebPage(profile, this);
    m_view->setPage(m_page);
    m_layout->addWidget(m_view);
    m_tip = new DownTipDialog(this);

    // The page widget loads main-frame links itself, after the engine has
    // finished refusing the click.
    connect(m_page, &OnlineWebPage::loadLink, this, &OnlineWebWidget::loadLink,
            Qt::QueuedConnection);
    connect(m_page, &OnlineWebPage::openLink, this, &OnlineWebWidget::openUrl,
            Qt::QueuedConnection);
    connect(m_page, &OnlineWebPage::downloadLink, this, &OnlineWebWidget::handOnDownload,
            Qt::QueuedConnection);
    connect(m_view, &QWebEngineView::loadFinished, this, &OnlineWebWidget::urlLoadFinished);
    connect(m_view, &QWebEngineView::titleChanged, this, &OnlineWebWidget::Title);
    connect(m_view, &QWebEngineView::loadProgress, this, &OnlineWebWidget::Progress);
    connect(m_view, &QWebEngineView::urlChanged, m_tip, [this] { m_tip->setUrl({}); });
    connect(m_view, &MyWebView::emitShowDownTip, this, &OnlineWebWidget::ShowDownTip);
    connect(m_tip, &DownTipDialog::emitClose, m_view, &MyWebView::StopTimer);
    connect(m_tip, &DownTipDialog::emitUrl, this, &OnlineWebWidget::emitDownUrl);
}

OnlineWebWidget::~OnlineWebWidget() {
    shutDown();
    // The view must let go of the page before the page object goes.
    m_view->setPage(nullptr);
    delete m_page;
}

void OnlineWebWidget::shutDown() {
    m_view->StopTimer();
    m_view->stop();
    m_page->settings()->setAttribute(QWebEngineSettings::PluginsEnabled, false);
}

void OnlineWebWidget::handOnDownload(const QUrl& url) {
    if (!webaddress::isLoadable(url))
        return;
    emit emitDownUrl(url.toString());
    NoticePopup::shared().showNotice("/image/add_information_bg.png");
}

void OnlineWebWidget::setAddressText(const QString& text) {
    if (OnlineHeadToolWidget* tool = OnlineHeadToolWidget::existing()) {
        if (tool->addressText() != text)
            tool->setAddressText(text);
    }
}

bool OnlineWebWidget::canGoBack() const {
    return m_view->history()->canGoBack();
}

bool OnlineWebWidget::canGoForward() const {
    return m_view->history()->canGoForward();
}

void OnlineWebWidget::refreshHistoryButtons() {
    if (OnlineHeadToolWidget* tool = OnlineHeadToolWidget::existing()) {
        // Prev stays enabled: going back past the first page shows the start page.
        tool->setPrevEnabled(true);
        tool->setNextEnabled(canGoForward());
    }
}

void OnlineWebWidget::loadLink(QUrl url) {
    if (!webaddress::isLoadable(url))
        return;
    if (url == QUrl(webaddress::kHomeUrl)) {
        if (!m_homeRequested)
            m_homeRetried = false;
        m_homeRequested = true;
    }
    m_view->stop();
    if (url == m_view->url())
        m_view->reload();
    else
        m_view->load(url);
    setAddressText(url.toString());
    refreshHistoryButtons();
    m_view->StartTimer();
}

void OnlineWebWidget::reload() {
    m_view->stop();
    m_view->reload();
    m_view->StartTimer();
    refreshHistoryButtons();
}

bool OnlineWebWidget::goBack() {
    if (!canGoBack()) {
        if (OnlineHeadToolWidget* tool = OnlineHeadToolWidget::existing())
            tool->setPrevEnabled(false);
        return false;
    }
    m_view->stop();
    m_view->back();
    refreshHistoryButtons();
    m_view->StartTimer();
    return true;
}

bool OnlineWebWidget::goForward() {
    if (!canGoForward()) {
        if (OnlineHeadToolWidget* tool = OnlineHeadToolWidget::existing())
            tool->setNextEnabled(false);
        return false;
    }
    m_view->stop();
    m_view->forward();
    refreshHistoryButtons();
    m_view->StartTimer();
    return true;
}

void OnlineWebWidget::Title(QString text) {
    emit emitWebTitle(text);
    // A page in a background tab leaves the shared tool bar alone.
    if (isHidden())
        return;
    refreshHistoryButtons();
    if (m_homeRequested) {
        m_homeRequested = false;
        if (m_view->url() != QUrl(webaddress::kHomeUrl) && !m_homeRetried) {
            m_homeRetried = true;
            loadLink(QUrl(webaddress::kHomeUrl));
            return;
        }
    }
    setAddressText(m_view->url().toString());
    detectWatchPage();
}

void OnlineWebWidget::Progress(int progress) {
    m_progress = progress;
}

void OnlineWebWidget::urlLoadFinished(bool ok) {
    if (!ok) {
        // Refusing a clicked link reports the old address as not loaded.
        if (!m_page->takeRefusedLinkFlag())
            emit emitWebTitle(QString());
        return;
    }
    m_page->takeRefusedLinkFlag();
    if (!isHidden())
        detectWatchPage();
}

void OnlineWebWidget::detectWatchPage() {
    if (!m_view->isWatchService()) {
        respondDetection({});
        return;
    }
    QPointer<OnlineWebWidget> self(this);
    m_page->runJavaScript(watchPageLinkScript(), [self](const QVariant& answer) {
        if (self)
            self->respondDetection(answer.toString());
    });
}

void OnlineWebWidget::respondDetection(const QString& href) {
    if (!href.isEmpty()) {
        // A relative canonical link names a page of the same site.
        const QString address = m_view->url().resolved(QUrl(href)).toString();
        setAddressText(address);
        m_tip->setUrl(address);
    } else if (m_view->siteScriptAccepts()) {
        // Any page the site scripts accept: its own address.
        m_tip->setUrl(m_view->url().toString());
    }
    emit emitDetectionDone();
}

void OnlineWebWidget::ShowDownTip(bool show, QPoint point) {
    if (!show) {
        m_tip->hide();
        return;
    }
    m_tip->move(point.x() - 149, point.y() - DownTipDialog::kHeight);
    m_tip->show();
    m_tip->raise();
}
