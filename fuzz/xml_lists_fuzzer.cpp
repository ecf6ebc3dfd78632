// The program's XML file loaders on arbitrary bytes: the first byte picks
// the loader (its value modulo 8; the seeds use the digits "0" to "5"), the
// rest is the file's content. Each loader must survive any content: parse
// it, or keep the file aside, without a crash or a leak; and what a loader
// writes back must load again.
#include "browser/usual_url_file.h"
#include "core/preferences_store.h"
#include "core/xml_file.h"
#include "download/task_list_file.h"
#include "fuzz/quiet_diagnostics.h"
#include "library/format_file.h"
#include "library/media_list_file.h"

#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
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
// at it so that the preferences find their file there. It lies in memory
// where the system offers that: every save syncs, which on a disk would cap
// the runs at a few dozen a second.
QString scratchTemplate() {
    const QString memory = "/dev/shm";
    const QString folder = QFileInfo(memory).isWritable() ? memory : QDir::tempPath();
    return folder + "/xml_lists_fuzzer-XXXXXX";
}

QDir& scratch() {
    static QTemporaryDir dir(scratchTemplate());
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

// A file the program wrote must never be kept aside at its next load.
void checkReloads(const QString& path) {
    if (!QFile::exists(path))
        return;
    QDomDocument document;
    check(xmlfile::load(path, &document) == xmlfile::LoadResult::Loaded);
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
    checkReloads(path);
}

void loadPreferences(const std::uint8_t* data, std::size_t size) {
    writeInput(PreferencesStore::filePath(), data, size);
    PreferencesStore& store = PreferencesStore::instance();
    store.resetToFallbacks();
    store.load();
    if (store.save())
        checkReloads(PreferencesStore::filePath());
}

// The chooser's round: every page read, every star of the five category
// pages flipped and the starred presets written as the "Favorite" page,
// then read again.
void loadFormats(const std::uint8_t* data, std::size_t size) {
    static const QStringList kCategories = {"Video", "Audio", "HD", "Web", "Device"};
    const QString path = scratch().filePath("format.xml");
    writeInput(path, data, size);
    const FormatFile file(path);
    QList<FormatCategoryStars> flipped;
    QList<FormatPreset> favorites;
    for (const QString& category : kCategories) {
        FormatCategoryStars stars{category, {}};
        for (FormatPreset& preset : file.loadCategory(category)) {
            stars.stars.append(!preset.favourite);
            if (!preset.favourite)
                favorites.append(preset);
        }
        flipped.append(stars);
    }
    file.loadCategory("Favorite");
    if (!file.writeStars(flipped, favorites))
        return;
    checkReloads(path);
    for (const FormatCategoryStars& stars : flipped) {
        const QList<FormatPreset> reread = file.loadCategory(stars.category);
        check(reread.size() == stars.stars.size());
        for (qsizetype i = 0; i < reread.size(); ++i)
            check(reread[i].favourite == stars.stars[i]);
    }
    check(file.loadCategory("Favorite").size() == favorites.size());
}

// A file that exists, for the entries the media lists keep.
QString existingClip(const char* name) {
    const QString path = scratch().filePath(name);
    QFile file(path);
    check(file.open(QIODevice::WriteOnly));
    return path;
}

// A list's life: loaded, a file appended, renamed and removed, each write
// read back.
void loadMediaList(const char* fileName, bool withUrl, const std::uint8_t* data, std::size_t size) {
    const QString path = scratch().filePath(fileName);
    writeInput(path, data, size);
    MediaListFile list(path, withUrl);
    const auto loaded = list.load();
    if (loaded) {
        for (const MediaListEntry& entry : *loaded)
            check(QFileInfo(entry.filePath).isFile());
        checkReloads(path);
    }
    const MediaListEntry added{existingClip("a.mp4"), withUrl ? "http://example.test/a" : ""};
    if (!list.append(added))
        return;
    checkReloads(path);
    const auto withAdded = list.load();
    check(withAdded && !withAdded->isEmpty() && withAdded->last().filePath == added.filePath &&
          withAdded->last().url == added.url);
    const MediaListEntry renamed{existingClip("b.mkv"), added.url};
    check(list.replace(added.filePath, renamed));
    check(list.remove(renamed.filePath));
    checkReloads(path);
    const auto after = list.load();
    check(after.has_value());
    for (const MediaListEntry& entry : *after)
        check(entry.filePath != renamed.filePath && entry.filePath != added.filePath);
}

// The start page's round: the tiles read, one slot stored and read back.
void loadUsualUrls(const std::uint8_t* data, std::size_t size) {
    writeInput(usualurl::filePath(), data, size);
    usualurl::read();
    const int slot = int(size % usualurl::kSlotCount);
    const usualurl::Site site{"http://example.test/" + QString::number(slot), "Tile & <co>"};
    if (!usualurl::store(slot, site))
        return;
    checkReloads(usualurl::filePath());
    const usualurl::Sites sites = usualurl::read();
    check(sites[slot].url == site.url && sites[slot].title == site.title);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
    fuzzing::silenceStandardErrorStream();
    static QCoreApplication app(*argc, *argv);
    qputenv("CLIPWRIGHT_HOME", scratch().path().toLocal8Bit());
    qputenv("QT_LOGGING_RULES", "*.debug=false;*.warning=false");
    return 0;
}

// No event loop runs here: what the loaders post (deferred deletes, queued
// calls) would otherwise pile up from one input to the next.
void drainPostedEvents() {
    QCoreApplication::sendPostedEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0)
        return 0;
    clearScratch();
    const std::uint8_t* content = data + 1;
    const std::size_t contentSize = size - 1;
    switch (data[0] % 8) {
        case 2:
            loadFormats(content, contentSize);
            break;
        case 3:
            loadMediaList("downlaodedlist.xml", true, content, contentSize);
            break;
        case 4:
            loadMediaList("convertedlist.xml", false, content, contentSize);
            break;
        case 5:
            loadUsualUrls(content, contentSize);
            break;
        case 1:
        case 7:
            loadPreferences(content, contentSize);
            break;
        default:  // 0 and 6
            loadTaskList(content, contentSize);
            break;
    }
    drainPostedEvents();
    return 0;
}
