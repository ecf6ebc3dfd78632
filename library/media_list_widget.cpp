#include "library/media_list_widget.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QDebug>
#include <QDesktopServices>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QScrollArea>
#include <QUrl>
#include <QVBoxLayout>

#include "core/app_files.h"
#include "core/preferences_store.h"
#include "library/media_bar.h"
#include "widgets/delete_tip_dialog.h"
#include "widgets/image_button.h"
#include "widgets/message_dialog.h"
#include "widgets/row_column.h"
#include "widgets/skinned_form.h"

namespace {

constexpr int kFooterHeight = 39;

}  // namespace

MediaListWidget::MediaListWidget(const QString& listFileName, bool withUrl, QWidget* parent)
    : QWidget(parent),
      m_file(appfiles::path(listFileName), withUrl),
      m_deleteQuestion(this, [this](int mode) { Delete(mode); }) {
    m_footer.load(appfiles::path("/image/FOOT_2.png"));
    m_searchImage.load(appfiles::path("/image/search_image.png"));
    auto* verticalLayout = new QVBoxLayout(this);
    verticalLayout->setContentsMargins(0, 0, 0, kFooterHeight);
    verticalLayout->setSpacing(0);
    m_scrollArea = new QScrollArea(this);
    m_scrollArea->setObjectName("scrollArea");
    m_scrollArea->setFrameShape(QFrame::NoFrame);
    m_rows = new RowColumn(m_scrollArea);
    m_rows->setObjectName("m_scrollAreaWidget");
    m_rows->setRowHeight(MediaBar::kBigHeight);
    m_rows->setPrepare([this](QWidget* row) { prepareRow(static_cast<MediaBar*>(row)); });
    m_rows->setRelease([this](QWidget* row) { releaseRow(static_cast<MediaBar*>(row)); });
    // White through the palette: a style sheet here would restyle every
    // row's widgets, which makes long lists slow to build.
    QPalette ground = m_scrollArea->viewport()->palette();
    ground.setColor(QPalette::Window, Qt::white);
    m_scrollArea->viewport()->setPalette(ground);
    m_scrollArea->viewport()->setAutoFillBackground(true);
    m_rows->setAutoFillBackground(true);
    m_rows->setPalette(ground);
    // Over the top of the empty list area; the column holds rows only.
    m_labelMeg = skinned::label(m_scrollArea->viewport(),
                                "Oops! No videos found. Please try again with other words.", 14);
    m_labelMeg->setObjectName("m_labelMeg");
    m_labelMeg->setAlignment(Qt::AlignCenter);
    m_labelMeg->hide();
    verticalLayout->addWidget(m_scrollArea, 1);

    m_searchEdit = new QLineEdit(this);
    m_searchEdit->setObjectName("m_searchEdit");
    m_searchEdit->setStyleSheet("QLineEdit {background-color:transparent;border:none}");
    m_searchEdit->setPlaceholderText("Search");
    m_labTotal = skinned::label(this, "Total: 0 Video(s)");
    m_labTotal->setObjectName("m_labTotal");
    m_btnBigDisplay =
        skinned::imageButton(this, "/image/lliebiao_btn.png",
                             {.objectName = "m_btnBigDisplay", .toolTip = "Medium Icons "});
    m_btnSmallDisplay = skinned::imageButton(
        this, "/image/lliebiao2_btn.png", {.objectName = "m_btnSmallDisplay", .toolTip = "List"});
    m_btnBigDisplay->setEnabled(false);

    m_menu = new QMenu(this);
    m_menu->setStyleSheet(skinned::menuStyle());

    connect(m_searchEdit, &QLineEdit::textChanged, this, &MediaListWidget::SearchTextChanged);
    connect(m_btnBigDisplay, &QPushButton::clicked, this, &MediaListWidget::OnBtnBigDisplay);
    connect(m_btnSmallDisplay, &QPushButton::clicked, this, &MediaListWidget::OnBtnSmallDisplay);
    connect(&m_prober, &MediaProber::probed, this, &MediaListWidget::deliverFacts);
}

MediaListWidget::~MediaListWidget() {
    // Rows first, while the prober (a member) still exists; it then drops
    // the probes not begun. The rows go with their column: a parent's
    // deletion of its children costs no search for each.
    for (MediaBar* row : m_items)
        row->prepareRemoval();
    delete m_scrollArea;
}

QString MediaListWidget::totalText() const {
    return QString("Total: %1 Video(s)").arg(m_visible.size());
}

void MediaListWidget::updateTotal() {
    m_labTotal->setText(totalText());
}

