#include "library/downloaded_widget.h"

#include <QAction>
#include <QClipboard>
#include <QDesktopServices>
#include <QFileDialog>
#include <QGuiApplication>
#include <QMenu>
#include <QPointer>
#include <QUrl>

#include "library/format_widget.h"
#include "library/video_convert_bar.h"
#include "widgets/message_dialog.h"

DownloadedWidget::DownloadedWidget(QWidget* parent)
    : MediaListWidget("/downlaodedlist.xml", true, parent) {
    m_formatWidget = new FormatWidget(this);
    m_formatWidget->hide();
    connect(m_formatWidget, &FormatWidget::emitChooseFormat, this,
            &DownloadedWidget::StartToConvertVideo);
    buildMenu();
}

void DownloadedWidget::buildMenu() {
    m_actionPlay = new QAction("Play", this);
    m_actionConvert = new QAction("Convert", this);
    m_actionRename = new QAction("Rename", this);
    m_actionDelete = new QAction("Delete", this);
    m_actionDeleteAll = new QAction("Delete ALL", this);
    m_actionCopyUrl = new QAction("Copy URL", this);
    m_actionGoUrl = new QAction("Go to Source Page", this);
    m_actionOpenFolder = new QAction("Open the downloaded folder", this);
    m_actionImport = new QAction("Import", this);
    m_actionClearInvalid = new QAction("Clear invalid files", this);
    addMenuSection({m_actionPlay, m_actionConvert, m_actionRename});
    addMenuSection({m_actionDelete, m_actionDeleteAll});
    addMenuSection({m_actionCopyUrl, m_actionGoUrl, m_actionOpenFolder});
    addMenuSection({m_actionImport, m_actionClearInvalid});
    m_menu->addSeparator();
    QMenu* sort = m_menu->addMenu("Apply sort files");
    sort->addAction("Name", this, &DownloadedWidget::OnACtionSortName);
    sort->addAction("Date", this, &DownloadedWidget::OnACtionSortDate);
    sort->addAction("Size", this, &DownloadedWidget::OnACtionSortSize);
    sort->addAction("Length", this, &DownloadedWidget::OnACtionSortLength);
    sort->addAction("Format", this, &DownloadedWidget::OnACtionSortFormat);

    connect(m_actionPlay, &QAction::triggered, this, &DownloadedWidget::OnACtionPlay);
    connect(m_actionConvert, &QAction::triggered, this, &DownloadedWidget::OnACtionConvert);
    connect(m_actionRename, &QAction::triggered, this, &DownloadedWidget::OnACtionRename);
    connect(m_actionDelete, &QAction::triggered, this, &DownloadedWidget::OnACtionDelete);
    connect(m_actionDeleteAll, &QAction::triggered, this, &DownloadedWidget::OnACtionDeleteAll);
    connect(m_actionCopyUrl, &QAction::triggered, this, &DownloadedWidget::OnACtionCopyURL);
    connect(m_actionGoUrl, &QAction::triggered, this, &DownloadedWidget::OnACtionTOSourcePage);
    connect(m_actionOpenFolder, &QAction::triggered, this, &DownloadedWidget::OnACtionOpenFolder);
    connect(m_actionImport, &QAction::triggered, this, &DownloadedWidget::OnACtionImport);
    connect(m_actionClearInvalid, &QAction::triggered, this,
            &DownloadedWidget::OnACtionClearInvalidFile);
}

MediaBar* DownloadedWidget::createRow(const MediaListEntry& entry) {
    auto* row = new VideoConvertBar;
    row->setUrl(entry.url);
    connect(row, &VideoConvertBar::emitConvert, this, &DownloadedWidget::respondConvert);
    connect(row, &VideoConvertBar::emitConvertedVideo, this, &DownloadedWidget::emitVideo);
    connect(row, &VideoConvertBar::emitConvertFailed, this, [this, row](const QString& reason) {
        reportFailure(QString("%1 could not be converted: %2").arg(row->name(), reason));
    });
    return row;
}

