// The download task's shared types: its display state, one stream offered
// in the stream dialog, and the progress a task keeps across restarts.
#pragma once

#include <QList>
#include <QString>
#include <QStringList>

// The display and control state of a task row.
enum TaskState {
    Failed = 1,
    Waiting = 2,
    Analyzing = 3,
    AnalysisPaused = 4,
    Downloading = 5,
    DownloadPaused = 6,
};

// One row of the stream dialog. The list is owned by the task row.
struct StreamChoice {
    QString name;
    QString format;
    qint64 size = 0;
    bool checked = false;
};

// The row checked in advance (an HLS playlist's best variant), or -1.
inline int preselectedRow(const QList<StreamChoice>& rows) {
    for (int i = 0; i < rows.size(); ++i) {
        if (rows.at(i).checked)
            return i;
    }
    return -1;
}

// What "downloadtasklist.xml" keeps of one task.
struct StoredTask {
    QString url;               // the page address: the task's identity
    QStringList downloadUrls;  // one per part, in part order
    QStringList partPaths;     // the local file of each part, same order
    qint64 receivedSize = 0;
    qint64 totalSize = 0;
    // For an HLS task ("HlsVariant"): the variant fetched from the playlist
    // in downloadUrls, -1 for a media playlist; kNotHls for other tasks.
    static constexpr int kNotHls = -2;
    int hlsVariant = kNotHls;
    bool isHls() const { return hlsVariant != kNotHls; }
    bool hasProgress() const { return receivedSize != 0 && totalSize != 0; }
};
