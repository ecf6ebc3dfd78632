// The head of the download centre: the three list tabs with their counters.
// The selected tab is the one whose button is disabled.
#pragma once

#include <QPixmap>
#include <QWidget>

class QImageButton;
class QImageDialog;
class QLabel;

class DownloadHeadWidget : public QWidget {
    Q_OBJECT
public:
    explicit DownloadHeadWidget(QWidget* parent = nullptr);

    // The object name of the disabled tab button ("Downloaded",
    // "Downloading" or "Converted", checked in that order); empty if none.
    QString selectedTabName() const;
    // The counter of the tab named `name`; -1 for any other name.
    int tabCount(const QString& name) const;
    // Stores the counter of tab `name` and shows it as "%1".
    void setTabCount(const QString& name, int count);

    QImageButton* m_btnPasteUrl;
    QImageButton* m_btnDownLoading;
    QImageButton* m_btnDownLoaded;
    QImageButton* m_btnConverted;

    // The notice shown when the clipboard holds no text (null until first
    // needed).
    QImageDialog* clipboardNotice() const { return m_clipboardNotice; }

signals:
    void emitPasteURL();
    void emitDownloading();
    void emitDownloaded();
    void emitConverted();
    void emitShowWindow();
    // Carries the page address taken from the clipboard, unchanged.
    void emitAddDowningBar(QString title);

public slots:
    void OnPasteURL();
    void OnDownloading();
    void OnDownloaded();
    void OnConverted();

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    struct Tab {
        QImageButton* button;
        QLabel* counter;
        int count;
    };
    Tab* tabNamed(const QString& name);
    const Tab* tabNamed(const QString& name) const;
    void select(QImageButton* button);

    Tab m_tabs[3];
    QPixmap m_background;
    QImageDialog* m_clipboardNotice = nullptr;
};
