// The one skinned modal message dialog of the program and its entry point
// showMessage(). It draws its border from four pictures around a white body
// and is dragged by its top border. GUI thread only.
#pragma once

#include "widgets/image_dialog.h"

#include <QPixmap>

class QImageButton;
class QLabel;

// Flags and result codes of the message dialog.
namespace msg {
constexpr int kIcon = 0x2;  // draw the icon chosen by kIconMask
constexpr int kIconMask = 0x30;
constexpr int kWarning = 0x10;
constexpr int kSuccess = 0x20;
constexpr int kError = 0x30;
constexpr int kRestart = 0x200;  // "Restart Now" / "Restart Later"
constexpr int kYesNo = 0x400;    // "Yes" / "No"
constexpr int kResultOk = 0x400;
constexpr int kResultCancel = 0x400000;
constexpr int kResultYes = 0x4000;
constexpr int kResultNo = 0x10000;
}  // namespace msg

class QMessageDlg : public QImageDialog {
    Q_OBJECT
public:
    explicit QMessageDlg(QWidget* parent = nullptr);

    void setMessage(const QString& text) { m_message = text; }
    void setTitle(const QString& text) { m_title = text; }
    void setFlags(int flags) { m_flags = flags; }
    QString title() const { return m_title; }

    // Loads the images for the flags in force and lays the dialog out; done
    // by showEvent, callable earlier (tests). When an image cannot be
    // loaded, a plain system message box says which.
    void prepare();

    QImageButton* firstButton() const { return m_btnOk; }
    QImageButton* secondButton() const { return m_btnCancel; }
    QImageButton* closeButton() const { return m_btnClose; }

public slots:
    void OnBtnOk();
    void OnBtnCancel();

protected:
    // Escape answers like the close button.
    void reject() override { OnBtnCancel(); }
    void showEvent(QShowEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

private:
    bool loadImages();
    void layOut();
    void reportMissing(const QString& what);

    QString m_message;
    QString m_title;
    int m_flags = 0;
    bool m_prepared = false;
    QPixmap m_top, m_bottom, m_left, m_right, m_titleIcon, m_kindIcon;
    QImageButton* m_btnOk;
    QImageButton* m_btnCancel;
    QImageButton* m_btnClose;
    QLabel* m_text;
    QRect m_titleRect;
};

// Shows a modal message dialog without a parent and returns the result of
// the button that ended it (see msg::). An empty title keeps the product's
// title; flags 0 give OK and Cancel. Texts are UTF-8.
int showMessage(const char* message, const char* title = "", int flags = 0);
int showMessage(const QString& message, const QString& title = {}, int flags = 0);
