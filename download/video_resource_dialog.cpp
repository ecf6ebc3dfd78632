#include "download/video_resource_dialog.h"
#include "core/log_category.h"

#include <QColor>
#include <QDebug>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QTableView>

#include "core/app_files.h"
#include "core/preferences_store.h"
#include "platform/text.h"
#include "widgets/image_button.h"

#include <QPainter>
#include <QStyle>
#include <QStyleOptionFrame>

namespace {

// The folder field: while it is not being edited it shows the whole path,
// elided in the middle when it is too long, and the full path in its
// tool-tip; editing shows the text as typed.
class FolderEdit : public QLineEdit {
public:
    explicit FolderEdit(QWidget* parent) : QLineEdit(parent) {
        connect(this, &QLineEdit::textChanged, this, [this](const QString& text) {
            setToolTip(text);
            update();
        });
    }

protected:
    void paintEvent(QPaintEvent* event) override {
        if (hasFocus()) {
            QLineEdit::paintEvent(event);
            return;
        }
        QPainter painter(this);
        QStyleOptionFrame option;
        initStyleOption(&option);
        const QRect area = style()
                               ->subElementRect(QStyle::SE_LineEditContents, &option, this)
                               .adjusted(2, 0, -2, 0);
        painter.setPen(palette().color(QPalette::Text));
        painter.drawText(area, Qt::AlignLeft | Qt::AlignVCenter,
                         fontMetrics().elidedText(text(), Qt::ElideMiddle, area.width()));
    }
};

}  // namespace

VideoResourceModel::VideoResourceModel(QObject* parent) : QAbstractTableModel(parent) {}

void VideoResourceModel::setRows(QList<StreamChoice>* rows, int preselected) {
    beginResetModel();
    m_rows = rows;
    // Rows arrive unchecked and the first row asked for is pre-selected,
    // unless the task names a row (an HLS playlist's best variant).
    if (m_rows) {
        for (int i = 0; i < m_rows->size(); ++i)
            (*m_rows)[i].checked = i == preselected;
    }
    endResetModel();
}

int VideoResourceModel::rowCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_rows ? 0 : int(m_rows->size());
}

int VideoResourceModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() || !m_rows ? 0 : 3;
}

QVariant VideoResourceModel::headerData(int section, Qt::Orientation orientation, int role) const {
    static const char* const kNames[] = {"Name", "Type", "Size"};
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 || section > 2)
        return {};
    return QString(kNames[section]);
}

Qt::ItemFlags VideoResourceModel::flags(const QModelIndex& index) const {
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags flags = Qt::ItemIsSelectable | Qt::ItemIsEnabled;
    if (index.column() == m_checkColumn)
        flags |= Qt::ItemIsUserCheckable;
    return flags;
}

QVariant VideoResourceModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || !m_rows || index.row() >= m_rows->size())
        return {};
    StreamChoice& row = (*m_rows)[index.row()];
    switch (role) {
        case Qt::DisplayRole:
            if (index.column() == 0)
                return row.name;
            if (index.column() == 1)
                return row.format;
            return row.size == 0 ? QString("Unknown")
                                 : QString::fromStdString(platform::formatSize(row.size));
        case Qt::CheckStateRole: {
            if (index.column() != m_checkColumn)
                return {};
            const bool anyChecked = std::any_of(m_rows->begin(), m_rows->end(),
                                                [](const auto& r) { return r.checked; });
            if (!anyChecked)
                row.checked = true;  // the first row asked for is pre-selected
            return row.checked ? Qt::Checked : Qt::Unchecked;
        }
        case Qt::BackgroundRole:
            return index.row() % 2 == 0 ? QColor(219, 233, 236) : QColor(Qt::white);
        case Qt::ForegroundRole:
            return QColor(0, 55, 66);
        default:
            return {};
    }
}

bool VideoResourceModel::setData(const QModelIndex& index, const QVariant& value, int role) {
    if (!index.isValid() || !m_rows)
        return false;
    if (role == Qt::CheckStateRole && index.column() == m_checkColumn) {
        (*m_rows)[index.row()].checked = value.toInt() == Qt::Checked;
        emit dataChanged(index, index, {role});
    }
    return true;
}

