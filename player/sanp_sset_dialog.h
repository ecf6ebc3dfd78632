// The snapshot settings dialog: the folder snapshots go to and the format
// they are saved in, read from and stored into the preferences
// ("SanpShotPath", "SanpShotFormat").
#pragma once

#include "widgets/image_dialog.h"

class QComboBox;
class QLineEdit;

class SanpSsetDialog : public QImageDialog {
    Q_OBJECT
public:
    explicit SanpSsetDialog(QWidget* parent = nullptr);

    QLineEdit* m_lineEdit;
    QComboBox* m_comboBox;
    QImageButton* m_btnOpen;
    QImageButton* m_btnOK;
    QImageButton* m_btnCancel;
    QImageButton* m_btnClose;

public slots:
    void OnBtnOpen();
    void OnBtnOK();
    void OnBtnCancel();

protected:
    void showEvent(QShowEvent* event) override;
    void reject() override { OnBtnCancel(); }

private:
    void fillFromStore();
};
