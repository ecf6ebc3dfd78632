#include <gtest/gtest.h>
#include <QBuffer>
#include <QDirIterator>
#include <QFile>
#include <QGuiApplication>
#include <QImageReader>
#include <QRegularExpression>
#include <QSet>

#include "library/formats/format_presets.h"
#include "library/formats/format_table.h"
#include "skin/generator/gif_writer.h"
#include "skin/generator/skin_list.h"
#include "skin/generator/skin_painter.h"

namespace {

QGuiApplication& app() {
    static int argc = 1;
    static char name[] = "skin_tests";
    static char* argv[] = {name, nullptr};
    static QGuiApplication instance(argc, argv);
    return instance;
}

QImage solidFrame(QSize size, QColor colour) {
    QImage image(size, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

}  // namespace

TEST(SkinList, ParsesQuotedPathsLabelsAndSkipsComments) {
    const QString text =
        "# comment\n"
        "\n"
        "\"image/Online Video_btn.png\" 150x38 strip look=pagetab label=\"Online Video\"\n"
        "pic/icon.png 18x18 icon glyph=appicon\n";
    QVector<skin::SkinEntry> entries;
    QString error;
    ASSERT_TRUE(skin::parseSkinList(text, &entries, &error)) << error.toStdString();
    ASSERT_EQ(entries.size(), 2);
    EXPECT_EQ(entries[0].path, "image/Online Video_btn.png");
    EXPECT_EQ(entries[0].attribute("label"), "Online Video");
    EXPECT_EQ(entries[0].fileSize(), QSize(600, 38));  // four frames side by side
    EXPECT_EQ(entries[1].kind, skin::Kind::Icon);
    EXPECT_EQ(entries[1].fileSize(), QSize(18, 18));
}

TEST(SkinList, RejectsBadLinesWithTheirNumber) {
    QVector<skin::SkinEntry> entries;
    QString error;
    EXPECT_FALSE(skin::parseSkinList("a.png 10x10 icon\nb.png 10by10 icon\n", &entries, &error));
    EXPECT_TRUE(error.startsWith("line 2")) << error.toStdString();
    EXPECT_FALSE(skin::parseSkinList("a.png 10x10 sprite\n", &entries, &error));
    EXPECT_FALSE(skin::parseSkinList("../a.png 10x10 icon\n", &entries, &error));
    EXPECT_FALSE(skin::parseSkinList("a.png 10x10 icon glyph\n", &entries, &error));
}

TEST(SkinPainter, UnknownLookOrGlyphIsAnError) {
    app();
    skin::SkinEntry entry{"a.png", QSize(20, 20), skin::Kind::Strip, {{"look", "nothing"}}};
    QString error;
    EXPECT_TRUE(skin::renderStill(entry, &error).isNull());
    entry.attributes = {{"look", "primary"}, {"glyph", "nothing"}};
    EXPECT_TRUE(skin::renderStill(entry, &error).isNull());
    entry.attributes = {{"look", "primary"}, {"label", "A label far too long"}};
    EXPECT_TRUE(skin::renderStill(entry, &error).isNull());
    EXPECT_TRUE(error.contains("label")) << error.toStdString();
    entry.size = QSize(60, 20);
    entry.attributes = {{"look", "primary"}, {"label", "OK"}};
    const QImage strip = skin::renderStill(entry, &error);
    EXPECT_EQ(strip.size(), QSize(240, 20));
    // The hover frame differs from the normal one.
    EXPECT_NE(strip.copy(0, 0, 60, 20), strip.copy(60, 0, 60, 20));
}

// The encoder's output must decode back to the same pixels, frame by frame,
// including large frames that force the LZW table to be reset.
TEST(GifWriter, RoundTripsThroughQtsDecoder) {
    app();
    QVector<QImage> frames;
    QImage noisy(160, 120, QImage::Format_ARGB32);
    for (int y = 0; y < noisy.height(); ++y) {
        for (int x = 0; x < noisy.width(); ++x) {
            const int level = ((x * 7 + y * 13) ^ (x * y)) % 6 * 40;
            noisy.setPixel(x, y, x < 10 ? qRgba(0, 0, 0, 0) : qRgb(level, 255 - level, 80));
        }
    }
    frames << noisy << solidFrame(noisy.size(), QColor(26, 119, 137));
    QByteArray gif = skin::encodeAnimatedGif(frames, 40);
    ASSERT_FALSE(gif.isEmpty());
    QBuffer buffer(&gif);
    QImageReader reader(&buffer, "gif");
    ASSERT_TRUE(reader.supportsAnimation());
    EXPECT_EQ(reader.imageCount(), 2);
    for (const QImage& expected : frames) {
        const QImage decoded = reader.read().convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(decoded.size(), expected.size()) << reader.errorString().toStdString();
        for (int y = 0; y < expected.height(); ++y) {
            for (int x = 0; x < expected.width(); ++x) {
                const QRgb want = expected.pixel(x, y);
                const QRgb got = decoded.pixel(x, y);
                if (qAlpha(want) == 0) {
                    ASSERT_EQ(qAlpha(got), 0) << x << "," << y;
                } else {
                    ASSERT_EQ(got, want | 0xff000000) << x << "," << y;
                }
            }
        }
    }
    EXPECT_EQ(reader.nextImageDelay(), 40);
}

TEST(GifWriter, RefusesFramesOfDifferentSizes) {
    EXPECT_TRUE(skin::encodeAnimatedGif({}, 40).isEmpty());
    EXPECT_TRUE(
        skin::encodeAnimatedGif({solidFrame({4, 4}, Qt::red), solidFrame({5, 4}, Qt::red)}, 40)
            .isEmpty());
}

namespace {

QVector<skin::SkinEntry> shippedEntries() {
    QFile file(CLIPWRIGHT_SKIN_LIST);
    EXPECT_TRUE(file.open(QIODevice::ReadOnly));
    QVector<skin::SkinEntry> entries;
    QString error;
    EXPECT_TRUE(skin::parseSkinList(QString::fromUtf8(file.readAll()), &entries, &error))
        << error.toStdString();
    return entries;
}

}  // namespace

// Every still image of the shipped list draws at its declared size, with
// no unknown look or glyph and no label too wide for its button.
TEST(ShippedSkin, EveryEntryDraws) {
    app();
    const QVector<skin::SkinEntry> entries = shippedEntries();
    EXPECT_GT(entries.size(), 130);
    QSet<QString> paths;
    for (const skin::SkinEntry& entry : entries) {
        EXPECT_FALSE(paths.contains(entry.path)) << "listed twice: " << entry.path.toStdString();
        paths.insert(entry.path);
        if (entry.kind == skin::Kind::Animation)
            continue;
        QString error;
        const QImage image = skin::renderStill(entry, &error);
        EXPECT_EQ(image.size(), entry.fileSize())
            << entry.path.toStdString() << ": " << error.toStdString();
    }
}

// Every image path the GUI's sources name ("/image/..." or "\\pic\\...") is
// in the list, so a misspelt name fails here rather than as a blank button.
TEST(ShippedSkin, CoversEveryImageTheProgramNames) {
    QSet<QString> listed;
    for (const skin::SkinEntry& entry : shippedEntries())
        listed.insert(entry.path);
    const QRegularExpression literal(
        R"re("(?:/|\\\\)((?:image|pic)(?:/|\\\\)[^"]+\.(?:png|PNG|gif))")re");
    int named = 0;
    for (const char* folder :
         {"app", "widgets", "download", "library", "browser", "player", "media"}) {
        QDirIterator it(QString(CLIPWRIGHT_SOURCE_DIR) + "/" + folder, {"*.cpp", "*.h"},
                        QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString source = it.next();
            if (source.contains("/tests/") || source.contains("/formats/"))
                continue;
            QFile file(source);
            if (!file.open(QIODevice::ReadOnly))
                continue;
            const QString text = QString::fromUtf8(file.readAll());
            for (auto match = literal.globalMatch(text); match.hasNext();) {
                QString path = match.next().captured(1);
                path.replace("\\\\", "/");
                ++named;
                EXPECT_TRUE(listed.contains(path))
                    << source.toStdString() << " names " << path.toStdString();
            }
        }
    }
    EXPECT_GT(named, 40);
}

// Every output format has the icon its presets name, and no two formats
// share one.
TEST(ShippedSkin, DrawsAnIconForEveryOutputFormat) {
    QSet<QString> listed;
    for (const skin::SkinEntry& entry : shippedEntries())
        listed.insert(entry.path);
    QSet<QString> icons;
    for (const formats::OutputFormat& format : formats::outputFormats()) {
        const QString icon = QString::fromStdString(formats::presetIconPath(format.name)).mid(1);
        EXPECT_TRUE(listed.contains(icon)) << icon.toStdString();
        icons.insert(icon);
    }
    EXPECT_EQ(icons.size(), qsizetype(formats::outputFormats().size()));
    for (const formats::Preset& preset : formats::shippedPresets())
        EXPECT_TRUE(
            listed.contains(QString::fromStdString(formats::presetIconPath(preset.format)).mid(1)));
}
