#include "app/main_select_widget.h"

#include <QFileInfo>
#include <QStackedWidget>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "browser/my_web_view.h"
#include "browser/online_bottom_widget.h"
#include "browser/online_head_tab_widget.h"
#include "browser/online_head_tool_widget.h"
#include "browser/online_web_widget.h"
#include "browser/web_address.h"
#include "download/down_centre_widget.h"
#include "download/download_head_widget.h"
#include "download/downloading_widget.h"
#include "download/paste_url_widget.h"
#include "library/converted_widget.h"
#include "library/downloaded_widget.h"
#include "player/player_widget.h"
#include "widgets/message_dialog.h"

MainSelectWidget::MainSelectWidget(QWidget* parent) : QWidget(parent) {
    m_verticalLayout = new QVBoxLayout(this);
    m_verticalLayout->setObjectName("m_verticalLayout");
    m_verticalLayout->setContentsMargins(0, 0, 0, 0);
    m_verticalLayout->setSpacing(0);

    m_downHead = new DownloadHeadWidget(this);
    m_downCentre = new DownCentreWidget(this);
    auto* centreLayout = new QVBoxLayout(m_downCentre);
    centreLayout->setContentsMargins(0, 0, 0, 0);
    centreLayout->setSpacing(0);
    m_pasteWidget = new PasteURLWidget(m_downCentre);
    m_downloadingWidget = new DownloadingWidget(m_downCentre);
    m_downloadedWidget = new DownloadedWidget(m_downCentre);
    m_convertedWidget = new ConvertedWidget(m_downCentre);
    for (QWidget* list :
         {static_cast<QWidget*>(m_pasteWidget), static_cast<QWidget*>(m_downloadingWidget),
          static_cast<QWidget*>(m_downloadedWidget), static_cast<QWidget*>(m_convertedWidget)}) {
        centreLayout->addWidget(list);
        list->hide();
    }
    m_onlineTab = new OnlineHeadTabWidget(this);
    m_onlineTool = OnlineHeadToolWidget::instance(this);
    // The online area's two faces: the start page and the open pages.
    m_onlineFaces = new QStackedWidget(this);
    m_onlineBottom = new OnlineBottomWidget(m_onlineFaces);
    m_onlinePages = new QWidget(m_onlineFaces);
    m_onlinePagesLayout = new QVBoxLayout(m_onlinePages);
    m_onlinePagesLayout->setContentsMargins(0, 0, 0, 0);
    m_onlineFaces->addWidget(m_onlineBottom);
    m_onlineFaces->addWidget(m_onlinePages);
    for (QWidget* part : {static_cast<QWidget*>(m_downHead), static_cast<QWidget*>(m_downCentre),
                          static_cast<QWidget*>(m_onlineTab), static_cast<QWidget*>(m_onlineTool),
                          static_cast<QWidget*>(m_onlineFaces)}) {
        m_verticalLayout->addWidget(part);
    }
    m_verticalLayout->setStretchFactor(m_downCentre, 1);
    m_verticalLayout->setStretchFactor(m_onlineFaces, 1);
    m_onlineTab->hide();
    m_onlineTool->hide();
    m_onlineFaces->hide();

    connect(m_downHead, &DownloadHeadWidget::emitShowWindow, this,
            &MainSelectWidget::ChanceShowDownWidget);
    connect(m_downHead, &DownloadHeadWidget::emitAddDowningBar, m_downloadingWidget,
            &DownloadingWidget::AddDowningBar);
    connect(m_downloadingWidget, &DownloadingWidget::emitChangeShowWindow, this,
            &MainSelectWidget::ChanceShowDownWidget);
    connect(m_downloadingWidget, &DownloadingWidget::emitDowningCount, this,
            &MainSelectWidget::setDowningCount);
    connectPlayer();
    connectBrowser();
    connectLibrary();
    ChanceShowDownWidget();
    m_downloadingWidget->loadTaskList();
    connectFeedback();
}

