// Why a download task failed: which step of its road, a short sentence for
// the user and, where the step knows them, the engine's result code, the
// server's HTTP status and the system error.
#pragma once

#include <QString>

struct TaskFailure {
    enum Stage {
        None,       // the task has not failed
        Analysis,   // the page could not be analysed, or offers no usable stream
        Choice,     // the stream choice was cancelled, or its folder cannot be made
        Transfer,   // the stream could not be downloaded
        Combine,    // the downloaded parts could not be combined
        Cancelled,  // the user cancelled the stream choice or the download
    };

    Stage stage = None;
    QString text;          // one short sentence, shown to the user
    int engineStatus = 0;  // the failed engine call's own result (AnalyseUrl, RtmpDownload, ...)
    int httpStatus = 0;    // the server's answer, where known
    int systemError = 0;   // errno, where known
    // A transfer's failure: the failed part (its index in the task's parts,
    // -1 when none is known), whether bytes of it are on disk for a later
    // run to continue from, and the length its download was planned for (0
    // when unknown).
    int part = -1;
    bool partKept = false;
    qint64 partLength = 0;

    bool failed() const { return stage != None; }
    // The server refused a part that is partly on disk with a status that
    // says its address is no longer valid: the page may give a new one.
    bool addressExpired() const {
        return stage == Transfer && partKept && refusesTheAddress(httpStatus);
    }
    // 403, 404 and 410: what sites answer for a stream address that has
    // expired.
    static bool refusesTheAddress(long status) {
        return status == 403 || status == 404 || status == 410;
    }
};
