// clipwright-screenshots: draws every window of the shell as the user sees
// it and saves one PNG per window.
//
//   clipwright-screenshots OUTPUT_DIR
//
// Run it with CLIPWRIGHT_HOME naming the application directory (the build's
// bin/), on a real display or under Xvfb. Frameless, translucent windows are
// laid on a plain backdrop so that their rounded corners and shadows show.
#include <QApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QMenu>
#include <QMouseEvent>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QTemporaryDir>
#include <cstdio>
#include <functional>

#include "app/boot_widget.h"
#include "app/close_tip_dialog.h"
#include "app/info_dialogs.h"
#include "app/main_select_widget.h"
#include "app/main_window.h"
#include "app/preferences_dialog.h"
#include "browser/my_web_view.h"
#include "browser/online_head_tab_widget.h"
#include "browser/online_head_tool_widget.h"
#include "browser/online_web_widget.h"
#include "browser/web_engine_setup.h"
#include "core/app_files.h"
#include "core/preferences_store.h"
#include "download/video_progress_bar.h"
#include "library/converted_widget.h"
#include "library/downloaded_widget.h"
#include "library/format_widget.h"
#include "player/play_list_widget.h"
#include "player/player_widget.h"
#include "player/sanp_sset_dialog.h"
#include "player/video_surface.h"
#include "widgets/delete_tip_dialog.h"
#include "widgets/image_button.h"
#include "widgets/message_dialog.h"

namespace {

QDir g_out;
int g_written = 0;

void settle(int ms) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
}

