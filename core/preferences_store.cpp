#include "core/preferences_store.h"

#include <algorithm>

#include <QDir>
#include <QDomDocument>
#include <QStandardPaths>

#include "core/app_files.h"
#include "core/xml_file.h"

namespace {

// The keys in file order; each maps to a member of PreferenceValues or to
// one of the two snapshot values.
const char* const kKeys[] = {"DownloadPath",    "ConvertPath",    "MaxTasks",
                             "ShowDeleteAgain", "ShowCloseAgain", "ShowDownSuccess",
                             "Updata",          "CloseToTray",    "SanpShotPath",
                             "SanpShotFormat",  "WatchClipboard", "SpeedLimit"};

QString userFolder(QStandardPaths::StandardLocation location, const QString& fallback) {
    const QString found = QStandardPaths::writableLocation(location);
    return found.isEmpty() ? QDir::homePath() + "/" + fallback : found;
}

// "{Videos}/Clipwright" and the like become the user's own folders, so the
// shipped file suits every machine.
QString expandFolder(QString value) {
    value.replace("{Videos}", userFolder(QStandardPaths::MoviesLocation, "Videos"));
    value.replace("{Pictures}", userFolder(QStandardPaths::PicturesLocation, "Pictures"));
    value.replace("{Home}", QDir::homePath());
    return value;
}

QString boolText(bool value) {
    return value ? "true" : "false";
}

// Only the exact text "true" is true.
bool readBool(const QString& text) {
    return text == "true";
}

int readInt(const QString& text, int fallback) {
    bool ok = false;
    const int value = text.toInt(&ok, 10);
    return ok ? value : fallback;
}

// Stores one recognised key of a section into `values`; false for keys that
// are not part of PreferenceValues.
bool readValue(PreferenceValues& values, const QString& key, const QString& text) {
    if (key == "DownloadPath") {
        values.downloadPath = expandFolder(text);
    } else if (key == "ConvertPath") {
        values.convertPath = expandFolder(text);
    } else if (key == "MaxTasks") {
        values.maxTasks = readInt(text, values.maxTasks);
    } else if (key == "ShowDeleteAgain") {
        values.showDeleteAgain = readBool(text);
    } else if (key == "ShowCloseAgain") {
        values.showCloseAgain = readBool(text);
    } else if (key == "ShowDownSuccess") {
        values.showDownSuccess = readBool(text);
    } else if (key == "Updata") {
        values.updata = readInt(text, values.updata);
    } else if (key == "CloseToTray") {
        values.closeToTray = readBool(text);
    } else if (key == "WatchClipboard") {
        values.watchClipboard = readBool(text);
    } else if (key == "SpeedLimit") {
        values.speedLimitKBps = std::max(0, readInt(text, values.speedLimitKBps));
    } else {
        return false;
    }
    return true;
}

QString valueText(const PreferencesStore& store, const PreferenceValues& values,
                  const QString& key) {
    if (key == "DownloadPath")
        return values.downloadPath;
    if (key == "ConvertPath")
        return values.convertPath;
    if (key == "MaxTasks")
        return QString("%1").arg(values.maxTasks);
    if (key == "ShowDeleteAgain")
        return boolText(values.showDeleteAgain);
    if (key == "ShowCloseAgain")
        return boolText(values.showCloseAgain);
    if (key == "ShowDownSuccess")
        return boolText(values.showDownSuccess);
    if (key == "Updata")
        return QString("%1").arg(values.updata);
    if (key == "CloseToTray")
        return boolText(values.closeToTray);
    if (key == "WatchClipboard")
        return boolText(values.watchClipboard);
    if (key == "SpeedLimit")
        return QString("%1").arg(values.speedLimitKBps);
    if (key == "SanpShotPath")
        return store.snapshotPath;
    return store.snapshotFormat;
}

void setElementText(QDomDocument& document, QDomElement& element, const QString& text) {
    // An empty element has no text node to replace: give it one, so that
    // the value is not lost.
    QDomNode first = element.firstChild();
    if (first.isText()) {
        first.setNodeValue(text);
    } else {
        element.insertBefore(document.createTextNode(text), first);
    }
}

void writeSection(QDomDocument& document, QDomElement& section, const PreferencesStore& store,
                  const PreferenceValues& values) {
    for (const char* key : kKeys) {
        QDomElement element = section.firstChildElement(key);
        if (element.isNull())
            element = section.appendChild(document.createElement(key)).toElement();
        setElementText(document, element, valueText(store, values, key));
    }
}

QDomDocument freshDocument(const PreferencesStore& store) {
    QDomDocument document;
    document.appendChild(
        document.createProcessingInstruction("xml", "version=\"1.0\" encoding=\"UTF-8\""));
    QDomElement root = document.appendChild(document.createElement("Preferences")).toElement();
    QDomElement user = root.appendChild(document.createElement("User")).toElement();
    QDomElement defaults = root.appendChild(document.createElement("Default")).toElement();
    writeSection(document, user, store, store.user);
    writeSection(document, defaults, store, store.defaults);
    return document;
}

}  // namespace

PreferencesStore& PreferencesStore::instance() {
    static PreferencesStore store;
    return store;
}

QString PreferencesStore::filePath() {
    return appfiles::path("/Preferences.xml");
}

void PreferencesStore::resetToFallbacks() {
    user = PreferenceValues{};
    defaults = PreferenceValues{};
    defaults.updata = 7;
    snapshotPath.clear();
    snapshotFormat = "jpg";
}

void PreferencesStore::load() {
    QDomDocument document;
    if (xmlfile::load(filePath(), &document) != xmlfile::LoadResult::Loaded)
        return;
    if (xmlfile::firstSection(document).isNull())
        return;
    for (QDomElement section = document.documentElement().firstChildElement(); !section.isNull();
         section = section.nextSiblingElement()) {
        const bool isUser = section.tagName() == "User";
        if (!isUser && section.tagName() != "Default")
            continue;
        for (QDomElement item = section.firstChildElement(); !item.isNull();
             item = item.nextSiblingElement()) {
            const QString key = item.tagName();
            const QString text = item.text();
            if (readValue(isUser ? user : defaults, key, text))
                continue;
            // The snapshot settings have no factory copy; they are read from
            // "User" only, so that a later "Default" section cannot override
            // the user's choice.
            if (!isUser)
                continue;
            if (key == "SanpShotPath")
                snapshotPath = expandFolder(text);
            if (key == "SanpShotFormat")
                snapshotFormat = text;
        }
    }
}

bool PreferencesStore::save() {
    QDomDocument document;
    if (xmlfile::load(filePath(), &document) != xmlfile::LoadResult::Loaded ||
        xmlfile::firstSection(document).isNull()) {
        return xmlfile::save(freshDocument(*this), filePath());
    }
    QDomElement userSection = document.documentElement().firstChildElement("User");
    if (userSection.isNull()) {
        userSection =
            document.documentElement().appendChild(document.createElement("User")).toElement();
    }
    writeSection(document, userSection, *this, user);
    return xmlfile::save(document, filePath());
}

bool PreferencesStore::ensureFolder(const QString& folder) {
    return !folder.isEmpty() && QDir().mkpath(folder);
}

namespace {
QString created(const QString& folder) {
    PreferencesStore::ensureFolder(folder);
    return folder;
}
}  // namespace

QString PreferencesStore::downloadFolder() const {
    return created(user.downloadPath);
}
QString PreferencesStore::convertFolder() const {
    return created(user.convertPath);
}
QString PreferencesStore::snapshotFolder() const {
    return created(snapshotPath);
}
