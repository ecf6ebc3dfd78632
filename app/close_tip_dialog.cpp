#include "app/close_tip_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

#include "core/app_files.h"
#include "core/preferences_store.h"
#include "widgets/image_button.h"
#include "widgets/skinned_form.h"

CloseTipDialog::CloseTipDialog(QWidget* parent)
    : QImageDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setBackground(appfiles::path("/image/close_tip_bg.png"));
    setFixedSize(340, 210);
    setWindowTitle(tr("Close"));

    skinned::label(this, tr("When I close the main window:"), 13, true)
        ->setGeometry(26, 50, 290, 22);
    m_btnRadioMin = new QRadioButton(tr("Minimize to tray"), this);
    m_btnRadioMin->setObjectName("m_btnRadioMin");
    m_btnRadioExit = new QRadioButton(tr("Exit"), this);
    m_btnRadioExit->setObjectName("m_btnRadioExit");
    m_checkBox = new QCheckBox(tr("Don't show it again"), this);
    m_checkBox->setObjectName("m_checkBox");
    for (QAbstractButton* b : {static_cast<QAbstractButton*>(m_btnRadioMin),
                               static_cast<QAbstractButton*>(m_btnRadioExit),
                               static_cast<QAbstractButton*>(m_checkBox)}) {
        skinned::styleToggle(b);
    }
    m_btnRadioMin->setGeometry(36, 78, 260, 22);
    m_btnRadioExit->setGeometry(36, 102, 260, 22);
    m_checkBox->setGeometry(26, 136, 260, 22);

    const bool toTray = PreferencesStore::instance().defaults.closeToTray;
    m_btnRadioMin->setChecked(toTray);
    m_btnRadioExit->setChecked(!toTray);

    const ButtonRow buttons = addButtonRow();
    m_btnOK = buttons.ok;
    m_btnCancel = buttons.cancel;
    m_btnClose = buttons.close;
    connect(m_btnOK, &QPushButton::clicked, this, &CloseTipDialog::OnOK);
    connect(m_btnCancel, &QPushButton::clicked, this, &CloseTipDialog::OnClose);
    connect(m_btnClose, &QPushButton::clicked, this, &CloseTipDialog::OnClose);
}

void CloseTipDialog::OnOK() {
    PreferencesStore& store = PreferencesStore::instance();
    store.user.closeToTray = !m_btnRadioExit->isChecked();
    store.user.showCloseAgain = !m_checkBox->isChecked();
    emit emitResult();
    m_checkBox->setChecked(false);
    hide();
}

void CloseTipDialog::OnClose() {
    hide();
}
