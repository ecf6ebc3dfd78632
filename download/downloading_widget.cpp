#include "download/downloading_widget.h"

#include <QAction>
#include <QClipboard>
#include <QCursor>
#include <QDesktopServices>
#include <QFileInfo>
#include <QGridLayout>
#include <QGuiApplication>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QShortcut>
#include <QUrl>
#include <QVBoxLayout>

#include "core/app_files.h"
#include "core/preferences_store.h"
#include "download/pasted_addresses.h"
#include "download/video_progress_bar.h"
#include "platform/http.h"
#include "widgets/delete_tip_dialog.h"
#include "widgets/image_button.h"
#include "widgets/message_dialog.h"
#include "widgets/notice_popup.h"
#include "widgets/row_column.h"
#include "widgets/skinned_form.h"

namespace {

enum DeleteMode { kDeleteRow = 1, kDeleteSelected = 2, kDeleteAll = 3 };

QImageButton* footerButton(QWidget* parent, const char* name, const char* text, const char* image,
                           const char* toolTip = "") {
    return skinned::imageButton(parent, image,
                                {.objectName = name, .text = text, .toolTip = toolTip});
}

}  // namespace

DownloadingWidget::DownloadingWidget(QWidget* parent)
    : QWidget(parent), m_deleteQuestion(this, [this](int mode) { Delete(mode); }) {
    m_footer.load(appfiles::path("/image/FOOT_2.png"));
    auto* verticalLayout = new QVBoxLayout(this);
    verticalLayout->setObjectName("m_verticalLayout");
    verticalLayout->setContentsMargins(0, 0, 0, 0);
    verticalLayout->setSpacing(0);
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName("scrollArea");
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    QPalette white = m_scrollArea->viewport()->palette();
    white.setColor(QPalette::Window, Qt::white);
    m_scrollArea->viewport()->setPalette(white);
    m_scrollArea->viewport()->setAutoFillBackground(true);
    // Only the rows in view are placed and built: a restored list of
    // thousands of tasks costs a record each, not a form each.
    m_rows = new RowColumn(m_scrollArea);
    m_rows->setObjectName("m_scrollAreaWidget");
    m_rows->setRowHeight(VideoProgressBar::rowHeight(true));
    m_rows->setPrepare([](QWidget* row) { static_cast<VideoProgressBar*>(row)->ensureForm(); });
    m_rows->setRelease([](QWidget* row) { static_cast<VideoProgressBar*>(row)->releaseForm(); });
    verticalLayout->addWidget(m_scrollArea, 1);

    auto* footer = new QWidget(this);
    footer->setFixedHeight(39);
    auto* gridLayout = new QGridLayout(footer);
    gridLayout->setObjectName("gridLayout");
    gridLayout->setContentsMargins(10, 6, 10, 6);
    m_btnPauseAll = footerButton(footer, "m_btnPauseAll", "pause ALL", "/image/BTN_Pause_All.png");
    m_btnResumeAll =
        footerButton(footer, "m_btnResumeAll", "Resume ALL", "/image/BTN_Resume_All.png");
    m_btnBigDisplay =
        footerButton(footer, "m_btnBigDisplay", "", "/image/lliebiao_btn.png", "Medium Icons ");
    m_btnSmallDisplay =
        footerButton(footer, "m_btnSmallDisplay", "", "/image/lliebiao2_btn.png", "List");
    gridLayout->addWidget(m_btnPauseAll, 0, 0);
    gridLayout->addWidget(m_btnResumeAll, 0, 1);
    gridLayout->setColumnStretch(2, 1);
    gridLayout->addWidget(m_btnBigDisplay, 0, 3);
    gridLayout->addWidget(m_btnSmallDisplay, 0, 4);
    verticalLayout->addWidget(footer);
    m_btnBigDisplay->setEnabled(false);

    m_menu = new QMenu(this);
    m_actionResume = m_menu->addAction("Resume", this, &DownloadingWidget::OnActionResume);
    m_actionPause = m_menu->addAction("Pause", this, &DownloadingWidget::OnActionPause);
    m_actionDelete = m_menu->addAction("Delete", this, &DownloadingWidget::OnActionDelete);
    m_actionDeleteAll =
        m_menu->addAction("Delete ALL", this, &DownloadingWidget::OnActionDeleteALL);
    m_actionCopyUrl = m_menu->addAction("Copy URL", this, &DownloadingWidget::OnActionCopyURL);
    m_actionGoUrl = m_menu->addAction("Go to Source Page", this, &DownloadingWidget::OnActionGoURL);

    // Delete removes the current row as the menu's Delete does, asking
    // first when the question is on.
    auto* deleteKey = new QShortcut(QKeySequence::Delete, this);
    connect(deleteKey, &QShortcut::activated, this, [this] {
        if (m_selected)
            OnActionDelete();
    });
    connect(m_btnPauseAll, &QPushButton::clicked, this, &DownloadingWidget::OnBtnPauseALL);
    connect(m_btnResumeAll, &QPushButton::clicked, this, &DownloadingWidget::OnBtnResumeAll);
    connect(m_btnBigDisplay, &QPushButton::clicked, this, &DownloadingWidget::OnBtnBigDisplay);
    connect(m_btnSmallDisplay, &QPushButton::clicked, this, &DownloadingWidget::OnBtnSmallDisplay);
    applyPreferences();
}

