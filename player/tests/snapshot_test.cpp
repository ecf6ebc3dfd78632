// Snapshots: names, formats, no overwriting, failures reported; and the
// settings dialog.
#include <QComboBox>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QImageReader>
#include <QLineEdit>
#include <QMenu>
#include <QRegularExpression>
#include <QSignalSpy>
#include <QUrl>

#include "player/media_jobs.h"
#include "player/play_btn_widget.h"
#include "player/sanp_sset_dialog.h"
#include "player/snapshot.h"
#include "player/tests/player_fixture.h"
#include "widgets/image_button.h"
#include "widgets/notice_popup.h"

namespace {

QImage testPicture() {
    QImage image(64, 48, QImage::Format_RGB32);
    image.fill(QColor(200, 40, 40));
    return image;
}

class SnapshotTest : public AppDirTest {
protected:
    QString folder() { return path("shots"); }
    const QDateTime when{QDate(2026, 3, 4), QTime(5, 6, 7, 89)};
};

TEST_F(SnapshotTest, SavesEachFormatUnderTheDateAndTimeName) {
    for (const char* format : {"jpg", "png", "bmp"}) {
        const snapshot::Saved saved = snapshot::save(testPicture(), folder(), format, when);
        ASSERT_TRUE(saved.error.isEmpty()) << saved.error.toStdString();
        EXPECT_EQ(saved.path, folder() + "/04-03-2026 05-06-07.089_quillmarsh." + format);
        QImageReader reader(saved.path);
        reader.setDecideFormatFromContent(true);
        EXPECT_EQ(reader.format(), QByteArray(format) == "jpg" ? "jpeg" : QByteArray(format));
        const QImage back = reader.read();
        ASSERT_EQ(back.size(), QSize(64, 48));
        const QColor centre = back.pixelColor(32, 24);
        EXPECT_NEAR(centre.red(), 200, 12);
        EXPECT_NEAR(centre.green(), 40, 12);
    }
}

TEST_F(SnapshotTest, ATakenNameGetsANumberAndTheOldFileStays) {
    ASSERT_TRUE(QDir().mkpath(folder()));
    const QString taken = folder() + "/" + snapshot::fileName(when, "png");
    QFile old(taken);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("keep me");
    old.close();

    const snapshot::Saved first = snapshot::save(testPicture(), folder(), "png", when);
    const snapshot::Saved second = snapshot::save(testPicture(), folder(), "png", when);
    EXPECT_EQ(first.path, folder() + "/04-03-2026 05-06-07.089_quillmarsh1.png");
    EXPECT_EQ(second.path, folder() + "/04-03-2026 05-06-07.089_quillmarsh2.png");
    QFile kept(taken);
    ASSERT_TRUE(kept.open(QIODevice::ReadOnly));
    EXPECT_EQ(kept.readAll(), "keep me");
}

TEST_F(SnapshotTest, AFolderThatCannotBeMadeIsReported) {
    writeFile("plainfile", "x");
    const snapshot::Saved saved =
        snapshot::save(testPicture(), path("plainfile") + "/shots", "jpg", when);
    EXPECT_TRUE(saved.path.isEmpty());
    EXPECT_TRUE(saved.error.contains("cannot be created")) << saved.error.toStdString();
}

TEST_F(SnapshotTest, AnUnknownFormatIsSavedAsBmp) {
    const snapshot::Saved saved = snapshot::save(testPicture(), folder(), "tiff", when);
    EXPECT_TRUE(saved.path.endsWith("_quillmarsh.bmp"));
    EXPECT_TRUE(QFile::exists(saved.path));
}

TEST_F(SnapshotTest, TheDialogShowsStoresAndRestoresTheSettings) {
    store().snapshotPath = "/tmp/old shots";
    store().snapshotFormat = "png";
    SanpSsetDialog dialog;
    dialog.show();
    EXPECT_EQ(dialog.m_lineEdit->text(), "/tmp/old shots");
    EXPECT_EQ(dialog.m_comboBox->currentIndex(), 1);

    dialog.m_lineEdit->setText("/tmp/new shots");
    dialog.m_comboBox->setCurrentIndex(2);
    QTest::mouseClick(dialog.m_btnCancel, Qt::LeftButton);
    EXPECT_TRUE(dialog.isHidden());
    EXPECT_EQ(store().snapshotPath, "/tmp/old shots");
    EXPECT_EQ(dialog.m_lineEdit->text(), "/tmp/old shots") << "cancel restores the fields";

    dialog.show();
    dialog.m_lineEdit->setText("/tmp/new shots");
    dialog.m_comboBox->setCurrentIndex(2);
    QTest::mouseClick(dialog.m_btnOK, Qt::LeftButton);
    EXPECT_EQ(store().snapshotPath, "/tmp/new shots");
    EXPECT_EQ(store().snapshotFormat, "bmp");

    store().snapshotFormat = "webp";
    dialog.show();
    EXPECT_EQ(dialog.m_comboBox->currentIndex(), 2) << "anything else shows as bmp";
}

class PlayerSnapshotTest : public PlayerTest {};

TEST_F(PlayerSnapshotTest, APausedVideoSavesItsFrameInThePreferredFormat) {
    const QString shots = path("shots");
    store().snapshotPath = shots;
    store().snapshotFormat = "png";
    playAndWaitRunning(clips().video);
    pauseAndSettle();
    QSignalSpy done(player(), &PlayerWidget::emitSnapshotDone);
    player()->OnBtnSnapshoot();
    player()->OnBtnSnapshoot();
    ASSERT_TRUE(QTest::qWaitFor([&] { return done.size() == 2; }, 20000));
    QStringList files = QDir(shots).entryList(QDir::Files, QDir::Name);
    ASSERT_EQ(files.size(), 2) << "two snapshots, two files";
    const QRegularExpression name(R"(^\d\d-\d\d-\d{4} \d\d-\d\d-\d\d\.\d{3}_quillmarsh\d*\.png$)");
    for (const QString& file : files) {
        EXPECT_TRUE(name.match(file).hasMatch()) << file.toStdString();
        const QImage frame(shots + "/" + file);
        EXPECT_EQ(frame.size(), QSize(160, 120));
    }
    EXPECT_TRUE(done.at(0).at(1).toString().isEmpty());
}

TEST_F(PlayerSnapshotTest, AFolderThatCannotBeWrittenGivesAMessage) {
    writeFile("plainfile", "x");
    store().snapshotPath = path("plainfile") + "/shots";
    playAndWaitRunning(clips().video);
    QSignalSpy done(player(), &PlayerWidget::emitSnapshotDone);
    player()->OnBtnSnapshoot();
    ASSERT_TRUE(done.wait(20000));
    EXPECT_TRUE(done.at(0).at(0).toString().isEmpty());
    const QString error = done.at(0).at(1).toString();
    EXPECT_TRUE(error.contains("cannot be created")) << error.toStdString();
    EXPECT_TRUE(NoticePopup::shared().text().contains(error)) << "the user is told why";
    EXPECT_FALSE(NoticePopup::shared().isHidden());
}

TEST_F(PlayerSnapshotTest, NoSnapshotWithoutAPlayingFile) {
    store().snapshotPath = path("shots");
    QSignalSpy done(player(), &PlayerWidget::emitSnapshotDone);
    player()->OnBtnSnapshoot();
    player()->snapshotJobs()->waitForDone();
    QCoreApplication::processEvents();
    EXPECT_TRUE(done.isEmpty());
    EXPECT_FALSE(QDir(path("shots")).exists());
}

}  // namespace