void MainSelectWidget::connectLibrary() {
    connect(m_downloadingWidget, &DownloadingWidget::emitOkBarInfo, m_downloadedWidget,
            qOverload<QString, QString>(&DownloadedWidget::addNewItemBar));
    connect(m_downloadedWidget, &DownloadedWidget::emitVideo, m_convertedWidget,
            &ConvertedWidget::AddNewItemBar);
    connect(m_pasteWidget, &PasteURLWidget::emitAddFiles, m_downloadedWidget,
            &DownloadedWidget::AddDragFiles);
    connect(m_downCentre, &DownCentreWidget::emitDragFiles, m_downloadedWidget,
            &DownloadedWidget::AddDragFiles);
    connect(m_downloadedWidget, &DownloadedWidget::emitDownedCount, this,
            &MainSelectWidget::setDownedCount);
    connect(m_convertedWidget, &ConvertedWidget::emitConvertCount, this,
            &MainSelectWidget::setConvertedCount);
    connect(m_downloadedWidget, &DownloadedWidget::emitChangeShowWindow, this,
            &MainSelectWidget::ChanceShowDownWidget);
    connect(m_convertedWidget, &ConvertedWidget::emitChangeShowWindow, this,
            &MainSelectWidget::ChanceShowDownWidget);
    m_downloadedWidget->loadList();
    m_convertedWidget->loadList();
}

// ---- the player -------------------------------------------------------------

// Files played from either list go to the player's play list.
void MainSelectWidget::connectPlayer() {
    connect(m_downloadedWidget, &DownloadedWidget::emitPlayFile, this,
            &MainSelectWidget::playInPlayer);
    connect(m_convertedWidget, &ConvertedWidget::emitPlayFile, this,
            &MainSelectWidget::playInPlayer);
}

void MainSelectWidget::playInPlayer(const QString& path) {
    PlayerWidget::instance()->playFile(path);
}

bool MainSelectWidget::downloadCentreShown() const {
    return !m_downCentre->isHidden();
}

void MainSelectWidget::OnBtnDownload() {
    m_onlineTab->hide();
    m_onlineTool->hide();
    m_onlineFaces->hide();
    m_downHead->show();
    m_downCentre->show();
}

void MainSelectWidget::OnBtnOnline() {
    m_downHead->hide();
    m_downCentre->hide();
    m_onlineTab->show();
    m_onlineTool->show();
    m_onlineFaces->show();
}

void MainSelectWidget::showList(QWidget* list) {
    m_currentList = list;
    list->show();
}

void MainSelectWidget::ChanceShowDownWidget() {
    if (m_currentList)
        m_currentList->hide();
    const QString name = m_downHead->selectedTabName();
    const int count = m_downHead->tabCount(name);
    if (name.isEmpty() || count == 0) {
        m_pasteWidget->setPanelFor(name);
        showList(m_pasteWidget);
    } else if (name == "Downloading") {
        showList(m_downloadingWidget);
    } else if (name == "Downloaded") {
        showList(m_downloadedWidget);
    } else {
        showList(m_convertedWidget);
    }
}

void MainSelectWidget::setDowningCount(int count) {
    m_downHead->setTabCount("Downloading", count);
}
void MainSelectWidget::setDownedCount(int count) {
    m_downHead->setTabCount("Downloaded", count);
}
void MainSelectWidget::setConvertedCount(int count) {
    m_downHead->setTabCount("Converted", count);
}

void MainSelectWidget::adoptWebPage(QWidget* page) {
    page->setParent(m_onlinePages);
    m_webPages.append(page);
}

bool MainSelectWidget::prepareQuit() {
    if (!m_downloadedWidget->confirmExit() || !m_downloadingWidget->prepareExit())
        return false;
    m_downloadedWidget->stopConversions();
    if (m_webPages.isEmpty()) {
        emit emitWebviewCloseOK();
        return true;
    }
    if (!m_closeTimer) {
        m_closeTimer = new QTimer(this);
        connect(m_closeTimer, &QTimer::timeout, this, &MainSelectWidget::closeWebView);
    }
    m_closeTimer->start(kWebPageCloseIntervalMs);
    return true;
}

void MainSelectWidget::closeWebView() {
    if (!m_webPages.isEmpty()) {
        QWidget* page = m_webPages.last();
        forgetWebPage(page);
        delete page;
    }
    if (!m_webPages.isEmpty())
        return;
    m_closeTimer->stop();
    m_closeTimer->deleteLater();
    m_closeTimer = nullptr;
    emit emitWebviewCloseOK();
}

