#include "browser/web_engine_setup.h"

#include <QCoreApplication>
#include <QtGlobal>

#include <unistd.h>

namespace webengine {

void prepareBeforeApplication() {
    QCoreApplication::setAttribute(Qt::AA_ShareOpenGLContexts);
    if (geteuid() == 0)
        qputenv("QTWEBENGINE_DISABLE_SANDBOX", "1");
}

}  // namespace webengine
