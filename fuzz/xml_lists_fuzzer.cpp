// The program's XML file loaders on arbitrary bytes: the first byte picks
// the loader, the rest is the file's content. Each loader must survive any
// content: parse it, or keep the file aside, without a crash or a leak.
#include "core/preferences_store.h"
#include "download/task_list_file.h"
#include "fuzz/quiet_diagnostics.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <cstdint>
#include <cstdlib>
#include <memory>

namespace {

void check(bool holds) {
    if (!holds)
        std::abort();
}

// The application directory the loaders read from; CLIPWRIGHT_HOME points
// at it so that the preferences find their file there.
QDir& scratch() {
    static QTemporaryDir dir;
    static QDir root(dir.path());
    return root;
}

void writeInput(const QString& path, const std::uint8_t* data, std::size_t size) {
    QFile file(path);
    check(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(reinterpret_cast<const char*>(data), qint64(size));
}

// Every run starts from an empty directory: kept-aside copies would pile up
// and make each run slower than the last.
void clearScratch() {
    for (const QString& name : scratch().entryList(QDir::Files | QDir::Hidden))
        scratch().remove(name);
}

void loadTaskList(const std::uint8_t* data, std::size_t size) {
    const QString path = scratch().filePath("downloadtasklist.xml");
    writeInput(path, data, size);
    TaskListFile list(path);
    const auto tasks = list.loadTaskList();
    if (!tasks)
        return;
    for (const StoredTask& task : *tasks) {
        check(task.url.size() > 2);
        if (task.hasProgress())
            list.saveTaskProgress(task);
    }
    if (!tasks->isEmpty())
        list.removeTaskItem(tasks->first().url);
}

void loadPreferences(const std::uint8_t* data, std::size_t size) {
    writeInput(PreferencesStore::filePath(), data, size);
    PreferencesStore& store = PreferencesStore::instance();
    store.resetToFallbacks();
    store.load();
    store.save();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::silenceStandardErrorStream();
    static QCoreApplication app(*argc, *argv);
    qputenv("CLIPWRIGHT_HOME", scratch().path().toLocal8Bit());
    qputenv("QT_LOGGING_RULES", "*.debug=false;*.warning=false");
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    clearScratch();
    switch (data[0] % 2) {
    case 0:
        loadTaskList(data + 1, size - 1);
        break;
    default:
        loadPreferences(data + 1, size - 1);
        break;
    }
    return 0;
}
