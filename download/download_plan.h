// From an analysis result to the files of a download: the output file, the
// part files and their URLs, or the RTMP stream. Shared by the task row and
// the command-line tool, so that both name their files alike.
#pragma once

#include "sitescript/sitescript.h"

#include <QList>
#include <QString>
#include <QStringList>

#include <string>

class DownloadHelper;

// What an analysis found, copied out of the engine's record so that the
// record can be released at once.
struct AnalysedStream {
    int kind = StreamKindNone;
    qint64 length = 0;     // 0 when unknown
    QString url;           // the stream, or for RTMP the server
    QString playPath;      // RTMP only
    QString name;          // the title as the engine gave it
    QString format;        // the extension
    QStringList partUrls;  // empty when the stream is not cut into parts
    static AnalysedStream from(const VideoInfo& info);
};

struct DownloadPlan {
    QString title;        // cleaned title (the engine's name)
    QString extension;    // the stream's format
    QString outputPath;   // the final file, numbered when the name is taken
    QString displayName;  // what the row shows
    QStringList downloadUrls;
    QStringList partPaths;  // same order; a single stream's part is the output
    bool rtmp = false;
    std::string rtmpUrl;
    std::string rtmpPlayPath;
};

enum class PlanResult { Ok, UnknownKind };

// Plans the download of `stream` into `folder`. `partCounter` carries the
// next number tried for part names (1 for a new task). A stream whose kind
// is neither HTTP nor RTMP gives UnknownKind.
PlanResult planDownload(const AnalysedStream& stream, const QString& folder, int* partCounter,
                        DownloadPlan* plan);

// A QString copy of an engine string (empty for null).
QString fromEngine(const char16_t* text);

// One helper per part, each with its part's task queued; the caller owns
// them. Stops at the first task that cannot be queued (the helpers made so
// far are returned, `allQueued` says whether every part was).
QList<DownloadHelper*> makeHelpers(const QStringList& urls, const QStringList& paths,
                                   bool* allQueued);
