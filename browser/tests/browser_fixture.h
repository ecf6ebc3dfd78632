// Test support for the browser: the web engine prepared before the
// application object, a scratch application directory whose image folder
// the tests may write into, pages served on loopback with a record of the
// paths requested, and an answerer for the modal dialogs a test opens.
#pragma once

#include "testing/gui_test.h"
#include "testing/loopback_server.h"

#include <QStringList>
#include <QTimer>

#include <functional>
#include <map>
#include <memory>
#include <mutex>
#include <string>

class QDialog;
class QWebEngineView;

namespace browser_test {

// Pages by path, served as HTML; every request's path is recorded.
class PageServer {
public:
    PageServer();
    void page(const std::string& path, std::string html);
    void start() { m_server.start(); }
    QString url(const std::string& path) const;
    int hits(const std::string& path) const;

private:
    struct Shared {
        std::mutex mutex;
        std::map<std::string, std::string> pages;
        std::map<std::string, int> hits;
    };
    testing_support::LoopbackServer m_server;
    std::shared_ptr<Shared> m_shared;
};

// A GUI test in a scratch application directory holding the skin (its
// image folder a real one, the pictures linked one by one) and the site
// scripts the build packed.
class BrowserTest : public GuiTest {
protected:
    BrowserTest();
    ~BrowserTest() override;

    QString appPath(const char* name) const;
    std::string readAppFile(const char* name) const;
    void writeAppFile(const char* name, const std::string& bytes) const;
    // Replaces the site scripts with one block for `siteKey`.
    void useScriptFor(const std::string& siteKey) const;

    // Answers each modal dialog that opens: `answer` returns true when it
    // handled it; message dialogs are otherwise closed with their first
    // button and their texts recorded in `messages`.
    void answerDialogs(std::function<bool(QDialog*)> answer = {});

    // Processes events until `condition` holds; false after `timeoutMs`.
    static bool waitFor(const std::function<bool()>& condition, int timeoutMs = 20000);
    // Runs `script` in the view's page and returns its answer.
    static QVariant evaluate(QWebEngineView* view, const QString& script);
    // A left click at `point` of the view's page (view coordinates).
    static void clickPage(QWebEngineView* view, QPoint point);
    // The centre of the element `selector` in view coordinates.
    static QPoint elementCentre(QWebEngineView* view, const QString& selector);

    testing_support::ScratchAppDir home;
    PageServer server;
    QStringList messages;

private:
    QTimer m_answerer;
    std::function<bool(QDialog*)> m_answer;
};

}  // namespace browser_test