void MediaListWidget::loadList() {
    const auto entries = m_file.load();
    if (!entries)
        return;
    for (const MediaListEntry& entry : *entries)
        addRow(entry, false);
    emitCount(int(m_items.size()));
    refilter();
    if (!m_items.isEmpty())
        emit emitChangeShowWindow();
}

MediaBar* MediaListWidget::addRow(const MediaListEntry& entry, bool record) {
    MediaBar* row = createRow(entry);
    row->setParent(m_rows);
    row->hide();  // the column shows it when it is in view
    row->setFile(entry.filePath);
    row->setBigDisplay(m_bigDisplay);
    connect(row, &MediaBar::emitMousePress, this, &MediaListWidget::respondMouseStateEmit);
    connect(row, &MediaBar::emitDelete, this, &MediaListWidget::respondDeleteEmit);
    connect(row, &MediaBar::emitVideoPlay, this, &MediaListWidget::respondVideoPlayEmit);
    connect(row, &MediaBar::emitshowTreeMenu, this, &MediaListWidget::respondShowTreeMenu);
    connect(row, &MediaBar::emitRenameFailed, this, &MediaListWidget::reportFailure);
    connect(row, &MediaBar::emitRenamed, this, [this, row](const QString& oldPath) {
        m_file.replace(oldPath, {row->filePath(), urlOf(row)});
        if (!row->hasFacts() && row->hasForm())
            m_prober.probe(row->filePath());  // the answer for the old name finds no row
        refilter();
    });
    m_items.append(row);
    if (record) {
        refilter();
        emitCount(int(m_items.size()));
        if (m_items.size() == 1)
            emit emitChangeShowWindow();
        m_file.append(entry);
    }
    return row;
}

// A row coming into view: its form is built and its file probed.
void MediaListWidget::prepareRow(MediaBar* row) {
    row->ensureForm();
    if (!row->hasFacts())
        m_prober.probe(row->filePath());
}

// A row long out of view gives its form and facts back; a probe it still
// waits for is dropped.
void MediaListWidget::releaseRow(MediaBar* row) {
    const bool waiting = !row->hasFacts();
    if (row->releaseForm() && waiting)
        m_prober.forget(row->filePath());
}

void MediaListWidget::deliverFacts(const QString& path, const MediaFacts& facts) {
    for (MediaBar* row : m_items) {
        if (row->filePath() == path && !row->hasFacts())
            row->setFacts(facts);
    }
}

void MediaListWidget::refilter() {
    m_visible.clear();
    QList<QWidget*> shown;
    for (MediaBar* row : m_items) {
        if (row->name().contains(m_searchText, Qt::CaseInsensitive)) {
            m_visible.append(row);
            shown.append(row);
        }
    }
    m_rows->setRows(shown);
    m_labelMeg->setVisible(m_visible.isEmpty() && !m_items.isEmpty());
    updateTotal();
}

bool MediaListWidget::filterHidesSomething() const {
    return m_visible.size() != m_items.size();
}

void MediaListWidget::SearchTextChanged(QString text) {
    m_searchText = text;
    refilter();
    emitCount(int(m_items.size()));
}

void MediaListWidget::respondMouseStateEmit() {
    auto* row = qobject_cast<MediaBar*>(sender());
    if (m_current && m_current != row && m_items.contains(m_current))
        m_current->setSelected(false);
    m_current = row;
}

void MediaListWidget::respondShowTreeMenu() {
    auto* row = qobject_cast<MediaBar*>(sender());
    if (!row || !m_items.contains(row))
        return;
    m_current = row;
    prepareMenu(row);
    m_menu->popup(QCursor::pos());
}

void MediaListWidget::contextMenuEvent(QContextMenuEvent* event) {
    prepareMenu(nullptr);
    m_menu->popup(event->globalPos());
}

void MediaListWidget::addMenuSection(std::initializer_list<QAction*> actions) {
    if (!m_menu->isEmpty())
        m_menu->addSeparator();
    for (QAction* action : actions)
        m_menu->addAction(action);
}

void MediaListWidget::respondVideoPlayEmit(QString path) {
    emit emitPlayFile(path);
}

void MediaListWidget::OnACtionPlay() {
    if (m_current && QFileInfo::exists(m_current->filePath()))
        emit emitPlayFile(m_current->filePath());
}

void MediaListWidget::OnACtionRename() {
    if (m_current)
        m_current->OnBtnEdit();
}

void MediaListWidget::OnACtionOpenFolder() {
    if (!m_current)
        return;
    const QString path = m_current->filePath();
    QDesktopServices::openUrl(QUrl::fromLocalFile(path.left(path.lastIndexOf('/'))));
}

