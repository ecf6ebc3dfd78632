// clipwright-cli get: the program's download workflow without its window.
// The same workers as a task row: analysis with retries, the first stream,
// the row's file naming, the parts one after another, then combining.
#include "cli/command.h"

#include "download/download_plan.h"
#include "download/downloading_analy_thread.h"
#include "download/downloading_down_thread.h"
#include "download/output_naming.h"
#include "platform/text.h"
#include "segfetch/download_helper.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

#include <QTimer>
#include <iostream>

#include <cstdio>
#include <iostream>
#include <memory>

namespace {

int runGet(const std::vector<std::string>& args);

const cli::Command kGet = {
    "get", "URL [--out-dir DIR] [--user NAME --password PW]",
    "analyse a page, download its first stream and combine its parts; prints the file", runGet};
const cli::Registrar registerGet(kGet);

// One task from page address to finished file; quits the event loop with
// the exit status.
class GetTask : public QObject {
public:
    GetTask(QString url, QString folder) : m_url(std::move(url)), m_folder(std::move(folder)) {}
    ~GetTask() override {
        m_down.reset();  // waits for the worker before the helpers go
        qDeleteAll(m_helpers);
    }

    void start(const QString& user, const QString& password) {
        m_analysis.setUrl(m_url);
        m_analysis.setMergeHandle(CreateSiteScriptHandle());
        m_analysis.setCredentials(user, password);
        connect(&m_analysis, &DownloadingAnalyThread::emitAnalysisOK, this, &GetTask::analysed);
        connect(&m_analysis, &DownloadingAnalyThread::emitCombinFinish, this, &GetTask::combined);
        m_analysis.start();
    }

private:
    void fail(const QString& message) {
        std::fprintf(stderr, "get: %s\n", message.toUtf8().constData());
        QCoreApplication::exit(1);
    }

    void analysed(VideoInfo* info, int state, QList<qint64>, const ISiteScript* handle) {
        const bool usable = state == 0 && info && info->kind != StreamKindNone;
        if (usable && planDownload(*info, m_folder, &m_partCounter, &m_plan) != PlanResult::Ok)
            state = -1;
        if (info)
            m_total = info->length;
        handle->FreeVideoInfo(&info);
        CloseSiteScriptHandle();
        if (state == AnalyseLoginFailed)
            return fail("login failed, check the user name and password");
        if (!usable || state != 0)
            return fail(QString("no downloadable stream found (status %1)").arg(state));
        startDownload();
    }

    void startDownload() {
        m_down = std::make_unique<DownloadingDownThread>();
        connect(m_down.get(), &DownloadingDownThread::emitDownOK, this, &GetTask::downloaded);
        if (m_plan.rtmp) {
            m_down->setRtmpRequest(m_plan.rtmpUrl, m_plan.rtmpPlayPath, m_plan.outputPath);
        } else {
            bool allQueued = false;
            m_helpers = makeHelpers(m_plan.downloadUrls, m_plan.partPaths, &allQueued);
            if (!allQueued)
                return fail("a part could not be queued");
            m_down->setDownloaders(m_helpers);
            m_down->setTargetPaths(m_plan.partPaths);
        }
        connect(&m_progress, &QTimer::timeout, this, &GetTask::printProgress);
        m_progress.start(1000);
        m_down->start();
    }

    void printProgress() {
        qint64 bytes = 0;
        if (m_plan.rtmp) {
            bytes = m_down->getRtmpProgress().bytes;
        } else {
            for (DownloadHelper* helper : m_helpers) {
                if (const auto* counter = helper->downloaded.load())
                    bytes += counter->load();
            }
        }
        const qint64 speed = bytes - m_lastBytes;
        m_lastBytes = bytes;
        std::fprintf(stderr, "%s/%s - %s/s\n", platform::formatSize(bytes).c_str(),
                     m_total ? platform::formatSize(m_total).c_str() : "unknown",
                     platform::formatSize(speed).c_str());
    }

    void downloaded(int state) {
        m_progress.stop();
        if (state < 0)
            return fail("the download failed; run the command again to resume it");
        QString output = m_plan.outputPath;
        if (m_plan.partPaths.size() > 1) {
            const QFileInfo info(output);
            output = naming::uniqueOutputPath(info.path(), m_plan.title, m_plan.extension);
        }
        m_plan.outputPath = output;
        m_analysis.startCombine(output, m_plan.partPaths);
    }

    void combined(int state) {
        if (state != 0 || !QFileInfo::exists(m_plan.outputPath))
            return fail("combining the parts failed; the parts are kept");
        std::cout << m_plan.outputPath.toStdString() << std::endl;
        QCoreApplication::exit(0);
    }

    QString m_url;
    QString m_folder;
    int m_partCounter = 1;
    DownloadPlan m_plan;
    qint64 m_total = 0;
    qint64 m_lastBytes = 0;
    DownloadingAnalyThread m_analysis;
    std::unique_ptr<DownloadingDownThread> m_down;
    QList<DownloadHelper*> m_helpers;
    QTimer m_progress;
};

int runGet(const std::vector<std::string>& args) {
    const cli::Arguments arguments(args);
    if (!arguments.ok() || arguments.positional().size() != 1 ||
        !arguments.unknown({"out-dir", "user", "password"}).empty() ||
        arguments.option("user").has_value() != arguments.option("password").has_value())
        return cli::usageError(kGet);
    const QString folder = QString::fromStdString(arguments.option("out-dir").value_or("."));
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "get: cannot create the folder %s\n", folder.toUtf8().constData());
        return 1;
    }
    int argc = 1;
    char name[] = "clipwright-cli";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    GetTask task(QString::fromStdString(arguments.positional()[0]), QDir(folder).absolutePath());
    task.start(QString::fromStdString(arguments.option("user").value_or("")),
               QString::fromStdString(arguments.option("password").value_or("")));
    return app.exec();
}

}  // namespace
