// The play list at the right of the player window: which files are listed,
// which one is current, stepping forwards and backwards with wrap-around,
// removal through the rows' close buttons and the context menu, and files
// dropped onto it. It tells the player what to play by emitting
// emitPlayVideo(); the list is not saved.
#pragma once

#include <QList>
#include <QScrollArea>
#include <QStringList>

class MediaJobRunner;
class PlayerVideobar;
class QMenu;
class QTimer;
class QVBoxLayout;

class PlayListWidget : public QScrollArea {
    Q_OBJECT
public:
    static constexpr int kWidth = 230;
    static constexpr int kDropIntervalMs = 2000;

    explicit PlayListWidget(QWidget* parent = nullptr);
    ~PlayListWidget() override;

    // Plays `path`: its row becomes current (added at the end when the file
    // is not listed yet) and emitPlayVideo(path) follows.
    void addFile(const QString& path);
    // Adds the paths not listed yet, in order; with `playNow` the first of
    // `paths` becomes current and is played.
    void addFiles(const QStringList& paths, bool playNow);
    void playNext();
    void playPrevious();

    const QString& current() const { return m_current; }
    const QList<PlayerVideobar*>& rows() const { return m_rows; }
    PlayerVideobar* rowFor(const QString& path) const;
    QMenu* menu() const { return m_menu; }
    // The row whose menu is open (set by PopMenu(); tests set it directly).
    void setMenuRow(PlayerVideobar* row) { m_menuRow = row; }
    MediaJobRunner* jobs() const { return m_jobs; }

signals:
    void emitPlayVideo(QString filename);
    void emitDeleteVideo();

public slots:
    void VideoPlay();
    void PopMenu();
    void DeleteVideo();
    void OnDeleteVideo();
    void OnDeleteVideoALL();
    void OnPlayAction();
    void aaa();

protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dropEvent(QDropEvent* event) override;

private:
    PlayerVideobar* addRow(const QString& path);
    void removeRow(PlayerVideobar* row);
    void makeCurrent(PlayerVideobar* row);
    void collapseAll();
    void step(int direction);

    MediaJobRunner* m_jobs;
    QWidget* m_contents;
    QVBoxLayout* m_rowsLayout;
    QList<PlayerVideobar*> m_rows;
    QString m_current;
    PlayerVideobar* m_menuRow = nullptr;
    QMenu* m_menu;
    QStringList m_pendingDrops;
    bool m_dropsPending = false;
    QTimer* m_dropTimer;
};
