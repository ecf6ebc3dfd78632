// The "Converted" list of the download centre: the files made by
// conversions, each a ConvertedBar. Kept in "convertedlist.xml".
//
// GUI thread only.
#pragma once

#include "library/media_bar.h"
#include "library/media_list_widget.h"

class QAction;

// A row of the Converted list: a file, its thumbnail and facts; no page
// address and no conversion.
class ConvertedBar : public MediaBar {
    Q_OBJECT
public:
    using MediaBar::MediaBar;
};

class ConvertedWidget : public MediaListWidget {
    Q_OBJECT
public:
    explicit ConvertedWidget(QWidget* parent = nullptr);

    ConvertedBar* row(int index) const;

    QAction* m_actionPlay;
    QAction* m_actionRename;
    QAction* m_actionDelete;
    QAction* m_actionDeleteAll;
    QAction* m_actionOpenFolder;
    QAction* m_actionClearInvalid;

signals:
    void emitConvertCount(int count);

public slots:
    void AddNewItemBar(QString filePath);

protected:
    MediaBar* createRow(const MediaListEntry&) override { return new ConvertedBar; }
    void emitCount(int count) override { emit emitConvertCount(count); }
    void prepareMenu(MediaBar* row) override;
};
