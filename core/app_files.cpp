#include "core/app_files.h"

#include "platform/app_dir.h"

namespace appfiles {

QString applicationDir() {
    QString dir = QString::fromStdString(platform::applicationDir().string());
    while (dir.size() > 1 && dir.endsWith('/'))
        dir.chop(1);
    return dir;
}

QString path(const QString& name) {
    QString relative = name;
    relative.replace('\\', '/');
    if (!relative.startsWith('/'))
        relative.prepend('/');
    return applicationDir() + relative;
}

}  // namespace appfiles
