// What the Downloaded and Converted lists share: rows of media files kept
// in step with a list file, built and probed off the GUI thread when they
// come into view (a list of thousands opens at once), a search box that
// filters by name, two display sizes, the total label, the no-match
// message, deleting with the optional question, renaming, playing and
// opening the folder.
//
// GUI thread only.
#pragma once

#include <QList>
#include <QPixmap>
#include <QWidget>

#include "library/media_facts.h"
#include "library/media_list_file.h"
#include "widgets/delete_tip_dialog.h"

class MediaBar;
class QImageButton;
class QLabel;
class QLineEdit;
class QMenu;
class QScrollArea;
class RowColumn;

class MediaListWidget : public QWidget {
    Q_OBJECT
public:
    enum DeleteMode { kDeleteRow = 1, kDeleteCurrent = 2, kDeleteAll = 3 };

    MediaListWidget(const QString& listFileName, bool withUrl, QWidget* parent = nullptr);
    ~MediaListWidget() override;

    // Rebuilds the rows of the list file (once, at start-up).
    void loadList();

    const QList<MediaBar*>& items() const { return m_items; }
    const QList<MediaBar*>& visibleItems() const { return m_visible; }
    MediaBar* currentItem() const { return m_current; }
    MediaListFile& listFile() { return m_file; }
    MediaProber& prober() { return m_prober; }
    QString totalText() const;
    QMenu* menu() const { return m_menu; }
    // The rows the search lets through, of which only those in view are
    // built and probed.
    RowColumn* rowColumn() const { return m_rows; }

    QLineEdit* m_searchEdit;
    QImageButton* m_btnBigDisplay;
    QImageButton* m_btnSmallDisplay;
    QLabel* m_labelMeg;
    QLabel* m_labTotal;

signals:
    void emitChangeShowWindow();
    // Play this file in the player's play list and show the player.
    void emitPlayFile(QString path);

public slots:
    void respondMouseStateEmit();
    void respondDeleteEmit();
    void respondVideoPlayEmit(QString path);
    void respondShowTreeMenu();
    void OnBtnBigDisplay();
    void OnBtnSmallDisplay();
    void SearchTextChanged(QString text);
    void OnACtionPlay();
    void OnACtionRename();
    void OnACtionDelete();
    void OnACtionDeleteAll();
    void OnACtionOpenFolder();
    void OnACtionClearInvalidFile();
    void Delete(int mode);
    void OnBarbtnDelete();
    void ActionDeleteALL();
    void ActionDeleteBar();

protected:
    // A new row of the list's kind for `entry` (the row's file is set by
    // the caller).
    virtual MediaBar* createRow(const MediaListEntry& entry) = 0;
    // Emits the list's own count signal with the number of all rows.
    virtual void emitCount(int count) = 0;
    // Fills the context menu for `row` (null: the empty list area).
    virtual void prepareMenu(MediaBar* row) = 0;
    // The page address stored with a row (the Downloaded list's).
    virtual QString urlOf(const MediaBar*) const { return {}; }
    // Shows a failure to the user (a message dialog).
    virtual void reportFailure(const QString& message);

    // Adds a row for `entry`; `record` appends it to the list file.
    MediaBar* addRow(const MediaListEntry& entry, bool record);
    void removeRow(MediaBar* row);
    void afterRemoval();
    void refilter();
    bool filterHidesSomething() const;
    void addMenuSection(std::initializer_list<QAction*> actions);

    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

    QMenu* m_menu;

private:
    void deliverFacts(const QString& path, const MediaFacts& facts);
    void prepareRow(MediaBar* row);
    void releaseRow(MediaBar* row);
    void updateTotal();

    MediaListFile m_file;
    MediaProber m_prober;
    QList<MediaBar*> m_items;
    QList<MediaBar*> m_visible;
    MediaBar* m_current = nullptr;
    MediaBar* m_pendingDelete = nullptr;
    QString m_searchText;
    bool m_bigDisplay = true;
    DeleteQuestion m_deleteQuestion;
    QScrollArea* m_scrollArea;
    RowColumn* m_rows;
    QPixmap m_footer;
    QPixmap m_searchImage;
};
