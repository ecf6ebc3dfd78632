// The web view of a browser page, and the player tracking behind the
// "Download" tip: every 2000 ms it asks the page where its player is and
// tells the page widget whether the pointer is over it (or over the 31-pixel
// band above it, where the tip sits).
//
// The player is the watch-page player element of the video service when
// the address holds "youtube", otherwise (or when that element is missing)
// the largest visible <video> of a page whose address the site scripts
// accept. The view learns which of the two applies on every address change.
//
// GUI thread only.
#pragma once

#include <QTimer>
#include <QWebEngineView>

class MyWebView : public QWebEngineView {
    Q_OBJECT
public:
    static constexpr int kTrackIntervalMs = 2000;
    // The band above the player in which the tip stays up.
    static constexpr int kTipBand = 31;

    explicit MyWebView(QWidget* parent = nullptr);

    // The player rectangle in document coordinates; (-1, -1, -2, -2) (never
    // containing the pointer) while no player is known.
    int left = 0, top = 0, right = -1, bottom = -1;

    bool isTimerRunning() const { return m_timer.isActive(); }
    // True when the site scripts have a block for the current address.
    bool siteScriptAccepts() const { return m_scriptAccepts; }
    // True when the address holds "youtube" (without case).
    bool isWatchService() const;

signals:
    void emitShowDownTip(bool show, QPoint point);
    // After each tracking round: the rectangle above is up to date.
    void emitPlayerTracked();

public slots:
    void UpdateTimer();
    void StopTimer();
    void StartTimer();

private:
    void respondUrlChanged(const QUrl& url);
    void trackAnswered(const QVariant& answer);

    QTimer m_timer;
    bool m_scriptAccepts = false;
};

// The JavaScript that the page widget runs for watch-page detection: the
// canonical link's href along the watch page's element chain, or "".
QString watchPageLinkScript();
