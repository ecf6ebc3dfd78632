#include "browser/online_head_tab_widget.h"

#include "browser/online_head_tool_widget.h"
#include "core/app_files.h"
#include "widgets/image_button.h"

#include <QContextMenuEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>

namespace {

constexpr int kTabGap = 2;
constexpr int kStripMargin = 4;

}  // namespace

OnlingTabButton::OnlingTabButton(QWidget* page, QWidget* parent) : QWidget(parent), m_page(page) {
    setFixedSize(kWidth, kHeight);
    m_strip.load(appfiles::path("/image/online_tab.png"));
    m_icon.load(appfiles::path("/image/tab_btn.png"));
    m_closeIcon.load(appfiles::path("/image/tab_close.png"));
    setToolTip(m_title);
}

void OnlingTabButton::setSelected(bool selected) {
    m_state = selected ? Selected : (m_hovered ? Hovered : Normal);
    update();
}

QRect OnlingTabButton::closeRect() const {
    const QSize size = m_closeIcon.isNull() ? QSize(12, 12) : m_closeIcon.size();
    return QRect(QPoint(width() - size.width() - 8, (height() - size.height()) / 2), size);
}

void OnlingTabButton::TitleChange(QString title) {
    m_title = title;
    setToolTip(title);
    update();
}

void OnlingTabButton::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (!m_strip.isNull()) {
        const int frameWidth = m_strip.width() / 4;
        painter.drawPixmap(rect(), m_strip,
                           QRect(frameWidth * m_state, 0, frameWidth, m_strip.height()));
    }
    int x = 8;
    if (!m_icon.isNull()) {
        painter.drawPixmap(x, (height() - m_icon.height()) / 2, m_icon);
        x += m_icon.width() + 6;
    }
    const QRect close = closeRect();
    painter.drawPixmap(close.topLeft(), m_closeIcon);
    const QRect textRect(x, 0, close.left() - x - 4, height());
    painter.setPen(m_state == Selected ? QColor(20, 40, 48) : QColor(70, 84, 90));
    painter.drawText(textRect, Qt::AlignVCenter | Qt::AlignLeft,
                     fontMetrics().elidedText(m_title, Qt::ElideRight, textRect.width()));
}

void OnlingTabButton::enterEvent(QEnterEvent*) {
    m_hovered = true;
    if (m_state != Selected)
        m_state = Hovered;
    update();
}

void OnlingTabButton::leaveEvent(QEvent*) {
    m_hovered = false;
    if (m_state != Selected)
        m_state = Normal;
    update();
}

void OnlingTabButton::mousePressEvent(QMouseEvent* event) {
    if (event->button() != Qt::LeftButton)
        return;
    if (closeRect().adjusted(-3, -3, 3, 3).contains(event->position().toPoint()))
        emit emitTabClose(m_page);
    else
        emit emitTabChange(m_page);
}

void OnlingTabButton::contextMenuEvent(QContextMenuEvent*) {
    emit emitShowMenu();
}

OnlineHeadTabWidget::OnlineHeadTabWidget(QWidget* parent) : QImageWidget(parent) {
    setFixedHeight(34);
    setImage(appfiles::path("/image/btn_bg.png"));
    auto button = [this](const char* name, const char* image) {
        auto* b = new QImageButton(this);
        b->setObjectName(name);
        b->setImage(appfiles::path(image));
        return b;
    };
    m_btnLeft = button("m_btnLeft", "/image/online_tab_left.png");
    m_btnRight = button("m_btnRight", "/image/online_tab_right.png");
    m_btnNewTab = button("m_btnNewTab", "/image/online_tab_new.png");
    m_btnNewTab->setToolTip("New Tab");
    connect(m_btnLeft, &QPushButton::clicked, this, &OnlineHeadTabWidget::OnBtnLeft);
    connect(m_btnRight, &QPushButton::clicked, this, &OnlineHeadTabWidget::OnBtnRight);
    connect(m_btnNewTab, &QPushButton::clicked, this, &OnlineHeadTabWidget::OnBtnNewTab);

    m_menu = new QMenu(this);
    m_actionRefresh = m_menu->addAction("Refresh");
    m_actionClose = m_menu->addAction("Close");
    m_actionAddTo = m_menu->addAction("Add to");
    connect(m_actionRefresh, &QAction::triggered, this, [this] {
        if (m_menuTab && m_menuTab->page())
            emit emitRefreshTab(m_menuTab->page());
    });
    connect(m_actionClose, &QAction::triggered, this, [this] {
        if (m_menuTab)
            respondTabClose(m_menuTab);
    });
    connect(m_actionAddTo, &QAction::triggered, this, [this] {
        if (m_menuTab && m_menuTab->page())
            emit emitAddToUsual(m_menuTab->page());
    });
    layoutTabs();
}

