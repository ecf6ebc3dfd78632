#include "app/preferences_dialog.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QRadioButton>
#include <QSpinBox>

#include "core/app_files.h"
#include "core/preferences_store.h"
#include "platform/process.h"
#include "widgets/image_button.h"
#include "widgets/image_widget.h"
#include "widgets/skinned_form.h"

namespace {

constexpr int kWidth = 445;
constexpr int kHeight = 410;
const QRect kPageRect(20, 84, 405, 250);
constexpr int kUpdataEveryDay = 1;
constexpr int kMaxTaskFive = 4;
constexpr int kMaxTaskChoices = 20;
constexpr int kMaxSpeedLimitKBps = 1024 * 1024;  // 1 GB/s
constexpr int kSuggestedSpeedLimitKBps = 1024;

QImageWidget* makePage(QWidget* parent, const QString& image) {
    auto* page = new QImageWidget(parent);
    page->setImage(appfiles::path(image));
    page->setGeometry(kPageRect);
    return page;
}

}  // namespace

PreferencesDialog::PreferencesDialog(QWidget* parent)
    : QImageDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setBackground(appfiles::path("/image/Preferences_bg.png"));
    setFixedSize(kWidth, kHeight);
    setWindowTitle(tr("Preferences"));
    setStyleSheet(skinned::fieldStyle());

    m_btnGeneral = addImageButton("/image/General_btn.png", QPoint(20, 48));
    m_btnDownload = addImageButton("/image/pre_Download_btn.png", QPoint(136, 48));
    m_btnLocation = addImageButton("/image/Location_btn.png", QPoint(252, 48));
    const ButtonRow buttons =
        addButtonRow("/image/OK_btn.png", "/image/BTN_Cancel_1.png", {.right = 20});
    m_btnOK = buttons.ok;
    m_btnCancel = buttons.cancel;
    m_btnClose = buttons.close;
    m_btnDefault = addImageButton("/image/BTN_Default_1.png", QPoint(20, m_btnOK->y()),
                                  tr("Restore the factory settings"));

    buildGeneralPage();
    buildDownloadPage();
    buildLocationPage();

    connect(m_btnGeneral, &QPushButton::clicked, this, &PreferencesDialog::OnbtnGeneral);
    connect(m_btnDownload, &QPushButton::clicked, this, &PreferencesDialog::OnbtnDownload);
    connect(m_btnLocation, &QPushButton::clicked, this, &PreferencesDialog::OnbtnLocation);
    connect(m_btnClose, &QPushButton::clicked, this, &PreferencesDialog::OnbtnClose);
    connect(m_btnCancel, &QPushButton::clicked, this, &PreferencesDialog::OnbtnCancel);
    connect(m_btnDefault, &QPushButton::clicked, this, &PreferencesDialog::OnbtnDefault);
    connect(m_btnOK, &QPushButton::clicked, this, &PreferencesDialog::OnbtnOK);
    connect(m_btnReset, &QPushButton::clicked, this, &PreferencesDialog::OnbtnReset);
    connect(m_btnRepair, &QPushButton::clicked, this, &PreferencesDialog::OnbtnRepair);
    connect(m_btnConChange, &QPushButton::clicked, this, &PreferencesDialog::OnbtnConChange);
    connect(m_btnDownChange, &QPushButton::clicked, this, &PreferencesDialog::OnbtnDownChange);

    m_comboUpdata->setCurrentIndex(kUpdataEveryDay);
    const PreferenceValues& user = PreferencesStore::instance().user;
    showDownloadValues(user);
    m_btnRadioMin->setChecked(user.closeToTray);
    m_btnRadioExit->setChecked(!user.closeToTray);
    m_textEditConvert->setText(user.convertPath);
    m_textEditDown->setText(user.downloadPath);
    OnbtnGeneral();
}

void PreferencesDialog::buildGeneralPage() {
    m_generalWid = makePage(this, "/image/pre_genral.png");
    skinned::label(m_generalWid, tr("Check for updates:"))->setGeometry(20, 56, 160, 26);
    m_comboUpdata = new QComboBox(m_generalWid);
    m_comboUpdata->addItems({tr("Never"), tr("Every Day"), tr("Every Week"), tr("Every Month")});
    m_comboUpdata->setGeometry(200, 56, 150, 26);
    skinned::label(m_generalWid, tr("When I close the main window:"))
        ->setGeometry(20, 100, 300, 22);
    m_btnRadioMin = new QRadioButton(tr("Minimize to Tray"), m_generalWid);
    m_btnRadioExit = new QRadioButton(tr("Exit"), m_generalWid);
    skinned::styleToggle(m_btnRadioMin);
    skinned::styleToggle(m_btnRadioExit);
    m_btnRadioMin->setGeometry(36, 126, 250, 22);
    m_btnRadioExit->setGeometry(36, 150, 250, 22);
}

