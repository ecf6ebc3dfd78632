// Helpers for laying out the shell's skinned dialogs: labels, check boxes
// and radio buttons styled to sit on the generated skin.
#pragma once

#include <QString>

class QAbstractButton;
class QLabel;
class QWidget;

namespace skinned {

// A label in the skin's text colour; `pixelSize` 12 unless given.
QLabel* label(QWidget* parent, const QString& text, int pixelSize = 12, bool bold = false);

// Gives a check box or radio button the skin's indicator and text colour.
void styleToggle(QAbstractButton* button);

// The style sheet of the skin's text fields and combo boxes.
QString fieldStyle();

// The style sheet of the skin's pop-up menus.
QString menuStyle();

}  // namespace skinned
