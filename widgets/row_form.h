// The widgets a list row makes for its form, told apart from the row's
// other children (its dialogs, a job's controls), so that a row out of view
// can give its form back and build it again when it returns (see
// RowColumn's prepare and release callbacks).
//
// GUI thread only.
#pragma once

#include <QList>
#include <QPointer>
#include <QWidget>

#include <functional>

class RowForm {
public:
    // Runs `build`, which makes the form as direct children of `row`, and
    // records the children it made. Children made while the row is shown
    // are shown, as the row's own show would have done; those the form hid
    // stay hidden. built() is true from the start of `build`, so that what
    // it calls to show the row's state in the form does so. Does nothing
    // when the form is built.
    void build(QWidget* row, const std::function<void()>& build);
    // Deletes the recorded children; the next build() makes them again.
    void release();
    bool built() const { return m_built; }

private:
    bool m_built = false;
    QList<QPointer<QWidget>> m_widgets;
};
