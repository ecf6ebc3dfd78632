// "downloadtasklist.xml": the unfinished download tasks, so that a task can
// be picked up again after the program is restarted.
//
//   <?xml version='1.0'?>
//   <List>
//       <item url="PAGE">
//           <anylisis>DOWNLOAD URL</anylisis>   (one per part)
//           <Path>PART FILE</Path>              (one per part)
//           <ReciveSize>BYTES</ReciveSize>
//           <TotalSize>BYTES</TotalSize>
//           <HlsVariant>N</HlsVariant>         (HLS tasks only: the variant,
//                                               -1 for a media playlist; the
//                                               one anylisis is the playlist)
//       </item>
//   </List>
//
// Every write replaces the file atomically. A file that does not parse is
// kept aside as "downloadtasklist.xml.bad" instead of being lost. Any one
// thread at a time (the GUI thread in the program).
#pragma once

#include "download/task_record.h"

#include <QString>
#include <optional>

class TaskListFile {
public:
    // The file `path`; by default appfiles::path("/downloadtasklist.xml").
    explicit TaskListFile(QString path = defaultPath());
    static QString defaultPath();
    const QString& path() const { return m_path; }

    // Adds an item for `url`, creating the file (with its "xml" processing
    // instruction and "List" root) when it is missing, empty or damaged.
    bool appendTaskItem(const QString& url);
    // Replaces the leading progress children of the first item of `url`
    // with the given lists and sizes. A missing or damaged file, or one
    // without a root or item, is left as it is.
    bool saveTaskProgress(const StoredTask& task);
    // The same for every task of `tasks`, in one read and one write.
    bool saveTasksProgress(const QList<StoredTask>& tasks);
    // Removes the first item of `url`; with `removeAll` deletes the file.
    bool removeTaskItem(const QString& url, bool removeAll = false);
    // The stored tasks whose url is longer than 2 characters, in file
    // order. Nothing when the file is missing, damaged (then kept aside) or
    // without items; std::nullopt when it exists but could not be read or
    // written back (the list should then report no count).
    std::optional<QList<StoredTask>> loadTaskList();

private:
    QString m_path;
};
