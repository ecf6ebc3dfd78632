// One row of the Downloading list: the view of one download task. It shows
// the task's state, title, progress bar and text, offers Pause, Start,
// Refresh and a close button, and answers the task's questions (the stream
// dialog, the login dialog, messages). The task's road itself is its
// TaskController's.
//
// GUI thread only.
#pragma once

#include "download/task_controller.h"
#include "widgets/image_dialog.h"
#include "widgets/row_form.h"

#include <QPixmap>
#include <QWidget>

#include <memory>

class QImageButton;
class QImageWidget;
class QLabel;
class QLineEdit;
class qSliderCtrl;

// Asks for a site's user name and password.
class LoginYouTuBeDialog : public QImageDialog {
    Q_OBJECT
public:
    static constexpr int kAccepted = 1024;
    explicit LoginYouTuBeDialog(QWidget* parent = nullptr);

    QLineEdit* m_lineEditName;
    QLineEdit* m_lineEditPassword;
    QImageButton* m_btnOK;
    QImageButton* m_btnCancel;
    QImageButton* m_btnClose;

signals:
    void emitNamePWD(QString name, QString password);

public slots:
    void OnClickedOk();
    void OnClickedCancel();
};

class VideoProgressBar : public QWidget {
    Q_OBJECT
public:
    explicit VideoProgressBar(QWidget* parent = nullptr);
    // The task stops its transfer and analysis; its files stay.
    ~VideoProgressBar() override;

    void startAnalysis(const QString& url) { m_task->startAnalysis(url); }
    void setFailedUrl(const QString& url) { m_task->setFailedUrl(url); }
    void restoreTask(const StoredTask& task) { m_task->restoreTask(task); }
    void setBigDisplay(bool big);
    // The row's height in either display.
    static int rowHeight(bool big);
    // Builds the row's widgets (once). A row starts without them, so that a
    // long list builds only the rows scrolled into view; the form pointers
    // below are null until then.
    void ensureForm();
    // Drops the row's widgets again (a long list does so for rows long out
    // of view); the next ensureForm() builds them from the task's record.
    void releaseForm();
    bool hasForm() const { return m_form.built(); }
    void setHighlight(int highlight);
    bool isBusy() const { return m_task->isBusy(); }
    bool isPaused() const { return m_task->isPaused(); }
    // Stops everything before the program quits; the part files stay for a
    // later resume. Returns true.
    bool shutdown();
    // Stops the transfers and removes the task's output and part files (the
    // close button, and the list's Delete and Delete ALL).
    void discard() { m_task->discard(); }
    // What "downloadtasklist.xml" keeps of this task now.
    StoredTask storedTask() const { return m_task->storedTask(); }
    TaskController* task() const { return m_task.get(); }

private:
    const std::unique_ptr<TaskController> m_task;

public:
    // The task record under the names the list and the tests read:
    // read-only views of the controller's record.
    const QString& m_url;
    const TaskState& m_state;
    const QString& m_title;
    const QString& m_fileExt;
    const QString& m_saveDir;
    const QString& m_filePath;
    const QString& m_displayName;
    const QStringList& m_downloadUrls;
    const QStringList& m_partPaths;
    const qint64& m_totalSize;
    const qint64& m_lastReceived;
    const qint64& m_resumeBase;
    const bool& m_noResume;
    const bool& m_canReanalyse;
    const bool& m_canRestart;

    // The form (null until ensureForm()).
    QImageButton* m_btnclose = nullptr;
    QLabel* m_labVideoName = nullptr;
    qSliderCtrl* m_progressBar = nullptr;
    QImageWidget* m_imageWidget = nullptr;
    QLabel* m_labWait = nullptr;
    QImageButton* m_btnRefresh = nullptr;
    QImageButton* m_btnWait = nullptr;
    QImageButton* m_btnPause = nullptr;
    QImageButton* m_btnStart = nullptr;
    QLabel* m_labFail = nullptr;
    // Why the task failed, or that it was cancelled: elided to the row's
    // width, the whole sentence in the tool-tip.
    QLabel* m_labFailReason = nullptr;
    QLabel* m_labAnlyzing = nullptr;
    QLabel* m_labUrlIcon = nullptr;
    QLabel* m_labDownInfo = nullptr;

signals:
    void emitMousePress();
    void emitshowTreeMenu();
    void emitDelete();
    void emitDowningOK(QString filePath);
    // The task's progress should be written to the task list now (its
    // download started or was paused), so that a crash loses nothing.
    void emitSaveProgress();

public slots:
    void OnBtnRefresh();
    void OnBtnPause();
    void OnBtnStart();
    void OnBtnDelete();
    // The task's site asks for credentials: runs the login dialog and hands
    // its answer (empty after Cancel) to the task.
    void OnShow();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildForm();
    void connectTask();
    void updateStateWidgets();
    void showRecord();
    void showProgress(const TaskProgress& progress);
    void showFailure(const TaskFailure& failure);
    void layOutFailReason();
    void offerStreams();

    RowForm m_form;               // its widgets; the task's dialogs are not among them
    bool m_progressSeen = false;  // the task reported progress at least once
    bool m_bigDisplay = true;
    int m_highlight = 0;
    QPixmap m_bigBackground;
    QPixmap m_smallBackground;
};