void PreferencesDialog::buildDownloadPage() {
    m_downWid = makePage(this, "/image/pre_download.png");
    skinned::label(m_downWid, tr("Maximum downloads at the same time:"))
        ->setGeometry(20, 40, 240, 26);
    m_comboMaxTask = new QComboBox(m_downWid);
    for (int i = 1; i <= kMaxTaskChoices; ++i)
        m_comboMaxTask->addItem(QString::number(i));
    m_comboMaxTask->setGeometry(280, 40, 80, 26);
    m_checkWatchClipboard = new QCheckBox(tr("Watch the clipboard for video links"), m_downWid);
    m_checkWatchClipboard->setObjectName("m_checkWatchClipboard");
    skinned::styleToggle(m_checkWatchClipboard);
    m_checkWatchClipboard->setGeometry(20, 74, 360, 22);
    m_checkSpeedLimit = new QCheckBox(tr("Limit the download speed to (KB/s):"), m_downWid);
    m_checkSpeedLimit->setObjectName("m_checkSpeedLimit");
    skinned::styleToggle(m_checkSpeedLimit);
    m_checkSpeedLimit->setGeometry(20, 104, 255, 22);
    m_spinSpeedLimit = new QSpinBox(m_downWid);
    m_spinSpeedLimit->setObjectName("m_spinSpeedLimit");
    m_spinSpeedLimit->setRange(1, kMaxSpeedLimitKBps);
    m_spinSpeedLimit->setGeometry(280, 102, 100, 26);
    connect(m_checkSpeedLimit, &QCheckBox::toggled, m_spinSpeedLimit, &QWidget::setEnabled);
    skinned::label(m_downWid, tr("Check the download components:"))->setGeometry(20, 138, 250, 28);
    m_btnRepair = skinned::imageButton(m_downWid, "/image/btn_repair.png");
    m_btnRepair->move(280, 138);
    skinned::label(m_downWid, tr("Ask again every question I switched off:"))
        ->setGeometry(20, 172, 250, 28);
    m_btnReset = skinned::imageButton(m_downWid, "/image/btn_Reset_warning.png");
    m_btnReset->move(280, 172);
    // What Repair and Reset did, in words.
    m_labReport = skinned::label(m_downWid, {});
    m_labReport->setObjectName("m_labReport");
    m_labReport->setWordWrap(true);
    m_labReport->setGeometry(20, 204, 380, 44);
}

void PreferencesDialog::buildLocationPage() {
    m_locationWid = makePage(this, "/image/Pre_location.png");
    skinned::label(m_locationWid, tr("Save downloaded videos in:"))->setGeometry(20, 50, 300, 22);
    m_textEditDown = new QLineEdit(m_locationWid);
    m_textEditDown->setGeometry(20, 74, 284, 26);
    m_btnDownChange = skinned::imageButton(m_locationWid, "/image/Change_btn.png");
    m_btnDownChange->move(313, 74);
    skinned::label(m_locationWid, tr("Save converted videos in:"))->setGeometry(20, 116, 300, 22);
    m_textEditConvert = new QLineEdit(m_locationWid);
    m_textEditConvert->setGeometry(20, 140, 284, 26);
    m_btnConChange = skinned::imageButton(m_locationWid, "/image/Change_btn.png");
    m_btnConChange->move(313, 140);
}

int PreferencesDialog::currentPage() const {
    if (!m_generalWid->isHidden())
        return 0;
    if (!m_downWid->isHidden())
        return 1;
    return 2;
}

void PreferencesDialog::showPage(QImageWidget* page, QImageButton* button) {
    for (QImageWidget* each : {m_generalWid, m_downWid, m_locationWid})
        each->setVisible(each == page);
    for (QImageButton* each : {m_btnGeneral, m_btnDownload, m_btnLocation})
        each->setEnabled(each != button);
}

void PreferencesDialog::OnbtnLocation() {
    showPage(m_locationWid, m_btnLocation);
}
void PreferencesDialog::OnbtnGeneral() {
    showPage(m_generalWid, m_btnGeneral);
}
void PreferencesDialog::OnbtnDownload() {
    showPage(m_downWid, m_btnDownload);
}
void PreferencesDialog::OnbtnClose() {
    hide();
}
void PreferencesDialog::OnbtnCancel() {
    hide();
}

