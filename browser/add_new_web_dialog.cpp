#include "browser/add_new_web_dialog.h"

#include "core/app_files.h"
#include "widgets/image_button.h"
#include "widgets/skinned_form.h"

#include <QLabel>
#include <QLineEdit>
#include <QTextEdit>

AddNewWebDialog::AddNewWebDialog(QWidget* parent) : QImageDialog(parent) {
    setBackground(appfiles::path("/image/Add_New_Website.png"), true);
    if (size().isEmpty())
        setFixedSize(360, 250);
    setWindowTitle("Add a Website");
    setModal(true);

    skinned::label(this, "Title:", 13)->setGeometry(24, 56, 70, 24);
    m_lineEditTitle = new QLineEdit(this);
    m_lineEditTitle->setObjectName("m_lineEditTitle");
    m_lineEditTitle->setStyleSheet(skinned::fieldStyle());
    m_lineEditTitle->setGeometry(96, 56, width() - 120, 26);
    skinned::label(this, "Address:", 13)->setGeometry(24, 96, 70, 24);
    m_textEditUrl = new QTextEdit(this);
    m_textEditUrl->setObjectName("m_textEditUrl");
    m_textEditUrl->setAcceptRichText(false);
    m_textEditUrl->setStyleSheet(skinned::fieldStyle());
    m_textEditUrl->setGeometry(96, 96, width() - 120, 70);

    const ButtonRow buttons = addButtonRow("/image/button_OK.png", "/image/button_Cancel.png");
    m_btnOK = buttons.ok;
    m_btnCancel = buttons.cancel;
    m_btnClose = buttons.close;
    connect(m_btnOK, &QPushButton::clicked, this, &AddNewWebDialog::OnBtnOK);
    connect(m_btnCancel, &QPushButton::clicked, this, &AddNewWebDialog::OnBtnCancel);
    connect(m_btnClose, &QPushButton::clicked, this, &AddNewWebDialog::OnBtnCancel);
}

void AddNewWebDialog::clearFields() {
    m_lineEditTitle->clear();
    m_textEditUrl->clear();
}

QString AddNewWebDialog::title() const {
    return m_lineEditTitle->text().trimmed();
}

QString AddNewWebDialog::address() const {
    return m_textEditUrl->toPlainText().trimmed();
}

void AddNewWebDialog::OnBtnOK() {
    accept();
}

void AddNewWebDialog::OnBtnCancel() {
    reject();
}