// --- the browser ---------------------------------------------------------------

void MainSelectWidget::connectBrowser() {
    connect(m_onlineTab, &OnlineHeadTabWidget::emitOnlyAddNewTab, this,
            &MainSelectWidget::OnAddWebTab);
    connect(m_onlineTab, &OnlineHeadTabWidget::emitTabChange, this,
            &MainSelectWidget::ChangewShowOnlineWidget);
    connect(m_onlineTab, &OnlineHeadTabWidget::emitTabClose, this,
            &MainSelectWidget::CloseOnlineWidget);
    connect(m_onlineTab, &OnlineHeadTabWidget::emitRefreshTab, this, [this](QWidget* page) {
        if (auto* web = qobject_cast<OnlineWebWidget*>(page))
            web->reload();
    });
    connect(m_onlineTab, &OnlineHeadTabWidget::emitAddToUsual, this, [this](QWidget* page) {
        if (auto* web = qobject_cast<OnlineWebWidget*>(page))
            m_onlineBottom->addToFirstEmpty(web->view()->url().toString(), web->view()->title());
    });
    connect(m_onlineTool, &OnlineHeadToolWidget::emitHomePage, this, &MainSelectWidget::OnHomePage);
    connect(m_onlineTool, &OnlineHeadToolWidget::emitAfterPage, this,
            &MainSelectWidget::OnAfterPage);
    connect(m_onlineTool, &OnlineHeadToolWidget::emitPrevPage, this, &MainSelectWidget::OnPrevPage);
    connect(m_onlineTool, &OnlineHeadToolWidget::emitRefreshPage, this,
            &MainSelectWidget::OnRefreshPage);
    connect(m_onlineTool, &OnlineHeadToolWidget::emitLoadUrl, this,
            &MainSelectWidget::OnlineOpenUrl);
    connect(m_onlineBottom, &OnlineBottomWidget::OpenUrl, this, &MainSelectWidget::OnlineOpenUrl);
    showOnlineStartPage();
}

bool MainSelectWidget::startPageShown() const {
    return m_onlineFaces->currentWidget() == m_onlineBottom;
}

void MainSelectWidget::showOnlineStartPage() {
    m_onlineFaces->setCurrentWidget(m_onlineBottom);
}

void MainSelectWidget::showOnlinePagesFace() {
    m_onlineFaces->setCurrentWidget(m_onlinePages);
}

OnlineWebWidget* MainSelectWidget::newWebPage() {
    showOnlinePagesFace();
    if (m_currentWebPage)
        m_currentWebPage->hide();
    auto* page = new OnlineWebWidget(m_onlinePages);
    m_webPages.append(page);
    return page;
}

void MainSelectWidget::wireWebPage(OnlineWebWidget* page) {
    if (OnlingTabButton* tab = m_onlineTab->tabFor(page))
        connect(page, &OnlineWebWidget::emitWebTitle, tab, &OnlingTabButton::TitleChange);
    connect(page, &OnlineWebWidget::openUrl, this, &MainSelectWidget::CreateWebPageAndTab);
    connect(page, &OnlineWebWidget::emitDownUrl, m_downloadingWidget,
            &DownloadingWidget::AddDowningBar);
}

void MainSelectWidget::CreateWebPageAndTab(QUrl url) {
    OnlineWebWidget* page = newWebPage();
    m_onlineTab->addTab(page);
    page->loadLink(url);
    m_onlinePagesLayout->addWidget(page);
    page->show();
    wireWebPage(page);
    m_currentWebPage = page;
}

void MainSelectWidget::CreateWebPage(QUrl url) {
    OnlineWebWidget* page = newWebPage();
    m_onlineTab->bindCurrent(page);
    page->loadLink(url);
    m_onlinePagesLayout->addWidget(page);
    page->show();
    wireWebPage(page);
    m_currentWebPage = page;
}

void MainSelectWidget::OnAddWebTab() {
    if (m_currentWebPage)
        m_currentWebPage->hide();
    m_currentWebPage = nullptr;
    m_onlineTool->setPrevEnabled(false);
    m_onlineTool->setNextEnabled(false);
    showOnlineStartPage();
}

