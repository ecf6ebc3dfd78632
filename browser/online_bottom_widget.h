// The browser's start page: a grid of twelve favourite-site tiles kept in
// "usualurl.xml". A filled tile shows the site's screenshot and title and
// opens it; an empty one asks for a site, loads it in a view that is never
// on screen, keeps a screenshot of it and stores the tile.
//
// GUI thread only.
#pragma once

#include "browser/usual_url_file.h"

#include <QList>
#include <QPixmap>
#include <QPointer>
#include <QWidget>

class AddNewWebDialog;
class QImageButton;
class QImageWidget;
class QLabel;
class QMovie;
class QTimer;
class QWebEngineView;

class OnlineUsuallyWebItem : public QWidget {
    Q_OBJECT
public:
    static constexpr int kWidth = 180;
    static constexpr int kHeight = 130;
    // The size at which a site is rendered for its screenshot.
    static constexpr int kRenderWidth = 1024;
    static constexpr int kRenderHeight = 600;

    OnlineUsuallyWebItem(int slot, QWidget* parent = nullptr);
    ~OnlineUsuallyWebItem() override;

    int slot() const { return m_slot; }
    QString url() const { return m_url; }
    QString title() const { return m_title; }
    bool isFilled() const { return !m_url.isEmpty(); }
    // True while a site is being loaded for its screenshot.
    bool isAdding() const { return m_renderView != nullptr; }

    // Fills the tile from the file: nothing happens when `url` is empty.
    void fill(const QString& url, const QString& title);
    // Adds `url` (typed or taken from a page) with `title` (empty: the
    // page's own): loads it off-screen, keeps its screenshot and stores the
    // tile. False when the address is refused or too short.
    bool addSite(const QString& url, const QString& title);

    QLabel* m_labTitle;
    QImageWidget* m_imageShot;
    QLabel* m_labLoading;
    QImageButton* m_btnClose;

signals:
    void emitOpenUrl(QString url);
    // The tile was stored in the file (added, or cleared).
    void emitStored();

public slots:
    void ItemPress();
    void Finished(bool ok);
    void GetTitle(QString title);
    void OnBtnClose();

protected:
    void paintEvent(QPaintEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void askForSite();
    void grabWhenPainted(int attemptsLeft);
    void finishAdding(const QPixmap& screenshot);
    void showScreenshot(const QString& path);
    void setLoading(bool loading);

    int m_slot;
    QString m_url;
    QString m_title;
    bool m_hover = false;
    QPixmap m_captionBg, m_hoverBg, m_addIcon;
    QMovie* m_loadingMovie;
    AddNewWebDialog* m_dialog = nullptr;
    QWebEngineView* m_renderView = nullptr;
};

class OnlineBottomWidget : public QWidget {
    Q_OBJECT
public:
    explicit OnlineBottomWidget(QWidget* parent = nullptr);

    const QList<OnlineUsuallyWebItem*>& items() const { return m_items; }
    // "Add to": fills the first empty tile with the page; false (after a
    // message) when every tile is taken or the page has no web address.
    bool addToFirstEmpty(const QString& url, const QString& title);

signals:
    void OpenUrl(QString url);

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    QList<OnlineUsuallyWebItem*> m_items;
    QPixmap m_background;
};
