#include "download/task_list_file.h"
#include "core/log_category.h"

#include <QDebug>
#include <QDomDocument>
#include <QFile>
#include <QHash>

#include "core/app_files.h"
#include "core/xml_file.h"
#include "platform/atomic_file.h"

namespace {

const char* const kProgressTags[] = {"anylisis", "Path", "ReciveSize", "TotalSize", "HlsVariant"};

bool isProgressTag(const QString& tag) {
    for (const char* name : kProgressTags) {
        if (tag == QLatin1String(name))
            return true;
    }
    return false;
}

// The first "item" child of `root` whose "url" equals `url` exactly.
QDomElement findItem(const QDomElement& root, const QString& url) {
    for (QDomElement item = root.firstChildElement(); !item.isNull();
         item = item.nextSiblingElement()) {
        if (item.tagName() == "item" && item.attribute("url") == url)
            return item;
    }
    return {};
}

// Each url's first item, found in one pass: a save of every task's
// progress stays linear in the size of the list.
QHash<QString, QDomElement> firstItemOfEachUrl(const QDomElement& root) {
    QHash<QString, QDomElement> items;
    for (QDomElement item = root.firstChildElement(); !item.isNull();
         item = item.nextSiblingElement()) {
        const QString url = item.attribute("url");
        if (item.tagName() == "item" && !items.contains(url))
            items.insert(url, item);
    }
    return items;
}

void appendText(QDomDocument& document, QDomElement& parent, const QString& tag,
                const QString& text) {
    QDomElement element = document.createElement(tag);
    element.appendChild(document.createTextNode(text));
    parent.appendChild(element);
}

// Replaces the leading progress children of `item` with `task`'s.
void replaceProgress(QDomDocument& document, QDomElement& item, const StoredTask& task) {
    while (!item.firstChildElement().isNull() && isProgressTag(item.firstChildElement().tagName()))
        item.removeChild(item.firstChildElement());
    for (const QString& url : task.downloadUrls)
        appendText(document, item, "anylisis", url);
    for (const QString& path : task.partPaths)
        appendText(document, item, "Path", path);
    appendText(document, item, "ReciveSize", QString::number(task.receivedSize));
    appendText(document, item, "TotalSize", QString::number(task.totalSize));
    if (task.isHls())
        appendText(document, item, "HlsVariant", QString::number(task.hlsVariant));
}

// A document with a root and at least one child element, or false (the
// file is missing, damaged and kept aside, or empty of items).
bool loadWithItems(const QString& path, QDomDocument* document) {
    if (xmlfile::load(path, document) != xmlfile::LoadResult::Loaded)
        return false;
    return !xmlfile::firstSection(*document).isNull();
}

StoredTask readItem(const QDomElement& item) {
    StoredTask task;
    task.url = item.attribute("url");
    for (QDomElement child = item.firstChildElement(); !child.isNull();
         child = child.nextSiblingElement()) {
        const QString tag = child.tagName();
        if (tag == "anylisis") {
            task.downloadUrls << child.text();
        } else if (tag == "Path") {
            task.partPaths << child.text();
        } else if (tag == "ReciveSize") {
            task.receivedSize = child.text().toLongLong();  // unreadable: 0
        } else if (tag == "TotalSize") {
            task.totalSize = child.text().toLongLong();
        } else if (tag == "HlsVariant") {
            bool number = false;
            const int variant = child.text().toInt(&number);
            if (number && variant >= -1)
                task.hlsVariant = variant;
        }
    }
    return task;
}

}  // namespace

TaskListFile::TaskListFile(QString path) : m_path(std::move(path)) {}

QString TaskListFile::defaultPath() {
    return appfiles::path("/downloadtasklist.xml");
}

bool TaskListFile::appendTaskItem(const QString& url) {
    QDomDocument document;
    if (xmlfile::load(m_path, &document) != xmlfile::LoadResult::Loaded) {
        document = QDomDocument();
        document.appendChild(document.createProcessingInstruction("xml", "version='1.0'"));
    }
    QDomElement root = document.documentElement();
    if (root.isNull()) {
        root = document.createElement("List");
        document.appendChild(root);
    }
    QDomElement item = document.createElement("item");
    item.setAttribute("url", url);
    root.appendChild(item);
    return xmlfile::save(document, m_path);
}

bool TaskListFile::saveTaskProgress(const StoredTask& task) {
    return saveTasksProgress({task});
}

bool TaskListFile::saveTasksProgress(const QList<StoredTask>& tasks) {
    QDomDocument document;
    if (!loadWithItems(m_path, &document))
        return false;
    const QHash<QString, QDomElement> items = firstItemOfEachUrl(document.documentElement());
    for (const StoredTask& task : tasks) {
        QDomElement item = items.value(task.url);
        if (!item.isNull())
            replaceProgress(document, item, task);
    }
    return xmlfile::save(document, m_path);
}

bool TaskListFile::removeTaskItem(const QString& url, bool removeAll) {
    if (removeAll)
        return !QFile::exists(m_path) || QFile::remove(m_path);
    QDomDocument document;
    if (!loadWithItems(m_path, &document))
        return false;
    QDomElement item = findItem(document.documentElement(), url);
    if (!item.isNull())
        document.documentElement().removeChild(item);
    // No list is kept once its last task is gone: a file without items is
    // kept aside as damaged at the next start.
    if (document.documentElement().firstChildElement().isNull())
        return QFile::remove(m_path);
    return xmlfile::save(document, m_path);
}

std::optional<QList<StoredTask>> TaskListFile::loadTaskList() {
    QDomDocument document;
    const xmlfile::LoadResult loaded = xmlfile::load(m_path, &document);
    if (loaded != xmlfile::LoadResult::Loaded) {
        if (loaded == xmlfile::LoadResult::Missing)
            QFile::remove(m_path);  // exists but unreadable: nothing to keep
        return std::nullopt;
    }
    const QDomElement root = document.documentElement();
    qCDebug(clipwrightLog).noquote() << root.tagName() + "----------downloadedlist";
    if (xmlfile::firstSection(document).isNull()) {
        platform::keepAside(m_path.toStdString());  // the user may still want it
        return std::nullopt;
    }
    QList<StoredTask> tasks;
    for (QDomElement item = root.firstChildElement(); !item.isNull();
         item = item.nextSiblingElement()) {
        if (item.tagName() != "item" || item.attribute("url").size() <= 2)
            continue;  // skipped, but kept in the file
        qCDebug(clipwrightLog).noquote() << item.attribute("url") + "----------downloadedlist";
        tasks << readItem(item);
    }
    if (!xmlfile::save(document, m_path))
        return std::nullopt;
    return tasks;
}
