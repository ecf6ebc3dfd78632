#include "core/xml_file.h"
#include "core/log_category.h"

#include <QDebug>
#include <QFile>

#include "platform/atomic_file.h"

namespace xmlfile {

LoadResult load(const QString& path, QDomDocument* document) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return LoadResult::Missing;
    const QByteArray bytes = file.readAll();
    file.close();
    QString message;
    int line = 0;
    if (document->setContent(bytes, &message, &line))
        return LoadResult::Loaded;
    const auto aside = platform::keepAside(path.toStdString());
    qCWarning(clipwrightLog).noquote()
        << "damaged XML file" << path << "line" << line << ":" << message << "- kept aside as"
        << QString::fromStdString(aside.string());
    *document = QDomDocument();
    return LoadResult::Damaged;
}

bool save(const QDomDocument& document, const QString& path) {
    QByteArray bytes = document.toByteArray(4);
    if (!bytes.startsWith("<?xml"))
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
