// The format chooser with the shipped "format.xml": its pages, modes,
// search, stars and their write-back.
#include <QDomDocument>
#include <QLineEdit>
#include <QSignalSpy>
#include <QStackedWidget>
#include <QTest>

#include "library/format_file.h"
#include "library/format_widget.h"
#include "library/formats/format_presets.h"
#include "library/formats/format_table.h"
#include "library/tests/library_test_support.h"

namespace {

using FormatChooser = LibraryTest;

QStringList labelsOf(const FormatItemWidget* page) {
    QStringList labels;
    for (const FormatItem* item : page->items())
        labels << item->label();
    return labels;
}

FormatItem* itemLabelled(const FormatItemWidget* page, const QString& label) {
    for (FormatItem* item : page->items())
        if (item->label() == label)
            return item;
    return nullptr;
}

TEST_F(FormatChooser, PagesHoldTheShippedPresetsInThreeColumns) {
    FormatWidget chooser;
    EXPECT_EQ(chooser.currentPage(), FormatWidget::kFavoritePage);
    int presets = 0;
    for (int i = 0; i < 5; ++i) {
        const FormatItemWidget* page = chooser.page(i);
        for (const formats::Preset& preset : formats::shippedPresets())
            presets += preset.category == page->category().toStdString();
        for (const FormatItem* item : page->items()) {
            // Every preset names a format of the table and has its own icon.
            EXPECT_NE(
                formats::findOutputFormat(FormatWidget::formatNameOf(item->name()).toStdString()),
                nullptr);
            EXPECT_FALSE(QPixmap(path(qPrintable(item->iconPath().mid(1)))).isNull())
                << item->iconPath().toStdString();
        }
    }
    int listed = 0;
    for (int i = 0; i < 5; ++i)
        listed += int(chooser.page(i)->items().size());
    EXPECT_EQ(listed, presets);
    EXPECT_EQ(labelsOf(chooser.page(5)),
              QStringList({"MP4 Video (MPEG-4)", "AVI Video (XviD)", "MP3 Audio"}));
    // Preset i sits in column i mod 3.
    chooser.OnBtnFormat();
    chooser.show();
    QApplication::processEvents();
    const FormatItemWidget* video = chooser.page(ItemVideo);
    EXPECT_EQ(video->items()[4]->x(), video->items()[1]->x());
    EXPECT_GT(video->items()[1]->x(), video->items()[0]->x());

    chooser.OnBtnFormat();
    EXPECT_EQ(chooser.currentPage(), 0);
    EXPECT_FALSE(chooser.m_btnFormat->isEnabled());
    chooser.m_btnWidget->OnAudio();
    EXPECT_EQ(chooser.currentPage(), 1);
    EXPECT_FALSE(chooser.m_btnWidget->m_btnAudio->isEnabled());
    EXPECT_TRUE(chooser.m_btnWidget->m_btnVideo->isEnabled());
    chooser.OnBtnDevice();
    EXPECT_EQ(chooser.currentPage(), 4);
    chooser.OnBtnFormat();  // back to the last sub-page
    EXPECT_EQ(chooser.currentPage(), 1);
}

TEST_F(FormatChooser, SearchMatchesLabelsOnlyAndOkHandsTheFormatName) {
    FormatWidget chooser;
    chooser.OnBtnSearch();
    EXPECT_EQ(chooser.currentPage(), FormatWidget::kSearchPage);
    chooser.m_btnWidget->m_searchEdit->setText("hd m");
    EXPECT_EQ(labelsOf(chooser.page(6)),
              QStringList({"HD MKV (H.264)", "HD MOV (H.264)", "HD MPEG-2 (DVD quality)"}));
    chooser.m_btnWidget->m_searchEdit->setText("havi");  // only after "---"
    EXPECT_TRUE(chooser.page(6)->items().isEmpty());

    QSignalSpy format(&chooser, &FormatWidget::emitChooseFormat);
    QSignalSpy icon(&chooser, &FormatWidget::emitChooseItemPath);
    chooser.OnBtnOK();
    EXPECT_EQ(format.takeFirst().at(0).toString(), "MP4");
    FormatItem* mp3 = itemLabelled(chooser.page(ItemAudio), "MP3 Audio");
    QTest::mouseClick(mp3, Qt::LeftButton, {}, QPoint(20, 90));
    EXPECT_TRUE(mp3->isChosen());
    EXPECT_TRUE(itemLabelled(chooser.page(FormatWidget::kFavoritePage), "MP3 Audio")->isChosen());
    chooser.OnBtnOK();
    EXPECT_EQ(format.takeFirst().at(0).toString(), "mp3");
    EXPECT_EQ(icon.last().at(0).toString(), "/image/format/mp3.png");
    chooser.ItemPress("/image/format/vcd.png", "Video CD---Player---vcd");
    chooser.OnBtnOK();
    EXPECT_EQ(format.takeFirst().at(0).toString(), "vcd");
    EXPECT_EQ(icon.last().at(0).toString(), "/image/format/vcd.png");
    EXPECT_FALSE(chooser.isVisible());
}

TEST_F(FormatChooser, StarsCarryAcrossPagesAndARestart) {
    {
        FormatWidget chooser;
        FormatItem* mkv = itemLabelled(chooser.page(ItemVideo), "MKV Video (H.264)");
        ASSERT_NE(mkv, nullptr);
        mkv->m_btnFav->click();
        FormatItem* mp3 = itemLabelled(chooser.page(FormatWidget::kFavoritePage), "MP3 Audio");
        ASSERT_NE(mp3, nullptr);
        mp3->m_btnFav->click();  // un-starred on the Favorite page
        EXPECT_FALSE(itemLabelled(chooser.page(ItemAudio), "MP3 Audio")->isFavourite());
        chooser.OnBtnCancel();
        EXPECT_TRUE(labelsOf(chooser.page(5)).contains("MKV Video (H.264)"));
        EXPECT_FALSE(labelsOf(chooser.page(5)).contains("MP3 Audio"));
    }
    FormatWidget restarted;
    EXPECT_TRUE(itemLabelled(restarted.page(ItemVideo), "MKV Video (H.264)")->isFavourite());
    EXPECT_FALSE(itemLabelled(restarted.page(ItemAudio), "MP3 Audio")->isFavourite());
    EXPECT_EQ(labelsOf(restarted.page(5)),
              QStringList({"MP4 Video (MPEG-4)", "AVI Video (XviD)", "MKV Video (H.264)"}));
}

TEST_F(FormatChooser, AnIncompletePresetEndsItsPageAndClosingRewritesOnlyStars) {
    writeFile("format.xml",
              "<formats><Video><icon>/i/a.png</icon><name>A---mp4</name><favorite>false</favorite>"
              "<icon>/i/half.png</icon><name>Half---avi</name></Video>"
              "<Audio><icon>/i/m.png</icon><name>M---mp3</name><favorite>true</favorite></Audio>"
              "<Favorite><filepath>/i/m.png</filepath><name>M---mp3</name></Favorite></formats>");
    {
        FormatWidget chooser;
        EXPECT_EQ(labelsOf(chooser.page(ItemVideo)), QStringList({"A"}));
        EXPECT_EQ(labelsOf(chooser.page(FormatWidget::kFavoritePage)), QStringList({"M"}));
        itemLabelled(chooser.page(ItemVideo), "A")->m_btnFav->click();
        chooser.OnBtnCancel();
    }
    const QByteArray written = readFile("format.xml");
    EXPECT_TRUE(written.contains("<name>Half---avi</name>"));  // kept as it was
    QDomDocument document;
    ASSERT_TRUE(document.setContent(written));
    const QDomElement video = document.documentElement().firstChildElement("Video");
    EXPECT_EQ(video.firstChildElement("favorite").text(), "true");
    const QDomElement favorites = document.documentElement().firstChildElement("Favorite");
    QStringList starred;
    for (QDomElement e = favorites.firstChildElement("name"); !e.isNull();
         e = e.nextSiblingElement("name"))
        starred << e.text();
    EXPECT_EQ(starred, QStringList({"A---mp4", "M---mp3"}));
}

// A file with two "Favorite" pages: the new page replaces both, so that
// the starred presets read back are the ones just written.
TEST_F(FormatChooser, StarsWrittenOverADuplicatedFavoritePageReadBack) {
    writeFile("format.xml",
              "<formats><Video><icon>/i/a.png</icon><name>A---mp4</name><favorite>false</favorite>"
              "</Video><Favorite><filepath>/i/o.png</filepath><name>Old---mp4</name></Favorite>"
              "<Favorite><filepath>/i/p.png</filepath><name>Older---avi</name></Favorite>"
              "</formats>");
    const FormatFile file(path("format.xml"));
    const FormatPreset starred{"/i/a.png", "A---mp4", true};
    ASSERT_TRUE(file.writeStars({{"Video", {true}}}, {starred}));
    const QList<FormatPreset> favorites = file.loadCategory("Favorite");
    ASSERT_EQ(favorites.size(), 1);
    EXPECT_EQ(favorites[0].name, "A---mp4");
    EXPECT_EQ(readFile("format.xml").count("<Favorite>"), 1);
    EXPECT_TRUE(file.loadCategory("Video").value(0).favourite);
}

TEST_F(FormatChooser, ADamagedPresetFileIsKeptAsideAndNotWrittenOver) {
    const QByteArray damaged = "<formats><Video><icon>/i/a.png</icon><name>A";
    writeFile("format.xml", damaged);
    FormatWidget chooser;
    for (int i = 0; i < FormatWidget::kPageCount; ++i)
        EXPECT_TRUE(chooser.page(i)->items().isEmpty());
    chooser.OnBtnCancel();
    EXPECT_EQ(readFile("format.xml.bad"), damaged);
    EXPECT_FALSE(exists("format.xml"));
}

TEST_F(FormatChooser, AMissingPresetFileLeavesEmptyPagesAndOkStillGivesMp4) {
    QFile::remove(path("format.xml"));
    FormatWidget chooser;
    for (int i = 0; i < FormatWidget::kPageCount; ++i)
        EXPECT_TRUE(chooser.page(i)->items().isEmpty());
    QSignalSpy format(&chooser, &FormatWidget::emitChooseFormat);
    chooser.OnBtnOK();
    EXPECT_EQ(format.takeFirst().at(0).toString(), "MP4");
    EXPECT_FALSE(exists("format.xml"));  // nothing written in place of it
}

}  // namespace
