#include "player/play_time.h"

namespace playtime {

namespace {
constexpr qint64 kUsPerSecond = 1'000'000;
}

bool showsHours(qint64 totalUs) {
    return totalUs / kUsPerSecond >= 3600;
}

QString format(qint64 us, bool withHours) {
    const qint64 seconds = qMax<qint64>(us, 0) / kUsPerSecond;
    const qint64 hours = seconds / 3600;
    const int minutes = int(withHours ? (seconds / 60) % 60 : seconds / 60);
    const int rest = int(seconds % 60);
    if (withHours)
        return QString("%1:%2:%3")
            .arg(hours, 2, 10, QChar('0'))
            .arg(minutes, 2, 10, QChar('0'))
            .arg(rest, 2, 10, QChar('0'));
    return QString("%1:%2").arg(minutes, 2, 10, QChar('0')).arg(rest, 2, 10, QChar('0'));
}

QString playedOfTotal(qint64 playedUs, qint64 totalUs) {
    const bool hours = showsHours(totalUs);
    return format(playedUs, hours) + " / " + format(totalUs, hours);
}

}  // namespace playtime
