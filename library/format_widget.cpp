#include "library/format_widget.h"

#include <QEvent>
#include <QGridLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPainter>
#include <QStackedWidget>

#include "core/app_files.h"
#include "library/format_file.h"
#include "widgets/skinned_form.h"

namespace {

const char* const kPageNames[FormatWidget::kPageCount] = {"Video",  "Audio",    "HD",    "Web",
                                                          "Device", "Favorite", "Search"};
constexpr QSize kItemSize(150, 110);
constexpr int kColumns = 3;
constexpr int kTopHeight = 40;
constexpr int kBottomHeight = 44;

QString formatXmlPath() {
    return appfiles::path("/format.xml");
}

QImageButton* imageButton(QWidget* parent, const char* name, const char* text, const char* image) {
    return skinned::imageButton(parent, image, {.objectName = name, .text = text});
}

}  // namespace

void FavouriteButton::paintEvent(QPaintEvent*) {
    if (image().isNull())
        return;
    const int frameWidth = image().width() / 4;
    const int frame = isChecked() ? Pressed : (state() == Pressed ? Hovered : state());
    QPainter painter(this);
    painter.drawPixmap(rect(), image(), QRect(frame * frameWidth, 0, frameWidth, image().height()));
}

FormatItem::FormatItem(const QString& iconPath, const QString& name, bool favourite,
                       QWidget* parent)
    : QWidget(parent), m_iconPath(iconPath), m_name(name) {
    setFixedSize(kItemSize);
    setCursor(Qt::PointingHandCursor);
    m_icon.load(appfiles::path(iconPath));
    m_background.load(appfiles::path("/image/format_item.png"));
    m_labName = skinned::label(this, label(), 11);
    m_labName->setObjectName("m_labName");
    m_labName->setAlignment(Qt::AlignCenter);
    m_labName->setWordWrap(true);
    m_labName->setGeometry(4, 72, width() - 8, 34);
    m_btnFav = new FavouriteButton(this);
    m_btnFav->setObjectName("m_btnFav");
    m_btnFav->setImage(appfiles::path("/image/star_btn.png"));
    m_btnFav->setCheckable(true);
    m_btnFav->setChecked(favourite);
    m_btnFav->move(width() - m_btnFav->width() - 6, 6);
    connect(m_btnFav, &QPushButton::toggled, this, &FormatItem::emitFavouriteToggled);
}

bool FormatItem::isFavourite() const {
    return m_btnFav->isChecked();
}

void FormatItem::setFavourite(bool on) {
    m_btnFav->setChecked(on);
}

void FormatItem::setChosen(bool chosen) {
    m_chosen = chosen;
    update();
}

void FormatItem::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setOpacity(m_pressed ? 0.75 : 1.0);
    painter.drawPixmap(rect().adjusted(2, 2, -2, -2), m_background);
    if (m_chosen)
        painter.fillRect(rect().adjusted(4, 4, -4, -4), QColor(0, 128, 128, 28));
    if (m_hovered || m_chosen) {
        painter.setPen(QPen(QColor(0, 128, 128), m_chosen ? 3 : 2));
        painter.drawRoundedRect(rect().adjusted(2, 2, -2, -2), 6, 6);
    }
    if (!m_icon.isNull()) {
        const QSize iconSize = m_icon.size().scaled(QSize(width() - 40, 60), Qt::KeepAspectRatio);
        painter.drawPixmap(QRect(QPoint((width() - iconSize.width()) / 2, 10), iconSize), m_icon);
    }
}

void FormatItem::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        m_pressed = true;
        update();
        emit emitPress(m_iconPath, m_name);
    }
}

void FormatItem::mouseReleaseEvent(QMouseEvent*) {
    m_pressed = false;
    update();
}

void FormatItem::enterEvent(QEnterEvent*) {
    m_hovered = true;
    update();
}

void FormatItem::leaveEvent(QEvent*) {
    m_hovered = false;
    m_pressed = false;
    update();
}

FormatItemWidget::FormatItemWidget(const QString& category, QWidget* parent)
    : QScrollArea(parent), m_category(category) {
    setObjectName(category);
    setFixedSize(484, 442);
    setFrameShape(QFrame::NoFrame);
    setWidgetResizable(true);
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    m_content = new QWidget;
    m_content->setAutoFillBackground(true);
    QPalette ground = m_content->palette();
    ground.setColor(QPalette::Window, Qt::white);
    m_content->setPalette(ground);
    m_grid = new QGridLayout(m_content);
    m_grid->setContentsMargins(6, 6, 6, 6);
    m_grid->setSpacing(6);
    m_grid->setAlignment(Qt::AlignTop | Qt::AlignLeft);
    setWidget(m_content);
}

