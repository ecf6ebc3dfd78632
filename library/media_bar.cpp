#include "library/media_bar.h"

#include <QContextMenuEvent>
#include <QDateTime>
#include <QFileInfo>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>

#include "core/app_files.h"
#include "platform/file_io.h"
#include "widgets/image_button.h"
#include "widgets/skinned_form.h"

namespace {

constexpr QSize kSmallThumbnail(56, 37);
const QColor kSelectedGround(226, 240, 244);
const QColor kRowLine(223, 231, 235);

QLabel* factLabel(QWidget* parent, const char* name, const QString& text = {}) {
    QLabel* label = skinned::rowLabel(parent, text);
    label->setObjectName(name);
    return label;
}

QLabel* iconLabel(QWidget* parent, const char* name, const char* image) {
    auto* label = new QLabel(parent);
    label->setObjectName(name);
    label->setPixmap(skinned::pixmap(image));
    label->setFixedSize(14, 14);
    return label;
}

}  // namespace

VideoIconWidget::VideoIconWidget(QWidget* parent) : QWidget(parent) {
    setObjectName("m_videoIconWidget");
    setCursor(Qt::PointingHandCursor);
    m_placeholder = skinned::pixmap("/image/Video_icon.png");
    m_playMark = skinned::pixmap("/image/PLAY_BTN_play.png");
    setBigLook(true);
}

void VideoIconWidget::setThumbnail(const QImage& image) {
    m_thumbnail = image;
    update();
}

void VideoIconWidget::setBigLook(bool big) {
    setFixedSize(big ? kThumbnailSize : kSmallThumbnail);
    update();
}

void VideoIconWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
    if (m_thumbnail.isNull()) {
        painter.drawPixmap(rect(), m_placeholder);
    } else {
        const QSize fitted = m_thumbnail.size().scaled(size(), Qt::KeepAspectRatio);
        const QRect target(QPoint((width() - fitted.width()) / 2, (height() - fitted.height()) / 2),
                           fitted);
        painter.drawImage(target, m_thumbnail);
    }
    const int side = qMin(m_playMark.width(), height() - 4);
    painter.drawPixmap(QRect((width() - side) / 2, (height() - side) / 2, side, side), m_playMark);
}

void VideoIconWidget::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton)
        emit clicked();
    QWidget::mousePressEvent(event);
}

DownedVideoinfoWidget::DownedVideoinfoWidget(QWidget* parent) : QWidget(parent) {
    setObjectName("m_infoWidget");
    m_timeimage = iconLabel(this, "m_timeimage", "/image/icon_clock.png");
    m_time = factLabel(this, "m_time", "--:--");
    m_sizeimage = iconLabel(this, "m_sizeimage", "/image/icon_Size.png");
    m_size = factLabel(this, "m_size");
    m_formatimage = iconLabel(this, "m_formatimage", "/image/icon_Type.png");
    m_format = factLabel(this, "m_format", "reading...");
    m_resolutionimage = iconLabel(this, "m_resolutionimage", "/image/icon_screen-size.png");
    m_resolution = factLabel(this, "m_resolution");
    m_date = factLabel(this, "m_date", QDateTime::currentDateTime().toString("MM/dd/yyyy hh:mm"));
    setBigDisplay(true);
}

void DownedVideoinfoWidget::setFacts(const MediaFacts& facts) {
    m_size->setText(facts.size);
    if (!facts.isMedia) {
        m_time->setText("--:--");
        m_format->setText("Not a media file");
        m_resolution->clear();
        return;
    }
    m_time->setText(facts.duration);
    m_format->setText(facts.format);
    m_resolution->setText(facts.resolution.isEmpty() ? QString("audio") : facts.resolution);
}

void DownedVideoinfoWidget::setBigDisplay(bool big) {
    m_big = big;
    // One line of four facts; the date follows in the large look only.
    const int bigColumns[] = {0, 80, 160, 270};
    const int smallColumns[] = {0, 66, 132, 226};
    const int* columns = big ? bigColumns : smallColumns;
    QLabel* icons[] = {m_timeimage, m_sizeimage, m_formatimage, m_resolutionimage};
    QLabel* texts[] = {m_time, m_size, m_format, m_resolution};
    for (int i = 0; i < 4; ++i) {
        icons[i]->move(columns[i], 3);
        texts[i]->setGeometry(columns[i] + 18, 0, (i == 2 ? 76 : 48) + (big ? 14 : 0), 20);
    }
    m_date->setGeometry(0, 22, 140, 20);
    m_date->setVisible(big);
    setFixedSize(big ? 360 : 300, big ? 42 : 20);
}

MediaBar::MediaBar(QWidget* parent) : QWidget(parent), m_made(QDateTime::currentDateTime()) {
    setBigDisplay(true);
}

void MediaBar::ensureForm() {
    if (hasForm())
        return;
    m_form.build(this, [this] { buildForm(); });
    layOut();
}