VideoResourceDialog::VideoResourceDialog(QWidget* parent) : QImageDialog(parent) {
    setObjectName("VideoResourceDialog");
    setBackground(appfiles::path("/image/news_bg.png"), true);
    if (width() < 300)
        resize(480, 330);
    auto* caption = new QLabel("Download link", this);
    caption->setObjectName("label");
    caption->setGeometry(20, 44, 110, 20);
    m_labURL = new QLabel(this);
    m_labURL->setObjectName("m_labURL");
    m_labURL->setGeometry(130, 44, width() - 150, 20);
    m_tableView = new QTableView(this);
    m_tableView->setObjectName("m_tableView");
    m_tableView->setGeometry(20, 72, width() - 40, height() - 170);
    m_tableView->verticalHeader()->hide();
    m_tableView->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_tableView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_tableView->setShowGrid(false);
    m_tableView->horizontalHeader()->setStretchLastSection(true);
    m_tableView->horizontalHeader()->setMinimumHeight(19);
    m_tableView->setStyleSheet(
        "QTableView::item{selection-background-color:rgb(100,166,182);min-height: 17px;}");
    // Gradient stops lie between 0 and 1; Qt drops any other stop with a
    // warning, so the darkest colour sits at 1, the end of the gradient.
    m_tableView->horizontalHeader()->setStyleSheet(
        " QHeaderView::section  { background-color: qlineargradient(x1:0, y1:0, x2:0, y2:2,stop:0 "
        "#2994B9, stop: 0.5 #23869C,stop: 0.6 #1E7388, stop:1 #1B5B68); color: white; border: "
        "1px solid #1A7889; }");
    m_labDownPath = new FolderEdit(this);
    m_labDownPath->setObjectName("m_labDownPath");
    m_labDownPath->setStyleSheet("QLineEdit {background-color:transparent;border:none}");
    m_labDownPath->setGeometry(20, height() - 88, width() - 210, 24);
    m_labDownPath->setText(PreferencesStore::instance().downloadFolder());
    m_btnOpen = addImageButton("/image/btn_folder.png", QPoint(width() - 184, height() - 92));
    m_btnCustomize =
        addImageButton("/image/Customize_btn.png", QPoint(width() - 150, height() - 90));
    // Cancel is the visible way out beside the title bar's cross; Enter
    // presses Download Now and Escape Cancel.
    m_btnCancel = addImageButton("/image/BTN_Cancel_1.png", QPoint(0, height() - 47));
    m_btnCancel->move(width() - 20 - m_btnCancel->width(), m_btnCancel->y());
    m_btnCancel->setObjectName("m_btnCancel");
    m_btnDown = addImageButton("/image/Download_Now_btn.png", QPoint(0, height() - 48));
    m_btnDown->move(m_btnCancel->x() - 10 - m_btnDown->width(), m_btnDown->y());
    m_btnDown->setDefault(true);
    m_btnClose = addImageButton("/image/button_close.png", QPoint(width() - 28, 8));
    m_btnClose->setToolTip(tr("Close"));
    m_btnDown->setObjectName("m_btnDown");
    setEscapeButton(m_btnCancel);
    connect(m_btnCancel, &QPushButton::clicked, this, &VideoResourceDialog::CloseWindow);
    connect(m_btnDown, &QPushButton::clicked, this, &VideoResourceDialog::OnBtnDown);
    connect(m_btnCustomize, &QPushButton::clicked, this, &VideoResourceDialog::OnBtnCustomize);
    connect(m_btnOpen, &QPushButton::clicked, this, &VideoResourceDialog::OnBtnOpen);
    connect(m_btnClose, &QPushButton::clicked, this, &VideoResourceDialog::CloseWindow);
}

void VideoResourceDialog::setRows(QList<StreamChoice>* rows, int preselected) {
    m_rows = rows;
    if (!m_model)
        m_model = new VideoResourceModel(this);
    m_model->setRows(rows, preselected);
    m_tableView->setModel(m_model);
    m_tableView->setColumnWidth(0, 265);
    m_tableView->setColumnWidth(1, 50);
    m_tableView->setColumnWidth(2, 50);
}

void VideoResourceDialog::setUrl(const QString& url) {
    m_labURL->setText(url);
}

QString VideoResourceDialog::downloadPath() const {
    return m_labDownPath->text();
}

void VideoResourceDialog::OnBtnDown() {
    m_selectedRow = -1;
    if (m_rows) {
        for (int i = 0; i < m_rows->size(); ++i) {
            if (m_rows->at(i).checked) {
                m_selectedRow = i;
                break;
            }
        }
    }
    hide();
    done(QDialog::Accepted);
}

void VideoResourceDialog::OnBtnCustomize() {
    m_labDownPath->setText(PreferencesStore::instance().downloadFolder());
}

void VideoResourceDialog::OnBtnOpen() {
    const QString folder = QFileDialog::getExistingDirectory(
        this, tr("Open Directory"), "/home",
        QFileDialog::ShowDirsOnly | QFileDialog::DontResolveSymlinks);
    if (!folder.isEmpty()) {
        m_labDownPath->setText(folder);
        qCDebug(clipwrightLog).noquote() << folder;
    }
}

void VideoResourceDialog::CloseWindow() {
    m_selectedRow = -1;
    done(QDialog::Rejected);
}

void VideoResourceDialog::MoveWindow(int x, int y) {
    move(x, y);
}
