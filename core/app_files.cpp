#include "core/app_files.h"

#include "platform/app_dir.h"

namespace appfiles {

namespace {

QString fromPath(const std::filesystem::path& path) {
    QString text = QString::fromStdString(path.string());
    while (text.size() > 1 && text.endsWith('/'))
        text.chop(1);
    return text;
}

}  // namespace

QString path(const QString& name) {
    return fromPath(platform::dataFile(name.toStdString()));
}

QString shippedDir() {
    return fromPath(platform::dataFolders().shipped);
}

QString applicationDir() {
    return shippedDir();
}

QString userDir() {
    return fromPath(platform::dataFolders().user);
}

QString prepareUserFolder() {
    const platform::PrepareResult result = platform::prepareUserFolder(platform::dataFolders());
    if (result.ok())
        return {};
    return QStringLiteral("cannot prepare %1: %2")
        .arg(QString::fromStdString(result.failedPath.string()),
             QString::fromStdString(result.error.message()));
}

}  // namespace appfiles
