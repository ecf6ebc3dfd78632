// The program's settings: one process-wide store, read once from
// "/Preferences.xml" when the main window is built and written back by the
// quit sequence (the close dialog's "Exit" and the tray's "Quit").
//
// GUI thread only. Writes to the store take effect at once for every
// reader and reach the file at the next save().
#pragma once

#include <QString>

struct PreferenceValues {
    QString downloadPath;
    QString convertPath;
    int maxTasks = 5;
    bool showDeleteAgain = true;
    bool showCloseAgain = true;
    bool showDownSuccess = true;
    int updata = 1;  // update-check frequency, stored and written back only
    bool closeToTray = true;
    // Page addresses copied to the clipboard are added to the download list.
    bool watchClipboard = false;
    // The whole program's download rate in KB/s (1024 bytes); 0: no limit.
    int speedLimitKBps = 0;
};

class PreferencesStore {
public:
    // The one store of the process, created on first use.
    static PreferencesStore& instance();

    // Reads applicationDir + "/Preferences.xml". A missing file keeps the
    // fallbacks; a damaged one is moved aside as "Preferences.xml.bad" and
    // the fallbacks stay in force. Folder values may begin with "{Videos}",
    // "{Pictures}" or "{Home}", which stand for the user's folders.
    void load();

    // Writes the current ("User") values into the file, keeping its
    // "Default" section and any other content, and replaces the file
    // atomically. A missing or damaged file is written afresh with both
    // sections. False when the file cannot be written.
    bool save();

    // Back to the built-in fallbacks (for tests and a fresh start).
    void resetToFallbacks();

    PreferenceValues user;           // the values in force
    PreferenceValues defaults;       // the factory values restored by "default"
    QString snapshotPath;            // "SanpShotPath"
    QString snapshotFormat = "jpg";  // "SanpShotFormat"

    // Creates `folder` (and its parents) when it does not exist yet; true
    // when it exists afterwards. Call before writing into a preference's
    // folder.
    static bool ensureFolder(const QString& folder);

    // The download, conversion and snapshot folders, created when missing.
    QString downloadFolder() const;
    QString convertFolder() const;
    QString snapshotFolder() const;

    static QString filePath();  // applicationDir + "/Preferences.xml"

private:
    PreferencesStore() { resetToFallbacks(); }
};