void save(QWidget* window, const QString& name) {
    window->show();
    window->raise();
    settle(250);
    const QPixmap shot = window->grab();
    QImage framed(shot.size() + QSize(48, 48), QImage::Format_ARGB32);
    framed.fill(QColor(206, 214, 219));
    QPainter painter(&framed);
    painter.drawPixmap(24, 24, shot);
    painter.end();
    const QString path = g_out.filePath(name + ".png");
    if (framed.save(path)) {
        ++g_written;
        std::printf("%s\n", qPrintable(path));
    } else {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
}

// Every skin image on sheets of 1100 x 900, strips with their four frames.
void saveSkinSheets() {
    QStringList files;
    for (const char* folder : {"/image", "/pic"}) {
        QDirIterator it(appfiles::path(folder), {"*.png", "*.PNG", "*.gif"}, QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext())
            files << it.next();
    }
    files.sort();
    const QSize sheetSize(1100, 900);
    QImage sheet;
    int page = 0, x = 0, y = 0, rowHeight = 0;
    auto flush = [&] {
        if (sheet.isNull())
            return;
        sheet.save(g_out.filePath(QString("skin_sheet_%1.png").arg(++page)));
        ++g_written;
        sheet = QImage();
    };
    for (const QString& file : files) {
        QImage image(file);
        if (image.isNull())
            continue;
        if (image.width() > 520)
            image = image.scaledToWidth(520, Qt::SmoothTransformation);
        if (image.height() > 600)
            image = image.scaledToHeight(600, Qt::SmoothTransformation);
        if (!sheet.isNull() && x + image.width() > sheetSize.width() - 10) {
            x = 10;
            y += rowHeight + 10;
            rowHeight = 0;
        }
        if (sheet.isNull() || y + image.height() > sheetSize.height() - 10) {
            flush();
            sheet = QImage(sheetSize, QImage::Format_ARGB32);
            sheet.fill(QColor(226, 232, 236));
            x = 10;
            y = 10;
            rowHeight = 0;
        }
        QPainter painter(&sheet);
        painter.drawImage(x, y, image);
        x += image.width() + 10;
        rowHeight = qMax(rowHeight, image.height());
    }
    flush();
}

void saveMessages() {
    struct Kind {
        const char* name;
        int flags;
        const char* title;
        const char* text;
    };
    const Kind kinds[] = {
        {"message_ok_cancel", 0, "Downloader", "This task has been in the download list!"},
        {"message_yes_no", msg::kYesNo, "warning",
         "Some of the tasks do not support breakpoint continuingly, which may cause download "
         "failure if you "
         "stop halfway . Are you sure you want to quit?"},
        {"message_restart", msg::kRestart, "", "The new version is installed. Restart to use it."},
        {"message_warning", msg::kIcon | msg::kWarning | msg::kYesNo, "Warning",
         "This video does not support breakpoint continuingly.  Are you sure you want to cancel?"},
        {"message_success", msg::kIcon | msg::kSuccess, "", "The video was downloaded."},
        {"message_error", msg::kIcon | msg::kError, "Anlysis failed", "Can not anlysis this url!"},
    };
    for (const Kind& kind : kinds) {
        QMessageDlg dialog;
        dialog.setMessage(QString::fromUtf8(kind.text));
        if (*kind.title)
            dialog.setTitle(QString::fromUtf8(kind.title));
        dialog.setFlags(kind.flags);
        save(&dialog, kind.name);
        dialog.hide();
    }
}

// ---- the player ----------------------------------------------------------------
// The engine draws the video into its own window, which a widget grab does
// not see: these pictures are taken from the screen.

void saveScreenRect(const QRect& rect, const QString& name) {
    const QImage shot = QGuiApplication::primaryScreen()
                            ->grabWindow(0, rect.x(), rect.y(), rect.width(), rect.height())
                            .toImage();
    const QString path = g_out.filePath(name + ".png");
    if (!shot.isNull() && shot.save(path)) {
        ++g_written;
        std::printf("%s\n", qPrintable(path));
    } else {
        std::fprintf(stderr, "cannot write %s\n", qPrintable(path));
    }
}

bool makeClip(const QString& path, const QString& source) {
    const int code = QProcess::execute(
        "ffmpeg",
        {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i", source, "-f", "lavfi",
         "-i", "sine=frequency=440:duration=20", "-shortest", "-pix_fmt", "yuv420p", path});
    return code == 0;
}

void savePlayer() {
    // A player of its own, silent: the main window's was made before.
    PlayerWidget::destroyInstance();
    qputenv("KESTREL_AO", "null");
    QTemporaryDir folder;
    const QString first = folder.filePath("Mountain lake at dawn.mp4");
    const QString second = folder.filePath("City lights.mp4");
    const QString third = folder.filePath("Harbour timelapse.mp4");
    if (!makeClip(first, "testsrc2=size=640x360:rate=25:duration=20") ||
        !makeClip(second, "mandelbrot=size=640x360:rate=25") ||
        !makeClip(third, "smptehdbars=size=640x360:rate=25:duration=20")) {
        std::fprintf(stderr, "ffmpeg could not make the player's clips\n");
        return;
    }
    PlayerWidget* player = PlayerWidget::instance();
    player->m_playListWidget->addFiles({second, third}, false);
    player->playFile(first);
    player->move(40, 40);
    settle(1500);
    player->OnBtnPause();
    settle(400);
    saveScreenRect(player->frameGeometry(), "player_playing");
    saveScreenRect(player->m_playListWidget->geometry().translated(player->geometry().topLeft()),
                   "player_play_list");

    player->OnBtnFullScreen();
    settle(800);
    VideoSurfaceWidget* surface = player->m_videoWidget;
    const QPoint low(surface->width() / 2, surface->height() - 20);
    QMouseEvent move(QEvent::MouseMove, low, surface->mapToGlobal(low), Qt::NoButton, Qt::NoButton,
                     Qt::NoModifier);
    QApplication::sendEvent(surface, &move);
    settle(500);
    saveScreenRect(player->screen()->geometry(), "player_full_screen");
    player->OnBtnFullScreen();
    settle(300);

    player->OnBtnSnapSetting();
    save(player->snapshotDialog(), "snapshot_settings");
    player->snapshotDialog()->hide();
    player->OnBtnClose();
    PlayerWidget::destroyInstance();
}

// --- the Downloaded and Converted lists, a conversion, the format chooser ---

// Clips of test patterns made by the ffmpeg program; false when it is
// missing.
// The last one is long, so that its conversion is caught running.
bool makeClips(const QString& folder, const QStringList& names) {
    int hue = 0;
    for (const QString& name : names) {
        const int seconds = name == names.last() ? 60 : 6;
        const QString source = QString("testsrc2=size=320x180:rate=25:duration=%1,hue=h=%2")
                                   .arg(seconds)
                                   .arg(hue += 50);
        if (QProcess::execute(
                "ffmpeg", {"-hide_banner", "-loglevel", "error", "-y", "-f", "lavfi", "-i", source,
                           "-f", "lavfi", "-i", QString("sine=duration=%1").arg(seconds),
                           "-shortest", folder + "/" + name}) != 0)
            return false;
    }
    return true;
}

bool waitUntil(const std::function<bool()>& done, int ms) {
    QElapsedTimer timer;
    timer.start();
    while (!done() && timer.elapsed() < ms)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    return done();
}

bool allProbed(const MediaListWidget& list) {
    return std::all_of(list.items().begin(), list.items().end(),
                       [](const MediaBar* row) { return row->hasFacts(); });
}

// The lists write their files into a scratch application directory that
// borrows the real one's skin and presets, so that the real lists stay
// untouched.
void saveLibrary() {
    const QString realHome = appfiles::applicationDir();
    QTemporaryDir home;
    for (const char* name : {"image", "pic", "format.xml"})
        QFile::link(realHome + "/" + name, home.path() + "/" + name);
    QDir(home.path()).mkpath("media");
    const QByteArray previous = qgetenv("CLIPWRIGHT_HOME");
    qputenv("CLIPWRIGHT_HOME", home.path().toUtf8());
    PreferencesStore::instance().user.convertPath = home.path() + "/converted";
    const QString media = home.path() + "/media";
    const QStringList names = {"Mountain lake at dawn.mp4", "City lights timelapse.mkv",
                               "Cooking pasta.flv", "Guitar lesson 3.avi"};
    if (makeClips(media, names)) {
        DownloadedWidget downloaded;
        downloaded.resize(835, 480);
        for (const QString& name : names)
            downloaded.addNewItemBar(media + "/" + name, "http://example.test/watch?v=1");
        waitUntil([&] { return allProbed(downloaded); }, 20000);
        save(&downloaded, "downloaded_list");
        downloaded.OnBtnSmallDisplay();
        save(&downloaded, "downloaded_list_small");
        downloaded.OnBtnBigDisplay();

        FormatWidget* chooser = downloaded.formatWidget();
        const char* pages[] = {"video", "audio", "hd", "web"};
        chooser->OnBtnFormat();
        for (int i = 0; i < 4; ++i) {
            chooser->ChangeItemWidget(ItemBtnTag(i));
            save(chooser, QString("format_chooser_%1").arg(pages[i]));
        }
        chooser->OnBtnDevice();
        save(chooser, "format_chooser_device");
        chooser->OnBtnFavotite();
        save(chooser, "format_chooser_favorite");
        chooser->OnBtnSearch();
        chooser->SearchText("video");
        save(chooser, "format_chooser_search");
        chooser->hide();

        ConvertedWidget converted;
        converted.resize(835, 480);
        QObject::connect(&downloaded, &DownloadedWidget::emitVideo, &converted,
                         &ConvertedWidget::AddNewItemBar);
        downloaded.row(0)->startConversion("mkv");
        downloaded.row(3)->startConversion("mp4");
        waitUntil([&] { return downloaded.row(3)->job()->percent() > 20; }, 20000);
        downloaded.row(3)->OnPauseConvert();
        save(&downloaded, "downloaded_list_converting");
        downloaded.row(3)->OnCancelConvert();
        QFile::remove(downloaded.row(3)->job()->outputPath());
        waitUntil([&] { return downloaded.row(0)->state() == ConversionJob::Finished; }, 60000);
        downloaded.row(2)->startConversion("mp3");
        waitUntil([&] { return downloaded.row(2)->state() == ConversionJob::Finished; }, 60000);
        waitUntil([&] { return allProbed(converted); }, 20000);
        save(&converted, "converted_list");
    } else {
        std::fprintf(stderr, "no ffmpeg: the library lists are not drawn\n");
    }
    if (previous.isNull())
        qunsetenv("CLIPWRIGHT_HOME");
    else
        qputenv("CLIPWRIGHT_HOME", previous);
}

// --- the browser -------------------------------------------------------------

// Opens a tab showing `html` as if it came from a web address, and waits
// for it to load.
OnlineWebWidget* openBrowserTab(MainSelectWidget* centre, const QString& html,
                                const QString& address) {
    centre->onlineTabs()->m_btnNewTab->click();
    centre->CreateWebPage(QUrl());  // an empty page in the new tab
    OnlineWebWidget* page = centre->currentWebPage();
    bool loaded = false;
    QObject::connect(page->view(), &QWebEngineView::loadFinished, page,
                     [&](bool ok) { loaded = loaded || ok; });
    page->view()->setHtml(html, QUrl(address));
    waitUntil([&] { return loaded; }, 10000);
    centre->onlineTool()->setAddressText(address);
    return page;
}

// The start page with the shipped tiles, then two tabs, the second one a
// page whose video has the Download tip over it.
void saveBrowser(MainWindow& window) {
    MainSelectWidget* centre = window.pageContainer();
    window.OnBtnOnline();
    save(&window, "browser_start_page");
    openBrowserTab(
        centre,
        "<html><head><title>Video sites</title></head><body style='font:15px sans-serif;"
        "margin:30px'><h1>Video sites</h1><p>Pages open in tabs; a link with a new-window "
        "target opens another tab.</p></body></html>",
        "http://127.0.0.1/sites.html");
    OnlineWebWidget* page = openBrowserTab(
        centre,
        "<html><head><title>Evening clip</title></head><body style='margin:0;font:15px sans-serif;"
        "background:#f4f6f7'><h2 style='margin:20px 40px'>Evening clip</h2><video id='v' "
        "style='position:absolute;left:40px;top:110px;width:560px;height:315px;"
        "background:#1d2327'></video></body></html>",
        "http://127.0.0.1/clip.html");
    // The tip as the tracking shows it with the pointer over the video
    // (the tracking itself is stopped: the pointer is elsewhere).
    page->view()->StopTimer();
    page->ShowDownTip(true, QPoint(40 + 560, 110));
    save(&window, "browser_tip_over_video");
    window.OnBtnDown();
}

// What the program tells the user: a failed row with its reason, an image
// button with the keyboard's focus mark, and a rounded dialog as the X
// server itself shows it (taken from the screen, so that corners a missing
// compositor would paint black are seen).
void saveFeedback(QWidget* parent) {
    VideoProgressBar row;
    row.ensureForm();
    row.resize(835, 98);
    row.startAnalysis("not a page address");
    QElapsedTimer waited;
    waited.start();
    while (row.m_state != Failed && waited.elapsed() < 10000)
        settle(50);
    save(&row, "row_failed_with_reason");

    DeleteTipDialog question(parent);
    question.show();
    question.activateWindow();
    settle(200);
    question.okButton()->setFocus(Qt::TabFocusReason);
    save(&question, "focus_mark");
    question.hide();

    QMessageDlg message;
    message.setMessage("A rounded dialog on the screen, without a compositor.");
    message.move(200, 200);
    message.show();
    settle(400);
    const QRect around = message.frameGeometry().adjusted(-12, -12, 12, 12);
    const QPixmap screen =
        message.screen()->grabWindow(0, around.x(), around.y(), around.width(), around.height());
    const QString path = g_out.filePath("dialog_corners_on_screen.png");
    if (screen.save(path)) {
        ++g_written;
        std::printf("%s\n", qPrintable(path));
    }
    message.hide();
}

}  // namespace

