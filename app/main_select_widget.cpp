#include "app/main_select_widget.h"

#include <QFileInfo>
#include <QTimer>
#include <QVBoxLayout>

#include "browser/online_widgets.h"
#include "download/down_centre_widget.h"
#include "download/download_head_widget.h"
#include "download/downloading_widget.h"
#include "download/paste_url_widget.h"
#include "library/converted_widget.h"
#include "library/downloaded_widget.h"

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
    m_onlineTool = new OnlineHeadToolWidget(this);
    m_onlineBottom = new OnlineBottomWidget(this);
    for (QWidget* part : {static_cast<QWidget*>(m_downHead), static_cast<QWidget*>(m_downCentre),
                          static_cast<QWidget*>(m_onlineTab), static_cast<QWidget*>(m_onlineTool),
                          static_cast<QWidget*>(m_onlineBottom)}) {
        m_verticalLayout->addWidget(part);
    }
    m_verticalLayout->setStretchFactor(m_downCentre, 1);
    m_verticalLayout->setStretchFactor(m_onlineBottom, 1);
    m_onlineTab->hide();
    m_onlineTool->hide();
    m_onlineBottom->hide();

    connect(m_downHead, &DownloadHeadWidget::emitShowWindow, this,
            &MainSelectWidget::ChanceShowDownWidget);
    connect(m_downHead, &DownloadHeadWidget::emitAddDowningBar, m_downloadingWidget,
            &DownloadingWidget::AddDowningBar);
    connect(m_downloadingWidget, &DownloadingWidget::emitChangeShowWindow, this,
            &MainSelectWidget::ChanceShowDownWidget);
    connect(m_downloadingWidget, &DownloadingWidget::emitDowningCount, this,
            &MainSelectWidget::setDowningCount);
    // The Downloaded list takes finished files once it has its slot.
    if (m_downloadedWidget->metaObject()->indexOfSlot("addNewItemBar(QString,QString)") >= 0)
        connect(m_downloadingWidget, SIGNAL(emitOkBarInfo(QString, QString)), m_downloadedWidget,
                SLOT(addNewItemBar(QString, QString)));
    ChanceShowDownWidget();
    m_downloadingWidget->loadTaskList();
    connectFeedback();
}

bool MainSelectWidget::downloadCentreShown() const {
    return !m_downCentre->isHidden();
}

void MainSelectWidget::OnBtnDownload() {
    m_onlineTab->hide();
    m_onlineTool->hide();
    m_onlineBottom->hide();
    m_downHead->show();
    m_downCentre->show();
}

void MainSelectWidget::OnBtnOnline() {
    m_downHead->hide();
    m_downCentre->hide();
    m_onlineTab->show();
    m_onlineTool->show();
    m_onlineBottom->show();
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
    page->setParent(this);
    m_webPages.append(page);
}

bool MainSelectWidget::prepareQuit() {
    if (!m_downloadingWidget->prepareExit())
        return false;
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
    if (!m_webPages.isEmpty())
        delete m_webPages.takeLast();
    if (!m_webPages.isEmpty())
        return;
    m_closeTimer->stop();
    m_closeTimer->deleteLater();
    m_closeTimer = nullptr;
    emit emitWebviewCloseOK();
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
