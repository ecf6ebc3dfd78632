#include "library/video_convert_bar.h"

#include <QLabel>

#include "core/app_files.h"
#include "core/preferences_store.h"
#include "widgets/image_button.h"
#include "widgets/skinned_form.h"
#include "widgets/slider_ctrl.h"

namespace {

QImageButton* imageButton(QWidget* parent, const char* name, const char* text, const char* image) {
    return skinned::imageButton(parent, image, {.objectName = name, .text = text});
}

}  // namespace

VideoConvertBar::VideoConvertBar(QWidget* parent)
    : MediaBar(parent), m_job(new ConversionJob(this)) {
    connect(m_job, &ConversionJob::stateChanged, this, &VideoConvertBar::updateControls);
    connect(m_job, &ConversionJob::progressChanged, this, [this](double percent) {
        if (m_progressBar)
            m_progressBar->setValue(percent);
    });
    connect(m_job, &ConversionJob::finished, this, &VideoConvertBar::emitConvertedVideo);
    connect(m_job, &ConversionJob::failed, this, &VideoConvertBar::showFailure);
}

void VideoConvertBar::buildForm() {
    MediaBar::buildForm();
    m_btnConvert = imageButton(this, "m_btnConvert", "Convert", "/image/button_Convet.png");
    connect(m_btnConvert, &QPushButton::clicked, this, &VideoConvertBar::emitConvert);
    updateControls();
}

bool VideoConvertBar::releaseForm() {
    if (m_progressBar || !MediaBar::releaseForm())
        return false;
    m_btnConvert = nullptr;
    return true;
}

void VideoConvertBar::buildJobControls() {
    ensureForm();
    if (m_progressBar)
        return;
    m_labelFormatTo = skinned::rowLabel(this, {});
    m_labelFormatTo->setObjectName("m_labelFormatTo");
    m_progressBar = new qSliderCtrl(this);
    m_progressBar->setObjectName("m_progressBar");
    m_progressBar->setGrooveImage(appfiles::path("/image/line_else.png"));
    m_progressBar->setFillImage(appfiles::path("/image/line_contacts.png"));
    m_progressBar->setInteractive(false);
    m_progressBar->setRange(0, 100);
    m_progressBar->setShowPercentage(true);
    m_btnPause = imageButton(this, "m_btnPause", "Pause", "/image/1Stop_BTN.png");
    m_btnPaly = imageButton(this, "m_btnPaly", "Continue", "/image/1Play_BTN.png");
    m_labSucessImage = new QLabel(this);
    m_labSucessImage->setObjectName("m_labSucessImage");
    m_labSucessImage->setPixmap(QPixmap(appfiles::path("/image/icon_success.png")));
    m_labSucessImage->setToolTip("Converted");
    m_btnStop = imageButton(this, "m_btnStop", "Cancel", "/image/button_Cancel_1.png");
    m_labFailure = skinned::rowLabel(this, {});
    m_labFailure->setObjectName("m_labFailure");
    QPalette failurePalette = m_labFailure->palette();
    failurePalette.setColor(QPalette::WindowText, QColor(192, 57, 43));
    m_labFailure->setPalette(failurePalette);
    connect(m_btnPause, &QPushButton::clicked, this, &VideoConvertBar::OnPauseConvert);
    connect(m_btnPaly, &QPushButton::clicked, this, &VideoConvertBar::OnContinueConvert);
    connect(m_btnStop, &QPushButton::clicked, this, &VideoConvertBar::OnCancelConvert);
    layOut();
}

bool VideoConvertBar::startConversion(const QString& formatName) {
    buildJobControls();
    m_labFailure->clear();
    const QString reason = m_job->start(filePath(), formatName.toLower(),
                                        PreferencesStore::instance().convertFolder());
    if (!reason.isEmpty()) {
        showFailure(reason);
        return false;
    }
    m_labelFormatTo->setText(QString("%1 --> %2").arg(name(), m_job->extension()));
    return true;
}

void VideoConvertBar::showFailure(const QString& reason) {
    buildJobControls();
    m_labFailure->setText("Conversion failed: " + reason);
    m_labFailure->setToolTip(reason);
    updateControls();
    emit emitConvertFailed(reason);
}

void VideoConvertBar::UpdataTime() {
    m_job->poll();
}

void VideoConvertBar::OnCancelConvert() {
    m_job->cancel();
}

void VideoConvertBar::OnPauseConvert() {
    m_job->pause();
}

void VideoConvertBar::OnContinueConvert() {
    m_job->resume();
}

void VideoConvertBar::OnBtnDelete() {
    // The list asks first; the job is stopped when the row is removed.
    emit emitDelete();
}

void VideoConvertBar::updateControls() {
    const int state = m_job->state();
    const bool idle = state == ConversionJob::Idle || state == ConversionJob::Finished;
    if (!hasForm())
        return;  // the form shows the state when it is built
    m_infoWidget->setVisible(idle);
    m_btnConvert->setVisible(idle);
    m_btnEdit->setEnabled(idle);
    if (!m_progressBar)
        return;
    m_labSucessImage->setVisible(state == ConversionJob::Finished);
    m_labFailure->setVisible(state == ConversionJob::Idle && !m_labFailure->text().isEmpty());
    m_progressBar->setVisible(!idle);
    m_labelFormatTo->setVisible(!idle);
    m_btnStop->setVisible(!idle);
    m_btnPause->setVisible(state == ConversionJob::Converting);
    m_btnPaly->setVisible(state == ConversionJob::Paused);
}

void VideoConvertBar::layOut() {
    MediaBar::layOut();
    if (!hasForm())
        return;
    const bool big = isBigDisplay();
    const int w = width();
    const int y = big ? 40 : 12;
    m_btnConvert->move(w - 210, y);
    if (!m_progressBar)
        return;
    m_btnStop->move(w - 210, y);
    m_btnPause->move(w - 80, y);
    m_btnPaly->move(w - 80, y);
    // Right of the convert button, which is wider in this skin.
    m_labSucessImage->setGeometry(w - 108, y + 4, 20, 20);
    m_progressBar->move(big ? QPoint(150, 47) : QPoint(300, 17));
    m_labelFormatTo->setGeometry(big ? 150 : 300, big ? 62 : 1, 300, 16);
    m_labFailure->setGeometry(big ? 150 : 300, big ? 78 : 27, big ? qMax(100, w - 380) : 300, 18);
}
