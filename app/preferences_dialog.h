// The preferences dialog: three pages (General, Download, Location) over
// the process-wide PreferencesStore. Created once and shown again; its
// fields are filled from the store when it is created.
#pragma once

#include "widgets/image_dialog.h"

struct PreferenceValues;

class QCheckBox;
class QComboBox;
class QSpinBox;
class QImageButton;
class QLabel;
class QLineEdit;
class QRadioButton;
class QImageWidget;

class PreferencesDialog : public QImageDialog {
    Q_OBJECT
public:
    explicit PreferencesDialog(QWidget* parent = nullptr);

    // The page on show: 0 General, 1 Download, 2 Location.
    int currentPage() const;

    QImageButton* m_btnGeneral;
    QImageButton* m_btnDownload;
    QImageButton* m_btnLocation;
    QImageWidget* m_generalWid;
    QImageWidget* m_downWid;
    QImageWidget* m_locationWid;
    QComboBox* m_comboUpdata;
    QRadioButton* m_btnRadioMin;
    QRadioButton* m_btnRadioExit;
    QComboBox* m_comboMaxTask;
    QCheckBox* m_checkWatchClipboard;
    QCheckBox* m_checkSpeedLimit;
    QSpinBox* m_spinSpeedLimit;  // KB/s
    QImageButton* m_btnRepair;
    QImageButton* m_btnReset;
    QLabel* m_labReport;
    QLineEdit* m_textEditDown;
    QImageButton* m_btnDownChange;
    QLineEdit* m_textEditConvert;
    QImageButton* m_btnConChange;
    QImageButton* m_btnDefault;
    QImageButton* m_btnOK;
    QImageButton* m_btnCancel;
    QImageButton* m_btnClose;

signals:
    // OK stored new values: the download list puts them in force.
    void preferencesChanged();

public slots:
    void OnbtnLocation();
    void OnbtnGeneral();
    void OnbtnDownload();
    void OnbtnClose();
    void OnbtnCancel();
    void OnbtnDefault();
    void OnbtnOK();
    void OnbtnReset();
    void OnbtnRepair();
    void OnbtnConChange();
    void OnbtnDownChange();

private:
    void buildGeneralPage();
    void buildDownloadPage();
    void buildLocationPage();
    void showPage(QImageWidget* page, QImageButton* button);
    void showDownloadValues(const PreferenceValues& values);
    QString chooseFolder();
};