void DownloadingWidget::applyPreferences() {
    const PreferenceValues& values = PreferencesStore::instance().user;
    m_queue.setMaxTasks(values.maxTasks);
    // One budget for every connection of every task, changed at once.
    platform::http::setRateLimit(std::int64_t(std::max(0, values.speedLimitKBps)) * 1024);
    const bool watching = bool(m_clipboardWatch);
    if (values.watchClipboard && !watching) {
        m_clipboardWatch = connect(QGuiApplication::clipboard(), &QClipboard::dataChanged, this,
                                   &DownloadingWidget::takeCopiedAddresses);
    } else if (!values.watchClipboard && watching) {
        disconnect(m_clipboardWatch);
        m_clipboardWatch = {};
    }
}

DownloadingWidget::~DownloadingWidget() {
    // A quit that skipped prepareExit (the tray's Quit) loses no progress
    // either; the rows stop their own transfers as they go and the part
    // files stay for the next start.
    saveProgress();
    // From the last: each row leaves its parent's child list at its end.
    for (auto row = m_items.crbegin(); row != m_items.crend(); ++row)
        delete *row;
    m_items.clear();
}

VideoProgressBar* DownloadingWidget::addItem() {
    auto* item = new VideoProgressBar;
    m_items.append(item);
    m_rows->append(item);
    connect(item, &VideoProgressBar::emitMousePress, this,
            &DownloadingWidget::respondMouseStateEmit);
    connect(item, &VideoProgressBar::emitshowTreeMenu, this, &DownloadingWidget::showTreeMenu);
    connect(item, &VideoProgressBar::emitDelete, this, &DownloadingWidget::respondDeleteEmit);
    connect(item, &VideoProgressBar::emitDowningOK, this, &DownloadingWidget::respondDowningOKEmit);
    connect(item, &VideoProgressBar::emitSaveProgress, this, [this, item] {
        if (m_items.contains(item))
            m_taskList.saveTaskProgress(item->storedTask());
    });
    m_queue.add(item->task());
    item->setBigDisplay(m_btnSmallDisplay->isEnabled());
    return item;
}

void DownloadingWidget::removeItem(VideoProgressBar* item) {
    m_rows->remove(item);
    if (m_selected == item)
        m_selected = nullptr;
    if (m_pendingDelete == item)
        m_pendingDelete = nullptr;
    m_taskList.removeTaskItem(item->m_url);
    m_items.removeOne(item);
    m_queue.remove(item->task());
    delete item;
}

void DownloadingWidget::emitCountChange() {
    emit emitDowningCount(int(m_items.size()));
    if (m_items.isEmpty())
        emit emitChangeShowWindow();
}

void DownloadingWidget::loadTaskList() {
    const auto tasks = m_taskList.loadTaskList();
    if (!tasks)
        return;
    for (const StoredTask& task : *tasks) {
        VideoProgressBar* item = addItem();
        if (task.hasProgress() || (!task.partPaths.isEmpty() && task.totalSize != 0))
            item->restoreTask(task);
        else
            item->setFailedUrl(task.url);
    }
    emit emitDowningCount(int(m_items.size()));
    emit emitChangeShowWindow();
}

