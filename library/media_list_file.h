// The list files of the Downloaded and Converted lists:
//
//   <?xml version='1.0'?>
//   <List>
//       <item filepath="/abs/path/clip.mp4" url="PAGE"/>   (url: Downloaded only)
//   </List>
//
// Every write replaces the file atomically; a file that does not parse is
// kept aside as "<name>.bad" and the list starts empty. GUI thread only.
#pragma once

#include <QList>
#include <QString>

#include <optional>

class QDomDocument;

struct MediaListEntry {
    QString filePath;
    QString url;  // empty for imported, dropped and converted files
};

class MediaListFile {
public:
    // `path` is the list file; `withUrl` writes the "url" attribute.
    MediaListFile(QString path, bool withUrl);
    const QString& path() const { return m_path; }

    // The entries whose file exists, in file order. Entries of vanished
    // files are removed and the cleaned file written back. A damaged file
    // is kept aside, one without a root or item is deleted; both give an
    // empty list. Null when the cleaned file cannot be written (the
    // entries are then not to be shown).
    std::optional<QList<MediaListEntry>> load();

    // Appends an item, creating the file when missing or damaged.
    bool append(const MediaListEntry& entry);
    // Removes the first item whose "filepath" is `filePath`.
    bool remove(const QString& filePath);
    // Removes the item of `oldPath` and appends one for `entry` (a rename).
    bool replace(const QString& oldPath, const MediaListEntry& entry);
    // Deletes the file (the list was emptied).
    bool removeFile();

private:
    QDomDocument openOrCreate() const;
    void appendItem(QDomDocument& document, const MediaListEntry& entry) const;
    bool save(const QDomDocument& document) const;

    QString m_path;
    bool m_withUrl;
};
