#include "library/converted_widget.h"

#include <QAction>
#include <QMenu>

ConvertedWidget::ConvertedWidget(QWidget* parent)
    : MediaListWidget("/convertedlist.xml", false, parent) {
    m_actionPlay = new QAction("Play", this);
    m_actionRename = new QAction("Rename", this);
    m_actionDelete = new QAction("Delete", this);
    m_actionDeleteAll = new QAction("Delete ALL", this);
    m_actionOpenFolder = new QAction("Open the converted folder", this);
    m_actionClearInvalid = new QAction("Clear invalid files", this);
    addMenuSection({m_actionPlay, m_actionRename});
    addMenuSection({m_actionDelete, m_actionDeleteAll});
    addMenuSection({m_actionOpenFolder, m_actionClearInvalid});
    connect(m_actionPlay, &QAction::triggered, this, &ConvertedWidget::OnACtionPlay);
    connect(m_actionRename, &QAction::triggered, this, &ConvertedWidget::OnACtionRename);
    connect(m_actionDelete, &QAction::triggered, this, &ConvertedWidget::OnACtionDelete);
    connect(m_actionDeleteAll, &QAction::triggered, this, &ConvertedWidget::OnACtionDeleteAll);
    connect(m_actionOpenFolder, &QAction::triggered, this, &ConvertedWidget::OnACtionOpenFolder);
    connect(m_actionClearInvalid, &QAction::triggered, this,
            &ConvertedWidget::OnACtionClearInvalidFile);
}

ConvertedBar* ConvertedWidget::row(int index) const {
    return index >= 0 && index < items().size() ? static_cast<ConvertedBar*>(items()[index])
                                                : nullptr;
}

void ConvertedWidget::AddNewItemBar(QString filePath) {
    addRow({filePath, {}}, true);
}

void ConvertedWidget::prepareMenu(MediaBar* row) {
    const bool onRow = row != nullptr;
    m_actionPlay->setEnabled(onRow);
    m_actionRename->setEnabled(onRow);
    m_actionDelete->setEnabled(onRow);
    m_actionOpenFolder->setEnabled(onRow);
}
