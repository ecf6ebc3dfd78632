#include "app/close_tip_dialog.h"

#include <QCheckBox>
#include <QLabel>
#include <QRadioButton>

#include "app/preferences_store.h"
#include "app/skinned_form.h"
#include "widgets/image_button.h"
#include "widgets/skin_paths.h"

CloseTipDialog::CloseTipDialog(QWidget* parent)
    : QImageDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setBackground(widgets::appFile("/image/close_tip_bg.png"));
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

    m_btnClose = addImageButton("/image/button_close.png", QPoint(340 - 32, 8), tr("Close"));
    m_btnCancel = addImageButton("/image/BTN_Cancel_1.png", QPoint(340 - 22 - 84, 210 - 39));
    m_btnOK = addImageButton("/image/OK_btn.png", QPoint(340 - 22 - 84 - 10 - 84, 210 - 39));
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
