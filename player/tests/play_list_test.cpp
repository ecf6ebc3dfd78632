// The play list's rules, on its own and driving the player window.
#include <QLabel>
#include <QMenu>
#include <QMimeData>
#include <QSignalSpy>
#include <QTest>
#include <QUrl>

#include "player/play_list_widget.h"
#include "player/player_videobar.h"
#include "player/tests/player_fixture.h"
#include "widgets/image_button.h"

namespace {

class PlayListTest : public PlayerTest {
protected:
    PlayListTest()
        : list(player()->m_playListWidget), played(list, &PlayListWidget::emitPlayVideo) {}

    QStringList playedPaths() const {
        QStringList paths;
        for (const QList<QVariant>& call : played)
            paths << call.at(0).toString();
        return paths;
    }
    QStringList listedPaths() const {
        QStringList paths;
        for (PlayerVideobar* row : list->rows())
            paths << row->path();
        return paths;
    }
    // The one row in the current state, expanded, with the others
    // collapsed.
    void expectCurrent(const QString& path) {
        EXPECT_EQ(list->current(), path);
        for (PlayerVideobar* row : list->rows()) {
            const bool current = row->path() == path;
            EXPECT_EQ(row->state() == PlayerVideobar::Current, current)
                << row->path().toStdString();
            EXPECT_EQ(row->isExpanded(), current) << row->path().toStdString();
        }
    }
    void drop(const QStringList& paths) {
        QMimeData data;
        QList<QUrl> urls;
        for (const QString& path : paths)
            urls << QUrl::fromLocalFile(path);
        data.setUrls(urls);
        const QPoint at(20, 20);
        QDragEnterEvent enter(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(list->viewport(), &enter);
        ASSERT_TRUE(enter.isAccepted());
        QDropEvent dropped(at, Qt::CopyAction, &data, Qt::LeftButton, {});
        QApplication::sendEvent(list->viewport(), &dropped);
    }

    PlayListWidget* list;
    QSignalSpy played;
};

TEST_F(PlayListTest, AddingAListedFileMakesItsRowCurrentWithoutANewRow) {
    list->addFile(clips().video);
    list->addFile(clips().second);
    list->addFile(clips().video);
    EXPECT_EQ(listedPaths(), QStringList({clips().video, clips().second}));
    expectCurrent(clips().video);
    EXPECT_EQ(playedPaths(), QStringList({clips().video, clips().second, clips().video}));
    EXPECT_EQ(player()->currentFile(), clips().video) << "the player follows the list";

    // Adding several skips the listed ones and plays the first given.
    list->addFiles({clips().second, clips().audio, clips().video}, true);
    EXPECT_EQ(listedPaths(), QStringList({clips().video, clips().second, clips().audio}));
    expectCurrent(clips().second);
    EXPECT_EQ(playedPaths().last(), clips().second);

    list->addFiles({}, true);
    EXPECT_EQ(played.size(), 4) << "an empty list changes nothing";
}

TEST_F(PlayListTest, NextAndPreviousWrapAround) {
    list->addFiles({clips().video, clips().second, clips().audio}, false);
    EXPECT_TRUE(played.isEmpty()) << "adding without play-now plays nothing";
    player()->OnBtnNextVideo();  // no current row: the first
    expectCurrent(clips().video);
    player()->OnBtnPreVideo();
    expectCurrent(clips().audio);
    player()->OnBtnNextVideo();
    expectCurrent(clips().video);
    player()->OnBtnNextVideo();
    player()->OnBtnNextVideo();
    expectCurrent(clips().audio);
    EXPECT_EQ(playedPaths(), QStringList({clips().video, clips().audio, clips().video,
                                          clips().second, clips().audio}));
}

TEST_F(PlayListTest, ASingleRowStepsToItself) {
    list->addFile(clips().second);
    list->playNext();
    list->playPrevious();
    expectCurrent(clips().second);
    EXPECT_EQ(playedPaths(), QStringList(3, clips().second));
}

TEST_F(PlayListTest, DeletingTheCurrentRowClearsThePlayerAndAnotherRowDoesNot) {
    list->addFile(clips().second);
    list->addFile(clips().video);
    ASSERT_EQ(player()->state(), PlayerWidget::Playing);

    list->setMenuRow(list->rowFor(clips().second));
    list->OnDeleteVideo();
    EXPECT_EQ(listedPaths(), QStringList({clips().video}));
    EXPECT_EQ(player()->state(), PlayerWidget::Playing) << "another row: playback goes on";
    EXPECT_EQ(player()->currentFile(), clips().video);

    list->setMenuRow(list->rowFor(clips().video));
    list->OnDeleteVideo();
    EXPECT_TRUE(list->rows().isEmpty());
    EXPECT_TRUE(list->current().isEmpty());
    EXPECT_TRUE(player()->currentFile().isEmpty());
    EXPECT_EQ(Player_GetDuration(player()->engine()), 0) << "the player closed the media";
    EXPECT_TRUE(player()->m_videoNameLab->text().isEmpty());
}

TEST_F(PlayListTest, ARowsCloseButtonRemovesItAndStopsOnlyForTheCurrentRow) {
    list->addFile(clips().second);
    list->addFile(clips().video);
    PlayerVideobar* other = list->rowFor(clips().second);
    other->m_btnClose->show();
    QTest::mouseClick(other->m_btnClose, Qt::LeftButton);
    EXPECT_EQ(listedPaths(), QStringList({clips().video}));
    EXPECT_EQ(player()->state(), PlayerWidget::Playing);

    QTest::mouseClick(list->rowFor(clips().video)->m_btnClose, Qt::LeftButton);
    EXPECT_TRUE(list->rows().isEmpty());
    EXPECT_EQ(player()->state(), PlayerWidget::Stopped);
}

TEST_F(PlayListTest, MenuOffersDeleteDeleteAllAndPlay) {
    QStringList texts;
    for (QAction* action : list->menu()->actions())
        texts << action->text();
    EXPECT_EQ(texts, QStringList({"Delete", "Delete ALL", "Play"}));

    list->addFiles({clips().video, clips().second}, false);
    list->setMenuRow(list->rowFor(clips().second));
    list->menu()->actions().at(2)->trigger();
    expectCurrent(clips().second);
    EXPECT_EQ(player()->currentFile(), clips().second);

    QSignalSpy deleted(list, &PlayListWidget::emitDeleteVideo);
    list->menu()->actions().at(1)->trigger();
    EXPECT_TRUE(list->rows().isEmpty());
    EXPECT_EQ(deleted.size(), 1);
    EXPECT_EQ(Player_GetDuration(player()->engine()), 0);
}

TEST_F(PlayListTest, DroppedFilesArriveAtTheNextTickWithoutPlaying) {
    list->addFile(clips().video);
    played.clear();
    drop({clips().video});
    drop({clips().second, clips().audio});
    EXPECT_EQ(list->rows().size(), 1) << "drops wait for the list's timer";
    ASSERT_TRUE(QTest::qWaitFor([&] { return list->rows().size() == 3; },
                                PlayListWidget::kDropIntervalMs + 1000));
    EXPECT_EQ(listedPaths(), QStringList({clips().video, clips().second, clips().audio}));
    EXPECT_TRUE(played.isEmpty());
    expectCurrent(clips().video);

    drop({clips().second});
    QTest::qWait(PlayListWidget::kDropIntervalMs + 200);  // a whole tick, to see nothing come
    EXPECT_EQ(list->rows().size(), 3) << "listed files are not added again";
}

TEST_F(PlayListTest, RowsShowWhatTheirProbeFound) {
    list->addFiles({clips().video, clips().text}, false);
    PlayerVideobar* video = list->rowFor(clips().video);
    PlayerVideobar* text = list->rowFor(clips().text);
    ASSERT_TRUE(QTest::qWaitFor([&] { return video->isProbed() && text->isProbed(); }, 20000));
    EXPECT_EQ(video->m_labName->text(), "video.mp4");
    EXPECT_EQ(video->m_labTime->text(), "00:10");
    EXPECT_EQ(video->summary().videoSize, QSize(160, 120));
    ASSERT_FALSE(video->summary().thumbnail.isNull());
    EXPECT_EQ(video->summary().thumbnail.size(), QSize(160, 120));
    EXPECT_FALSE(text->summary().opened);
    EXPECT_EQ(text->m_labTime->text(), "unreadable");
}

TEST_F(PlayListTest, ARowDeletedWhileProbingIsNotTouchedByTheAnswer) {
    list->addFiles({clips().hour}, false);
    list->setMenuRow(list->rows().first());
    list->OnDeleteVideo();
    list->jobs()->waitForDone();
    QCoreApplication::processEvents();
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    EXPECT_TRUE(list->rows().isEmpty());
}

}  // namespace
