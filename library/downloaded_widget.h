// The "Downloaded" list of the download centre: finished downloads,
// dropped, pasted and imported files, each a VideoConvertBar that can be
// converted with a preset of the format chooser. Kept in
// "downlaodedlist.xml".
//
// GUI thread only.
#pragma once

#include "library/media_list_widget.h"
#include "library/video_convert_bar.h"

#include <QPointer>

class FormatWidget;
class QAction;

class DownloadedWidget : public MediaListWidget {
    Q_OBJECT
public:
    explicit DownloadedWidget(QWidget* parent = nullptr);

    // Before quitting: asks when conversions are running; false when the
    // user refused.
    bool confirmExit();
    // Stops every conversion and removes its partial output.
    void stopConversions();
    // Adds files chosen by the import dialog, duplicates included.
    void importFiles(const QStringList& files);

    FormatWidget* formatWidget() const { return m_formatWidget; }
    VideoConvertBar* convertTarget() const { return m_convertTarget; }
    VideoConvertBar* row(int index) const;

    QAction* m_actionPlay;
    QAction* m_actionConvert;
    QAction* m_actionRename;
    QAction* m_actionDelete;
    QAction* m_actionDeleteAll;
    QAction* m_actionCopyUrl;
    QAction* m_actionGoUrl;
    QAction* m_actionOpenFolder;
    QAction* m_actionImport;
    QAction* m_actionClearInvalid;

signals:
    void emitDownedCount(int count);
    void emitVideo(QString convertedPath);

public slots:
    void respondConvert();
    void addNewItemBar(QString filePath, QString pageUrl);
    void addNewItemBar(QString filePath);
    void OnACtionConvert();
    void OnACtionCopyURL();
    void OnACtionTOSourcePage();
    void OnACtionImport();
    void OnACtionSortName() {}
    void OnACtionSortDate() {}
    void OnACtionSortSize() {}
    void OnACtionSortLength() {}
    void OnACtionSortFormat() {}
    void StartToConvertVideo(QString formatName);
    void AddDragFiles(QStringList files);

protected:
    MediaBar* createRow(const MediaListEntry& entry) override;
    void emitCount(int count) override { emit emitDownedCount(count); }
    void prepareMenu(MediaBar* row) override;
    QString urlOf(const MediaBar* row) const override;

private:
    void buildMenu();
    void showFormatChooser();

    FormatWidget* m_formatWidget;
    QPointer<VideoConvertBar> m_convertTarget;
};