void PreferencesDialog::showDownloadValues(const PreferenceValues& values) {
    const int maxTasks = values.maxTasks;
    m_comboMaxTask->setCurrentIndex(
        maxTasks >= 1 && maxTasks <= m_comboMaxTask->count() ? maxTasks - 1 : kMaxTaskFive);
    m_checkWatchClipboard->setChecked(values.watchClipboard);
    const bool limited = values.speedLimitKBps > 0;
    m_checkSpeedLimit->setChecked(limited);
    m_spinSpeedLimit->setValue(limited ? values.speedLimitKBps : kSuggestedSpeedLimitKBps);
    m_spinSpeedLimit->setEnabled(limited);
}

void PreferencesDialog::OnbtnDefault() {
    PreferencesStore& store = PreferencesStore::instance();
    store.user.showCloseAgain = store.defaults.showCloseAgain;
    store.user.showDeleteAgain = store.defaults.showDeleteAgain;
    store.user.showDownSuccess = store.defaults.showDownSuccess;
    // Every value with a default copy comes back, the close choice too.
    store.user.closeToTray = store.defaults.closeToTray;
    store.user.maxTasks = store.defaults.maxTasks;
    store.user.updata = store.defaults.updata;
    store.user.downloadPath = store.defaults.downloadPath;
    store.user.convertPath = store.defaults.convertPath;
    m_btnRadioMin->setChecked(store.user.closeToTray);
    m_btnRadioExit->setChecked(!store.user.closeToTray);
    const int updata = store.user.updata;
    m_comboUpdata->setCurrentIndex(
        updata >= 0 && updata < m_comboUpdata->count() ? updata : kUpdataEveryDay);
    store.user.watchClipboard = store.defaults.watchClipboard;
    store.user.speedLimitKBps = store.defaults.speedLimitKBps;
    showDownloadValues(store.user);
    m_textEditDown->setText(store.user.downloadPath);
    m_textEditConvert->setText(store.user.convertPath);
    emit preferencesChanged();
}

void PreferencesDialog::OnbtnOK() {
    m_textEditDown->selectAll();
    m_textEditConvert->selectAll();
    PreferencesStore& store = PreferencesStore::instance();
    store.user.closeToTray = m_btnRadioMin->isChecked();
    store.user.downloadPath = m_textEditDown->text();
    store.user.convertPath = m_textEditConvert->text();
    store.user.maxTasks = m_comboMaxTask->currentIndex() + 1;
    store.user.watchClipboard = m_checkWatchClipboard->isChecked();
    store.user.speedLimitKBps = m_checkSpeedLimit->isChecked() ? m_spinSpeedLimit->value() : 0;
    hide();
    emit preferencesChanged();
}

void PreferencesDialog::OnbtnReset() {
    PreferenceValues& user = PreferencesStore::instance().user;
    user.showCloseAgain = true;
    user.showDeleteAgain = true;
    user.showDownSuccess = true;
    m_labReport->setText(tr("Every question you switched off will be asked again."));
}

// Checks what a download needs: ffmpeg for combining, the site scripts and
// a download folder that exists (made when missing); says what it found.
void PreferencesDialog::OnbtnRepair() {
    QStringList report;
    const std::filesystem::path ffmpeg = platform::findProgram("ffmpeg");
    report << (ffmpeg.empty() ? tr("ffmpeg is missing: downloads in parts cannot be combined.")
                              : tr("ffmpeg: %1.").arg(QString::fromStdString(ffmpeg.string())));
    report << (QFileInfo::exists(appfiles::path("/script.ent"))
                   ? tr("Site scripts: in place.")
                   : tr("The site scripts (script.ent) are missing: no page can be analysed."));
    PreferencesStore& store = PreferencesStore::instance();
    const bool existed = QFileInfo(store.user.downloadPath).isDir();
    const QString folder = store.downloadFolder();  // made when missing
    if (!QFileInfo(folder).isDir())
        report << tr("The download folder %1 cannot be created.").arg(folder);
    else
        report << (existed ? tr("Download folder: %1.") : tr("Download folder %1: created."))
                      .arg(folder);
    m_labReport->setText(report.join(' '));
}

QString PreferencesDialog::chooseFolder() {
    return QFileDialog::getExistingDirectory(this, tr("Open Directory"), ".",
                                             QFileDialog::ShowDirsOnly |
                                                 QFileDialog::DontResolveSymlinks |
                                                 QFileDialog::DontUseNativeDialog);
}

void PreferencesDialog::OnbtnConChange() {
    const QString folder = chooseFolder();
    if (!folder.isEmpty())
        m_textEditConvert->setText(folder);
}

void PreferencesDialog::OnbtnDownChange() {
    const QString folder = chooseFolder();
    if (!folder.isEmpty())
        m_textEditDown->setText(folder);
}