bool DownloadingWidget::isListed(const QString& url) const {
    return std::any_of(m_items.begin(), m_items.end(),
                       [&url](const VideoProgressBar* item) { return item->m_url == url; });
}

void DownloadingWidget::addTask(const QString& url) {
    VideoProgressBar* item = addItem();
    item->startAnalysis(url);
    emit emitDowningCount(int(m_items.size()));
    if (m_items.size() == 1)
        emit emitChangeShowWindow();
    m_taskList.appendTaskItem(url);
}

void DownloadingWidget::AddDowningBar(QString url) {
    const PastedAddresses pasted = pastedAddresses(url);
    if (pasted.addresses.size() > 1) {
        addPastedAddresses(pasted.addresses, pasted.ignored + pasted.repeated);
        return;
    }
    if (isListed(url)) {
        showMessage("This task has been in the download list!", "Downloader", 0);
        return;
    }
    addTask(url);
}

// A list of links pasted at once: each new one becomes a task, in order;
// the notice says how many were added and how many skipped (listed already,
// repeated, or no web address).
void DownloadingWidget::addPastedAddresses(const QStringList& addresses, int skipped) {
    int added = 0;
    for (const QString& address : addresses) {
        if (isListed(address)) {
            ++skipped;
            continue;
        }
        addTask(address);
        ++added;
    }
    NoticePopup::shared().showNotice("/image/add_information_bg.png",
                                     QString("%1 added, %2 skipped").arg(added).arg(skipped));
}

// The clipboard watch: a copied text made only of web addresses adds those
// not listed yet, each with the notice; anything else is left alone.
void DownloadingWidget::takeCopiedAddresses() {
    const QString text = QGuiApplication::clipboard()->text(QClipboard::Clipboard);
    const PastedAddresses copied = pastedAddresses(text);
    if (copied.ignored != 0)
        return;
    for (const QString& address : copied.addresses) {
        if (isListed(address))
            continue;
        addTask(address);
        NoticePopup::shared().showNotice("/image/add_information_bg.png", address);
    }
}

void DownloadingWidget::respondMouseStateEmit() {
    auto* item = qobject_cast<VideoProgressBar*>(sender());
    if (m_selected && m_selected != item && m_items.contains(m_selected))
        m_selected->setHighlight(0);
    m_selected = item;
}

void DownloadingWidget::showTreeMenu() {
    if (!m_selected)
        return;
    const bool busy = m_selected->isBusy() || m_selected->task()->isQueued();
    const bool paused = m_selected->isPaused();
    m_actionPause->setEnabled(busy);
    m_actionResume->setEnabled(paused);
    m_menu->popup(QCursor::pos());
}

void DownloadingWidget::OnActionResume() {
    if (m_selected)
        m_selected->OnBtnStart();
}

void DownloadingWidget::OnActionPause() {
    if (m_selected)
        m_selected->OnBtnPause();
}

void DownloadingWidget::OnActionCopyURL() {
    if (m_selected)
        QGuiApplication::clipboard()->setText(m_selected->m_url);
}

void DownloadingWidget::OnActionGoURL() {
    if (m_selected)
        QDesktopServices::openUrl(QUrl(m_selected->m_url));
}

void DownloadingWidget::OnBtnPauseALL() {
    for (VideoProgressBar* item : QList<VideoProgressBar*>(m_items)) {
        if (item->isBusy() || item->task()->isQueued())
            item->OnBtnPause();
    }
}

void DownloadingWidget::OnBtnResumeAll() {
    for (VideoProgressBar* item : QList<VideoProgressBar*>(m_items)) {
        if (item->isPaused())
            item->OnBtnStart();
    }
}

void DownloadingWidget::OnBtnBigDisplay() {
    m_btnBigDisplay->setEnabled(false);
    m_btnSmallDisplay->setEnabled(true);
    setBigDisplay(true);
}

void DownloadingWidget::OnBtnSmallDisplay() {
    m_btnBigDisplay->setEnabled(true);
    m_btnSmallDisplay->setEnabled(false);
    setBigDisplay(false);
}

