// The program's diagnostics: the marker lines that help a developer follow
// a task. Off unless asked for, with QT_LOGGING_RULES="clipwright.debug=true"
// or CLIPWRIGHT_DEBUG set to a non-empty value; they go to standard error
// through Qt's message handler, never to standard output. Warnings (a
// damaged or unwritable file) are on by default.
#pragma once

#include <QLoggingCategory>

const QLoggingCategory& clipwrightLog();
