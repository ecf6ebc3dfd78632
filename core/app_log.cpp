#include "core/app_log.h"

#include "core/app_files.h"
#include "platform/atomic_file.h"

namespace applog {

QString logPath() {
    return appfiles::path("/Log.txt");
}

bool write(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return platform::writeFileAtomically(logPath().toStdString(),
                                         std::string_view(bytes.constData(), bytes.size()));
}

}  // namespace applog
