// The format chooser: the presets of "format.xml" on seven pages (Video,
// Audio, HD, Web, Device, Favorite, Search), a star per preset that puts
// it on the Favorite page, and OK, which hands the chosen preset's output
// format name on. Stars are written back to "format.xml" whenever the
// chooser closes.
//
// GUI thread only.
#pragma once

#include <QList>
#include <QPixmap>
#include <QScrollArea>
#include <QWidget>

#include "widgets/image_button.h"

class QGridLayout;
class QLabel;
class QLineEdit;
class QStackedWidget;

enum ItemBtnTag { ItemVideo = 0, ItemAudio = 1, ItemHD = 2, ItemWeb = 3, ItemDevice = 4 };

// The star of a preset: the strip's pressed frame while on.
class FavouriteButton : public QImageButton {
    Q_OBJECT
public:
    using QImageButton::QImageButton;

protected:
    void paintEvent(QPaintEvent* event) override;
};

// One preset: icon, label (the name up to its first "---") and star.
class FormatItem : public QWidget {
    Q_OBJECT
public:
    FormatItem(const QString& iconPath, const QString& name, bool favourite,
               QWidget* parent = nullptr);

    const QString& iconPath() const { return m_iconPath; }
    const QString& name() const { return m_name; }
    QString label() const { return m_name.section("---", 0, 0); }
    bool isFavourite() const;
    void setFavourite(bool on);
    // Marks the preset the chooser would confirm.
    void setChosen(bool chosen);
    bool isChosen() const { return m_chosen; }

    QLabel* m_labName;
    FavouriteButton* m_btnFav;

signals:
    void emitPress(QString iconPath, QString name);
    void emitFavouriteToggled(bool on);

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void enterEvent(QEnterEvent* event) override;
    void leaveEvent(QEvent* event) override;

private:
    QString m_iconPath;
    QString m_name;
    QPixmap m_icon;
    QPixmap m_background;
    bool m_hovered = false;
    bool m_pressed = false;
    bool m_chosen = false;
};

// One page of presets in three columns, filled row by row.
class FormatItemWidget : public QScrollArea {
    Q_OBJECT
public:
    FormatItemWidget(const QString& category, QWidget* parent = nullptr);

    const QString& category() const { return m_category; }
    const QList<FormatItem*>& items() const { return m_items; }
    void addItem(FormatItem* item);
    void clear();

private:
    QString m_category;
    QWidget* m_content;
    QGridLayout* m_grid;
    QList<FormatItem*> m_items;
};

// The sub-buttons of the Format mode and the search box of the Search mode.
class FormatBtnWidget : public QWidget {
    Q_OBJECT
public:
    explicit FormatBtnWidget(QWidget* parent = nullptr);

    QImageButton* m_btnVideo;
    QImageButton* m_btnAudio;
    QImageButton* m_btnHD;
    QImageButton* m_btnWeb;
    QLineEdit* m_searchEdit;

signals:
    void emitClick(ItemBtnTag tag);
    void emitTextChanged(QString text);

public slots:
    void OnVideo();
    void OnAudio();
    void OnHD();
    void OnWeb();
    void ClickedFormat();
    void ClickedSearch();
    void ClickedFavotite();
    void ClickedDevice();
    // Declared for the device families; they change nothing visible.
    void OnApple() {}
    void OnArchos() {}
    void OnBlackBerry() {}
    void OnGame() {}
    void OnHTC() {}
    void OnLG() {}
    void OnMotorola() {}
    void OnNokia() {}
    void OnOther() {}
    void OnSamsung() {}
    void OnSony() {}
    void OnTV() {}
    void OnZoom() {}
    void OnShrink() {}

private:
    void choose(ItemBtnTag tag);
    void showSubButtons(bool show);

    QImageButton* m_current = nullptr;
};

class FormatWidget : public QWidget {
    Q_OBJECT
public:
    static constexpr int kPageCount = 7;
    static constexpr int kFavoritePage = 5;
    static constexpr int kSearchPage = 6;

    explicit FormatWidget(QWidget* parent = nullptr);

    FormatItemWidget* page(int index) const { return m_pages[index]; }
    int currentPage() const;
    const QString& chosenIconPath() const { return m_chosenIconPath; }
    const QString& chosenName() const { return m_chosenName; }
    // The output format name of a preset name: the text after its last
    // "---", or the whole name.
    static QString formatNameOf(const QString& presetName);

    QImageButton* m_btnFormat;
    QImageButton* m_btnDevice;
    QImageButton* m_btnFavorite;
    QImageButton* m_btnSearch;
    QImageButton* m_btnOK;
    QImageButton* m_btnCancel;
    FormatBtnWidget* m_btnWidget;

signals:
    void emitClickedFormat();
    void emitClickedSearch();
    void emitClickedFavotite();
    void emitClickedDevice();
    void emitChooseItemPath(QString iconPath);
    void emitChooseFormat(QString formatName);

public slots:
    void OnBtnDevice();
    void OnBtnFavotite();
    void OnBtnFormat();
    void OnBtnSearch();
    void SearchText(QString text);
    void OnBtnOK();
    void OnBtnCancel();
    void ChangeItemWidget(ItemBtnTag tag);
    void ItemPress(QString iconPath, QString name);

protected:
    void paintEvent(QPaintEvent* event) override;
    void changeEvent(QEvent* event) override;

private:
    void loadPage(FormatItemWidget* page);
    FormatItem* addPreset(FormatItemWidget* page, const QString& icon, const QString& name,
                          bool favourite);
    void propagateStar(const FormatItem* source, bool on);
    void rebuildFavorites();
    void writeBack();
    void closeChooser();
    void setMode(QImageButton* modeButton, int page);
    void markChosen(FormatItem* item) const;

    FormatItemWidget* m_pages[kPageCount];
    QStackedWidget* m_stack;
    QImageButton* m_modeButton = nullptr;
    int m_lastSubPage = 0;
    QString m_chosenIconPath;
    QString m_chosenName = "MP4";
    QPixmap m_top, m_bottom, m_ground;
    bool m_syncing = false;
    bool m_wasActive = false;
};
