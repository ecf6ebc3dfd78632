#include "player/sanp_sset_dialog.h"

#include <QComboBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>

#include "core/app_files.h"
#include "core/preferences_store.h"
#include "widgets/image_button.h"
#include "widgets/skinned_form.h"

SanpSsetDialog::SanpSsetDialog(QWidget* parent) : QImageDialog(parent) {
    setObjectName("SanpSsetDialog");
    setWindowTitle(tr("Snapshot Settings"));
    setBackground(appfiles::path("/image/Sanpshot_Settings_BG.png"), true);
    if (size().isEmpty())
        resize(360, 200);

    QLabel* folderLabel = skinned::label(this, tr("Save snapshots to:"));
    folderLabel->move(24, 56);
    m_lineEdit = new QLineEdit(this);
    m_lineEdit->setObjectName("m_lineEdit");
    m_lineEdit->setStyleSheet(skinned::fieldStyle() +
                              "QLineEdit#m_lineEdit { background: transparent; }");
    m_lineEdit->setGeometry(24, 78, 270, 26);
    m_btnOpen = skinned::imageButton(this, "/image/btn_play_about.png",
                                     {.objectName = "m_btnOpen", .toolTip = tr("Choose a folder")});
    m_btnOpen->move(302, 78);

    QLabel* formatLabel = skinned::label(this, tr("Format:"));
    formatLabel->move(24, 118);
    m_comboBox = new QComboBox(this);
    m_comboBox->setObjectName("m_comboBox");
    m_comboBox->setStyleSheet(skinned::fieldStyle());
    m_comboBox->addItems({"jpg", "png", "bmp"});
    m_comboBox->setGeometry(90, 114, 90, 26);

    const ButtonRow row = addButtonRow("/image/BUTTON_OK_m.png", "/image/BUTTON_Cancel_m.png");
    m_btnOK = row.ok;
    m_btnCancel = row.cancel;
    m_btnClose = row.close;
    connect(m_btnOpen, &QPushButton::clicked, this, &SanpSsetDialog::OnBtnOpen);
    connect(m_btnOK, &QPushButton::clicked, this, &SanpSsetDialog::OnBtnOK);
    connect(m_btnCancel, &QPushButton::clicked, this, &SanpSsetDialog::OnBtnCancel);
    connect(m_btnClose, &QPushButton::clicked, this, &SanpSsetDialog::OnBtnCancel);
    fillFromStore();
}

void SanpSsetDialog::fillFromStore() {
    const PreferencesStore& store = PreferencesStore::instance();
    m_lineEdit->setText(store.snapshotPath);
    const QString format = store.snapshotFormat;
    m_comboBox->setCurrentIndex(format == "jpg" ? 0 : format == "png" ? 1 : 2);
}

void SanpSsetDialog::showEvent(QShowEvent* event) {
    fillFromStore();
    QImageDialog::showEvent(event);
}

void SanpSsetDialog::OnBtnOpen() {
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Open Directory"), ".",
                                                             QFileDialog::ShowDirsOnly |
                                                                 QFileDialog::DontResolveSymlinks |
                                                                 QFileDialog::DontUseNativeDialog);
    if (!folder.isEmpty())
        m_lineEdit->setText(folder);
}

void SanpSsetDialog::OnBtnOK() {
    PreferencesStore& store = PreferencesStore::instance();
    store.snapshotPath = m_lineEdit->text().trimmed();
    store.snapshotFormat = m_comboBox->currentText();
    hide();
}

void SanpSsetDialog::OnBtnCancel() {
    fillFromStore();
    hide();
}
