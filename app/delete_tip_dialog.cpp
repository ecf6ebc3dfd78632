#include "app/delete_tip_dialog.h"

#include <QCheckBox>
#include <QLabel>

#include "app/preferences_store.h"
#include "app/skinned_form.h"
#include "widgets/image_button.h"
#include "widgets/skin_paths.h"

DeleteTipDialog::DeleteTipDialog(QWidget* parent)
    : QImageDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setBackground(widgets::appFile("/image/delete_tip_bg.png"));
    setFixedSize(340, 180);
    setWindowTitle(tr("Delete"));

    QLabel* question =
        skinned::label(this, tr("Are you sure you want to delete the selected item?"), 13);
    question->setWordWrap(true);
    question->setGeometry(26, 52, 290, 40);
    m_checkBox = new QCheckBox(tr("Don't show it again"), this);
    m_checkBox->setObjectName("checkBox");
    skinned::styleToggle(m_checkBox);
    m_checkBox->setGeometry(26, 98, 200, 22);

    m_btnClose = addImageButton("/image/button_close.png", QPoint(340 - 32, 8), tr("Close"));
    m_btnCancel = addImageButton("/image/BTN_Cancel_1.png", QPoint(340 - 22 - 84, 180 - 39));
    m_btnOK = addImageButton("/image/OK_btn.png", QPoint(340 - 22 - 84 - 10 - 84, 180 - 39));
    connect(m_btnOK, &QPushButton::clicked, this, &DeleteTipDialog::OnBtnOK);
    connect(m_btnCancel, &QPushButton::clicked, this, &DeleteTipDialog::OnBtnCancel);
    connect(m_btnClose, &QPushButton::clicked, this, &DeleteTipDialog::OnBtnClose);
}

void DeleteTipDialog::OnBtnOK() {
    if (m_checkBox->isChecked())
        PreferencesStore::instance().user.showDeleteAgain = false;
    emit emitDelete(m_mode);
    hide();
}

void DeleteTipDialog::OnBtnCancel() {
    hide();
}

void DeleteTipDialog::OnBtnClose() {
    hide();
}
