// The browser's address and tool bar: Home, Prev, Next, Refresh, Copy and
// Go, and the address line. One instance serves the whole program, so that
// every page can bring the address text and the history buttons up to date.
//
// GUI thread only.
#pragma once

#include "widgets/image_widget.h"

#include <QPointer>

class QImageButton;
class QLineEdit;

class OnlineHeadToolWidget : public QImageWidget {
    Q_OBJECT
public:
    // The shared tool bar, created on the first request with the parent
    // given then. Once that parent has destroyed it, the next request
    // creates a new one.
    static OnlineHeadToolWidget* instance(QWidget* parent = nullptr);
    // The shared tool bar, or null while none exists.
    static OnlineHeadToolWidget* existing();
    ~OnlineHeadToolWidget() override;

    QString addressText() const;
    void setAddressText(const QString& text);
    void setPrevEnabled(bool enabled);
    void setNextEnabled(bool enabled);

    QImageButton* m_btnHome;
    QImageButton* m_btnPrev;
    QImageButton* m_btnNext;
    QImageButton* m_btnRefresh;
    QImageButton* m_btnCopy;
    QImageButton* m_btnGo;
    QLineEdit* m_lineEditAddress;

signals:
    void emitAfterPage();
    void emitHomePage();
    void emitPrevPage();
    void emitRefreshPage();
    void emitLoadUrl(QString url);

public slots:
    void OnAfterPage();
    void OnHomePage();
    void OnPrevPage();
    void OnRefreshPage();
    // Loads the typed address (also on Return): see webaddress::normalise.
    // An address of another scheme is refused with a message.
    void OpenAddressRUL();
    void OnCopyUrl();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    explicit OnlineHeadToolWidget(QWidget* parent);
};