void DownloadingWidget::setBigDisplay(bool big) {
    for (VideoProgressBar* item : std::as_const(m_items))
        item->setBigDisplay(big);
    m_rows->setRowHeight(VideoProgressBar::rowHeight(big));
}

void DownloadingWidget::respondDeleteEmit() {
    m_pendingDelete = qobject_cast<VideoProgressBar*>(sender());
    m_deleteQuestion.ask(kDeleteRow);
}

void DownloadingWidget::OnActionDelete() {
    m_deleteQuestion.ask(kDeleteSelected);
}

void DownloadingWidget::OnActionDeleteALL() {
    m_deleteQuestion.ask(kDeleteAll);
}

void DownloadingWidget::Delete(int mode) {
    if (mode == kDeleteRow)
        OnBarbtnDelete();
    else if (mode == kDeleteSelected)
        ActionDeleteBar();
    else
        ActionDeleteALL();
}

void DownloadingWidget::OnBarbtnDelete() {
    if (!m_pendingDelete || !m_items.contains(m_pendingDelete))
        return;
    m_pendingDelete->discard();  // no transfer outlives its row; its files go too
    removeItem(m_pendingDelete);
    emitCountChange();
}

void DownloadingWidget::ActionDeleteBar() {
    if (!m_selected || !m_items.contains(m_selected))
        return;
    m_selected->discard();  // no transfer outlives its row; its files go too
    removeItem(m_selected);
    emitCountChange();
}

void DownloadingWidget::ActionDeleteALL() {
    const QList<VideoProgressBar*> items = m_items;
    m_items.clear();
    m_selected = nullptr;
    m_pendingDelete = nullptr;
    m_rows->clear();
    for (VideoProgressBar* item : items) {
        item->discard();
        delete item;
    }
    emit emitDowningCount(0);
    emit emitChangeShowWindow();
    m_taskList.removeTaskItem({}, true);
}

void DownloadingWidget::respondDowningOKEmit(QString filepath) {
    auto* item = qobject_cast<VideoProgressBar*>(sender());
    if (!item || !m_items.contains(item))
        return;
    emit emitOkBarInfo(filepath, item->m_url);
    if (PreferencesStore::instance().user.showDownSuccess)
        showFinishedNotice(filepath);
    m_rows->remove(item);
    m_taskList.removeTaskItem(item->m_url);
    m_items.removeOne(item);
    m_selected = nullptr;
    if (m_pendingDelete == item)
        m_pendingDelete = nullptr;
    item->deleteLater();  // we are inside one of its slots' call chain
    emitCountChange();
}

// The shared notice names the file; a click on it, while it is still this
// notice, asks for the Downloaded list.
void DownloadingWidget::showFinishedNotice(const QString& filePath) {
    NoticePopup& notice = NoticePopup::shared();
    const QString text = QFileInfo(filePath).fileName();
    notice.showNotice("/image/download_finished_bg.png", text);
    QObject::disconnect(m_noticeClicks);
    m_noticeClicks = connect(&notice, &NoticePopup::clicked, this, [this, text] {
        if (NoticePopup::shared().text() == text)
            emit emitShowFinished();
    });
}

// One read and one write of the list for every task at once.
void DownloadingWidget::saveProgress() {
    QList<StoredTask> tasks;
    tasks.reserve(m_items.size());
    for (const VideoProgressBar* item : std::as_const(m_items))
        tasks.append(item->storedTask());
    if (!tasks.isEmpty())
        m_taskList.saveTasksProgress(tasks);
}

bool DownloadingWidget::prepareExit() {
    const bool anyNoResume = std::any_of(m_items.begin(), m_items.end(),
                                         [](const VideoProgressBar* i) { return i->m_noResume; });
    if (anyNoResume &&
        showMessage("Some of the tasks do not support breakpoint continuingly, which may cause "
                    "download failure if you stop halfway . Are you sure you want to quit?",
                    "warning", msg::kYesNo) != msg::kResultYes)
        return false;
    saveProgress();
    for (VideoProgressBar* item : m_items)
        item->shutdown();
    return true;
}

void DownloadingWidget::paintEvent(QPaintEvent*) {
    if (m_footer.isNull())
        return;
    QPainter painter(this);
    painter.drawPixmap(QRect(0, height() - 39, width(), 39), m_footer);
}
