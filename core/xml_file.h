// Reading and writing the program's XML files (preferences, task and media
// lists, presets, favourite sites): one place for the DOM load, the atomic
// save and the keeping aside of damaged files.
//
// GUI thread only (QDomDocument is not shared across threads here).
#pragma once

#include <QDomDocument>
#include <QString>

namespace xmlfile {

enum class LoadResult {
    Loaded,   // `document` holds the file
    Missing,  // no file, or it cannot be opened for reading
    Damaged,  // not well-formed XML, or nested deeper than 64 elements: the
              // file was moved aside as "<name>.bad"
};

// Reads and parses `path` into `document`. A file that does not parse is
// renamed to "<path>.bad" (replacing an older one) so that the user keeps
// it, and a warning naming both paths goes to the debug output.
LoadResult load(const QString& path, QDomDocument* document);

// Writes `document` as UTF-8, under a declaration that says so whatever
// encoding the file it came from declared, with an indentation of 4, and
// replaces `path` atomically: on any failure the old file is untouched, the warning
// "error::ParserXML->writeOperateXml->file.open\n" goes to the debug output
// and false is returned.
bool save(const QDomDocument& document, const QString& path);

// The document element's first child element, or a null element after the
// debug message "XML_________error!" when the document has no root or the
// root has no child element.
QDomElement firstSection(const QDomDocument& document);

}  // namespace xmlfile