int main(int argc, char** argv) {
    webengine::prepareBeforeApplication();
    QApplication app(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: clipwright-screenshots OUTPUT_DIR\n");
        return 2;
    }
    g_out = QDir(QString::fromLocal8Bit(argv[1]));
    QDir().mkpath(g_out.absolutePath());

    {
        BootWidget splash;
        save(&splash, "splash");
    }
    MainWindow window;
    window.move(40, 40);
    save(&window, "main_window");
    window.mainMenu()->popup(window.mapToGlobal(QPoint(window.width() - 140, 30)));
    save(window.mainMenu(), "main_menu");
    window.mainMenu()->hide();
    saveBrowser(window);

    PreferencesDialog preferences(&window);
    preferences.OnbtnGeneral();
    save(&preferences, "preferences_general");
    preferences.OnbtnDownload();
    save(&preferences, "preferences_download");
    preferences.OnbtnLocation();
    save(&preferences, "preferences_location");
    preferences.hide();

    saveMessages();

    CloseTipDialog closeQuestion(&window);
    save(&closeQuestion, "close_question");
    closeQuestion.hide();
    DeleteTipDialog deleteQuestion(&window);
    save(&deleteQuestion, "delete_question");
    deleteQuestion.hide();
    AboutDialog about(&window);
    save(&about, "about");
    about.hide();
    VideoSitesDialog sites(&window);
    save(&sites, "supported_sites");
    sites.hide();

    saveFeedback(&window);
    saveLibrary();
    savePlayer();

    saveSkinSheets();
    std::printf("%d screenshots in %s\n", g_written, qPrintable(g_out.absolutePath()));
    return g_written > 0 ? 0 : 1;
}
