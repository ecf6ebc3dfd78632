// The player's diagnostics, off unless the category is switched on
// (QT_LOGGING_RULES="clipwright.player.debug=true").
#pragma once

#include <QLoggingCategory>

Q_DECLARE_LOGGING_CATEGORY(lcPlayer)