namespace {

// Records the URLs the desktop would have opened.
class UrlRecorder : public QObject {
    Q_OBJECT
public:
    QList<QUrl> opened;
public slots:
    void open(const QUrl& url) { opened << url; }
};

class SnapshotMenuTest : public PlayerTest {
protected:
    SnapshotMenuTest() { QDesktopServices::setUrlHandler("file", &recorder, "open"); }
    ~SnapshotMenuTest() override { QDesktopServices::unsetUrlHandler("file"); }
    QMenu* menu() { return player()->m_playBtnWidget->snapshotMenu(); }
    UrlRecorder recorder;
};

TEST_F(SnapshotMenuTest, OpenFloderMakesTheFolderAndOpensItThroughTheDesktop) {
    QStringList texts;
    for (QAction* action : menu()->actions())
        texts << action->text();
    EXPECT_EQ(texts, QStringList({"Open Floder", "Settings"}));

    store().snapshotPath = path("new/shots");
    menu()->actions().at(0)->trigger();
    EXPECT_TRUE(QDir(path("new/shots")).exists());
    ASSERT_EQ(recorder.opened.size(), 1);
    EXPECT_EQ(recorder.opened.first(), QUrl::fromLocalFile(path("new/shots")));
}

TEST_F(SnapshotMenuTest, SettingsShowsTheOneDialog) {
    menu()->actions().at(1)->trigger();
    SanpSsetDialog* dialog = player()->snapshotDialog();
    ASSERT_NE(dialog, nullptr);
    EXPECT_FALSE(dialog->isHidden());
    dialog->hide();
    menu()->actions().at(1)->trigger();
    EXPECT_EQ(player()->snapshotDialog(), dialog) << "made once and kept";
}

}  // namespace

#include "snapshot_test.moc"
