// The "Downloading" list: one row per task, the task list file kept in
// step, a context menu, Pause all, Resume all and the two row sizes, and
// the quit routine that saves progress and stops every transfer.
//
// GUI thread only.
#pragma once

#include "download/task_list_file.h"
#include "download/task_queue.h"
#include "widgets/delete_tip_dialog.h"

#include <QList>
#include <QPixmap>
#include <QWidget>

class QImageButton;
class QMenu;
class QAction;
class QScrollArea;
class RowColumn;
class VideoProgressBar;

class DownloadingWidget : public QWidget {
    Q_OBJECT
public:
    explicit DownloadingWidget(QWidget* parent = nullptr);
    ~DownloadingWidget() override;

    // Rebuilds the rows of "downloadtasklist.xml" (once, at start-up).
    void loadTaskList();
    // Puts the download preferences in force: "MaxTasks" for the queue and
    // the clipboard watch. Called at start-up and when they change.
    void applyPreferences();
    // Before quitting: asks about tasks that cannot resume (false: the user
    // refused), saves every task's progress and stops every transfer.
    bool prepareExit();

    const QList<VideoProgressBar*>& items() const { return m_items; }
    VideoProgressBar* selectedItem() const { return m_selected; }
    TaskListFile& taskList() { return m_taskList; }
    TaskQueue& queue() { return m_queue; }
    // The rows' column: which rows are placed (built and shown) now.
    RowColumn* rowColumn() const { return m_rows; }

    QImageButton* m_btnPauseAll;
    QImageButton* m_btnResumeAll;
    QImageButton* m_btnBigDisplay;
    QImageButton* m_btnSmallDisplay;
    QMenu* m_menu;
    QAction* m_actionResume;
    QAction* m_actionPause;
    QAction* m_actionDelete;
    QAction* m_actionDeleteAll;
    QAction* m_actionCopyUrl;
    QAction* m_actionGoUrl;

signals:
    void emitChangeShowWindow();
    void emitDowningCount(int count);
    void emitOkBarInfo(QString filePath, QString pageUrl);
    // The user clicked the notice of a finished download: show the
    // Downloaded list.
    void emitShowFinished();

public slots:
    void respondMouseStateEmit();
    void respondDowningOKEmit(QString filepath);
    void OnBtnPauseALL();
    void OnBtnResumeAll();
    void OnBtnBigDisplay();
    void OnBtnSmallDisplay();
    void OnActionResume();
    void OnActionPause();
    void OnActionCopyURL();
    void OnActionGoURL();
    void showTreeMenu();
    // A pasted text: one task for a single address (passed on unchanged),
    // one per address, in order, for a text with several.
    void AddDowningBar(QString url);
    void Delete(int mode);
    void respondDeleteEmit();
    void OnBarbtnDelete();
    void OnActionDeleteALL();
    void ActionDeleteALL();
    void OnActionDelete();
    void ActionDeleteBar();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    VideoProgressBar* addItem();
    bool isListed(const QString& url) const;
    void addTask(const QString& url);
    void addPastedAddresses(const QStringList& addresses, int skipped);
    void takeCopiedAddresses();
    void removeItem(VideoProgressBar* item);
    void emitCountChange();
    void saveProgress();
    void showFinishedNotice(const QString& filePath);
    void setBigDisplay(bool big);

    QList<VideoProgressBar*> m_items;
    VideoProgressBar* m_selected = nullptr;
    VideoProgressBar* m_pendingDelete = nullptr;
    DeleteQuestion m_deleteQuestion;
    QScrollArea* m_scrollArea;
    RowColumn* m_rows;
    QPixmap m_footer;
    TaskListFile m_taskList;
    TaskQueue m_queue;
    QMetaObject::Connection m_clipboardWatch;
    QMetaObject::Connection m_noticeClicks;
};
