#include "support/TestEnv.h"

#include <QApplication>
#include <QDir>
#include <QFile>

#include "i18n/Language.h"
#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "serial/RS232C.h"

TestProgramFolder::TestProgramFolder(const QByteArray &locale)
{
    m_oldCwd = QDir::currentPath();
    m_oldLang = qgetenv("LANG");
    m_oldLcAll = qgetenv("LC_ALL");
    m_oldDataHome = qgetenv("XDG_DATA_HOME");
    // The run journal lives in the per-user data folder: a private one for each test.
    qputenv("XDG_DATA_HOME", QDir(m_dir.path()).filePath(QStringLiteral(".data")).toLocal8Bit());
    qputenv("LC_ALL", locale);
    qputenv("LANG", locale);
    QDir::setCurrent(m_dir.path());
    i18n::language() = LanguageState();
    i18n::language().systemLanguage = language::detectSystemLanguage();
    SetProgramEnding(false);
}

TestProgramFolder::~TestProgramFolder()
{
    QDir::setCurrent(m_oldCwd);
    qputenv("LANG", m_oldLang);
    qputenv("LC_ALL", m_oldLcAll);
    qputenv("XDG_DATA_HOME", m_oldDataHome);
}

QByteArray TestProgramFolder::readFile(const QString &name) const { return readTestFile(filePath(name)); }

QByteArray readTestFile(const QString &path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

void TestProgramFolder::writeFile(const QString &name, const QByteArray &bytes) const
{
    QFile f(filePath(name));
    if (f.open(QIODevice::WriteOnly))
        f.write(bytes);
}

void setLanguageState(const QByteArray &locale, qint16 languageChoice)
{
    qputenv("LC_ALL", locale);
    qputenv("LANG", locale);
    i18n::language().systemLanguage = language::detectSystemLanguage();
    i18n::language().choice = languageChoice;
    i18n::language().resIdBase = 0;
    ComputeResIdBase();
}

FrmMenu *mainWindow()
{
    for (QWidget *w : QApplication::topLevelWidgets())
        if (auto *menu = qobject_cast<FrmMenu *>(w))
            return menu;
    return nullptr;
}
