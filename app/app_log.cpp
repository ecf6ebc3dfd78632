#include "app/app_log.h"

#include "platform/atomic_file.h"
#include "widgets/skin_paths.h"

namespace applog {

QString logPath() {
    return widgets::appFile("/Log.txt");
}

bool write(const QString& text) {
    const QByteArray bytes = text.toUtf8();
    return platform::writeFileAtomically(logPath().toStdString(),
                                         std::string_view(bytes.constData(), bytes.size()));
}

}  // namespace applog
