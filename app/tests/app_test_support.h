// A temporary application directory for the shell's tests: it holds the
// generated skin (linked from the build) and whatever Preferences.xml a test
// writes, and CLIPWRIGHT_HOME points at it for the test's lifetime.
#pragma once

#include <QFile>
#include <QString>
#include <filesystem>

#include "app/preferences_store.h"
#include "testing/temp_dir.h"
#include "widgets/tests/gui_test_app.h"

class AppDirTest : public GuiTest {
protected:
    AppDirTest() : m_home("CLIPWRIGHT_HOME", m_dir.path().string()) {
        const std::filesystem::path built(CLIPWRIGHT_BUILD_APP_DIR);
        std::filesystem::create_directory_symlink(built / "image", m_dir.path() / "image");
        std::filesystem::create_directory_symlink(built / "pic", m_dir.path() / "pic");
        PreferencesStore::instance().resetToFallbacks();
    }

    QString path(const char* name) const {
        return QString::fromStdString((m_dir.path() / name).string());
    }

    void writeFile(const char* name, const QByteArray& bytes) {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray readFile(const char* name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    bool exists(const char* name) const { return QFile::exists(path(name)); }

    PreferencesStore& store() { return PreferencesStore::instance(); }

private:
    testing_support::TempDir m_dir;
    testing_support::ScopedEnv m_home;
};
