#include "app/main_window.h"

#include <QApplication>
#include <QCloseEvent>
#include <QDesktopServices>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>
#include <QUrl>
#include <QVBoxLayout>

#include "app/close_tip_dialog.h"
#include "app/info_dialogs.h"
#include "app/main_select_widget.h"
#include "app/preferences_dialog.h"
#include "core/app_files.h"
#include "core/app_log.h"
#include "core/preferences_store.h"
#include "core/product.h"
#include "download/downloading_widget.h"
#include "player/player_widget.h"
#include "widgets/edge_resizer.h"
#include "widgets/image_button.h"
#include "widgets/skinned_form.h"

namespace {
bool g_quitting = false;  // set by the quit sequence; a new window starts afresh
const QColor kEdgeColour(26, 119, 137);
}  // namespace

bool MainWindow::isMaximizedByToggle() const {
    return m_resizer->isMaximised();
}

bool MainWindow::quitting() {
    return g_quitting;
}

MainWindow::MainWindow(QWidget* parent)
    : QMainWindow(parent, Qt::Window | Qt::FramelessWindowHint | Qt::WindowSystemMenuHint |
                              Qt::WindowMinimizeButtonHint | Qt::WindowMaximizeButtonHint) {
    g_quitting = false;
    setAcceptDrops(false);
    setMouseTracking(true);
    m_resizer = new EdgeResizer(this, kEdgeBand);
    buildForm();
    setWindowIcon(QIcon(appfiles::path("/image/IPAD_128.png")));
    setWindowTitle(product::displayName());
    PreferencesStore::instance().load();
    buildTray();

    PlayerWidget::instance();
    m_selectWidget = new MainSelectWidget(m_centralWidget);
    m_mainLayout->addWidget(m_selectWidget);
    qRegisterMetaType<QList<int>>("QList<int>");
    qRegisterMetaType<QList<unsigned long>>("QList<unsigned long>");
    m_logo.load(appfiles::path("/image/Quillmarsh_LOGO.png"));
    m_top.load(appfiles::path("/image/main_Top.png"));
    m_foot.load(appfiles::path("/image/main_foot.png"));
    m_corner.load(appfiles::path("/image/bottomright.png"));

    connect(this, &MainWindow::emitOnBtnDown, m_selectWidget, &MainSelectWidget::OnBtnDownload);
    connect(this, &MainWindow::emitOnBtnOnline, m_selectWidget, &MainSelectWidget::OnBtnOnline);
    buildMainMenu();
    placeTitleButtons();
    applog::write("init mainWindow finished!");
}

MainWindow::~MainWindow() {
    // The tray icon must not outlive the window it restores.
    m_tray->hide();
}

void MainWindow::buildForm() {
    setObjectName("MainWindow");
    resize(837, 648);
    setMinimumSize(835, 647);
    m_centralWidget = new QWidget(this);
    m_centralWidget->setObjectName("m_centralWidget");
    m_centralWidget->setMouseTracking(true);
    setCentralWidget(m_centralWidget);
    m_mainLayout = new QVBoxLayout(m_centralWidget);
    m_mainLayout->setObjectName("m_mainLayout");
    m_mainLayout->setSpacing(0);
    m_mainLayout->setContentsMargins(1, 95, 1, 26);

    auto button = [this](const char* name, const char* image, const QString& tip) {
        return skinned::imageButton(m_centralWidget, image, {.objectName = name, .toolTip = tip});
    };
    m_btnClose = button("m_btnClose", "/image/button_close.png", tr("Close"));
    m_btnMax = button("m_btnMax", "/image/button_BIG.png", tr("Maximize"));
    m_btnMin = button("m_btnMin", "/image/button_min.png", tr("Minimize"));
    m_btnAbout = button("m_btnAbout", "/image/button_freeback.png", tr("About"));
    m_btnSetting = button("m_btnSetting", "/image/button_main_menu.png", tr("Main Menu"));
    m_btnDown = button("m_btnDown", "/image/Download_btn.png", {});
    m_btnOnline = button("m_btnOnline", "/image/Online Video_btn.png", {});
    // The page tabs sit on the header's lower edge, which ends where the
    // page container begins.
    m_btnDown->move(0, 95 - m_btnDown->height());
    m_btnOnline->move(0, 95 - m_btnOnline->height());
    m_btnDown->setEnabled(false);  // the download centre is shown first

    connect(m_btnClose, &QPushButton::clicked, this, &MainWindow::OnBtnClose);
    connect(m_btnMax, &QPushButton::clicked, this, &MainWindow::OnBtnMaxSize);
    connect(m_btnMin, &QPushButton::clicked, this, &QWidget::showMinimized);
    connect(m_btnAbout, &QPushButton::clicked, this, &MainWindow::OnBtnAbout);
    connect(m_btnSetting, &QPushButton::clicked, this, &MainWindow::OnBtnSetting);
    connect(m_btnDown, &QPushButton::clicked, this, &MainWindow::OnBtnDown);
    connect(m_btnOnline, &QPushButton::clicked, this, &MainWindow::OnBtnOnline);
}

