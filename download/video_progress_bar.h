// One row of the Downloading list and the controller of its task: state,
// title, progress bar and text, Pause, Start, Refresh and a close button;
// drives analysis, stream choice, download and combining, and hands the
// finished file on with emitDowningOK.
//
// GUI thread only. The workers run on threads of their own and report
// through queued signals; no button waits on a blocked worker.
#pragma once

#include "download/task_record.h"
#include "sitescript/sitescript.h"
#include "widgets/image_dialog.h"

#include <QList>
#include <QPixmap>
#include <QTimer>
#include <QWidget>

#include <string>

class DownloadHelper;
class DownloadingAnalyThread;
class DownloadingDownThread;
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
    // Stops the task's transfers and analysis and waits for the download
    // worker (which then ends promptly); the files stay.
    ~VideoProgressBar() override;

    void startAnalysis(const QString& url);
    void setFailedUrl(const QString& url);
    void restoreTask(const StoredTask& task);
    void setBigDisplay(bool big);
    void setHighlight(int highlight);
    bool isBusy() const { return m_state == Analyzing || m_state == Downloading; }
    bool isPaused() const { return m_state == AnalysisPaused || m_state == DownloadPaused; }
    // Stops everything before the program quits; the part files stay for a
    // later resume. Returns true.
    bool shutdown();
    // Stops the transfers and removes the task's output and part files (the
    // close button, and the list's Delete and Delete ALL).
    void discard();
    // What "downloadtasklist.xml" keeps of this task now.
    StoredTask storedTask() const;

    QString m_url;
    TaskState m_state = Waiting;
    QString m_title;
    QString m_fileExt;
    QString m_saveDir;
    QString m_filePath;
    QString m_displayName;
    QStringList m_downloadUrls;
    QStringList m_partPaths;
    qint64 m_totalSize = 0;
    qint64 m_lastReceived = 0;
    qint64 m_resumeBase = 0;
    bool m_noResume = false;
    bool m_canReanalyse = false;
    bool m_canRestart = false;

    // The form.
    QImageButton* m_btnclose;
    QLabel* m_labVideoName;
    qSliderCtrl* m_progressBar;
    QImageWidget* m_imageWidget;
    QLabel* m_labWait;
    QImageButton* m_btnRefresh;
    QImageButton* m_btnWait;
    QImageButton* m_btnPause;
    QImageButton* m_btnStart;
    QLabel* m_labFail;
    QLabel* m_labAnlyzing;
    QLabel* m_labUrlIcon;
    QLabel* m_labDownInfo;
    LoginYouTuBeDialog* m_loginDialog;

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
    void timerDone();
    void OnBtnDelete();
    void OnShow();
    void AnalysisOK(VideoInfo* info, int state, QList<qint64> sizes, const ISiteScript* handle);
    void downOK(int state);
    void combinOK(int state);

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    void setState(TaskState state);
    void updateStateWidgets();
    void ensureAnalysisThread();
    void ensureDownloadThread();
    void dropAnalysisThread();
    void failAnalysis();
    void startHttpDownload();
    void startRtmpDownload(const std::string& url, const std::string& playPath);
    void stopTransfers();
    void deleteHelpers();
    void showProgressText(const QString& text);

    bool m_bigDisplay = true;
    int m_highlight = 0;
    bool m_freshStartOnResume = false;
    bool m_restored = false;
    bool m_combining = false;
    int m_partCounter = 1;
    QList<StreamChoice> m_streams;
    QList<DownloadHelper*> m_helpers;
    DownloadingAnalyThread* m_analysisThread = nullptr;
    DownloadingDownThread* m_downloadThread = nullptr;
    QTimer m_timer;
    QString m_userName;
    QString m_password;
    QPixmap m_bigBackground;
    QPixmap m_smallBackground;
};
