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

    bool failed() const { return stage != None; }
};
