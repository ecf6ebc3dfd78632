// What the library tests share: a scratch application directory with the
// skin and the shipped presets, clips made by ffmpeg, a helper that answers
// message dialogs, and waits for rows to be probed.
#pragma once

#include <QStringList>
#include <QTimer>

#include "testing/gui_test.h"
#include "testing/media.h"

class MediaListWidget;

class LibraryTest : public AppDirTest {
protected:
    LibraryTest();

    // A clip of `seconds` made by ffmpeg in the scratch folder's "media".
    QString clip(const char* name, double seconds = 1.0);
    // A file that is not media.
    QString textFile(const char* name);
    QString mediaDir() const { return path("media"); }
    // Shows `list` at the main window's list size and places the rows in
    // view: only those are built and probed.
    static void showRows(MediaListWidget& list);
    // Waits until every row of `list` has its facts.
    static bool waitForFacts(MediaListWidget& list, int timeoutMs = 20000);
    // The "filepath" attributes of a list file, in order.
    QStringList listedPaths(const char* listFile) const;

    // Titles of the message dialogs answered (with their first button).
    QStringList messages;

private:
    QTimer m_answerer;
};
