#include "widgets/row_form.h"

void RowForm::build(QWidget* row, const std::function<void()>& build) {
    if (m_built)
        return;
    const QList<QWidget*> before = row->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
    m_built = true;  // what `build` calls to show the row's state sees the form
    build();
    for (QWidget* child : row->findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
        if (before.contains(child))
            continue;
        m_widgets.append(child);
        if (row->isVisible() && !child->testAttribute(Qt::WA_WState_ExplicitShowHide))
            child->show();
    }
}

void RowForm::release() {
    m_built = false;
    for (const QPointer<QWidget>& widget : std::as_const(m_widgets))
        delete widget.data();  // null for one the row deleted itself
    m_widgets.clear();
}