VideoConvertBar* DownloadedWidget::row(int index) const {
    return index >= 0 && index < items().size() ? static_cast<VideoConvertBar*>(items()[index])
                                                : nullptr;
}

QString DownloadedWidget::urlOf(const MediaBar* row) const {
    return static_cast<const VideoConvertBar*>(row)->url();
}

void DownloadedWidget::addNewItemBar(QString filePath, QString pageUrl) {
    addRow({filePath, pageUrl}, true);
}

void DownloadedWidget::addNewItemBar(QString filePath) {
    addNewItemBar(filePath, QString());
}

void DownloadedWidget::AddDragFiles(QStringList files) {
    QStringList fresh;
    for (const QString& file : files) {
        const bool listed = std::any_of(items().begin(), items().end(), [&](const MediaBar* row) {
            return row->filePath() == file;
        });
        if (!listed && !fresh.contains(file))
            fresh << file;
    }
    for (const QString& file : fresh)
        addNewItemBar(file);
}

void DownloadedWidget::importFiles(const QStringList& files) {
    for (const QString& file : files)
        addNewItemBar(file);
}

void DownloadedWidget::OnACtionImport() {
    const QStringList files = QFileDialog::getOpenFileNames(this, QString(), ".", "*.*", nullptr,
                                                            QFileDialog::DontUseNativeDialog);
    importFiles(files);
}

void DownloadedWidget::prepareMenu(MediaBar* bar) {
    auto* row = static_cast<VideoConvertBar*>(bar);
    const bool onRow = row != nullptr;
    const bool hasUrl = onRow && !row->url().isEmpty();
    const bool canConvert = onRow && !row->job()->isActive();
    m_actionPlay->setEnabled(onRow);
    m_actionConvert->setEnabled(canConvert);
    m_actionRename->setEnabled(canConvert);
    m_actionDelete->setEnabled(onRow);
    m_actionCopyUrl->setEnabled(hasUrl);
    m_actionGoUrl->setEnabled(hasUrl);
    m_actionOpenFolder->setEnabled(onRow);
}

void DownloadedWidget::respondConvert() {
    m_convertTarget = qobject_cast<VideoConvertBar*>(sender());
    showFormatChooser();
}

void DownloadedWidget::OnACtionConvert() {
    m_convertTarget = qobject_cast<VideoConvertBar*>(currentItem());
    if (m_convertTarget)
        showFormatChooser();
}

void DownloadedWidget::showFormatChooser() {
    // At the list's right edge, top-aligned with it, above the footer.
    const int chooserHeight = height() - 39;
    const QPoint topRight = mapToGlobal(QPoint(width(), 0));
    m_formatWidget->setGeometry(topRight.x() - m_formatWidget->width(), topRight.y(),
                                m_formatWidget->width(), qMax(chooserHeight, 200));
    m_formatWidget->show();
    m_formatWidget->raise();
    m_formatWidget->activateWindow();
}

void DownloadedWidget::StartToConvertVideo(QString formatName) {
    if (!m_convertTarget || !items().contains(m_convertTarget.data()))
        return;
    m_convertTarget->startConversion(formatName);
}

void DownloadedWidget::OnACtionCopyURL() {
    auto* row = static_cast<VideoConvertBar*>(currentItem());
    if (row)
        QGuiApplication::clipboard()->setText(row->url());
}

void DownloadedWidget::OnACtionTOSourcePage() {
    auto* row = static_cast<VideoConvertBar*>(currentItem());
    if (row && !row->url().isEmpty())
        QDesktopServices::openUrl(QUrl(row->url()));
}

bool DownloadedWidget::confirmExit() {
    const bool converting = std::any_of(items().begin(), items().end(), [](const MediaBar* bar) {
        return static_cast<const VideoConvertBar*>(bar)->job()->isActive();
    });
    return !converting ||
           showMessage(
               "Some videos are still being converted. Quitting stops them and removes "
               "their unfinished files. Are you sure you want to quit?",
               "warning", msg::kYesNo) == msg::kResultYes;
}

void DownloadedWidget::stopConversions() {
    for (MediaBar* row : items())
        row->prepareRemoval();
}
