// The program's one notice popup: a frameless picture window at the
// bottom-right corner of the screen's available area, fully opaque for
// 1500 ms, then fading by a tenth every 200 ms until it is hidden. Several
// rooms use it (a link added to the download list, a finished download, a
// copied link taken from the clipboard); a new notice replaces the one on
// screen. A click on it emits clicked() and hides it.
//
// GUI thread only.
#pragma once

#include <QPixmap>
#include <QString>
#include <QTimer>
#include <QWidget>

class NoticePopup : public QWidget {
    Q_OBJECT
public:
    static constexpr int kOpaqueMs = 1500;
    static constexpr int kFadeStepMs = 200;
    static constexpr double kFadeStep = 0.1;

    // The shared popup, created on first use and destroyed with the
    // application object.
    static NoticePopup& shared();

    // Shows the picture `imageName` (an application file such as
    // "/image/add_information_bg.png"), with `text` written over its lower
    // part when given (the pictures carry their own headline), and starts
    // the fade again. A picture that cannot be loaded gives a plain panel of
    // the same default size, so that the text is still seen.
    void showNotice(const QString& imageName, const QString& text = {});

    QString text() const { return m_text; }

signals:
    // The user clicked the notice (for example to see the finished file).
    void clicked();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;

private:
    NoticePopup();
    void placeAtScreenCorner();
    void fadeStep();

    QPixmap m_picture;
    QString m_text;
    QTimer m_opaqueTimer;
    QTimer m_fadeTimer;
};
