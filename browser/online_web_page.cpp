#include "browser/online_web_page.h"

#include "browser/web_address.h"

namespace {

// What createWindow hands the engine: a page that is never shown. The
// engine then asks it to navigate to the new window's address, which it
// refuses and reports to the page that opened it.
class NewWindowCatcher : public QWebEnginePage {
public:
    NewWindowCatcher(QWebEngineProfile* profile, OnlineWebPage* opener)
        : QWebEnginePage(profile, opener), m_opener(opener) {}

protected:
    bool acceptNavigationRequest(const QUrl& url, NavigationType, bool) override {
        if (!m_handedOn && !url.isEmpty()) {
            m_handedOn = true;
            emit m_opener->openLink(url);
            deleteLater();
        }
        return false;
    }

private:
    OnlineWebPage* m_opener;
    bool m_handedOn = false;
};

}  // namespace

OnlineWebPage::OnlineWebPage(QWebEngineProfile* profile, QObject* parent)
    : QWebEnginePage(profile, parent) {}

bool OnlineWebPage::takeRefusedLinkFlag() {
    const bool refused = m_refusedLink;
    m_refusedLink = false;
    return refused;
}

bool OnlineWebPage::acceptNavigationRequest(const QUrl& url, NavigationType type,
                                            bool isMainFrame) {
    if (type != NavigationTypeLinkClicked)
        return QWebEnginePage::acceptNavigationRequest(url, type, isMainFrame);
    m_refusedLink = true;
    if (webaddress::isMediaFileLink(url))
        emit downloadLink(url);
    else if (isMainFrame)
        emit loadLink(url);
    else
        emit openLink(url);
    return false;
}

QWebEnginePage* OnlineWebPage::createWindow(WebWindowType) {
    return new NewWindowCatcher(profile(), this);
}
