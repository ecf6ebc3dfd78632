// The page object of a browser page: the web engine never follows a
// clicked link by itself. Links of the main frame come back as loadLink()
// for the page widget to load; links of other frames and links that ask
// for a new window (target=_blank, window.open) come back as openLink() for
// a new tab. A clicked link to a media file comes back as downloadLink().
// A download the page starts itself is handed on as
// emitDownloadRequested() instead of being saved by the engine.
//
// GUI thread only.
#pragma once

#include <QWebEnginePage>

class OnlineWebPage : public QWebEnginePage {
    Q_OBJECT
public:
    explicit OnlineWebPage(QWebEngineProfile* profile, QObject* parent = nullptr);

    // True once after a refused link: the engine then reports the old
    // address as not loaded, which is not a failure of the page.
    bool takeRefusedLinkFlag();

signals:
    void loadLink(QUrl url);
    void openLink(QUrl url);
    // A clicked link to a media file (see webaddress::isMediaFileLink).
    void downloadLink(QUrl url);

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType type, bool isMainFrame) override;
    QWebEnginePage* createWindow(WebWindowType type) override;

private:
    bool m_refusedLink = false;
};
