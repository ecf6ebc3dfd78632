// The stream dialog shown after a successful analysis: the offered streams
// in a table, the page address, and the folder to save into. Returns the
// chosen row (-1 when closed without one) and the folder text.
#pragma once

#include "download/task_record.h"
#include "widgets/image_dialog.h"

#include <QAbstractTableModel>
#include <QList>

class QImageButton;
class QLabel;
class QLineEdit;
class QTableView;

// The streams as a three-column table (Name, Type, Size) with a check box
// in the first column. The rows belong to the caller.
class VideoResourceModel : public QAbstractTableModel {
    Q_OBJECT
public:
    explicit VideoResourceModel(QObject* parent = nullptr);

    // Shows `rows` (may be null) and clears every row's check box.
    void setRows(QList<StreamChoice>* rows, int preselected = -1);

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

private:
    QList<StreamChoice>* m_rows = nullptr;
    int m_checkColumn = 0;
};

class VideoResourceDialog : public QImageDialog {
    Q_OBJECT
public:
    explicit VideoResourceDialog(QWidget* parent = nullptr);

    // The rows to offer; `preselected` (or, when -1, the first row asked
    // for) starts checked.
    void setRows(QList<StreamChoice>* rows, int preselected = -1);
    void setUrl(const QString& url);
    int selectedRow() const { return m_selectedRow; }
    QString downloadPath() const;

    QImageButton* m_btnDown;
    QLabel* m_labURL;
    QImageButton* m_btnCustomize;
    QImageButton* m_btnOpen;
    QImageButton* m_btnClose;
    QImageButton* m_btnCancel;
    QTableView* m_tableView;
    QLineEdit* m_labDownPath;

public slots:
    void MoveWindow(int x, int y);
    void CloseWindow();
    void OnBtnDown();
    void OnBtnCustomize();
    void OnBtnOpen();

private:
    QList<StreamChoice>* m_rows = nullptr;
    int m_selectedRow = -1;
    VideoResourceModel* m_model = nullptr;
};
