#include "library/media_list_file.h"

#include <QDomDocument>
#include <QFile>
#include <QFileInfo>

#include "core/xml_file.h"

namespace {

QDomElement findItem(const QDomElement& root, const QString& filePath) {
    for (QDomElement item = root.firstChildElement("item"); !item.isNull();
         item = item.nextSiblingElement("item")) {
        if (item.attribute("filepath") == filePath)
            return item;
    }
    return {};
}

}  // namespace

MediaListFile::MediaListFile(QString path, bool withUrl)
    : m_path(std::move(path)), m_withUrl(withUrl) {}

std::optional<QList<MediaListEntry>> MediaListFile::load() {
    QDomDocument document;
    if (xmlfile::load(m_path, &document) != xmlfile::LoadResult::Loaded)
        return QList<MediaListEntry>();
    if (xmlfile::firstSection(document).isNull()) {
        QFile::remove(m_path);
        return QList<MediaListEntry>();
    }
    QList<MediaListEntry> entries;
    QDomElement root = document.documentElement();
    for (QDomElement item = root.firstChildElement("item"); !item.isNull();) {
        const QDomElement next = item.nextSiblingElement("item");
        const QString filePath = item.attribute("filepath");
        if (!filePath.isEmpty() && QFileInfo(filePath).isFile())
            entries.append({filePath, item.attribute("url")});
        else
            root.removeChild(item);
        item = next;
    }
    if (!save(document))
        return std::nullopt;
    return entries;
}

QDomDocument MediaListFile::openOrCreate() const {
    QDomDocument document;
    if (xmlfile::load(m_path, &document) != xmlfile::LoadResult::Loaded)
        document = QDomDocument();
    if (document.documentElement().isNull()) {
        document = QDomDocument();
        document.appendChild(document.createProcessingInstruction("xml", "version='1.0'"));
        document.appendChild(document.createElement("List"));
    }
    return document;
}

bool MediaListFile::save(const QDomDocument& document) const {
    return xmlfile::save(document, m_path);
}

void MediaListFile::appendItem(QDomDocument& document, const MediaListEntry& entry) const {
    QDomElement item = document.createElement("item");
    item.setAttribute("filepath", entry.filePath);
    if (m_withUrl)
        item.setAttribute("url", entry.url);
    document.documentElement().appendChild(item);
}

bool MediaListFile::append(const MediaListEntry& entry) {
    QDomDocument document = openOrCreate();
    appendItem(document, entry);
    return save(document);
}

bool MediaListFile::remove(const QString& filePath) {
    QDomDocument document;
    if (xmlfile::load(m_path, &document) != xmlfile::LoadResult::Loaded)
        return false;
    const QDomElement item = findItem(document.documentElement(), filePath);
    if (item.isNull())
        return true;
    document.documentElement().removeChild(item);
    return save(document);
}

bool MediaListFile::replace(const QString& oldPath, const MediaListEntry& entry) {
    QDomDocument document = openOrCreate();
    const QDomElement old = findItem(document.documentElement(), oldPath);
    if (!old.isNull())
        document.documentElement().removeChild(old);
    appendItem(document, entry);
    return save(document);
}

bool MediaListFile::removeFile() {
    return !QFile::exists(m_path) || QFile::remove(m_path);
}
