// How the player shows times: "hh:mm:ss" when the total has an hour part,
// "mm:ss" otherwise, so that both halves of "played / total" line up.
#pragma once

#include <QString>
#include <QtGlobal>

namespace playtime {

// Whether a total of `totalUs` microseconds is shown with hours.
bool showsHours(qint64 totalUs);

// `us` microseconds as "hh:mm:ss" (withHours) or "mm:ss"; negative times
// are shown as 0.
QString format(qint64 us, bool withHours);

// "played / total", both in the total's style.
QString playedOfTotal(qint64 playedUs, qint64 totalUs);

}  // namespace playtime
