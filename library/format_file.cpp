#include "library/format_file.h"

#include <QDomDocument>

#include "core/xml_file.h"

namespace {

constexpr const char* kFavoriteCategory = "Favorite";

void setText(QDomDocument& document, QDomElement& element, const QString& text) {
    while (element.hasChildNodes())
        element.removeChild(element.firstChild());
    element.appendChild(document.createTextNode(text));
}

QDomElement textElement(QDomDocument& document, const QString& tag, const QString& text) {
    QDomElement element = document.createElement(tag);
    element.appendChild(document.createTextNode(text));
    return element;
}

// Sets the star elements under `category` from `stars`, by position.
void rewriteStars(QDomDocument& document, const QDomElement& category, const QList<bool>& stars) {
    int position = 0;
    for (QDomElement icon = category.firstChildElement(); !icon.isNull(); ++position) {
        const QDomElement name = icon.nextSiblingElement();
        QDomElement flag = name.nextSiblingElement();
        if (flag.isNull())
            break;
        if (position < stars.size())
            setText(document, flag, stars[position] ? "true" : "false");
        icon = flag.nextSiblingElement();
    }
}

}  // namespace

FormatFile::FormatFile(QString path) : m_path(std::move(path)) {}

QList<FormatPreset> FormatFile::loadCategory(const QString& category) const {
    QDomDocument document;
    if (xmlfile::load(m_path, &document) != xmlfile::LoadResult::Loaded ||
        xmlfile::firstSection(document).isNull())
        return {};
    const bool favorites = category == kFavoriteCategory;
    QList<FormatPreset> presets;
    const QDomElement section = document.documentElement().firstChildElement(category);
    QDomElement icon = section.firstChildElement();
    while (!icon.isNull()) {
        const QDomElement name = icon.nextSiblingElement();
        const QDomElement flag = favorites ? QDomElement() : name.nextSiblingElement();
        if (name.isNull() || (!favorites && flag.isNull()))
            break;
        presets.append({icon.text(), name.text(), favorites || flag.text() == "true"});
        icon = (favorites ? name : flag).nextSiblingElement();
    }
    return presets;
}

bool FormatFile::writeStars(const QList<FormatCategoryStars>& categories,
                            const QList<FormatPreset>& favorites) const {
    QDomDocument document;
    if (xmlfile::load(m_path, &document) != xmlfile::LoadResult::Loaded ||
        document.documentElement().isNull())
        return false;
    QDomElement root = document.documentElement();
    for (const FormatCategoryStars& category : categories)
        rewriteStars(document, root.firstChildElement(category.category), category.stars);
    // Every "Favorite" page goes: the pages are read by their first
    // element, so an older duplicate left in front would hide the new one.
    for (QDomElement old = root.firstChildElement(kFavoriteCategory); !old.isNull();
         old = root.firstChildElement(kFavoriteCategory))
        root.removeChild(old);
    QDomElement section = document.createElement(kFavoriteCategory);
    for (const FormatPreset& preset : favorites) {
        section.appendChild(textElement(document, "filepath", preset.iconPath));
        section.appendChild(textElement(document, "name", preset.name));
    }
    root.appendChild(section);
    return xmlfile::save(document, m_path);
}
