#include "widgets/skinned_form.h"

#include <QAbstractButton>
#include <QLabel>
#include <QPixmapCache>

#include "core/app_files.h"
#include "widgets/image_button.h"

namespace skinned {

QImageButton* imageButton(QWidget* parent, const QString& image, const ButtonText& labels) {
    auto* button = new QImageButton(parent);
    button->setImage(appfiles::path(image));
    if (!labels.objectName.isEmpty())
        button->setObjectName(labels.objectName);
    if (!labels.text.isEmpty())
        button->setText(labels.text);
    if (!labels.toolTip.isEmpty())
        button->setToolTip(labels.toolTip);
    return button;
}

QLabel* label(QWidget* parent, const QString& text, int pixelSize, bool bold) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    label->setFont(font);
    label->setStyleSheet("color: rgb(31, 45, 51); background: transparent;");
    return label;
}

QLabel* rowLabel(QWidget* parent, const QString& text, int pixelSize) {
    auto* label = new QLabel(text, parent);
    QFont font = label->font();
    font.setPixelSize(pixelSize);
    label->setFont(font);
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, QColor(31, 45, 51));
    label->setPalette(palette);
    return label;
}

QPixmap pixmap(const QString& image) {
    const QString path = appfiles::path(image);
    QPixmap picture;
    if (QPixmapCache::find(path, &picture))
        return picture;
    if (picture.load(path))
        QPixmapCache::insert(path, picture);
    return picture;
}

QLabel* pictureLabel(QWidget* parent, const QString& text, const QString& image) {
    QLabel* result = label(parent, text);
    result->setPixmap(pixmap(image));
    return result;
}

void styleToggle(QAbstractButton* button) {
    QFont font = button->font();
    font.setPixelSize(12);
    button->setFont(font);
    button->setCursor(Qt::PointingHandCursor);
    const QString tick = appfiles::path("/image/check_tick.png");
    button->setStyleSheet(
        QString("QCheckBox, QRadioButton { color: rgb(31, 45, 51); background: transparent; "
                "spacing: 7px; }"
                "QCheckBox::indicator, QRadioButton::indicator { width: 14px; height: 14px;"
                " border: 1px solid rgb(169, 182, 188); background: white; }"
                "QRadioButton::indicator { border-radius: 8px; }"
                "QCheckBox::indicator { border-radius: 3px; }"
                "QCheckBox::indicator:hover, QRadioButton::indicator:hover { border-color: rgb(26, "
                "119, 137); }"
                "QRadioButton::indicator:checked { border: 1px solid rgb(26, 119, 137);"
                " background: qradialgradient(cx:0.5, cy:0.5, radius:0.5, fx:0.5, fy:0.5,"
                " stop:0 rgb(26, 119, 137), stop:0.5 rgb(26, 119, 137), stop:0.6 white, stop:1 "
                "white); }"
                "QCheckBox::indicator:checked { border: 1px solid rgb(26, 119, 137);"
                " background: rgb(26, 119, 137); image: url(%1); }")
            .arg(tick));
}

QString fieldStyle() {
    return QString("QComboBox::down-arrow { image: url(%1); width: 10px; height: 10px; }")
               .arg(appfiles::path("/image/combo_arrow.png")) +
           "QLineEdit, QComboBox { color: rgb(31, 45, 51); background: white;"
           " border: 1px solid rgb(213, 223, 228); border-radius: 4px; padding: 3px 6px; }"
           "QLineEdit:focus, QComboBox:focus { border-color: rgb(26, 119, 137); }"
           "QComboBox::drop-down { border: none; width: 18px; }"
           "QComboBox QAbstractItemView { background: white; color: rgb(31, 45, 51);"
           " selection-background-color: rgb(26, 119, 137); selection-color: white; }";
}

QString menuStyle() {
    return "QMenu { background: white; color: rgb(31, 45, 51); border: 1px solid rgb(213, 223, "
           "228);"
           " padding: 5px 0; }"
           "QMenu::item { padding: 6px 28px 6px 18px; }"
           "QMenu::item:selected { background: rgb(26, 119, 137); color: white; }"
           "QMenu::separator { height: 1px; background: rgb(230, 236, 239); margin: 4px 10px; }";
}

}  // namespace skinned