void MainWindow::buildTray() {
    m_tray = new QSystemTrayIcon(windowIcon(), this);
    m_tray->setToolTip(product::displayName());
    m_trayMenu = new QMenu(this);
    m_trayMenu->setStyleSheet(skinned::menuStyle());
    m_trayMenu->addAction(tr("Hide (&H)"), this, &QWidget::hide);
    m_trayMenu->addAction(tr("Show Window (&S)"), this, &QWidget::show);
    m_trayMenu->addSeparator();
    m_trayMenu->addAction(tr("Quit (&Q)"), this, &MainWindow::OnActionQuit);
    m_tray->setContextMenu(m_trayMenu);
    connect(m_tray, &QSystemTrayIcon::activated, this, &MainWindow::iconActivated);
    // A tray that appears after start-up (a panel started later) gets the
    // icon as soon as it is there.
    m_trayWatch = new QTimer(this);
    m_trayWatch->setInterval(kTrayWatchMs);
    connect(m_trayWatch, &QTimer::timeout, this, &MainWindow::showTrayIconWhenAvailable);
    showTrayIconWhenAvailable();
    if (!m_tray->isVisible())
        m_trayWatch->start();
}

bool (*MainWindow::s_trayAvailable)() = &QSystemTrayIcon::isSystemTrayAvailable;

void MainWindow::setTrayAvailabilityProbe(bool (*probe)()) {
    s_trayAvailable = probe ? probe : &QSystemTrayIcon::isSystemTrayAvailable;
}

void MainWindow::showTrayIconWhenAvailable() {
    if (!s_trayAvailable())
        return;
    m_tray->show();
    m_trayWatch->stop();
}

void MainWindow::buildMainMenu() {
    m_mainMenu = new QMenu(this);
    m_mainMenu->setStyleSheet(skinned::menuStyle());
    m_mainMenu->addAction(tr("Preferences"), this, &MainWindow::OnActionPreferences);
    m_mainMenu->addSeparator();
    m_mainMenu->addAction(tr("Supported Video Sites"), this, &MainWindow::OnActionSupport);
    m_mainMenu->addSeparator();
    m_mainMenu->addAction(tr("Product Page"), this, &MainWindow::OnActionProduct);
    m_mainMenu->addSeparator();
    m_mainMenu->addAction(tr("Help"), this, &MainWindow::OnActionHelp);
    m_mainMenu->addSeparator();
}

void MainWindow::placeTitleButtons() {
    const int w = width();
    m_btnClose->move(w - 23, 8);
    m_btnMax->move(w - 46, 8);
    m_btnMin->move(w - 69, 8);
    m_btnAbout->move(w - 92, 8);
    m_btnSetting->move(w - 114, 8);
    m_btnDown->move(w / 2 - m_btnDown->width() - 10, m_btnDown->y());
    m_btnOnline->move(w / 2 + 5, m_btnOnline->y());
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QMainWindow::resizeEvent(event);
    placeTitleButtons();
}

void MainWindow::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    const int w = width();
    const int h = height();
    const int headerBottom = m_btnOnline->geometry().bottom() + 1;
    painter.fillRect(QRect(0, headerBottom, w, h - headerBottom), QColor(244, 247, 249));
    if (!m_top.isNull())
        painter.drawPixmap(QRect(0, 0, w, headerBottom), m_top);
    if (!m_logo.isNull())
        painter.drawPixmap(0, 0, m_logo);
    if (!m_foot.isNull())
        painter.drawPixmap(QRect(0, h - m_foot.height(), w, m_foot.height()), m_foot);
    if (!m_corner.isNull())
        painter.drawPixmap(w - m_corner.width(), h - m_corner.height(), m_corner);
    painter.setPen(kEdgeColour);
    painter.drawLine(0, 5, 0, h - 1);
    painter.drawLine(w - 1, 5, w - 1, h - 1);
}

void MainWindow::iconActivated(QSystemTrayIcon::ActivationReason reason) {
    if (reason == QSystemTrayIcon::DoubleClick || reason == QSystemTrayIcon::Trigger)
        showNormal();
}

void MainWindow::OnBtnMaxSize() {
    m_resizer->toggleMaximised();
}

void MainWindow::OnBtnAbout() {
    if (!m_about)
        m_about = new AboutDialog(this);
    m_about->exec();
}

