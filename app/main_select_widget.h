// The page container of the main window: the download centre (list tabs,
// the list on show or the empty-list panel) and the online-video browser,
// one of the two on show. It creates every page, wires them together and
// runs the page side of the quit sequence.
#pragma once

#include <QList>
#include <QUrl>
#include <QWidget>

class ConvertedWidget;
class DownCentreWidget;
class DownloadHeadWidget;
class DownloadedWidget;
class DownloadingWidget;
class OnlineBottomWidget;
class OnlineHeadTabWidget;
class OnlineHeadToolWidget;
class OnlineWebWidget;
class PasteURLWidget;
class QStackedWidget;
class QTimer;
class QVBoxLayout;

class MainSelectWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWebPageCloseIntervalMs = 200;

    explicit MainSelectWidget(QWidget* parent = nullptr);

    // The page side of quitting: lets the downloading list save and stop
    // (once it exists), then closes the open web pages one by one, 200 ms
    // apart, and emits emitWebviewCloseOK() when none is left. Returns false
    // when the quit was refused (the window stays open).
    bool prepareQuit();

    // Registers an open web page (owned by the container from then on); the
    // browser's page slots call this, and the quit sequence destroys the
    // pages in reverse order.
    void adoptWebPage(QWidget* page);
    int webPageCount() const { return m_webPages.size(); }

    DownloadHeadWidget* head() const { return m_downHead; }
    PasteURLWidget* pastePanel() const { return m_pasteWidget; }
    QWidget* currentList() const { return m_currentList; }
    DownloadingWidget* downloadingList() const { return m_downloadingWidget; }
    DownloadedWidget* downloadedList() const { return m_downloadedWidget; }
    ConvertedWidget* convertedList() const { return m_convertedWidget; }
    bool downloadCentreShown() const;
    // Command-line arguments of this or a later start: page addresses become
    // tasks, existing files go where files dropped on the centre go.
    void openArguments(const QStringList& arguments);

    // The browser: its tab strip, tool bar, start page, the open pages in
    // creation order and the page on show (null on the start page).
    OnlineHeadTabWidget* onlineTabs() const { return m_onlineTab; }
    OnlineHeadToolWidget* onlineTool() const { return m_onlineTool; }
    OnlineBottomWidget* onlineStartPage() const { return m_onlineBottom; }
    const QList<QWidget*>& webPages() const { return m_webPages; }
    OnlineWebWidget* currentWebPage() const { return m_currentWebPage; }
    // True while the online area shows the start page rather than a page.
    bool startPageShown() const;

signals:
    void emitWebviewCloseOK();

public slots:
    void OnBtnDownload();
    void OnBtnOnline();
    void ChanceShowDownWidget();
    void setDowningCount(int count);
    void setDownedCount(int count);
    void setConvertedCount(int count);
    void closeWebView();
    // Plays `path` in the player window (through its play list) and shows
    // the window.
    void playInPlayer(const QString& path);

    // The browser's slots.
    void OnAddWebTab();
    void CreateWebPage(QUrl url);
    void CreateWebPageAndTab(QUrl url);
    void ChangewShowOnlineWidget(QWidget* page);
    void CloseOnlineWidget(QWidget* page);
    void OnAfterPage();
    void OnHomePage();
    void OnPrevPage();
    void OnRefreshPage();
    void OnlineOpenUrl(QString url);
    void OnUsualUrl(QString url);

private:
    // A click on a finished download's notice shows the Downloaded list.
    void connectFeedback();

    void showList(QWidget* list);
    void connectPlayer();
    void connectBrowser();
    OnlineWebWidget* newWebPage();
    void wireWebPage(OnlineWebWidget* page);
    void showOnlineStartPage();
    void showOnlinePagesFace();
    void forgetWebPage(QWidget* page);
    // The Downloaded and Converted lists: finished downloads, dropped and
    // imported files, finished conversions and the head's counters.
    void connectLibrary();

    QVBoxLayout* m_verticalLayout;
    DownloadHeadWidget* m_downHead;
    DownCentreWidget* m_downCentre;
    PasteURLWidget* m_pasteWidget;
    DownloadingWidget* m_downloadingWidget;
    DownloadedWidget* m_downloadedWidget;
    ConvertedWidget* m_convertedWidget;
    OnlineHeadTabWidget* m_onlineTab;
    OnlineHeadToolWidget* m_onlineTool;
    OnlineBottomWidget* m_onlineBottom;
    QStackedWidget* m_onlineFaces;
    QWidget* m_onlinePages;
    QVBoxLayout* m_onlinePagesLayout;
    OnlineWebWidget* m_currentWebPage = nullptr;
    QString m_currentOnlineUrl;
    QList<QWidget*> m_webPages;
    QWidget* m_currentList = nullptr;
    QTimer* m_closeTimer = nullptr;
};
