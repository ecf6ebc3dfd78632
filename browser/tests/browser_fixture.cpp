#include "browser/tests/browser_fixture.h"

#include "browser/web_engine_setup.h"
#include "sitescript/tooling.h"
#include "testing/temp_dir.h"
#include "widgets/image_button.h"
#include "widgets/message_dialog.h"

#include <QDialog>
#include <QElapsedTimer>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QWebEngineView>

#include <filesystem>

namespace browser_test {
namespace {

// Before the first test creates the application object.
const bool kEnginePrepared = [] {
    webengine::prepareBeforeApplication();
    return true;
}();

}  // namespace

PageServer::PageServer() : m_shared(std::make_shared<Shared>()) {
    std::shared_ptr<Shared> shared = m_shared;
    m_server.server().Get(".*", [shared](const httplib::Request& req, httplib::Response& res) {
        std::lock_guard lock(shared->mutex);
        ++shared->hits[req.path];
        const auto found = shared->pages.find(req.path);
        if (found == shared->pages.end()) {
            res.status = 404;
            res.set_content("<html><head><title>Missing</title></head><body>404</body></html>",
                            "text/html");
            return;
        }
        res.set_content(found->second, "text/html; charset=utf-8");
    });
}

void PageServer::page(const std::string& path, std::string html) {
    std::lock_guard lock(m_shared->mutex);
    m_shared->pages[path] = std::move(html);
}

QString PageServer::url(const std::string& path) const {
    return QString::fromStdString(m_server.url(path));
}

int PageServer::hits(const std::string& path) const {
    std::lock_guard lock(m_shared->mutex);
    const auto found = m_shared->hits.find(path);
    return found == m_shared->hits.end() ? 0 : found->second;
}

BrowserTest::BrowserTest() {
    (void)kEnginePrepared;
    namespace fs = std::filesystem;
    const fs::path built(CLIPWRIGHT_BUILT_APP_DIR);
    fs::create_directory_symlink(built / "pic", home / "pic");
    fs::create_directory(home / "image");
    for (const fs::directory_entry& entry : fs::recursive_directory_iterator(built / "image")) {
        const fs::path relative = fs::relative(entry.path(), built / "image");
        if (entry.is_directory())
            fs::create_directories(home / "image" / relative);
        else
            fs::create_symlink(entry.path(), home / "image" / relative);
    }
    fs::copy_file(built / "script.ent", home / "script.ent");
    PreferencesStore::instance().resetToFallbacks();
    QObject::connect(&m_answerer, &QTimer::timeout, [this] {
        auto* modal = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!modal || !modal->isVisible())
            return;
        if (m_answer && m_answer(modal))
            return;
        if (auto* message = qobject_cast<QMessageDlg*>(modal)) {
            QStringList texts;
            for (const QLabel* label : message->findChildren<QLabel*>())
                texts << label->text();
            messages << texts.join(" ");
            message->firstButton()->click();
        }
    });
}

BrowserTest::~BrowserTest() {
    m_answerer.stop();
}

void BrowserTest::answerDialogs(std::function<bool(QDialog*)> answer) {
    m_answer = std::move(answer);
    m_answerer.start(20);
}

QString BrowserTest::appPath(const char* name) const {
    return QString::fromStdString((home / name).string());
}

std::string BrowserTest::readAppFile(const char* name) const {
    return testing_support::readFile(home / name);
}

void BrowserTest::writeAppFile(const char* name, const std::string& bytes) const {
    testing_support::writeFile(home / name, bytes);
}

void BrowserTest::useScriptFor(const std::string& siteKey) const {
    std::string plain = "SITE \"" + siteKey + "\"\r\nBEGIN\r\nVAR A = \"1\"\r\nEND;\r\n";
    sitescript::scramble(plain.data(), plain.size());
    testing_support::writeFile(home / "script.ent", plain);
}

bool BrowserTest::waitFor(const std::function<bool()>& condition, int timeoutMs) {
    QElapsedTimer timer;
    timer.start();
    while (!condition()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QTest::qWait(10);
    }
    return true;
}

QVariant BrowserTest::evaluate(QWebEngineView* view, const QString& script) {
    bool answered = false;
    QVariant result;
    view->page()->runJavaScript(script, [&](const QVariant& value) {
        result = value;
        answered = true;
    });
    waitFor([&] { return answered; }, 10000);
    return result;
}

QPoint BrowserTest::elementCentre(QWebEngineView* view, const QString& selector) {
    // A page reached by going back may still be parsing when its address
    // has changed: wait until the element is there and laid out.
    const QString script = QString(
                               "(function(){var e=document.querySelector('%1');"
                               "if(!e)return null;var r=e.getBoundingClientRect();"
                               "if(r.width<=0||r.height<=0)return null;"
                               "return {x:r.left+r.width/2,y:r.top+r.height/2};})()")
                               .arg(selector);
    QVariantMap box;
    const bool found = waitFor([&] {
        box = evaluate(view, script).toMap();
        return !box.isEmpty();
    });
    EXPECT_TRUE(found) << "no element " << selector.toStdString() << " on the page";
    return QPoint(qRound(box.value("x").toDouble()), qRound(box.value("y").toDouble()));
}

void BrowserTest::clickPage(QWebEngineView* view, QPoint point) {
    // The engine takes input on the widget it renders into, and drops what
    // arrives before the page is ready for it: move the pointer until the
    // page has seen a move, then click.
    QWidget* target = view->focusProxy() ? view->focusProxy() : view;
    evaluate(view,
             "window.__pointerSeen = false;"
             "addEventListener('mousemove', function () { window.__pointerSeen = true; });");
    int step = 0;
    const bool seen = waitFor([&] {
        QTest::mouseMove(target, point + QPoint(++step % 2, 0));
        return evaluate(view, "window.__pointerSeen === true").toBool();
    });
    EXPECT_TRUE(seen) << "the page never saw the pointer";
    QTest::mouseClick(target, Qt::LeftButton, {}, point);
}

}  // namespace browser_test
