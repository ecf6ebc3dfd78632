#include "app/info_dialogs.h"

#include <QDate>
#include <QLabel>

#include "core/app_files.h"
#include "core/product.h"
#include "widgets/image_button.h"
#include "widgets/skinned_form.h"

AboutDialog::AboutDialog(QWidget* parent)
    : QImageDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setBackground(appfiles::path("/image/about.png"), true);
    setFixedSize(400, 300);
    setWindowTitle(tr("About %1").arg(product::displayName()));
    auto* logo = new QLabel(this);
    logo->setPixmap(QPixmap(appfiles::path("/image/IPAD_128.png"))
                        .scaled(72, 72, Qt::KeepAspectRatio, Qt::SmoothTransformation));
    logo->setGeometry(26, 58, 72, 72);
    skinned::label(this, product::displayName(), 20, true)->setGeometry(116, 58, 260, 30);
    skinned::label(
        this, tr("Version %1, built %2").arg(product::version(), QString(__DATE__).simplified()))
        ->setGeometry(116, 90, 260, 20);
    QLabel* site = skinned::label(
        this, QString("<a style='color:#1a7789' href='%1'>%1</a>").arg(product::webPage()));
    site->setOpenExternalLinks(true);
    site->setGeometry(116, 112, 260, 20);
    QLabel* notice = skinned::label(
        this,
        tr("Download only videos that you have the right to keep. This program is provided as is, "
           "without warranty of any kind."),
        11);
    notice->setWordWrap(true);
    notice->setStyleSheet("color: rgb(114, 131, 139); background: transparent;");
    notice->setGeometry(26, 160, 348, 60);

    const ButtonRow buttons = addButtonRow("/image/OK_btn.png", {}, {.right = 20});
    connect(buttons.ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(buttons.close, &QPushButton::clicked, this, &QDialog::reject);
}

VideoSitesDialog::VideoSitesDialog(QWidget* parent)
    : QImageDialog(parent, Qt::Dialog | Qt::FramelessWindowHint) {
    setBackground(appfiles::path("/image/supported_video_sites_BG.png"), true);
    setFixedSize(400, 330);
    setWindowTitle(tr("Supported Video Sites"));
    skinned::label(this, tr("%1 fetches videos from:").arg(product::displayName()), 13, true)
        ->setGeometry(24, 50, 352, 24);
    const QStringList kinds = {
        tr("Direct links to video and audio files (MP4, FLV, WebM, MKV, MP3 and more)"),
        tr("Web pages that play their video in an HTML5 video element"),
        tr("Web pages that name their video in Open Graph tags"),
    };
    int y = 84;
    for (const QString& kind : kinds) {
        auto* bullet = new QLabel(this);
        bullet->setPixmap(QPixmap(appfiles::path("/image/icon_web.png")));
        bullet->setGeometry(28, y + 2, 16, 16);
        QLabel* text = skinned::label(this, kind);
        text->setWordWrap(true);
        text->setGeometry(52, y, 320, 36);
        y += 44;
    }
    const ButtonRow buttons = addButtonRow("/image/OK_btn.png", {}, {.right = 20});
    connect(buttons.close, &QPushButton::clicked, this, &QDialog::hide);
    connect(buttons.ok, &QPushButton::clicked, this, &QDialog::hide);
}