void MediaBar::buildForm() {
    m_btnClose = skinned::imageButton(this, "/image/Close_btn.png", {.objectName = "m_btnClose"});
    m_videoIconWidget = new VideoIconWidget(this);
    m_labVideoName = new QLineEdit(this);
    m_labVideoName->setObjectName("m_labVideoName");
    m_labVideoName->setReadOnly(true);
    m_labVideoName->setFrame(false);
    // Through the palette: a style sheet per row is slow in long lists.
    QPalette palette = m_labVideoName->palette();
    palette.setColor(QPalette::Base, Qt::transparent);
    m_labVideoName->setPalette(palette);
    QFont font("Tahoma");
    font.setPixelSize(13);
    m_labVideoName->setFont(font);
    m_btnEdit = skinned::imageButton(this, "/image/BTN_T.png", {.objectName = "m_btnEdit"});
    m_infoWidget = new DownedVideoinfoWidget(this);

    connect(m_btnClose, &QPushButton::clicked, this, &MediaBar::OnBtnDelete);
    connect(m_btnEdit, &QPushButton::clicked, this, &MediaBar::OnBtnEdit);
    connect(m_videoIconWidget, &VideoIconWidget::clicked, this, &MediaBar::VideoStartPlay);
    connect(m_labVideoName, &QLineEdit::editingFinished, this, &MediaBar::ChangeName);
    m_labVideoName->installEventFilter(this);

    showName();
    m_labVideoName->setToolTip(m_filePath);
    m_infoWidget->m_date->setText(m_made.toString("MM/dd/yyyy hh:mm"));
    m_infoWidget->setBigDisplay(m_bigDisplay);
    m_videoIconWidget->setBigLook(m_bigDisplay);
    if (m_hasFacts)
        showFacts();
}

bool MediaBar::releaseForm() {
    if (!hasForm() || !m_labVideoName->isReadOnly())
        return false;
    m_form.release();
    m_btnClose = nullptr;
    m_videoIconWidget = nullptr;
    m_labVideoName = nullptr;
    m_btnEdit = nullptr;
    m_infoWidget = nullptr;
    m_facts = {};
    m_hasFacts = false;
    return true;
}

void MediaBar::setFile(const QString& path) {
    m_filePath = path;
    m_name = path.mid(path.lastIndexOf('/') + 1);
    if (!hasForm())
        return;
    showName();
    m_labVideoName->setToolTip(path);
}

// A name longer than its field shows its start (setText puts the cursor,
// and so the view, at the end).
void MediaBar::showName() {
    m_labVideoName->setText(m_name);
    m_labVideoName->setCursorPosition(0);
}

void MediaBar::setFacts(const MediaFacts& facts) {
    m_facts = facts;
    m_hasFacts = true;
    if (hasForm())
        showFacts();
}

void MediaBar::showFacts() {
    m_infoWidget->setFacts(m_facts);
    m_videoIconWidget->setThumbnail(m_facts.thumbnail);
}

void MediaBar::setBigDisplay(bool big) {
    // The list's column gives the row its height: a row never shown costs
    // no more than the flag.
    m_bigDisplay = big;
    if (hasForm()) {
        m_infoWidget->setBigDisplay(big);
        m_videoIconWidget->setBigLook(big);
    }
    layOut();
}

void MediaBar::setSelected(bool selected) {
    m_selected = selected;
    update();
}

void MediaBar::layOut() {
    if (!hasForm())
        return;
    const int x = m_bigDisplay ? 150 : 100;
    m_videoIconWidget->move(30, m_bigDisplay ? 10 : 5);
    // Small rows keep the name left of the facts at x = 300.
    const int nameWidth = m_bigDisplay ? qMax(120, width() - x - 300) : 300 - x - 28;
    m_labVideoName->setGeometry(x, m_bigDisplay ? 10 : 12, nameWidth, 22);
    m_btnEdit->move(m_labVideoName->geometry().right() + 4, m_bigDisplay ? 11 : 13);
    m_infoWidget->move(m_bigDisplay ? QPoint(150, 37) : QPoint(300, 8));
    m_btnClose->move(width() - 24, 6);
}

void MediaBar::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    layOut();
}

void MediaBar::mousePressEvent(QMouseEvent* event) {
    setSelected(true);
    emit emitMousePress();
    if (event->button() == Qt::RightButton)
        emit emitshowTreeMenu();
    QWidget::mousePressEvent(event);
}

bool MediaBar::eventFilter(QObject* watched, QEvent* event) {
    if (watched == m_labVideoName && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape && !m_labVideoName->isReadOnly()) {
        endEditing();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}

void MediaBar::contextMenuEvent(QContextMenuEvent* event) {
    event->accept();
}

void MediaBar::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.fillRect(rect(), m_selected ? kSelectedGround : QColor(Qt::white));
    painter.fillRect(QRect(0, height() - 1, width(), 1), kRowLine);
}

void MediaBar::OnBtnEdit() {
    ensureForm();
    m_labVideoName->setReadOnly(false);
    m_labVideoName->setFocus();
    // The user edits the whole name; the extension is selected last.
    const int dot = m_name.lastIndexOf('.');
    m_labVideoName->setSelection(0, dot > 0 ? dot : m_name.size());
}

void MediaBar::VideoStartPlay() {
    if (QFileInfo::exists(m_filePath))
        emit emitVideoPlay(m_filePath);
}

void MediaBar::endEditing() {
    m_labVideoName->setReadOnly(true);
    showName();
    m_labVideoName->deselect();
}

void MediaBar::ChangeName() {
    if (m_labVideoName->isReadOnly())
        return;
    const QString edited = m_labVideoName->text().trimmed();
    if (edited.isEmpty() || edited == m_name || edited.contains('/')) {
        endEditing();
        return;
    }
    const QString oldPath = m_filePath;
    const QString newPath = oldPath.left(oldPath.lastIndexOf('/') + 1) + edited;
    std::string error;
    if (!platform::renameWithoutReplacing(oldPath.toStdString(), newPath.toStdString(), &error)) {
        endEditing();
        emit emitRenameFailed(QString("%1 cannot be renamed to %2: %3")
                                  .arg(m_name, edited, QString::fromStdString(error)));
        return;
    }
    setFile(newPath);
    endEditing();
    emit emitRenamed(oldPath);
}

void MediaBar::OnBtnDelete() {
    emit emitDelete();
}
