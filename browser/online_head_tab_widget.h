// The browser's tab strip: one OnlingTabButton per tab, scroll buttons when
// the tabs do not fit, a new-tab button and a context menu with "Refresh",
// "Close" and "Add to".
//
// GUI thread only.
#pragma once

#include "widgets/image_widget.h"

#include <QList>
#include <QPixmap>

class QAction;
class QImageButton;
class QMenu;

// One tab: the page title, the tab icon and a close icon, drawn on the tab
// strip picture in its normal (0), hovered (1) or selected (2) frame. The
// page it stands for is `page()` (null for an empty "New Tab").
class OnlingTabButton : public QWidget {
    Q_OBJECT
public:
    enum State { Normal = 0, Hovered = 1, Selected = 2 };
    static constexpr int kWidth = 160;
    static constexpr int kHeight = 30;

    explicit OnlingTabButton(QWidget* page, QWidget* parent = nullptr);

    QWidget* page() const { return m_page; }
    void setPage(QWidget* page) { m_page = page; }
    QString title() const { return m_title; }
    State state() const { return m_state; }
    void setSelected(bool selected);
    // Where the close icon sits, in the button's coordinates.
    QRect closeRect() const;

signals:
    void emitTabChange(QWidget* page);
    void emitTabClose(QWidget* page);
    void emitShowMenu();

public slots:
    // An empty title (a page that failed to load) is shown empty.
    void TitleChange(QString title);

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    QWidget* m_page;
    QString m_title = "New Tab";
    State m_state = Normal;
    bool m_hovered = false;
    QPixmap m_strip, m_icon, m_closeIcon;
};

class OnlineHeadTabWidget : public QImageWidget {
    Q_OBJECT
public:
    explicit OnlineHeadTabWidget(QWidget* parent = nullptr);

    // Appends a selected tab titled "New Tab" for `page` (null: an empty tab)
    // and returns it; the previously selected tab returns to normal.
    OnlingTabButton* addTab(QWidget* page);
    // The selected tab, or null when there is none.
    OnlingTabButton* currentTab() const { return m_current; }
    OnlingTabButton* tabFor(QWidget* page) const;
    const QList<OnlingTabButton*>& tabs() const { return m_tabs; }
    // Removes the tab of `page` (no signal); the neighbour becomes selected.
    void removeTab(OnlingTabButton* tab);
    // Binds the selected (empty) tab to `page`.
    void bindCurrent(QWidget* page);
    void selectTab(OnlingTabButton* tab);

    QImageButton* m_btnLeft;
    QImageButton* m_btnRight;
    QImageButton* m_btnNewTab;
    QMenu* m_menu;
    QAction* m_actionRefresh;
    QAction* m_actionClose;
    QAction* m_actionAddTo;

signals:
    // The new-tab button: the container shows the start page and this strip
    // adds an empty tab.
    void emitOnlyAddNewTab();
    void emitTabChange(QWidget* page);
    void emitTabClose(QWidget* page);
    // Context menu actions on the tab that was right-clicked.
    void emitRefreshTab(QWidget* page);
    void emitAddToUsual(QWidget* page);

public slots:
    void OnBtnNewTab();
    void OnBtnLeft();
    void OnBtnRight();
    void showTabMenu();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    void respondTabChange(OnlingTabButton* tab);
    void respondTabClose(OnlingTabButton* tab);
    void layoutTabs();
    int visibleTabCount() const;

    QList<OnlingTabButton*> m_tabs;
    OnlingTabButton* m_current = nullptr;
    OnlingTabButton* m_menuTab = nullptr;
    int m_firstShown = 0;
};
