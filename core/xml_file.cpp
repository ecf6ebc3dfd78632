#include "core/xml_file.h"
#include "core/log_category.h"

#include <QDebug>
#include <QFile>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include "platform/atomic_file.h"

namespace xmlfile {
namespace {

// The program's files nest three or four levels deep. The document tree is
// built, freed and written recursively, and written with an indentation
// that grows with the depth: a file nested thousands of levels deep would
// overflow the stack and be written back at a size quadratic in its own.
constexpr int kMaxDepth = 64;

// How far into a written document its XML declaration is looked for.
constexpr qsizetype kDeclarationScan = 256;

// Whether Qt's reader takes a processing instruction named `target` in
// the form its writer gives it (a space after the target).
bool writableTarget(const QStringView target) {
    QXmlStreamReader reader(QString("<?%1 ?><a/>").arg(target));
    while (!reader.atEnd())
        reader.readNext();
    return !reader.hasError();
}

// What keeps a well-formed document from being taken in, with its line.
struct Obstacle {
    qint64 line = 0;  // 0: none
    QString reason;
};

// The first element nested deeper than kMaxDepth, or the first processing
// instruction whose target is no XML name: the reader takes "<?{x}?>", but
// the document written back holds "<?{x} ?>", which it refuses, so that the
// next start would keep the program's own file aside.
Obstacle findObstacle(const QByteArray& bytes) {
    QXmlStreamReader reader(bytes);
    int depth = 0;
    while (!reader.atEnd()) {
        switch (reader.readNext()) {
            case QXmlStreamReader::StartElement:
                if (++depth > kMaxDepth)
                    return {reader.lineNumber(),
                            QString("elements nested deeper than %1 levels").arg(kMaxDepth)};
                break;
            case QXmlStreamReader::EndElement:
                --depth;
                break;
            case QXmlStreamReader::ProcessingInstruction:
                if (!writableTarget(reader.processingInstructionTarget()))
                    return {reader.lineNumber(),
                            QString("%1 is an invalid processing instruction name")
                                .arg(reader.processingInstructionTarget())};
                break;
            default:
                break;
        }
    }
    return {};
}

// Whether `bytes` begin with an XML declaration, not with an instruction
// whose name only begins with "xml" ("<?xml-stylesheet ...?>").
bool leadsWithDeclaration(const QByteArray& bytes) {
    return bytes.startsWith("<?xml") && bytes.size() > 5 && QChar::isSpace(uchar(bytes.at(5)));
}

// Makes the XML declaration that leads `bytes`, if it names an encoding,
// name UTF-8. A file read in with another encoding keeps its declaration in
// the document, but the document is always written as UTF-8: written back
// under the old declaration, a "Latin-1" list would come back garbled at the
// next start and a "UTF-7" one not at all. A declaration without an
// encoding already means UTF-8 and stays as it is.
void declareUtf8(QByteArray* bytes) {
    static const QRegularExpression kDeclaration(
        R"(^<\?xml\s[^?]*?\bencoding\s*=\s*(["'])([^"']*)\1)");
    const QRegularExpressionMatch match =
        kDeclaration.match(QString::fromLatin1(bytes->left(kDeclarationScan)));
    if (!match.hasMatch() || match.capturedView(2).compare(u"UTF-8", Qt::CaseInsensitive) == 0)
        return;
    bytes->replace(match.capturedStart(2), match.capturedLength(2), "UTF-8");
}

}  // namespace

LoadResult load(const QString& path, QDomDocument* document) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return LoadResult::Missing;
    const QByteArray bytes = file.readAll();
    file.close();
    QString message;
    int line = 0;
    if (const Obstacle obstacle = findObstacle(bytes); obstacle.line > 0) {
        message = obstacle.reason;
        line = int(obstacle.line);
    } else if (document->setContent(bytes, &message, &line)) {
        return LoadResult::Loaded;
    }
    const auto aside = platform::keepAside(path.toStdString());
    qCWarning(clipwrightLog).noquote()
        << "damaged XML file" << path << "line" << line << ":" << message << "- kept aside as"
        << QString::fromStdString(aside.string());
    *document = QDomDocument();
    return LoadResult::Damaged;
}

bool save(const QDomDocument& document, const QString& path) {
    QByteArray bytes = document.toByteArray(4);
    if (leadsWithDeclaration(bytes))
        declareUtf8(&bytes);
    else
        bytes.prepend("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");
    std::string error;
    if (!platform::writeFileAtomically(path.toStdString(),
                                       std::string_view(bytes.constData(), bytes.size()), &error)) {
        qCWarning(clipwrightLog, "error::ParserXML->writeOperateXml->file.open\n");
        qCWarning(clipwrightLog).noquote() << QString::fromStdString(error);
        return false;
    }
    return true;
}

QDomElement firstSection(const QDomDocument& document) {
    const QDomElement root = document.documentElement();
    const QDomElement first = root.isNull() ? QDomElement() : root.firstChildElement();
    if (first.isNull())
        qCDebug(clipwrightLog, "XML_________error!");
    return first;
}

}  // namespace xmlfile
