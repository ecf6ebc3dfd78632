#include "browser/my_web_view.h"

#include "browser/web_address.h"
#include "sitescript/sitescript.h"

#include <QCursor>
#include <QPointer>
#include <QVariantMap>

namespace {

// Shared by both scripts: the first child element of `el` whose id is
// exactly `id`, and the watch page's container of the content and player.
const char* const kChainHelpers = R"JS(
function childWithId(el, id) {
    if (!el) return null;
    for (var c = el.firstElementChild; c; c = c.nextElementSibling)
        if (c.id === id) return c;
    return null;
}
function pageContainerFirst() {
    var root = document.documentElement;
    var head = root ? root.firstElementChild : null;
    var body = head ? head.nextElementSibling : null;
    var page = childWithId(childWithId(body, 'body-container'), 'page-container');
    return page ? page.firstElementChild : null;
}
)JS";

// The player rectangle in document coordinates and the scroll position:
// the watch page's "player-api" element when `chain` is set, else (or when
// it is missing) the largest visible <video> when `videos` is set.
const char* const kTrackScript = R"JS(
(function (chain, videos) {
    %1
    var rect = null;
    if (chain) {
        var el = childWithId(childWithId(childWithId(pageContainerFirst(), 'player'),
                                         'player-mole-container'), 'player-api');
        if (el) rect = el.getBoundingClientRect();
    }
    if (!rect && videos) {
        var area = 0;
        document.querySelectorAll('video').forEach(function (v) {
            var style = getComputedStyle(v);
            if (style.display === 'none' || style.visibility === 'hidden') return;
            var r = v.getBoundingClientRect();
            if (r.width * r.height > area) { area = r.width * r.height; rect = r; }
        });
    }
    var sx = window.scrollX, sy = window.scrollY;
    if (!rect) return { found: false, sx: sx, sy: sy };
    return { found: true, left: rect.left + sx, top: rect.top + sy,
             right: rect.right + sx, bottom: rect.bottom + sy, sx: sx, sy: sy };
})(%2, %3)
)JS";

// Depth-first along the "content" element, children in document order; a
// leaf <link itemprop="url"> whose parent is a div with an id starting
// "watch7-content" gives its href (prefix tests without case).
const char* const kWatchLinkScript = R"JS(
(function () {
    %1
    function starts(text, prefix) { return (text || '').toLowerCase().indexOf(prefix) === 0; }
    function search(el) {
        if (el.firstElementChild) {
            for (var c = el.firstElementChild; c; c = c.nextElementSibling) {
                var found = search(c);
                if (found) return found;
            }
            return '';
        }
        var parent = el.parentElement;
        if (parent && starts(parent.tagName, 'div') && starts(parent.id, 'watch7-content') &&
            starts(el.tagName, 'link') && starts(el.getAttribute('itemprop'), 'url'))
            return el.getAttribute('href') || '';
        return '';
    }
    var content = childWithId(pageContainerFirst(), 'content');
    return content ? search(content) : '';
})()
)JS";

}  // namespace

QString watchPageLinkScript() {
    return QString(kWatchLinkScript).arg(kChainHelpers);
}

MyWebView::MyWebView(QWidget* parent) : QWebEngineView(parent) {
    connect(&m_timer, &QTimer::timeout, this, &MyWebView::UpdateTimer);
    connect(this, &QWebEngineView::urlChanged, this, &MyWebView::respondUrlChanged);
    m_timer.start(kTrackIntervalMs);
}

bool MyWebView::isWatchService() const {
    return url().toString().contains("youtube", Qt::CaseInsensitive);
}

void MyWebView::respondUrlChanged(const QUrl& address) {
    m_scriptAccepts = false;
    if (webaddress::isLoadable(address)) {
        const QString text = address.toString();
        m_scriptAccepts =
            SiteScriptAcceptsUrl(reinterpret_cast<const char16_t*>(text.utf16())) != 0;
    }
}

void MyWebView::UpdateTimer() {
    left = -1;
    top = -1;
    right = -2;
    bottom = -2;
    const bool chain = isWatchService();
    const bool videos = m_scriptAccepts;
    const QString script =
        QString(kTrackScript)
            .arg(kChainHelpers, chain ? "true" : "false", videos ? "true" : "false");
    QPointer<MyWebView> self(this);
    page()->runJavaScript(script, [self](const QVariant& answer) {
        if (self)
            self->trackAnswered(answer);
    });
}

void MyWebView::trackAnswered(const QVariant& answer) {
    const QVariantMap map = answer.toMap();
    if (map.value("found").toBool()) {
        left = qRound(map.value("left").toDouble());
        top = qRound(map.value("top").toDouble());
        right = qRound(map.value("right").toDouble());
        bottom = qRound(map.value("bottom").toDouble());
    }
    const int h = qRound(map.value("sx").toDouble());
    const int v = qRound(map.value("sy").toDouble());
    const QPoint pointer = mapFromGlobal(QCursor::pos());
    const int px = pointer.x(), py = pointer.y();
    if (top - v - kTipBand <= py && py <= bottom - v && left - h <= px && px <= right - h)
        emit emitShowDownTip(true, QPoint(right - h, top - v));
    else
        emit emitShowDownTip(false, QPoint(0, 0));
    emit emitPlayerTracked();
}

void MyWebView::StopTimer() {
    m_timer.stop();
}

void MyWebView::StartTimer() {
    m_timer.start(kTrackIntervalMs);
}