void FormatItemWidget::addItem(FormatItem* item) {
    const int index = int(m_items.size());
    item->setParent(m_content);
    m_grid->addWidget(item, index / kColumns, index % kColumns);
    item->show();
    m_items.append(item);
}

void FormatItemWidget::clear() {
    for (FormatItem* item : m_items) {
        m_grid->removeWidget(item);
        item->hide();
        item->deleteLater();
    }
    m_items.clear();
}

FormatBtnWidget::FormatBtnWidget(QWidget* parent) : QWidget(parent) {
    setFixedHeight(32);
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(10, 2, 10, 2);
    layout->setSpacing(4);
    m_btnVideo = imageButton(this, "m_btnVideo", "Video", "/image/Video_btn.png");
    m_btnAudio = imageButton(this, "m_btnAudio", "Audio", "/image/Audio_btn.png");
    m_btnHD = imageButton(this, "m_btnHD", "HD", "/image/HD_btn.png");
    m_btnWeb = imageButton(this, "m_btnWeb", "Web", "/image/WEB_btn.png");
    m_searchEdit = new QLineEdit(this);
    m_searchEdit->setObjectName("m_searchEdit");
    m_searchEdit->setStyleSheet(skinned::fieldStyle());
    m_searchEdit->setPlaceholderText("Search formats");
    for (QWidget* w : {static_cast<QWidget*>(m_btnVideo), static_cast<QWidget*>(m_btnAudio),
                       static_cast<QWidget*>(m_btnHD), static_cast<QWidget*>(m_btnWeb),
                       static_cast<QWidget*>(m_searchEdit)})
        layout->addWidget(w);
    layout->addStretch(1);
    connect(m_btnVideo, &QPushButton::clicked, this, &FormatBtnWidget::OnVideo);
    connect(m_btnAudio, &QPushButton::clicked, this, &FormatBtnWidget::OnAudio);
    connect(m_btnHD, &QPushButton::clicked, this, &FormatBtnWidget::OnHD);
    connect(m_btnWeb, &QPushButton::clicked, this, &FormatBtnWidget::OnWeb);
    connect(m_searchEdit, &QLineEdit::textChanged, this, &FormatBtnWidget::emitTextChanged);
    m_current = m_btnVideo;
    m_btnVideo->setEnabled(false);
    ClickedFormat();
}

void FormatBtnWidget::choose(ItemBtnTag tag) {
    QImageButton* buttons[] = {m_btnVideo, m_btnAudio, m_btnHD, m_btnWeb};
    if (m_current)
        m_current->setEnabled(true);
    m_current = buttons[tag];
    m_current->setEnabled(false);
    emit emitClick(tag);
}

void FormatBtnWidget::OnVideo() {
    choose(ItemVideo);
}
void FormatBtnWidget::OnAudio() {
    choose(ItemAudio);
}
void FormatBtnWidget::OnHD() {
    choose(ItemHD);
}
void FormatBtnWidget::OnWeb() {
    choose(ItemWeb);
}

void FormatBtnWidget::showSubButtons(bool show) {
    for (QImageButton* button : {m_btnVideo, m_btnAudio, m_btnHD, m_btnWeb})
        button->setVisible(show);
}

void FormatBtnWidget::ClickedFormat() {
    showSubButtons(true);
    m_searchEdit->hide();
}

void FormatBtnWidget::ClickedSearch() {
    showSubButtons(false);
    m_searchEdit->show();
    m_searchEdit->setFocus();
}

void FormatBtnWidget::ClickedFavotite() {
    showSubButtons(false);
    m_searchEdit->hide();
}

void FormatBtnWidget::ClickedDevice() {
    ClickedFavotite();
}

