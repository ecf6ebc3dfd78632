// The question asked before entries are deleted from a list, with a "Don't
// show it again" box that switches it off (preference "ShowDeleteAgain")
// until the preferences are reset.
#pragma once

#include "widgets/image_dialog.h"

#include <functional>

class QCheckBox;
class QImageButton;

class DeleteTipDialog : public QImageDialog {
    Q_OBJECT
public:
    explicit DeleteTipDialog(QWidget* parent = nullptr);

    // What the owner will delete on OK (its own codes); -1 at first.
    void setMode(int mode) { m_mode = mode; }
    int mode() const { return m_mode; }

    QCheckBox* checkBox() const { return m_checkBox; }
    QImageButton* okButton() const { return m_btnOK; }
    QImageButton* cancelButton() const { return m_btnCancel; }
    QImageButton* closeButton() const { return m_btnClose; }

signals:
    void emitDelete(int mode);

public slots:
    void OnBtnOK();
    void OnBtnCancel();
    void OnBtnClose();

private:
    int m_mode = -1;
    QCheckBox* m_checkBox;
    QImageButton* m_btnOK;
    QImageButton* m_btnCancel;
    QImageButton* m_btnClose;
};

// How a list asks before deleting: with the preference "ShowDeleteAgain"
// off, `remove(mode)` runs at once; otherwise the question (made on first
// use, a child of the owner) is shown and its OK runs `remove(mode)`.
class DeleteQuestion {
public:
    DeleteQuestion(QWidget* owner, std::function<void(int)> remove)
        : m_owner(owner), m_remove(std::move(remove)) {}
    void ask(int mode);
    // Null until first shown.
    DeleteTipDialog* dialog() const { return m_dialog; }

private:
    QWidget* m_owner;
    std::function<void(int)> m_remove;
    DeleteTipDialog* m_dialog = nullptr;
};
