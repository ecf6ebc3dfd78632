#include "library/tests/library_test_support.h"

#include <QApplication>
#include <QDir>
#include <QDomDocument>
#include <QLayout>
#include <QTest>

#include "library/formats/format_presets.h"
#include "library/media_bar.h"
#include "library/media_list_widget.h"
#include "widgets/image_button.h"
#include "widgets/message_dialog.h"
#include "widgets/row_column.h"

LibraryTest::LibraryTest() {
    writeFile("format.xml", QByteArray::fromStdString(formats::formatXmlDocument()));
    QDir().mkpath(mediaDir());
    store().user.convertPath = path("converted");
    store().user.showDeleteAgain = false;
    QObject::connect(&m_answerer, &QTimer::timeout, [this] {
        if (auto* message = qobject_cast<QMessageDlg*>(QApplication::activeModalWidget())) {
            messages << message->title();
            message->firstButton()->click();
        }
    });
    m_answerer.start(20);
}

QString LibraryTest::clip(const char* name, double seconds) {
    testing_support::ClipOptions options;
    options.seconds = seconds;
    options.width = 160;
    options.height = 120;
    const QString file = mediaDir() + "/" + name;
    testing_support::makeClip(file.toStdString(), options);
    return file;
}

QString LibraryTest::textFile(const char* name) {
    const QString file = mediaDir() + "/" + name;
    QFile out(file);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    out.write("just some notes, no pictures\n");
    return file;
}

void LibraryTest::showRows(MediaListWidget& list) {
    list.resize(837, 560);
    list.show();
    list.layout()->activate();
    list.rowColumn()->placeNow();
}

bool LibraryTest::waitForFacts(MediaListWidget& list, int timeoutMs) {
    return QTest::qWaitFor(
        [&] {
            return std::all_of(list.items().begin(), list.items().end(),
                               [](const MediaBar* row) { return row->hasFacts(); });
        },
        timeoutMs);
}

QStringList LibraryTest::listedPaths(const char* listFile) const {
    QDomDocument document;
    document.setContent(readFile(listFile));
    QStringList paths;
    for (QDomElement item = document.documentElement().firstChildElement("item"); !item.isNull();
         item = item.nextSiblingElement("item"))
        paths << item.attribute("filepath");
    return paths;
}
