// A row of the Downloaded list: a media file, its page address and at
// most one conversion job, with the controls of the job's state.
//
// GUI thread only.
#pragma once

#include "library/conversion_job.h"
#include "library/media_bar.h"

class QImageButton;
class QLabel;
class qSliderCtrl;

class VideoConvertBar : public MediaBar {
    Q_OBJECT
public:
    explicit VideoConvertBar(QWidget* parent = nullptr);

    void setUrl(const QString& url) { m_url = url; }
    const QString& url() const { return m_url; }

    // Converts the file to the output format `formatName` into the
    // ConvertPath preference's folder. False, with the reason on the row
    // and in emitConvertFailed(), when nothing was started.
    bool startConversion(const QString& formatName);
    int state() const { return m_job->state(); }
    ConversionJob* job() const { return m_job; }
    // A job still running or paused is stopped and its partial output
    // removed.
    void prepareRemoval() override { m_job->discard(); }
    // A row that has converted keeps its form: its job's controls hold the
    // outcome (the failure text, the success mark).
    bool releaseForm() override;

    QImageButton* m_btnConvert = nullptr;
    // The job's controls, made at the first conversion (null before):
    // most rows of a long list are never converted.
    QLabel* m_labelFormatTo = nullptr;
    qSliderCtrl* m_progressBar = nullptr;
    QImageButton* m_btnPause = nullptr;
    QImageButton* m_btnPaly = nullptr;
    QLabel* m_labSucessImage = nullptr;
    QImageButton* m_btnStop = nullptr;
    QLabel* m_labFailure = nullptr;  // why the last job failed; shown while idle

signals:
    void emitConvert();
    void emitConvertedVideo(QString outputPath);
    void emitConvertFailed(QString reason);

public slots:
    void UpdataTime();
    void OnCancelConvert();
    void OnPauseConvert();
    void OnContinueConvert();
    void OnBtnDelete() override;

protected:
    void buildForm() override;
    void layOut() override;

private:
    void buildJobControls();
    void updateControls();
    void showFailure(const QString& reason);

    QString m_url;
    ConversionJob* m_job;
};
