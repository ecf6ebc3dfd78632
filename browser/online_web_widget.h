// One open browser page: its view, its page object, its "Download" tip and
// the watch-page detection that finds the address the tip hands on.
//
// GUI thread only.
#pragma once

#include <QUrl>
#include <QWidget>

class DownTipDialog;
class MyWebView;
class OnlineWebPage;
class QVBoxLayout;

class OnlineWebWidget : public QWidget {
    Q_OBJECT
public:
    explicit OnlineWebWidget(QWidget* parent = nullptr);
    ~OnlineWebWidget() override;

    MyWebView* view() const { return m_view; }
    OnlineWebPage* page() const { return m_page; }
    DownTipDialog* tip() const { return m_tip; }

    // The tool bar's Refresh, Prev and Next on this page. goBack() and
    // goForward() return false (and disable the button) when history does
    // not allow the step.
    void reload();
    bool goBack();
    bool goForward();
    bool canGoBack() const;
    bool canGoForward() const;
    // Brings the shared tool bar's Prev and Next up to date.
    void refreshHistoryButtons();
    // Stops the page for good before it is deleted.
    void shutDown();
    // A file the page wants downloaded goes to the download list (with the
    // notice), like a pasted address; only http and https addresses.
    void handOnDownload(const QUrl& url);

signals:
    void openUrl(QUrl url);
    void emitWebTitle(QString title);
    void emitDownUrl(QString url);
    // After each watch-page detection (the tip's address is up to date).
    void emitDetectionDone();

public slots:
    void loadLink(QUrl url);
    void Title(QString text);
    void Progress(int progress);
    void ShowDownTip(bool show, QPoint point);
    void urlLoadFinished(bool ok);

private:
    void detectWatchPage();
    void respondDetection(const QString& href);
    void setAddressText(const QString& text);

    MyWebView* m_view;
    OnlineWebPage* m_page;
    DownTipDialog* m_tip;
    QVBoxLayout* m_layout;
    bool m_homeRequested = false;
    // The home request was answered with another page once already: do
    // not ask again, or a service that always redirects would loop.
    bool m_homeRetried = false;
    int m_progress = 0;
};