void MainWindow::OnBtnSetting() {
    m_mainMenu->popup(QCursor::pos());
}

void MainWindow::OnBtnDown() {
    m_btnDown->setEnabled(false);
    m_btnOnline->setEnabled(true);
    emit emitOnBtnDown();
}

void MainWindow::OnBtnOnline() {
    m_btnDown->setEnabled(true);
    m_btnOnline->setEnabled(false);
    emit emitOnBtnOnline();
}

// ---- closing ------------------------------------------------------------------

void MainWindow::closeEvent(QCloseEvent* event) {
    if (g_quitting) {
        event->accept();
        return;
    }
    event->ignore();
    OnBtnClose();
}

void MainWindow::OnBtnClose() {
    if (!PreferencesStore::instance().user.showCloseAgain) {
        CloseWind();
        return;
    }
    if (!m_closeTip) {
        m_closeTip = new CloseTipDialog(this);
        connect(m_closeTip, &CloseTipDialog::emitResult, this, &MainWindow::CloseWind);
    }
    m_closeTip->show();
    m_closeTip->raise();
}

void MainWindow::CloseWind() {
    if (PreferencesStore::instance().user.closeToTray) {
        // Without a system tray a hidden window could never be shown again:
        // it goes to the task bar instead.
        if (s_trayAvailable() && m_tray->isVisible()) {
            hide();
        } else {
            showMinimized();
        }
        return;
    }
    quitSequence();
}

void MainWindow::openArguments(const QStringList& arguments) {
    showNormal();
    raise();
    activateWindow();
    m_selectWidget->OnBtnDownload();
    m_selectWidget->openArguments(arguments);
}

void MainWindow::OnActionQuit() {
    quitSequence();
}

void MainWindow::quitSequence() {
    if (!m_selectWidget)
        return;  // already quitting
    PreferencesStore::instance().save();
    connect(m_selectWidget, &MainSelectWidget::emitWebviewCloseOK, this,
            &MainWindow::WebViewCLoseOK, Qt::UniqueConnection);
    m_selectWidget->prepareQuit();
}

void MainWindow::WebViewCLoseOK() {
    // The container is the sender of this signal: let the emission finish
    // before it goes.
    m_selectWidget->hide();
    m_selectWidget->deleteLater();
    m_selectWidget = nullptr;
    PlayerWidget::destroyInstance();
    g_quitting = true;
    close();
    // Also when the window was hidden in the tray, quitting ends the loop.
    QCoreApplication::quit();
}

// ---- menu actions ---------------------------------------------------------------

void MainWindow::OnActionPreferences() {
    if (!m_preferences) {
        m_preferences = new PreferencesDialog(this);
        connect(m_preferences, &PreferencesDialog::preferencesChanged, this, [this] {
            if (m_selectWidget)
                m_selectWidget->downloadingList()->applyPreferences();
        });
    }
    m_preferences->show();
    m_preferences->raise();
}

void MainWindow::OnActionSupport() {
    if (!m_sites)
        m_sites = new VideoSitesDialog(this);
    m_sites->show();
    m_sites->raise();
}

void MainWindow::OnActionHelp() {
    const QString name = product::displayName();
    QDesktopServices::openUrl(QUrl::fromLocalFile(
        appfiles::path(QString("/%1 Help/%2%3").arg(name, name, " Help.html"))));
}

void MainWindow::OnActionProduct() {
    QDesktopServices::openUrl(QUrl(product::webPage()));
}

void MainWindow::OnActionAbout() {
    if (!m_about)
        m_about = new AboutDialog(this);
    m_about->show();
}

// ---- moving and resizing the frameless window -------------------------------------

// Edge drags belong to the resizer, which sees them first; what reaches the
// window moves it by its title band.
void MainWindow::mousePressEvent(QMouseEvent* event) {
    m_pressOffset = event->position().toPoint();
    m_pressed = true;
    QMainWindow::mousePressEvent(event);
}

void MainWindow::mouseReleaseEvent(QMouseEvent* event) {
    m_pressed = false;
    QMainWindow::mouseReleaseEvent(event);
}

void MainWindow::mouseMoveEvent(QMouseEvent* event) {
    if (m_pressed && (event->buttons() & Qt::LeftButton) && m_pressOffset.y() < kTitleBarHeight &&
        !m_resizer->isMaximised())
        move(event->globalPosition().toPoint() - m_pressOffset);
    QMainWindow::mouseMoveEvent(event);
}

void MainWindow::mouseDoubleClickEvent(QMouseEvent* event) {
    if (event->position().y() < kTitleBarHeight)
        OnBtnMaxSize();
    QMainWindow::mouseDoubleClickEvent(event);
}
