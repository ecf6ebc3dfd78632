// skin-generator: writes every image of the program's skin from skin.list.
//
//   skin-generator LIST OUTPUT_DIR
//
// Exits non-zero, naming the entry, when a line of the list is bad or an
// image cannot be written. Needs a QGuiApplication for font rendering; the
// build runs it on the offscreen platform.
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSaveFile>
#include <cstdio>

#include "skin/generator/gif_writer.h"
#include "skin/generator/skin_list.h"
#include "skin/generator/skin_painter.h"

namespace {

bool writeBytes(const QString& path, const QByteArray& bytes) {
    QSaveFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size() && file.commit();
}

bool writeEntry(const skin::SkinEntry& entry, const QDir& out, QString* error) {
    const QString path = out.filePath(entry.path);
    QDir().mkpath(QFileInfo(path).absolutePath());
    if (entry.kind == skin::Kind::Animation) {
        int delay = 50;
        const QVector<QImage> frames = skin::renderAnimation(entry, &delay, error);
        if (frames.isEmpty())
            return false;
        if (!writeBytes(path, skin::encodeAnimatedGif(frames, delay))) {
            *error = "cannot write " + path;
            return false;
        }
        return true;
    }
    const QImage image = skin::renderStill(entry, error);
    if (image.isNull())
        return false;
    // Save through a buffer so that the write itself is atomic; the format
    // comes from the extension, whatever its case.
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    if (!image.save(&buffer, "PNG") || !writeBytes(path, bytes)) {
        *error = "cannot write " + path;
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QGuiApplication app(argc, argv);
    if (argc != 3) {
        std::fprintf(stderr, "usage: skin-generator LIST OUTPUT_DIR\n");
        return 2;
    }
    QFile list(QString::fromLocal8Bit(argv[1]));
    if (!list.open(QIODevice::ReadOnly)) {
        std::fprintf(stderr, "skin-generator: cannot read %s\n", argv[1]);
        return 1;
    }
    QVector<skin::SkinEntry> entries;
    QString error;
    if (!skin::parseSkinList(QString::fromUtf8(list.readAll()), &entries, &error)) {
        std::fprintf(stderr, "skin-generator: %s: %s\n", argv[1], qPrintable(error));
        return 1;
    }
    const QDir out(QString::fromLocal8Bit(argv[2]));
    for (const skin::SkinEntry& entry : entries) {
        if (!writeEntry(entry, out, &error)) {
            std::fprintf(stderr, "skin-generator: %s: %s\n", qPrintable(entry.path),
                         qPrintable(error));
            return 1;
        }
    }
    std::printf("skin-generator: %lld images written\n", static_cast<long long>(entries.size()));
    return 0;
}
