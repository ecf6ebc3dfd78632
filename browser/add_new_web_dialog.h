// The modal dialog that asks for a favourite site's title and address.
//
// GUI thread only.
#pragma once

#include "widgets/image_dialog.h"

class QLineEdit;
class QTextEdit;

class AddNewWebDialog : public QImageDialog {
    Q_OBJECT
public:
    explicit AddNewWebDialog(QWidget* parent = nullptr);

    // Empties both fields (each use of the dialog starts afresh).
    void clearFields();
    QString title() const;
    QString address() const;

    QLineEdit* m_lineEditTitle;
    QTextEdit* m_textEditUrl;
    QImageButton* m_btnOK;
    QImageButton* m_btnCancel;
    QImageButton* m_btnClose;

public slots:
    void OnBtnOK();
    void OnBtnCancel();
};
