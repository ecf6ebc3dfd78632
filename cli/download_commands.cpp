// clipwright-cli get: the program's download workflow without its window.
// It runs the task controllers of the Downloading list's rows, and its
// queue: analysis with retries, the stream checked in advance (an HLS
// playlist's best variant) or else the first, the same file naming, the
// parts one after another, the same progress sum, then combining. Several
// page URLs download side by side, at most --max-tasks at once.
#include "cli/command.h"

#include "download/task_controller.h"
#include "download/task_queue.h"
#include "platform/http.h"
#include "platform/rate.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <cstdio>
#include <iostream>
#include <memory>
#include <optional>
#include <vector>

namespace {

int runGet(const std::vector<std::string>& args);

const cli::Command kGet = {
    "get", "URL... [--out-dir DIR] [--max-tasks N] [--limit-rate RATE] [--user NAME --password PW]",
    "analyse pages, download their first stream and combine its parts; prints the files in the "
    "order of the URLs",
    runGet};
const cli::Registrar registerGet(kGet);

void printLine(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

// The tasks of one command line and how each ended; the event loop ends
// once every task has, with the exit status.
class GetRun {
public:
    GetRun(const QString& folder, int maxTasks) : m_folder(folder) {
        m_queue.setMaxTasks(maxTasks);
    }

    void add(const QString& url, const QString& userName, const QString& password) {
        const std::size_t index = m_tasks.size();
        m_tasks.push_back(std::make_unique<TaskController>());
        m_outputs.emplace_back();
        TaskController& task = *m_tasks.back();
        answerAsCommandLine(task, index);
        task.setCredentials(userName, password);
        m_queue.add(&task);
        m_urls << url;
    }

    void start() {
        for (std::size_t i = 0; i < m_tasks.size(); ++i)
            m_tasks[i]->startAnalysis(m_urls.at(qsizetype(i)));
    }

    // The output paths of the tasks that succeeded, in the order of the URLs.
    int finish() const {
        bool allDone = true;
        for (const std::optional<QString>& output : m_outputs) {
            if (output)
                std::cout << output->toStdString() << '\n';
            else
                allDone = false;
        }
        std::cout.flush();
        return allDone ? 0 : 1;
    }

private:
    // A line of a task on standard error; with several URLs it names its URL.
    QString taskLine(std::size_t index, const QString& text) const {
        if (m_tasks.size() == 1)
            return text;
        return QString("[%1/%2] %3").arg(index + 1).arg(m_tasks.size()).arg(text);
    }

    // Answers the task's questions as the command line does: the stream
    // checked in advance (else the first) into the output folder; reports
    // go to standard error.
    void answerAsCommandLine(TaskController& task, std::size_t index) {
        QObject::connect(&task, &TaskController::streamsOffered, &task, [this, &task] {
            task.chooseStream(std::max(0, preselectedRow(task.streams())), m_folder);
        });
        QObject::connect(&task, &TaskController::progressChanged, &task,
                         [this, index](const TaskProgress& progress) {
                             printLine(taskLine(index, progress.text()));
                         });
        QObject::connect(&task, &TaskController::notice, &task,
                         [this, index](const QString& message, const QString&) {
                             printLine("get: " + taskLine(index, message));
                         });
        QObject::connect(
            &task, &TaskController::failed, &task, [this, index](const TaskFailure& failure) {
                QString line = failure.text;
                if (failure.stage == TaskFailure::Transfer || failure.stage == TaskFailure::Combine)
                    line += " Run the command again to resume it.";
                if (m_tasks.size() > 1)
                    line = m_urls.at(qsizetype(index)) + ": " + line;
                printLine("get: " + line);
                ended();
            });
        QObject::connect(&task, &TaskController::finished, &task,
                         [this, index](const QString& path) {
                             m_outputs[index] = path;
                             ended();
                         });
    }

    void ended() {
        if (++m_ended == m_tasks.size())
            QCoreApplication::exit(0);
    }

    QString m_folder;
    TaskQueue m_queue;  // declared before the tasks, so that it outlives them
    std::vector<std::unique_ptr<TaskController>> m_tasks;
    std::vector<std::optional<QString>> m_outputs;
    QStringList m_urls;
    std::size_t m_ended = 0;
};

int runGet(const std::vector<std::string>& args) {
    const cli::Arguments arguments(args);
    const std::optional<int> maxTasks = arguments.number(
        "max-tasks", TaskQueue::kDefaultTasks, TaskQueue::kMinTasks, TaskQueue::kMaxTasks);
    // Bytes per second for every transfer together, with an optional K or M.
    const std::optional<std::int64_t> rate =
        platform::parseRate(arguments.option("limit-rate").value_or("0"));
    if (!arguments.ok() || arguments.positional().empty() || !maxTasks || !rate ||
        !arguments.unknown({"out-dir", "user", "password", "max-tasks", "limit-rate"}).empty() ||
        arguments.option("user").has_value() != arguments.option("password").has_value())
        return cli::usageError(kGet);
    const QString folder = QString::fromStdString(arguments.option("out-dir").value_or("."));
    if (!QDir().mkpath(folder)) {
        std::fprintf(stderr, "get: cannot create the folder %s\n", folder.toUtf8().constData());
        return 1;
    }
    platform::http::setRateLimit(*rate);
    int argc = 1;
    char name[] = "clipwright-cli";
    char* argv[] = {name, nullptr};
    QCoreApplication app(argc, argv);
    GetRun run(QDir(folder).absolutePath(), *maxTasks);
    const QString userName = QString::fromStdString(arguments.option("user").value_or(""));
    const QString password = QString::fromStdString(arguments.option("password").value_or(""));
    for (const std::string& url : arguments.positional())
        run.add(QString::fromStdString(url), userName, password);
    run.start();
    app.exec();
    return run.finish();
}

}  // namespace
