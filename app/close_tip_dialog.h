// The question asked when the main window is closed: hide in the tray or
// quit, and whether to ask again.
#pragma once

#include "widgets/image_dialog.h"

class QCheckBox;
class QImageButton;
class QRadioButton;

class CloseTipDialog : public QImageDialog {
    Q_OBJECT
public:
    // "Minimize to tray" starts selected when the factory "CloseToTray"
    // value is true, "Exit" otherwise.
    explicit CloseTipDialog(QWidget* parent = nullptr);

    QRadioButton* minimizeChoice() const { return m_btnRadioMin; }
    QRadioButton* exitChoice() const { return m_btnRadioExit; }
    QCheckBox* dontAskBox() const { return m_checkBox; }
    QImageButton* okButton() const { return m_btnOK; }
    QImageButton* cancelButton() const { return m_btnCancel; }

signals:
    void emitResult();

public slots:
    // Stores the choice ("CloseToTray", "ShowCloseAgain"), emits
    // emitResult(), clears the check box and hides.
    void OnOK();
    // Hides without a change.
    void OnClose();

private:
    QRadioButton* m_btnRadioMin;
    QRadioButton* m_btnRadioExit;
    QCheckBox* m_checkBox;
    QImageButton* m_btnOK;
    QImageButton* m_btnCancel;
    QImageButton* m_btnClose;
};
