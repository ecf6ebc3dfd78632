#include "browser/down_tip_dialog.h"

#include "core/app_files.h"
#include "widgets/image_button.h"
#include "widgets/notice_popup.h"

DownTipDialog::DownTipDialog(QWidget* parent) : QDialog(parent) {
    // A child of the page, not a window of its own (a dialog's default).
    setWindowFlags(Qt::Widget | Qt::FramelessWindowHint);
    setAttribute(Qt::WA_TranslucentBackground);
    setFixedSize(kWidth, kHeight);
    m_btnDown = new QImageButton(this);
    m_btnDown->setObjectName("m_btnDown");
    m_btnDown->setImage(appfiles::path("/image/Download_button.png"));
    m_btnDown->move(0, 0);
    m_btnClose = new QImageButton(this);
    m_btnClose->setObjectName("m_btnClose");
    m_btnClose->setImage(appfiles::path("/image/Download_buttonclose.png"));
    m_btnClose->move(m_btnDown->width(), 0);
    connect(m_btnDown, &QPushButton::clicked, this, &DownTipDialog::OnBtnDown);
    connect(m_btnClose, &QPushButton::clicked, this, &DownTipDialog::OnBtnClose);
    hide();
}

void DownTipDialog::OnBtnClose() {
    hide();
    emit emitClose();
}

void DownTipDialog::OnBtnDown() {
    if (m_url.isEmpty())
        return;
    emit emitUrl(m_url);
    NoticePopup::shared().showNotice("/image/add_information_bg.png");
}
