// The floating "Download" tip of a browser page: a 200 x 31 strip of two
// picture buttons (Download and close) over the top-right corner of the
// video on show. It is a frameless child of its page, so that it moves with
// the window and never outlives or leaves the page.
//
// GUI thread only.
#pragma once

#include <QDialog>

class QImageButton;

class DownTipDialog : public QDialog {
    Q_OBJECT
public:
    static constexpr int kWidth = 200;
    static constexpr int kHeight = 31;

    explicit DownTipDialog(QWidget* parent);

    QString url() const { return m_url; }
    void setUrl(const QString& url) { m_url = url; }

    QImageButton* m_btnDown;
    QImageButton* m_btnClose;

signals:
    void emitClose();
    void emitUrl(QString url);

public slots:
    void OnBtnClose();
    // Hands the stored address on and shows the notice; nothing happens
    // while no address is stored.
    void OnBtnDown();

private:
    QString m_url;
};