void MediaListWidget::OnBtnBigDisplay() {
    m_bigDisplay = true;
    m_btnBigDisplay->setEnabled(false);
    m_btnSmallDisplay->setEnabled(true);
    m_rows->setRowHeight(MediaBar::kBigHeight);
    for (MediaBar* row : m_items)
        row->setBigDisplay(true);
}

void MediaListWidget::OnBtnSmallDisplay() {
    m_bigDisplay = false;
    m_btnBigDisplay->setEnabled(true);
    m_btnSmallDisplay->setEnabled(false);
    m_rows->setRowHeight(MediaBar::kSmallHeight);
    for (MediaBar* row : m_items)
        row->setBigDisplay(false);
}

void MediaListWidget::respondDeleteEmit() {
    m_pendingDelete = qobject_cast<MediaBar*>(sender());
    m_deleteQuestion.ask(kDeleteRow);
}

void MediaListWidget::OnACtionDelete() {
    m_deleteQuestion.ask(kDeleteCurrent);
}

void MediaListWidget::OnACtionDeleteAll() {
    m_deleteQuestion.ask(kDeleteAll);
}

void MediaListWidget::Delete(int mode) {
    if (mode == kDeleteRow)
        OnBarbtnDelete();
    else if (mode == kDeleteCurrent)
        ActionDeleteBar();
    else
        ActionDeleteALL();
}

void MediaListWidget::removeRow(MediaBar* row) {
    row->prepareRemoval();
    m_rows->remove(row);
    if (!row->hasFacts())
        m_prober.forget(row->filePath());
    m_items.removeOne(row);
    m_visible.removeOne(row);
    if (m_current == row)
        m_current = nullptr;
    if (m_pendingDelete == row)
        m_pendingDelete = nullptr;
    m_file.remove(row->filePath());
    // The row may be inside one of its own signals (its close button).
    row->deleteLater();
}

void MediaListWidget::afterRemoval() {
    emitCount(int(m_items.size()));
    refilter();
    if (m_items.isEmpty())
        emit emitChangeShowWindow();
}

void MediaListWidget::OnBarbtnDelete() {
    if (!m_pendingDelete || !m_items.contains(m_pendingDelete))
        return;
    removeRow(m_pendingDelete);
    afterRemoval();
}

void MediaListWidget::ActionDeleteBar() {
    if (!m_current || !m_items.contains(m_current))
        return;
    removeRow(m_current);
    afterRemoval();
}

void MediaListWidget::ActionDeleteALL() {
    if (m_items.isEmpty())
        return;
    if (!filterHidesSomething()) {
        const QList<MediaBar*> rows = m_items;
        for (MediaBar* row : rows)
            row->prepareRemoval();
        m_items.clear();
        m_visible.clear();
        m_current = nullptr;
        m_pendingDelete = nullptr;
        m_rows->clear();
        qDeleteAll(rows);
        m_file.removeFile();
    } else {
        const QList<MediaBar*> visible = m_visible;
        for (auto it = visible.rbegin(); it != visible.rend(); ++it)
            removeRow(*it);
        if (!m_visible.isEmpty())
            qDebug("error in OnACtionDeleteAll");
    }
    afterRemoval();
}

void MediaListWidget::OnACtionClearInvalidFile() {
    const QList<MediaBar*> rows = m_items;
    bool removed = false;
    for (auto it = rows.rbegin(); it != rows.rend(); ++it) {
        if (!QFileInfo::exists((*it)->filePath())) {
            removeRow(*it);
            removed = true;
        }
    }
    if (removed)
        afterRemoval();
}

void MediaListWidget::reportFailure(const QString& message) {
    showMessage(message, "Downloader", msg::kIcon | msg::kWarning);
}

void MediaListWidget::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const int footerTop = height() - kFooterHeight;
    m_searchEdit->setGeometry(90 + 24, height() - 32, m_searchImage.width() - 30, 24);
    m_labTotal->setGeometry(90 + m_searchImage.width() + 16, footerTop + 10, 160, 20);
    m_btnSmallDisplay->move(width() - 10 - m_btnSmallDisplay->width(), footerTop + 8);
    m_btnBigDisplay->move(m_btnSmallDisplay->x() - 4 - m_btnBigDisplay->width(), footerTop + 8);
    m_labelMeg->setGeometry(0, 0, width(), 80);
}

void MediaListWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!m_footer.isNull())
        painter.drawPixmap(QRect(0, height() - kFooterHeight, width(), kFooterHeight), m_footer);
    if (!m_searchImage.isNull())
        painter.drawPixmap(90, height() - 32, m_searchImage);
}
