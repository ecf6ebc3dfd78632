// The format table, the output naming and the shipped presets.
#include "library/formats/format_table.h"
#include "library/formats/format_presets.h"
#include "testing/temp_dir.h"

#include <gtest/gtest.h>

#include <set>

using testing_support::TempDir;
using testing_support::writeFile;

namespace {

TEST(FormatTableTest, HoldsThirtyDistinctNamesFoundWithoutRegardToCase) {
    std::set<std::string_view> names;
    for (const formats::OutputFormat& f : formats::outputFormats())
        names.insert(f.name);
    EXPECT_EQ(names.size(), 30u);

    const formats::OutputFormat* vcd = formats::findOutputFormat("VCD");
    ASSERT_NE(vcd, nullptr);
    EXPECT_EQ(vcd->container, "vcd");
    EXPECT_EQ(vcd->extension, "mpg");
    EXPECT_EQ(formats::findOutputFormat("Mp4")->videoCodec, 13);
    EXPECT_FALSE(formats::findOutputFormat("aiff")->audioCodec) << "aiff keeps the default codec";
    EXPECT_EQ(formats::findOutputFormat("xyz"), nullptr);
    EXPECT_EQ(formats::findOutputFormat(""), nullptr);
}

TEST(FormatTableTest, EveryRowBecomesEngineSettings) {
    for (const formats::OutputFormat& f : formats::outputFormats()) {
        const kestrel_handle config = Config_Create();
        EXPECT_TRUE(formats::applyToSettings(f, config)) << f.name;
        Config_Release(config);
    }
}

TEST(OutputNamingTest, NamesFollowTheSourceAndNeverOverwrite) {
    TempDir dir;
    const std::string convertDir = dir.path().string();
    const std::string first = formats::outputPathFor("/videos/clip.flv", convertDir, "mp4");
    EXPECT_EQ(first, convertDir + "/clip_quillmarsh.mp4");
    writeFile(first, "taken");
    EXPECT_EQ(formats::outputPathFor("/videos/clip.flv", convertDir, "mp4"),
              convertDir + "/clip_quillmarsh1.mp4");
    writeFile(convertDir + "/clip_quillmarsh1.mp4", "taken");
    EXPECT_EQ(formats::outputPathFor("/videos/clip.flv", convertDir, "mp4"),
              convertDir + "/clip_quillmarsh2.mp4");
}

TEST(OutputNamingTest, CutsAtTheLastDotAndAvoidsDoubleSlashes) {
    TempDir dir;
    const std::string convertDir = dir.path().string();
    EXPECT_EQ(formats::outputPathFor("/v/my.holiday.flv", convertDir + "/", "mpg"),
              convertDir + "/my.holiday_quillmarsh.mpg");
    EXPECT_EQ(formats::outputPathFor("/v/README", convertDir, "mp3"),
              convertDir + "/README_quillmarsh.mp3");
    EXPECT_EQ(formats::outputPathFor("/v.d/clip", convertDir, "ogg"),
              convertDir + "/clip_quillmarsh.ogg")
        << "a dot in a folder name is not the extension";
}

TEST(PresetsTest, EveryPresetNamesAFormatAndEveryFormatHasAPreset) {
    std::set<std::string_view> offered;
    for (const formats::Preset& p : formats::shippedPresets()) {
        EXPECT_NE(formats::findOutputFormat(p.format), nullptr) << p.label;
        EXPECT_EQ(std::string(p.label).find("---"), std::string::npos);
        offered.insert(p.format);
    }
    EXPECT_EQ(offered.size(), formats::outputFormats().size());
}

TEST(PresetsTest, DocumentListsCategoriesThenFavourites) {
    const std::string xml = formats::formatXmlDocument();
    std::size_t at = 0;
    for (const char* tag : {"<Video>", "<Audio>", "<HD>", "<Web>", "<Device>", "<Favorite>"}) {
        const std::size_t found = xml.find(tag, at);
        ASSERT_NE(found, std::string::npos) << tag;
        at = found;
    }
    const std::size_t favourites = xml.find("<Favorite>");
    EXPECT_NE(xml.find("<name>MP4 Video (MPEG-4)---mp4</name>", favourites), std::string::npos);
    EXPECT_NE(xml.find("        <filepath>/image/format/mp4.png</filepath>", favourites),
              std::string::npos)
        << "indented by 4 per level";
}

}  // namespace