FormatWidget::FormatWidget(QWidget* parent) : QWidget(parent, Qt::Tool | Qt::FramelessWindowHint) {
    setObjectName("FormatWidget");
    m_top.load(appfiles::path("/image/2222.png"));
    m_bottom.load(appfiles::path("/image/bottom_format.png"));
    m_ground.load(appfiles::path("/image/bg_white.png"));
    setFixedWidth(500);
    resize(500, kTopHeight + 32 + 442 + kBottomHeight);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 0, 8, 0);
    layout->setSpacing(0);
    auto* top = new QWidget(this);
    top->setFixedHeight(kTopHeight);
    auto* topLayout = new QHBoxLayout(top);
    topLayout->setContentsMargins(2, 6, 2, 6);
    m_btnFormat = imageButton(top, "m_btnFormat", "Format", "/image/format_Format_btn.png");
    m_btnDevice = imageButton(top, "m_btnDevice", "Device", "/image/format_Device_btn.png");
    m_btnFavorite = imageButton(top, "m_btnFavorite", "Favorite", "/image/format_Favorite_btn.png");
    m_btnSearch = imageButton(top, "m_btnSearch", "Search", "/image/format_Search_btn.png");
    for (QImageButton* b : {m_btnFormat, m_btnDevice, m_btnFavorite, m_btnSearch})
        topLayout->addWidget(b);
    topLayout->addStretch(1);
    layout->addWidget(top);
    m_btnWidget = new FormatBtnWidget(this);
    layout->addWidget(m_btnWidget);
    m_stack = new QStackedWidget(this);
    for (int i = 0; i < kPageCount; ++i) {
        m_pages[i] = new FormatItemWidget(kPageNames[i], m_stack);
        m_stack->addWidget(m_pages[i]);
    }
    layout->addWidget(m_stack, 1);
    auto* bottom = new QWidget(this);
    bottom->setFixedHeight(kBottomHeight);
    auto* bottomLayout = new QHBoxLayout(bottom);
    bottomLayout->setContentsMargins(6, 8, 6, 8);
    bottomLayout->addStretch(1);
    m_btnOK = imageButton(bottom, "m_btnOK", "OK", "/image/OK_btn.png");
    m_btnCancel = imageButton(bottom, "m_btnCancel", "Cancel", "/image/BTN_Cancel_1.png");
    bottomLayout->addWidget(m_btnOK);
    bottomLayout->addWidget(m_btnCancel);
    layout->addWidget(bottom);

    for (int i = 0; i < kSearchPage; ++i)
        loadPage(m_pages[i]);

    connect(m_btnFormat, &QPushButton::clicked, this, &FormatWidget::OnBtnFormat);
    connect(m_btnDevice, &QPushButton::clicked, this, &FormatWidget::OnBtnDevice);
    connect(m_btnFavorite, &QPushButton::clicked, this, &FormatWidget::OnBtnFavotite);
    connect(m_btnSearch, &QPushButton::clicked, this, &FormatWidget::OnBtnSearch);
    connect(m_btnOK, &QPushButton::clicked, this, &FormatWidget::OnBtnOK);
    connect(m_btnCancel, &QPushButton::clicked, this, &FormatWidget::OnBtnCancel);
    connect(this, &FormatWidget::emitClickedFormat, m_btnWidget, &FormatBtnWidget::ClickedFormat);
    connect(this, &FormatWidget::emitClickedSearch, m_btnWidget, &FormatBtnWidget::ClickedSearch);
    connect(this, &FormatWidget::emitClickedFavotite, m_btnWidget,
            &FormatBtnWidget::ClickedFavotite);
    connect(this, &FormatWidget::emitClickedDevice, m_btnWidget, &FormatBtnWidget::ClickedDevice);
    connect(m_btnWidget, &FormatBtnWidget::emitClick, this, &FormatWidget::ChangeItemWidget);
    connect(m_btnWidget, &FormatBtnWidget::emitTextChanged, this, &FormatWidget::SearchText);
    OnBtnFavotite();
}

QString FormatWidget::formatNameOf(const QString& presetName) {
    const int at = presetName.lastIndexOf("---");
    return at < 0 ? presetName : presetName.mid(at + 3);
}

int FormatWidget::currentPage() const {
    return m_stack->currentIndex();
}

FormatItem* FormatWidget::addPreset(FormatItemWidget* page, const QString& icon,
                                    const QString& name, bool favourite) {
    auto* item = new FormatItem(icon, name, favourite);
    markChosen(item);
    page->addItem(item);
    connect(item, &FormatItem::emitPress, this, &FormatWidget::ItemPress);
    connect(item, &FormatItem::emitFavouriteToggled, this,
            [this, item](bool on) { propagateStar(item, on); });
    return item;
}

void FormatWidget::loadPage(FormatItemWidget* page) {
    for (const FormatPreset& preset : FormatFile(formatXmlPath()).loadCategory(page->category()))
        addPreset(page, preset.iconPath, preset.name, preset.favourite);
}