void MainSelectWidget::ChangewShowOnlineWidget(QWidget* page) {
    if (m_currentWebPage)
        m_currentWebPage->hide();
    m_currentWebPage = qobject_cast<OnlineWebWidget*>(page);
    if (!m_currentWebPage) {
        m_onlineTool->setPrevEnabled(false);
        m_onlineTool->setNextEnabled(false);
        m_onlineTool->setAddressText({});
        showOnlineStartPage();
        return;
    }
    showOnlinePagesFace();
    m_currentWebPage->show();
    m_onlineTool->setAddressText(m_currentWebPage->view()->url().toString());
    m_currentWebPage->refreshHistoryButtons();
}

void MainSelectWidget::forgetWebPage(QWidget* page) {
    m_onlinePagesLayout->removeWidget(page);
    m_webPages.removeOne(page);
    if (auto* web = qobject_cast<OnlineWebWidget*>(page))
        web->shutDown();
    if (OnlingTabButton* tab = m_onlineTab->tabFor(page))
        m_onlineTab->removeTab(tab);
    if (page == m_currentWebPage)
        m_currentWebPage = nullptr;
}

void MainSelectWidget::CloseOnlineWidget(QWidget* page) {
    if (!page || !m_webPages.contains(page))
        return;
    const bool wasCurrent = page == m_currentWebPage;
    forgetWebPage(page);
    delete page;
    if (wasCurrent) {
        m_onlineTool->setPrevEnabled(false);
        m_onlineTool->setNextEnabled(false);
        showOnlineStartPage();
    }
}

void MainSelectWidget::OnPrevPage() {
    if (!m_currentWebPage)
        return;
    if (m_currentWebPage->canGoBack()) {
        m_currentWebPage->goBack();
        return;
    }
    // Back past the page's first address: the start page, with the way
    // forward to the page open.
    showOnlineStartPage();
    m_currentWebPage->hide();
    m_onlineTool->setNextEnabled(true);
}

void MainSelectWidget::OnAfterPage() {
    if (!m_currentWebPage)
        return;
    if (!startPageShown()) {
        m_currentWebPage->goForward();
        return;
    }
    m_currentWebPage->show();
    showOnlinePagesFace();
    m_onlineTool->setPrevEnabled(true);
    m_currentWebPage->refreshHistoryButtons();
}

void MainSelectWidget::OnRefreshPage() {
    if (m_currentWebPage && !startPageShown())
        m_currentWebPage->reload();
}

void MainSelectWidget::OnlineOpenUrl(QString url) {
    const QUrl address(url);
    if (!webaddress::isLoadable(address)) {
        showMessage(webaddress::refusalMessage(url), {}, msg::kIcon | msg::kWarning);
        return;
    }
    m_currentOnlineUrl = url;
    OnlingTabButton* tab = m_onlineTab->currentTab();
    if (!tab) {
        CreateWebPageAndTab(address);
    } else if (auto* page = qobject_cast<OnlineWebWidget*>(tab->page())) {
        if (page != m_currentWebPage)
            ChangewShowOnlineWidget(page);
        showOnlinePagesFace();
        page->show();
        page->loadLink(address);
    } else {
        CreateWebPage(address);
    }
}

void MainSelectWidget::OnHomePage() {
    OnlineOpenUrl(webaddress::kHomeUrl);
    m_onlineTool->setAddressText(webaddress::kHomeUrl);
}

void MainSelectWidget::OnUsualUrl(QString url) {
    OnlineOpenUrl(url);
    m_onlineTool->setAddressText(url);
}

void MainSelectWidget::connectFeedback() {
    connect(m_downloadingWidget, &DownloadingWidget::emitShowFinished, this, [this] {
        OnBtnDownload();
        m_downHead->OnDownloaded();
        QWidget* top = window();
        top->showNormal();
        top->raise();
        top->activateWindow();
    });
}

void MainSelectWidget::openArguments(const QStringList& arguments) {
    QStringList files;
    for (const QString& argument : arguments) {
        const QFileInfo file(argument);
        if (file.isFile())
            files << file.absoluteFilePath();
        else if (!argument.isEmpty())
            m_downloadingWidget->AddDowningBar(argument);
    }
    if (!files.isEmpty())
        emit m_downCentre->emitDragFiles(files);
}
