#pragma once

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

// A fresh program folder as current directory, a locale, and the global state reset.
// Restores the previous directory and environment when it goes away.
class TestProgramFolder {
public:
    // locale: "en_US.UTF-8", "ja_JP.UTF-8", "zh_CN.UTF-8", "de_DE.UTF-8"...
    explicit TestProgramFolder(const QByteArray &locale = "en_US.UTF-8");
    ~TestProgramFolder();

    QString path() const { return m_dir.path(); }
    QString filePath(const QString &name) const { return m_dir.filePath(name); }
    QByteArray readFile(const QString &name) const;
    void writeFile(const QString &name, const QByteArray &bytes) const;

private:
    QTemporaryDir m_dir;
    QString m_oldCwd;
    QByteArray m_oldLang, m_oldLcAll, m_oldDataHome;
};

// The bytes of a file; empty when it cannot be read.
QByteArray readTestFile(const QString &path);

class FrmMenu;
// The program's main window, as start-up made it (nullptr when there is none).
FrmMenu *mainWindow();

// Set the language state the way start-up and the main window load do, from a locale and a choice.
void setLanguageState(const QByteArray &locale, qint16 languageChoice);
