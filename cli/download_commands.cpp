// clipwright-cli get: the program's download workflow without its window.
// It runs the task controller of the Downloading list's rows: analysis with
// retries, the first stream (an HLS playlist's best variant), the same file naming, the parts one
// after another, the same progress sum, then combining.
#include "cli/command.h"

#include "download/task_controller.h"

#include <QCoreApplication>
#include <QDir>

#include <algorithm>
#include <cstdio>
#include <iostream>

namespace {

int runGet(const std::vector<std::string>& args);

const cli::Command kGet = {
    "get", "URL [--out-dir DIR] [--user NAME --password PW]",
    "analyse a page, download its first stream and combine its parts; prints the file", runGet};
const cli::Registrar registerGet(kGet);

void printLine(const QString& text) {
    std::fprintf(stderr, "%s\n", text.toUtf8().constData());
}

// Answers the task's questions as the command line does: the stream
// checked in advance (else the first) into the output folder, the credentials given on the command
// line; ends the event loop with the exit status.
void answerAsCommandLine(TaskController& task, const QString& folder) {
    QObject::connect(&task, &TaskController::streamsOffered, &task, [&task, folder] {
        task.chooseStream(std::max(0, preselectedRow(task.streams())), folder);
    });
    QObject::connect(&task, &TaskController::progressChanged, &task,
                     [](const TaskProgress& progress) { printLine(progress.text()); });
    QObject::connect(&task, &TaskController::notice, &task,
                     [](const QString& message, const QString&) { printLine("get: " + message); });
    QObject::connect(&task, &TaskController::failed, &task, [](const TaskFailure& failure) {
        QString line = "get: " + failure.text;
        if (failure.stage == TaskFailure::Transfer || failure.stage == TaskFailure::Combine)
            line += " Run the command again to resume it.";
        printLine(line);
        QCoreApplication::exit(1);
    });
    QObject::connect(&task, &TaskController::finished, &task, [](const QString& path) {
        std::cout << path.toStdString() << std::endl;
        QCoreApplication::exit(0);
    });
}

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
    TaskController task;
    answerAsCommandLine(task, QDir(folder).absolutePath());
    task.setCredentials(QString::fromStdString(arguments.option("user").value_or("")),
                        QString::fromStdString(arguments.option("password").value_or("")));
    task.startAnalysis(QString::fromStdString(arguments.positional()[0]));
    return app.exec();
}

}  // namespace
