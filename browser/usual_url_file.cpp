#include "browser/usual_url_file.h"

#include "core/app_files.h"
#include "core/xml_file.h"

#include <QDomDocument>

namespace usualurl {
namespace {

constexpr int kMaxTitleChars = 80;
constexpr const char* kRootName = "UsualUrl";

int slotOf(const QString& tagName) {
    for (int i = 0; i < kSlotCount; ++i) {
        if (tagName == kSlotKeys[i])
            return i;
    }
    return -1;
}

// The document of the file, or a new one with an empty root when there is
// no usable file.
QDomDocument documentForUpdate() {
    QDomDocument document;
    if (xmlfile::load(filePath(), &document) != xmlfile::LoadResult::Loaded ||
        document.documentElement().isNull()) {
        document = QDomDocument();
        document.appendChild(document.createElement(kRootName));
    }
    return document;
}

}  // namespace

QString filePath() {
    return appfiles::path("/usualurl.xml");
}

Sites read() {
    Sites sites;
    QDomDocument document;
    if (xmlfile::load(filePath(), &document) != xmlfile::LoadResult::Loaded)
        return sites;
    // A slot's first element counts, as for store(): a later duplicate
    // would otherwise hide what was stored.
    std::array<bool, kSlotCount> seen{};
    for (QDomElement e = xmlfile::firstSection(document); !e.isNull(); e = e.nextSiblingElement()) {
        const int slot = slotOf(e.tagName());
        if (slot < 0 || seen[slot])
            continue;
        seen[slot] = true;
        sites[slot] = {e.attribute("url"), e.attribute("title")};
    }
    return sites;
}

bool store(int slot, const Site& site) {
    if (slot < 0 || slot >= kSlotCount)
        return false;
    QDomDocument document = documentForUpdate();
    QDomElement root = document.documentElement();
    for (int i = 0; i < kSlotCount; ++i) {
        if (root.firstChildElement(kSlotKeys[i]).isNull()) {
            QDomElement added = document.createElement(kSlotKeys[i]);
            added.setAttribute("url", QString());
            added.setAttribute("title", QString());
            root.appendChild(added);
        }
    }
    QDomElement element = root.firstChildElement(kSlotKeys[slot]);
    element.setAttribute("url", site.url);
    element.setAttribute("title", site.title);
    return xmlfile::save(document, filePath());
}

QString sanitisedTitle(const QString& title) {
    QString clean;
    for (const QChar c : title) {
        if (c == '/' || c == '\\' || c.category() == QChar::Other_Control ||
            c.category() == QChar::Other_Format)
            continue;
        clean.append(c);
    }
    while (clean.contains(".."))
        clean.replace("..", ".");
    clean = clean.trimmed().left(kMaxTitleChars);
    // A lone surrogate left by the cut is dropped too.
    if (!clean.isEmpty() && clean.back().isHighSurrogate())
        clean.chop(1);
    return clean.isEmpty() ? QString("untitled") : clean;
}

QString screenshotPath(const QString& title) {
    return appfiles::path("/image/urlicon/web_icon_" + sanitisedTitle(title) + ".png");
}

QString placeholderPath() {
    return appfiles::path("/image/web_icon_nothing.png");
}

}  // namespace usualurl
