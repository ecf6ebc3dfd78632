#include "download/download_head_widget.h"

#include <QClipboard>
#include <QGuiApplication>
#include <QLabel>
#include <QPainter>
#include <QShortcut>

#include "core/app_files.h"
#include "widgets/image_button.h"
#include "widgets/image_dialog.h"
#include "widgets/skinned_form.h"

DownloadHeadWidget::DownloadHeadWidget(QWidget* parent) : QWidget(parent) {
    setFixedHeight(46);
    m_background.load(appfiles::path("/image/btn_bg.png"));
    struct Spec {
        const char* name;
        const char* image;
    };
    const Spec specs[3] = {{"Downloading", "/image/Downloading_BTN.png"},
                           {"Downloaded", "/image/Downloaded_BTN.png"},
                           {"Converted", "/image/Converted_BTN.png"}};
    for (int i = 0; i < 3; ++i) {
        QImageButton* button =
            skinned::imageButton(this, specs[i].image, {.objectName = specs[i].name});
        button->move(14 + i * 176, 7);
        // The counter sits on the badge drawn at the right of the tab.
        auto* counter = new QLabel("0", button);
        counter->setAlignment(Qt::AlignCenter);
        counter->setGeometry(button->width() - 32, (button->height() - 18) / 2, 26, 18);
        counter->setAttribute(Qt::WA_TransparentForMouseEvents);
        QFont font = counter->font();
        font.setPixelSize(11);
        font.setBold(true);
        counter->setFont(font);
        m_tabs[i] = Tab{button, counter, 0};
    }
    m_btnDownLoading = m_tabs[0].button;
    m_btnDownLoaded = m_tabs[1].button;
    m_btnConverted = m_tabs[2].button;
    connect(m_btnDownLoading, &QPushButton::clicked, this, &DownloadHeadWidget::OnDownloading);
    connect(m_btnDownLoaded, &QPushButton::clicked, this, &DownloadHeadWidget::OnDownloaded);
    connect(m_btnConverted, &QPushButton::clicked, this, &DownloadHeadWidget::OnConverted);
    select(m_btnDownLoading);

    m_btnPasteUrl =
        skinned::imageButton(this, "/image/Paste_URL_BTN.png", {.objectName = "m_btnPasteUrl"});
    m_btnPasteUrl->move(14 + 3 * 176 + 20, 7);
    connect(m_btnPasteUrl, &QPushButton::clicked, this, &DownloadHeadWidget::OnPasteURL);
    // Ctrl+V anywhere in the download centre's window does what the paste
    // button does, while the head is on show (a text field takes its own).
    auto* pasteKey = new QShortcut(QKeySequence::Paste, this);
    connect(pasteKey, &QShortcut::activated, this, &DownloadHeadWidget::OnPasteURL);
}

void DownloadHeadWidget::OnPasteURL() {
    const QString text = QGuiApplication::clipboard()->text(QClipboard::Clipboard);
    if (!text.isEmpty()) {
        emit emitAddDowningBar(text);
        select(m_btnDownLoading);
        emit emitShowWindow();
        return;
    }
    if (!m_clipboardNotice) {
        m_clipboardNotice =
            new QImageDialog(this, Qt::Dialog | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
        m_clipboardNotice->setObjectName("clipboardNotice");
        m_clipboardNotice->setBackground(appfiles::path("/image/Clipboard_information.png"), true);
        const QSize size = m_clipboardNotice->size();
        QImageButton* close = m_clipboardNotice->addImageButton("/image/button_close.png", {});
        close->move(size.width() - 20 - close->width(), 8);
        QImageButton* ok = m_clipboardNotice->addImageButton("/image/OK_btn.png", {});
        ok->move(size.width() - 126, size.height() - 54);
        connect(close, &QPushButton::clicked, m_clipboardNotice, &QDialog::hide);
        connect(ok, &QPushButton::clicked, m_clipboardNotice, &QDialog::hide);
    }
    m_clipboardNotice->show();
}

DownloadHeadWidget::Tab* DownloadHeadWidget::tabNamed(const QString& name) {
    for (Tab& tab : m_tabs) {
        if (tab.button->objectName() == name)
            return &tab;
    }
    return nullptr;
}

const DownloadHeadWidget::Tab* DownloadHeadWidget::tabNamed(const QString& name) const {
    return const_cast<DownloadHeadWidget*>(this)->tabNamed(name);
}

QString DownloadHeadWidget::selectedTabName() const {
    for (const QImageButton* button : {m_btnDownLoaded, m_btnDownLoading, m_btnConverted}) {
        if (!button->isEnabled())
            return button->objectName();
    }
    return {};
}

int DownloadHeadWidget::tabCount(const QString& name) const {
    const Tab* tab = tabNamed(name);
    return tab ? tab->count : -1;
}

void DownloadHeadWidget::setTabCount(const QString& name, int count) {
    Tab* tab = tabNamed(name);
    if (!tab)
        return;
    tab->count = count;
    tab->counter->setText(QString("%1").arg(count));
}

void DownloadHeadWidget::select(QImageButton* chosen) {
    for (Tab& tab : m_tabs) {
        const bool selected = tab.button == chosen;
        tab.button->setEnabled(!selected);
        tab.counter->setStyleSheet(selected ? "color: white; background: transparent;"
                                            : "color: rgb(72, 89, 97); background: transparent;");
    }
}

void DownloadHeadWidget::OnDownloading() {
    select(m_btnDownLoading);
    emit emitShowWindow();
}

void DownloadHeadWidget::OnDownloaded() {
    select(m_btnDownLoaded);
    emit emitShowWindow();
}

void DownloadHeadWidget::OnConverted() {
    select(m_btnConverted);
    emit emitShowWindow();
}

void DownloadHeadWidget::paintEvent(QPaintEvent*) {
    if (m_background.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(rect(), m_background);
}
