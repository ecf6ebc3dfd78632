#include "player/snapshot.h"

#include <QDir>
#include <QFile>
#include <QObject>

namespace snapshot {

namespace {
constexpr const char* kTag = "_quillmarsh";
constexpr int kMaxNumber = 10000;

QString stamp(const QDateTime& when) {
    return when.toString("dd-MM-yyyy hh-mm-ss.zzz");
}
}  // namespace

QString normalisedFormat(const QString& format) {
    const QString lower = format.toLower();
    return lower == "jpg" || lower == "png" ? lower : QString("bmp");
}

QString fileName(const QDateTime& when, const QString& format) {
    return stamp(when) + kTag + "." + format;
}

Saved save(const QImage& image, const QString& folder, const QString& format,
           const QDateTime& when) {
    const QString kind = normalisedFormat(format);
    if (image.isNull())
        return {{}, QObject::tr("there is no picture to save")};
    if (!QDir().mkpath(folder))
        return {{}, QObject::tr("the folder %1 cannot be created").arg(folder)};
    const QDir dir(folder);
    for (int n = 0; n < kMaxNumber; ++n) {
        const QString name = n == 0 ? fileName(when, kind)
                                    : QString("%1%2%3.%4").arg(stamp(when), kTag).arg(n).arg(kind);
        QFile file(dir.filePath(name));
        if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (file.exists())
                continue;  // taken: try the next number
            return {
                {},
                QObject::tr("%1 cannot be written: %2").arg(file.fileName(), file.errorString())};
        }
        if (!image.save(&file, kind.toUpper().toLatin1().constData())) {
            const QString reason = file.errorString();
            file.close();
            file.remove();
            return {{}, QObject::tr("%1 cannot be written: %2").arg(file.fileName(), reason)};
        }
        if (!file.flush()) {
            file.close();
            file.remove();
            return {{}, QObject::tr("%1 cannot be written").arg(dir.filePath(name))};
        }
        return {file.fileName(), {}};
    }
    return {{}, QObject::tr("no free file name is left in %1").arg(folder)};
}

}  // namespace snapshot
