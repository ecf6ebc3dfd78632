// HLS streams on a task's road: the variants a playlist offers, and the
// transfer that fetches the chosen variant's segments and remuxes them into
// the MP4 output. A page's stream is HLS when the analysis gives the format
// "m3u8" (see sitescript.h).
#pragma once

#include "download/task_record.h"
#include "download/transfer.h"

#include <QList>
#include <QString>

#include <memory>

struct AnalysedStream;

// The extension of an HLS task's output: the segments are remuxed into MP4.
inline constexpr const char* kHlsOutputExtension = "mp4";

bool isHlsStream(const AnalysedStream& stream);

// What a playlist offers: one choice per variant of a master playlist (in
// file order, the one with the highest bandwidth checked), or one choice
// for a media playlist. `variants` holds the variant number of each choice
// as the transfer takes it (-1 for a media playlist).
struct HlsOffer {
    bool ok = false;
    QString reason;  // why the playlist cannot be downloaded, when !ok
    QList<StreamChoice> choices;
    QList<int> variants;
};

// Loads the playlist at `url` (blocking: call it off the GUI thread) and
// names each choice "title (variant)", with the size estimated from the
// variant's bandwidth and duration (0 when unknown).
HlsOffer loadHlsOffer(const QString& url, const QString& title);

// Fetches variant `variant` of the playlist `url` (-1: the best one, or the
// media playlist itself) over the HLS engine's connection pool into the
// work folder beside `target`, then remuxes it into `target` and removes
// the work folder. A new run continues from the segments on disk. A failed
// remux keeps the segments, so that the next run only remuxes.
std::unique_ptr<Transfer> makeHlsTransfer(const QString& url, int variant, const QString& target);

// Removes what a discarded HLS task left beside `target`: its work folder.
void removeHlsWork(const QString& target);
