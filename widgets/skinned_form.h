// The pieces every skinned form is made of: image buttons, labels in the
// skin's text colour, styled check boxes and radio buttons, and the style
// sheets of text fields and menus. One place, so that every window of the
// program looks alike.
#pragma once

#include <QPixmap>
#include <QString>

class QAbstractButton;
class QImageButton;
class QLabel;
class QWidget;

namespace skinned {

// What an image button shows besides its picture: the form's object name,
// the form's text (covered by the picture; tests and accessibility read it)
// and a tool tip. Empty fields are left unset.
struct ButtonText {
    QString objectName;
    QString text;
    QString toolTip;
};

// A child image button of `parent` drawn from the strip `image`, a name in
// the application directory ("/image/OK_btn.png"). A strip that cannot be
// loaded leaves a button that draws nothing.
QImageButton* imageButton(QWidget* parent, const QString& image, const ButtonText& labels = {});

// A label in the skin's text colour; `pixelSize` 12 unless given.
QLabel* label(QWidget* parent, const QString& text, int pixelSize = 12, bool bold = false);

// The same look through the palette instead of a style sheet: much
// cheaper to create, for the rows of long lists (their parents must not
// carry a style sheet either).
QLabel* rowLabel(QWidget* parent, const QString& text, int pixelSize = 12);

// A label showing the picture `image` (a name in the application
// directory) beside its text.
QLabel* pictureLabel(QWidget* parent, const QString& text, const QString& image);

// The picture `image` (a name in the application directory), decoded once
// and shared by every caller: the rows of long lists draw the same strips.
// Null when it cannot be loaded.
QPixmap pixmap(const QString& image);

// Gives a check box or radio button the skin's indicator and text colour.
void styleToggle(QAbstractButton* button);

// The style sheet of the skin's text fields and combo boxes.
QString fieldStyle();

// The style sheet of the skin's pop-up menus.
QString menuStyle();

}  // namespace skinned
