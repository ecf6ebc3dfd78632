#include "widgets/delete_tip_dialog.h"

#include <QCheckBox>
#include <QLabel>

#include "core/app_files.h"
#include "core/preferences_store.h"
#include "widgets/image_button.h"
#include "widgets/skinned_form.h"

DeleteTipDialog::DeleteTipDialog(QWidget* parent)
    : QImageDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setBackground(appfiles::path("/image/delete_tip_bg.png"));
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

    const ButtonRow buttons = addButtonRow();
    m_btnOK = buttons.ok;
    m_btnCancel = buttons.cancel;
    m_btnClose = buttons.close;
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

void DeleteQuestion::ask(int mode) {
    if (!PreferencesStore::instance().user.showDeleteAgain) {
        m_remove(mode);
        return;
    }
    if (!m_dialog) {
        m_dialog = new DeleteTipDialog(m_owner);
        QObject::connect(m_dialog, &DeleteTipDialog::emitDelete, m_owner,
                         [this](int chosen) { m_remove(chosen); });
    }
    m_dialog->setMode(mode);
    m_dialog->show();
}
