#include "core/log_category.h"

#include "platform/diagnostics.h"

const QLoggingCategory& clipwrightLog() {
    static QLoggingCategory category("clipwright", QtInfoMsg);
    static const bool switchedOn = [] {
        if (platform::diagnosticsEnabled())
            category.setEnabled(QtDebugMsg, true);
        return true;
    }();
    Q_UNUSED(switchedOn);
    return category;
}
