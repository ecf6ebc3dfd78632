// What the GUI tests share: the one QApplication of a test binary, created
// on first use (after GoogleTest's main has started, on the platform the
// test's environment names: offscreen under CTest), and a scratch
// application directory holding the drawn skin.
#pragma once

#include <gtest/gtest.h>
#include <QApplication>
#include <QImage>
#include <QString>

#include "core/preferences_store.h"
#include "testing/app_dir_files.h"

// The application lives from first use until GoogleTest's global tear-down,
// so that it is gone before the process's static objects are destroyed.
class GuiTestEnvironment : public ::testing::Environment {
public:
    static QApplication*& app() {
        static QApplication* instance = nullptr;
        return instance;
    }
    void TearDown() override {
        // Another environment of the binary (the download tests') may have
        // destroyed the application object already.
        if (QCoreApplication::instance() == app())
            delete app();
        app() = nullptr;
    }
};

inline ::testing::Environment* const kGuiTestEnvironment =
    ::testing::AddGlobalTestEnvironment(new GuiTestEnvironment);

inline QApplication& guiTestApp() {
    static int argc = 1;
    static char name[] = "clipwright-tests";
    static char* argv[] = {name, nullptr};
    if (!GuiTestEnvironment::app())
        GuiTestEnvironment::app() = new QApplication(argc, argv);
    return *GuiTestEnvironment::app();
}

// A fixture base that creates the application before the fixture's own
// members (widgets) are constructed.
class GuiTest : public ::testing::Test {
protected:
    GuiTest() { guiTestApp(); }
};

// A GUI test in a scratch application directory: CLIPWRIGHT_HOME points at
// a fresh folder holding the skin the build drew (linked) and whatever data
// files the test writes; the preferences start from their fallbacks.
class AppDirTest : public GuiTest, protected testing_support::AppDirFiles {
protected:
    AppDirTest() {
        linkBuiltSkin();
        PreferencesStore::instance().resetToFallbacks();
    }
    PreferencesStore& store() { return PreferencesStore::instance(); }
};

// Writes a strip of four solid frames (frame i in colours[i]) and returns
// its path.
inline QString writeFourFrameStrip(const QString& path, int frameWidth, int height,
                                   const QColor (&colours)[4]) {
    QImage strip(frameWidth * 4, height, QImage::Format_ARGB32);
    for (int i = 0; i < 4; ++i) {
        for (int y = 0; y < height; ++y) {
            for (int x = 0; x < frameWidth; ++x)
                strip.setPixelColor(i * frameWidth + x, y, colours[i]);
        }
    }
    strip.save(path, "PNG");
    return path;
}
