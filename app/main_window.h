// The frameless main window: its painted header and footer, title-bar and
// page buttons, edge resizing, the tray icon and its menu, the main menu
// and the close and quit sequence.
//
// GUI thread only.
#pragma once

#include <QMainWindow>
#include <QPixmap>
#include <QPointer>
#include <QSystemTrayIcon>

class AboutDialog;
class CloseTipDialog;
class EdgeResizer;
class MainSelectWidget;
class PreferencesDialog;
class QImageButton;
class QMenu;
class QTimer;
class QVBoxLayout;
class VideoSitesDialog;

class MainWindow : public QMainWindow {
    Q_OBJECT
public:
    static constexpr int kTitleBarHeight = 93;  // the band that moves the window
    static constexpr int kEdgeBand = 4;         // the band that resizes it
    // How often a missing system tray is looked for again.
    static constexpr int kTrayWatchMs = 2000;

    explicit MainWindow(QWidget* parent = nullptr);
    ~MainWindow() override;

    // Set once the quit sequence closes the window for good; a close
    // request before that goes through the close question instead.
    static bool quitting();
    // Replaces the question "is there a system tray?" (null: ask the
    // desktop again); for tests of a tray that comes and goes.
    static void setTrayAvailabilityProbe(bool (*probe)());
    QSystemTrayIcon* trayIcon() const { return m_tray; }
    // Arguments handed over by a later start (or given to this one): the
    // window comes to the front and the page container takes them.
    void openArguments(const QStringList& arguments);

    bool isMaximizedByToggle() const;
    MainSelectWidget* pageContainer() const { return m_selectWidget; }
    CloseTipDialog* closeTipDialog() const { return m_closeTip; }
    PreferencesDialog* preferencesDialog() const { return m_preferences; }
    QMenu* trayMenu() const { return m_trayMenu; }
    QMenu* mainMenu() const { return m_mainMenu; }

    QImageButton* m_btnAbout;
    QImageButton* m_btnMin;
    QImageButton* m_btnMax;
    QImageButton* m_btnClose;
    QImageButton* m_btnSetting;
    QImageButton* m_btnDown;
    QImageButton* m_btnOnline;

signals:
    void emitOnBtnDown();
    void emitOnBtnOnline();

public slots:
    void iconActivated(QSystemTrayIcon::ActivationReason reason);
    void OnBtnClose();
    void OnBtnMaxSize();
    void OnBtnAbout();
    void OnBtnSetting();
    void OnBtnDown();
    void OnBtnOnline();
    void CloseWind();
    void OnActionPreferences();
    void OnActionSupport();
    void OnActionHelp();
    void OnActionProduct();
    void OnActionAbout();
    void WebViewCLoseOK();
    // The tray's "Quit (&Q)": the same save-and-stop sequence as choosing
    // "Exit" in the close question.
    void OnActionQuit();

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    void buildForm();
    void buildTray();
    void showTrayIconWhenAvailable();
    void buildMainMenu();
    void placeTitleButtons();
    void quitSequence();

    QWidget* m_centralWidget;
    QVBoxLayout* m_mainLayout;
    MainSelectWidget* m_selectWidget;
    static bool (*s_trayAvailable)();
    QSystemTrayIcon* m_tray;
    QTimer* m_trayWatch;
    QMenu* m_trayMenu;
    QMenu* m_mainMenu;
    QPixmap m_logo, m_top, m_foot, m_corner;
    CloseTipDialog* m_closeTip = nullptr;
    AboutDialog* m_about = nullptr;
    PreferencesDialog* m_preferences = nullptr;
    VideoSitesDialog* m_sites = nullptr;

    EdgeResizer* m_resizer;
    QPoint m_pressOffset;
    bool m_pressed = false;
};
