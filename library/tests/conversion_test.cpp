// Conversion rows with real short conversions: the states and their
// controls, the output names, failures, and the hand-off to the Converted
// list.
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QTest>

#include "library/converted_widget.h"
#include "library/downloaded_widget.h"
#include "library/format_widget.h"
#include "library/tests/library_test_support.h"
#include "widgets/image_button.h"
#include "widgets/slider_ctrl.h"

namespace {

using Conversions = LibraryTest;

bool waitForState(VideoConvertBar* row, int state, int timeoutMs = 60000) {
    return QTest::qWaitFor([&] { return row->state() == state; }, timeoutMs);
}

TEST_F(Conversions, AFinishedJobGoesToTheConvertedListAndASecondOneIsNumbered) {
    DownloadedWidget downloaded;
    ConvertedWidget converted;
    QObject::connect(&downloaded, &DownloadedWidget::emitVideo, &converted,
                     &ConvertedWidget::AddNewItemBar);
    QSignalSpy counted(&converted, &ConvertedWidget::emitConvertCount);
    downloaded.addNewItemBar(clip("clip.flv"));
    VideoConvertBar* row = downloaded.row(0);
    showRows(downloaded);
    row->m_btnConvert->click();
    EXPECT_EQ(downloaded.convertTarget(), row);
    EXPECT_TRUE(downloaded.formatWidget()->isVisible());
    // Confirming without a choice converts to the default "MP4".
    downloaded.formatWidget()->OnBtnOK();
    ASSERT_EQ(row->state(), ConversionJob::Converting);
    EXPECT_TRUE(row->m_btnPause->isVisibleTo(row));
    EXPECT_FALSE(row->m_btnConvert->isVisibleTo(row));
    EXPECT_FALSE(row->m_btnEdit->isEnabled());
    EXPECT_EQ(row->m_labelFormatTo->text(), "clip.flv --> mp4");
    ASSERT_TRUE(waitForState(row, ConversionJob::Finished));
    EXPECT_TRUE(row->m_labSucessImage->isVisibleTo(row));
    EXPECT_TRUE(row->m_btnConvert->isVisibleTo(row));

    const QString first = path("converted") + "/clip_quillmarsh.mp4";
    ASSERT_EQ(converted.items().size(), 1);
    EXPECT_EQ(converted.row(0)->filePath(), first);
    EXPECT_EQ(counted.last().at(0).toInt(), 1);
    EXPECT_EQ(listedPaths("convertedlist.xml"), QStringList({first}));
    EXPECT_EQ(testing_support::decodeErrors(first.toStdString()), "");
    EXPECT_EQ(testing_support::probeValue(first.toStdString(), "stream=codec_name", "v:0"),
              "mpeg4");

    // A new job from the finished state gets the next free name.
    ASSERT_TRUE(row->startConversion("MP4"));
    ASSERT_TRUE(waitForState(row, ConversionJob::Finished));
    EXPECT_EQ(converted.items().size(), 2);
    EXPECT_EQ(converted.row(1)->filePath(), path("converted") + "/clip_quillmarsh1.mp4");
}

TEST_F(Conversions, PauseContinueAndCancel) {
    DownloadedWidget list;
    // Long enough that the job is still running when it is cancelled.
    list.addNewItemBar(clip("long.mp4", 60.0));
    VideoConvertBar* row = list.row(0);
    QSignalSpy done(row, &VideoConvertBar::emitConvertedVideo);
    ASSERT_TRUE(row->startConversion("mkv"));
    const QString output = row->job()->outputPath();
    EXPECT_EQ(QFileInfo(output).fileName(), "long_quillmarsh.mkv");

    row->OnPauseConvert();
    EXPECT_EQ(row->state(), ConversionJob::Paused);
    EXPECT_TRUE(row->m_btnPaly->isVisibleTo(row));
    EXPECT_FALSE(row->m_btnPause->isVisibleTo(row));
    const double pausedAt = row->job()->percent();
    QTest::qWait(ConversionJob::kPollIntervalMs * 2);  // a paused job reports nothing new
    EXPECT_EQ(row->job()->percent(), pausedAt);

    row->OnContinueConvert();
    EXPECT_EQ(row->state(), ConversionJob::Converting);
    ASSERT_TRUE(QTest::qWaitFor([&] { return row->job()->percent() > pausedAt; }, 30000));
    EXPECT_EQ(row->job()->outputPath(), output);

    row->OnCancelConvert();
    EXPECT_EQ(row->state(), ConversionJob::Idle);
    EXPECT_TRUE(row->m_btnConvert->isVisibleTo(row));
    EXPECT_TRUE(row->m_btnEdit->isEnabled());
    EXPECT_EQ(row->m_progressBar->value(), 0);
    EXPECT_TRUE(QFile::exists(output));  // a cancelled job keeps what it wrote
    EXPECT_EQ(done.count(), 0);
}

TEST_F(Conversions, FailuresAreShownAndNothingReachesTheConvertedList) {
    DownloadedWidget list;
    // A file cut at a third of its declared length ends too early.
    const QString whole = clip("cut.flv", 6.0);
    QFile file(whole);
    ASSERT_TRUE(file.open(QIODevice::ReadWrite));
    ASSERT_TRUE(file.resize(file.size() / 3));
    file.close();
    list.addNewItemBar(whole);
    VideoConvertBar* row = list.row(0);
    QSignalSpy done(&list, &DownloadedWidget::emitVideo);
    QSignalSpy failed(row, &VideoConvertBar::emitConvertFailed);
    ASSERT_TRUE(row->startConversion("mp4"));
    const QString output = row->job()->outputPath();
    ASSERT_TRUE(failed.wait(60000));
    EXPECT_EQ(row->state(), ConversionJob::Idle);
    EXPECT_TRUE(row->m_labFailure->text().startsWith("Conversion failed: "));
    EXPECT_TRUE(row->m_labFailure->isVisibleTo(row));
    EXPECT_FALSE(QFile::exists(output));
    EXPECT_EQ(done.count(), 0);
    ASSERT_TRUE(QTest::qWaitFor([&] { return !messages.isEmpty(); }, 5000));

    // A format outside the table is refused before any job starts.
    EXPECT_FALSE(row->startConversion("xyz"));
    EXPECT_EQ(row->state(), ConversionJob::Idle);
    EXPECT_TRUE(row->m_labFailure->text().contains("xyz"));
    EXPECT_TRUE(QDir(path("converted")).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

TEST_F(Conversions, NoJobOutlivesItsRow) {
    auto list = std::make_unique<DownloadedWidget>();
    list->addNewItemBar(clip("a.mp4", 12.0));
    list->addNewItemBar(clip("b.mp4", 12.0));
    ASSERT_TRUE(list->row(0)->startConversion("avi"));
    ASSERT_TRUE(list->row(1)->startConversion("avi"));
    const QString first = list->row(0)->job()->outputPath();
    const QString second = list->row(1)->job()->outputPath();
    list->row(1)->OnPauseConvert();

    // Deleting a converting row stops its job and removes its output.
    list->row(0)->m_btnClose->click();
    EXPECT_FALSE(QFile::exists(first));
    EXPECT_FALSE(list->confirmExit() && messages.isEmpty());  // asked: a paused job remains
    EXPECT_EQ(messages.size(), 1);
    // Quitting stops the paused one too.
    list->stopConversions();
    EXPECT_FALSE(list->row(0)->job()->isActive());
    EXPECT_FALSE(QFile::exists(second));
    list.reset();
    EXPECT_TRUE(QDir(path("converted")).entryList(QDir::Files | QDir::Hidden).isEmpty());
}

}  // namespace