OnlingTabButton* OnlineHeadTabWidget::addTab(QWidget* page) {
    auto* tab = new OnlingTabButton(page, this);
    connect(tab, &OnlingTabButton::emitTabChange, this, [this, tab] { respondTabChange(tab); });
    connect(tab, &OnlingTabButton::emitTabClose, this, [this, tab] { respondTabClose(tab); });
    connect(tab, &OnlingTabButton::emitShowMenu, this, [this, tab] {
        m_menuTab = tab;
        showTabMenu();
    });
    m_tabs.append(tab);
    selectTab(tab);
    tab->show();
    // The new tab is the last one: scroll so that it is in view.
    m_firstShown = qMax(0, int(m_tabs.size()) - visibleTabCount());
    layoutTabs();
    return tab;
}

OnlingTabButton* OnlineHeadTabWidget::tabFor(QWidget* page) const {
    for (OnlingTabButton* tab : m_tabs) {
        if (page && tab->page() == page)
            return tab;
    }
    return nullptr;
}

void OnlineHeadTabWidget::selectTab(OnlingTabButton* tab) {
    if (m_current && m_current != tab)
        m_current->setSelected(false);
    m_current = tab;
    if (tab)
        tab->setSelected(true);
}

void OnlineHeadTabWidget::bindCurrent(QWidget* page) {
    if (m_current)
        m_current->setPage(page);
}

void OnlineHeadTabWidget::removeTab(OnlingTabButton* tab) {
    const int index = m_tabs.indexOf(tab);
    if (index < 0)
        return;
    m_tabs.removeAt(index);
    if (m_menuTab == tab)
        m_menuTab = nullptr;
    if (m_current == tab) {
        m_current = nullptr;
        if (!m_tabs.isEmpty())
            selectTab(m_tabs.at(qMin(index, int(m_tabs.size()) - 1)));
    }
    tab->deleteLater();
    m_firstShown = qBound(0, m_firstShown, qMax(0, int(m_tabs.size()) - visibleTabCount()));
    layoutTabs();
}

void OnlineHeadTabWidget::respondTabChange(OnlingTabButton* tab) {
    selectTab(tab);
    emit emitTabChange(tab->page());
}

void OnlineHeadTabWidget::respondTabClose(OnlingTabButton* tab) {
    const bool wasCurrent = tab == m_current;
    QWidget* page = tab->page();
    removeTab(tab);
    // The container drops the page first; then the neighbour that took the
    // selection is shown (or the start page when no tab is left).
    if (page)
        emit emitTabClose(page);
    if (wasCurrent)
        emit emitTabChange(m_current ? m_current->page() : nullptr);
}

void OnlineHeadTabWidget::OnBtnNewTab() {
    emit emitOnlyAddNewTab();
    addTab(nullptr);
    if (OnlineHeadToolWidget* tool = OnlineHeadToolWidget::existing())
        tool->setAddressText({});
}

void OnlineHeadTabWidget::OnBtnLeft() {
    if (m_firstShown > 0) {
        --m_firstShown;
        layoutTabs();
    }
}

void OnlineHeadTabWidget::OnBtnRight() {
    if (m_firstShown + visibleTabCount() < m_tabs.size()) {
        ++m_firstShown;
        layoutTabs();
    }
}

void OnlineHeadTabWidget::showTabMenu() {
    const bool hasPage = m_menuTab && m_menuTab->page();
    m_actionRefresh->setEnabled(hasPage);
    m_actionAddTo->setEnabled(hasPage);
    m_menu->popup(QCursor::pos());
}

void OnlineHeadTabWidget::resizeEvent(QResizeEvent* event) {
    QImageWidget::resizeEvent(event);
    m_firstShown = qBound(0, m_firstShown, qMax(0, int(m_tabs.size()) - visibleTabCount()));
    layoutTabs();
}

int OnlineHeadTabWidget::visibleTabCount() const {
    const int room = width() - 2 * kStripMargin - m_btnLeft->width() - m_btnRight->width() -
                     m_btnNewTab->width() - 4 * kTabGap;
    return qMax(1, room / (OnlingTabButton::kWidth + kTabGap));
}

void OnlineHeadTabWidget::layoutTabs() {
    const int shown = visibleTabCount();
    const bool scrolling = m_tabs.size() > shown;
    m_btnLeft->setVisible(scrolling);
    m_btnRight->setVisible(scrolling);
    m_btnLeft->setEnabled(m_firstShown > 0);
    m_btnRight->setEnabled(m_firstShown + shown < m_tabs.size());
    int x = kStripMargin;
    if (scrolling) {
        m_btnLeft->move(x, (height() - m_btnLeft->height()) / 2);
        x += m_btnLeft->width() + kTabGap;
    }
    const int top = height() - OnlingTabButton::kHeight;
    for (int i = 0; i < m_tabs.size(); ++i) {
        OnlingTabButton* tab = m_tabs.at(i);
        const bool inView = i >= m_firstShown && i < m_firstShown + shown;
        tab->setVisible(inView);
        if (!inView)
            continue;
        tab->move(x, top);
        x += OnlingTabButton::kWidth + kTabGap;
    }
    if (scrolling) {
        m_btnRight->move(x, (height() - m_btnRight->height()) / 2);
        x += m_btnRight->width() + kTabGap;
    }
    m_btnNewTab->move(x, (height() - m_btnNewTab->height()) / 2);
}
