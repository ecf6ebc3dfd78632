// The one QApplication of a GUI test binary, created on first use (after
// GoogleTest's main has started, on the platform the test's environment
// names: offscreen under CTest).
#pragma once

#include <gtest/gtest.h>
#include <QApplication>
#include <QImage>
#include <QString>

// The application lives from first use until GoogleTest's global tear-down,
// so that it is gone before the process's static objects are destroyed.
class GuiTestEnvironment : public ::testing::Environment {
public:
    static QApplication*& app() {
        static QApplication* instance = nullptr;
        return instance;
    }
    void TearDown() override {
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
