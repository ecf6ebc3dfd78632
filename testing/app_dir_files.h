// A scratch application directory with Qt-typed helpers for the files a
// test writes and reads there (Qt Core only). CLIPWRIGHT_HOME points at it
// for the object's lifetime.
#pragma once

#include <gtest/gtest.h>
#include <QByteArray>
#include <QFile>
#include <QString>

#include "testing/temp_dir.h"

namespace testing_support {

class AppDirFiles {
public:
    const std::filesystem::path& dirPath() const { return m_dir.path(); }
    QString path(const char* name) const {
        return QString::fromStdString((m_dir.path() / name).string());
    }

    void writeFile(const char* name, const QByteArray& bytes) const {
        QFile file(path(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(bytes);
    }

    QByteArray readFile(const char* name) const {
        QFile file(path(name));
        return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
    }

    bool exists(const char* name) const { return QFile::exists(path(name)); }

    void linkBuiltSkin() const { m_dir.linkBuiltSkin(); }

private:
    ScratchAppDir m_dir;
};

}  // namespace testing_support