void FormatWidget::propagateStar(const FormatItem* source, bool on) {
    if (m_syncing)
        return;
    m_syncing = true;
    for (FormatItemWidget* page : m_pages) {
        for (FormatItem* item : page->items()) {
            if (item != source && item->name() == source->name() &&
                item->iconPath() == source->iconPath())
                item->setFavourite(on);
        }
    }
    m_syncing = false;
}

void FormatWidget::rebuildFavorites() {
    FormatItemWidget* favorites = m_pages[kFavoritePage];
    // A preset un-starred on the Favorite page itself carries to its
    // category page through propagateStar; the page is then drawn anew
    // from the categories.
    favorites->clear();
    for (int i = 0; i < kFavoritePage; ++i) {
        for (const FormatItem* item : m_pages[i]->items()) {
            if (item->isFavourite())
                addPreset(favorites, item->iconPath(), item->name(), true);
        }
    }
}

void FormatWidget::writeBack() {
    QList<FormatCategoryStars> categories;
    for (int i = 0; i < kFavoritePage; ++i) {
        FormatCategoryStars category{kPageNames[i], {}};
        for (const FormatItem* item : m_pages[i]->items())
            category.stars.append(item->isFavourite());
        categories.append(category);
    }
    QList<FormatPreset> favorites;
    for (const FormatItem* item : m_pages[kFavoritePage]->items())
        favorites.append({item->iconPath(), item->name(), true});
    FormatFile(formatXmlPath()).writeStars(categories, favorites);
}

void FormatWidget::closeChooser() {
    m_wasActive = false;
    hide();
    rebuildFavorites();
    writeBack();
}

void FormatWidget::setMode(QImageButton* modeButton, int page) {
    if (m_modeButton)
        m_modeButton->setEnabled(true);
    m_modeButton = modeButton;
    m_modeButton->setEnabled(false);
    m_stack->setCurrentIndex(page);
}

void FormatWidget::OnBtnFormat() {
    setMode(m_btnFormat, m_lastSubPage);
    emit emitClickedFormat();
}

void FormatWidget::OnBtnDevice() {
    setMode(m_btnDevice, ItemDevice);
    emit emitClickedDevice();
}

void FormatWidget::OnBtnFavotite() {
    rebuildFavorites();
    setMode(m_btnFavorite, kFavoritePage);
    emit emitClickedFavotite();
}

void FormatWidget::OnBtnSearch() {
    setMode(m_btnSearch, kSearchPage);
    emit emitClickedSearch();
}

void FormatWidget::ChangeItemWidget(ItemBtnTag tag) {
    m_lastSubPage = tag;
    m_stack->setCurrentIndex(tag);
}

void FormatWidget::SearchText(QString text) {
    FormatItemWidget* results = m_pages[kSearchPage];
    results->clear();
    if (text.isEmpty())
        return;
    for (int i = 0; i < kFavoritePage; ++i) {
        for (const FormatItem* item : m_pages[i]->items()) {
            if (item->label().contains(text, Qt::CaseInsensitive))
                addPreset(results, item->iconPath(), item->name(), item->isFavourite());
        }
    }
}

void FormatWidget::markChosen(FormatItem* item) const {
    item->setChosen(item->name() == m_chosenName && item->iconPath() == m_chosenIconPath);
}

void FormatWidget::ItemPress(QString iconPath, QString name) {
    m_chosenIconPath = iconPath;
    m_chosenName = name;
    for (FormatItemWidget* page : m_pages) {
        for (FormatItem* item : page->items())
            markChosen(item);
    }
}

void FormatWidget::OnBtnOK() {
    closeChooser();
    emit emitChooseItemPath(m_chosenIconPath);
    emit emitChooseFormat(formatNameOf(m_chosenName));
}

void FormatWidget::OnBtnCancel() {
    closeChooser();
}

void FormatWidget::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() != QEvent::ActivationChange || !isVisible())
        return;
    // Only a chooser that had the focus closes when it loses it.
    if (isActiveWindow())
        m_wasActive = true;
    else if (m_wasActive)
        closeChooser();
}

void FormatWidget::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.drawPixmap(rect(), m_ground);
    painter.drawPixmap(QRect(0, 0, width(), kTopHeight), m_top);
    painter.drawPixmap(QRect(0, height() - kBottomHeight, width(), kBottomHeight), m_bottom);
}
