#include "download/output_naming.h"
#include "core/log_category.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include "segfetch/segfetch.h"

namespace naming {

namespace {

QString withoutDoubleSlash(QString path) {
    return path.replace("//", "/");
}

}  // namespace

QString cleanTitle(QString title) {
    static const QRegularExpression forbidden(R"([/:*"<>|])");
    title.remove(forbidden);
    title.remove('\\');
    return title;
}

QString uniqueOutputPath(const QString& folder, const QString& title, const QString& extension,
                         int* number) {
    QString path = withoutDoubleSlash(QString("%1/%2.%3").arg(folder, title, extension));
    int n = 0;
    while (QFileInfo::exists(path)) {
        ++n;
        const QString numbered = QString("%1(%2)").arg(title).arg(n);
        path = withoutDoubleSlash(QString("%1/%2.%3").arg(folder, numbered, extension));
    }
    if (number)
        *number = n;
    return path;
}

QString displayName(const QString& title, int number, const QString& extension) {
    if (number > 0)
        return QString("%1(%2).%3").arg(title).arg(number).arg(extension);
    return title + "." + extension;
}

QStringList partPaths(const QString& folder, const QString& title, const QString& extension,
                      int count, int* counter) {
    QStringList paths;
    for (int i = 0; i < count; ++i) {
        QString path;
        for (;; ++*counter) {
            path = withoutDoubleSlash(
                QString("%1/%2(%3).%4").arg(folder, title).arg(*counter).arg(extension));
            if (!QFileInfo::exists(path))
                break;
        }
        ++*counter;
        paths << path;
    }
    return paths;
}

QString restoredOutputPath(const QStringList& partPaths) {
    if (partPaths.isEmpty())
        return {};
    const QString& first = partPaths.first();
    const int bracket = first.lastIndexOf('(');
    if (bracket < 0)
        return first;
    const int dot = first.lastIndexOf('.');
    return first.left(bracket) + (dot > bracket ? first.mid(dot) : QString());
}

QString freeWorkPath(const QString& outputPath) {
    const int dot = outputPath.lastIndexOf('.');
    const QString base = dot < 0 ? outputPath : outputPath.left(dot);
    QString path = base + ".tmp";
    for (int n = 1; QFileInfo::exists(path); ++n)
        path = QString("%1(%2).tmp").arg(base).arg(n);
    return path;
}

QStringList segmentFiles(const QString& target) {
    QStringList files;
    for (int j = 0; j < 5; ++j)
        files << QString("%1_%2").arg(target).arg(j);
    return files;
}

bool removeTaskFiles(const QStringList& targets) {
    bool allGone = true;
    for (const QString& target : targets) {
        // segfetch knows every file it keeps beside a target.
        DownloadHelper::removePartFiles(reinterpret_cast<const char16_t*>(target.utf16()));
        QStringList left = segmentFiles(target) << target;
        for (const QString& file : left) {
            if (QFileInfo::exists(file) && !QFile::remove(file)) {
                qCDebug(clipwrightLog, "remove file failed");
                allGone = false;
            }
        }
    }
    return allGone;
}

}  // namespace naming
