// Captions and fonts of the dialogs for each system and choice of language. With
// TELVARO_SCREENSHOT_DIR set, each window is also saved as a picture there.
#include <QTest>
#include <QtWidgets>

#include "dialogs/FrmDriveList.h"
#include "dialogs/FrmHelp.h"
#include "dialogs/FrmMeasureSetting.h"
#include "dialogs/FrmOption.h"
#include "dialogs/FrmRS232CSetting.h"
#include "support/DialogSession.h"

namespace {
// Locale and choice (2 out of range): texts shown (ZhEn: English from the Chinese block), point size
// of the controls that take the font rule (0: as designed), a face for CJK text, the browse button.
enum Texts { En, Ja, Zh, ZhEn };
struct Language { QByteArray locale; qint16 choice; Texts texts; int size; bool cjk; QString browse; };
const QList<Language> kLanguages = {
    {"en_US.UTF-8", 0, En, 9, false, "icon"}, {"en_US.UTF-8", 1, En, 9, false, "icon"},
    {"ja_JP.UTF-8", 0, Ja, 9, true, "word"}, {"ja_JP.UTF-8", 1, En, 9, true, "icon"},
    {"ja_JP.UTF-8", 2, Ja, 9, true, "designed"}, {"zh_CN.UTF-8", 0, Zh, 10, true, "word"},
    {"zh_CN.UTF-8", 1, ZhEn, 9, true, "icon"}, {"zh_CN.UTF-8", 2, Zh, 0, true, "designed"},
    {"de_DE.UTF-8", 0, En, 9, false, "icon"}, {"de_DE.UTF-8", 1, En, 9, false, "icon"},
};

template <typename T> QDialog *create()
{
    if constexpr (std::is_constructible_v<T, SettingsRecord>)
        return new T(SettingsRecord());
    else if constexpr (std::is_same_v<T, FrmDriveList>)
        return new T(QStringLiteral(""));  // the picker as the options window opens it, for a folder
    else
        return new T;
}

// Captions ("" the window title, "188" the no-port message, a list's entries joined by "|"; none for a
// text field) by Texts. The controls named take the font rule; those listed last keep the designed font.
struct Caption { const char *control, *en = nullptr, *ja = nullptr, *zh = nullptr, *zhEn = nullptr; };
struct Dialog { QDialog *(*make)(); const char *picture; QList<Caption> captions; QStringList designedFont = {}; };
const Caption kOk{"Command1", "OK", "OK", "确定"}, kCancel{"Command2", "Cancel", "キャンセル", "取消"};
const QList<Dialog> kDialogs = {
    {create<FrmMeasureSetting>, "measure", {{"", "Measure Set", "計測設定", "测试设定"}, {"Frame1", "Mode", "モード選択", "方式选择"},
     {"Combo1", "1sec|2sec|5sec|10sec|30sec|60sec", "１秒|２秒|５秒|１０秒|３０秒|６０秒", "1秒|2秒|5秒|10秒|30秒|60秒"},
     {"Frame2", "Graph", "グラフ", "曲线"}, {"Option1", "Standard Mode", "標準モード", "标准方式"},
     {"Option2", "Detailed Mode", "詳細モード", "详细方式"}, {"Label1", "Number of Data:", "取り込みデータ数：", "数据数:"},
     {"Label2", "Sampling Time:", "サンプリング間隔：", "采样:"}, {"Check1", "CO", "CO", "CO"}, {"Check2", "CO2", "CO2", "CO2"},
     {"Check3", "Temperature", "温度", "温度"}, {"Check4", "Relative Humidity", "相対湿度", "相对湿度"}, kOk, kCancel,
     {"Text1"}}},
    {create<FrmRS232CSetting>, "serial", {{"", "RS232C", "通信設定", "通信设定"},
     {"Label1", "Connected channel", "接続チャンネル", "连接的通道"}, {"Label2", "Port", "ポート番号", "接口号"},
     {"Label3", "Baud rate", "ボーレート", "波特率"}, {"Label4", "Data Bit", "データビット", "数据位"},
     {"Label5", "Parity", "パリティ", "二进制"}, {"Label6", "Stop Bit", "ストップビット", "停止位"}, {"Label7", "Flow", "フロー制御", "流量控制"},
     kOk, kCancel, {"188", "RS232C Port not Found.", "RS232Cポートが搭載されていません。", "没有RS232C"}},
     {"Combo1", "Combo2", "Combo3", "Combo4", "Combo5", "Combo6", "Combo7"}},
    {create<FrmOption>, "option", {{"", "Option", "オプション設定", "选择设定"}, {"SSTab1", "Option", "オプション設定", "选择设定"},
     {"Label1", "Data storage folder", "データ保存フォルダ", "保存数据的文件夹", "Save Folder of Data"},
     {"Frame1", "Please choose language.", "Please choose language.", "请选择语言"},
     {"Frame2", "Mode(Debug/Run) change", "Debug/Run モード切替", "Debug/Run 方式转换"}, kOk, kCancel,
     {"Option1", "English", "English", "英语"}, {"Option2", "Japanese", "Japanese", "汉语", "Chinese"}, {"Text1"}},
     {"Option3", "Option4"}},
    {create<FrmDriveList>, "folder", {{"", "Folder Setup", "フォルダ設定", "设定文件夹"}, kOk, kCancel, {"Text1"}},
     {"Drive1", "Dir1"}},
    {create<FrmHelp>, "about", {{"", "Telvaro Monitor Software", "Telvaroモニターソフトウェア", "Telvaro监视软件"},
     {"lblTitle", "Telvaro Monitor Software", "Telvaroモニターソフトウェア", "Telvaro监视软件"},
     {"lblVersion", "Version 1.04", "Version 1.04", "Version 1.04"}, {"lblDisclaimer", "", "", ""},
     {"cmdOK", "OK", "OK", "确定"}, {"cmdSysInfo", "System Info(&S)", "System Info(&S)", "系统信息(&S)"},
     {"lblDescription"}}},
};

QString caption(QWidget *w)
{
    if (auto *tabs = qobject_cast<QTabWidget *>(w))
        return tabs->tabText(0);
    QStringList entries;
    auto *combo = qobject_cast<QComboBox *>(w);
    for (int i = 0; combo && i < combo->count(); ++i)
        entries << combo->itemText(i);
    return combo ? entries.join(QLatin1Char('|')) : w->property(qobject_cast<QGroupBox *>(w) ? "title" : "text").toString();
}

void screenshot(QWidget *w, const QString &name, const Language &l)
{
    const QString dir = qEnvironmentVariable("TELVARO_SCREENSHOT_DIR");
    if (dir.isEmpty() || l.choice != 0 || l.locale.startsWith("de") || l.locale.startsWith("zh"))
        return;
    w->show();
    w->adjustSize();
    QTest::qWait(500);
    w->grab().save(QDir(dir).filePath(QStringLiteral("dialogs-%1-%2.png").arg(name, l.locale.left(2))));
}
} // namespace

class TestCaptionsDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        if (qEnvironmentVariableIsEmpty("TELVARO_SCREENSHOT_DIR"))  // designed 11: unlike the rule's 9 and 10
            QApplication::setFont(QFont(QApplication::font().family(), 11));
        QByteArray missing;  // no serial port: the message comes in the row's language
        for (int i = 1; i <= 16; ++i)
            missing += "/dev/telvaro-test-missing-" + QByteArray::number(i) + ':';
        qputenv("TELVARO_EXTRA_PORTS", missing);
    }

    void captionsAndFonts_data()
    {
        QTest::addColumn<int>("dialog");
        QTest::addColumn<int>("language");
        for (int d = 0; d < kDialogs.size(); ++d)
            for (int l = 0; l < kLanguages.size(); ++l)
                QTest::addRow("%s, %s, %d", kDialogs[d].picture, kLanguages[l].locale.data(), kLanguages[l].choice) << d << l;
    }
    void captionsAndFonts()
    {
        QFETCH(int, dialog);
        QFETCH(int, language);
        const Dialog &d = kDialogs[dialog];
        const Language &l = kLanguages[language];
        TestProgramFolder folder(l.locale);
        ScriptedPrompts prompts;
        setLanguageState(l.locale, l.choice);
        const std::unique_ptr<QDialog> w(d.make());
        const int size = l.size ? l.size : QApplication::font().pointSize();
        for (const Caption &c : d.captions) {
            QWidget *control = *c.control ? w->findChild<QWidget *>(QLatin1String(c.control)) : nullptr;
            const QString shown = control ? caption(control) : *c.control ? prompts.texts().join('|') : w->windowTitle();
            const char *text = l.texts == Ja ? c.ja : l.texts == Zh ? c.zh : l.texts == ZhEn && c.zhEn ? c.zhEn : c.en;
            QVERIFY2(!c.en || shown == QString::fromUtf8(text), qPrintable(QLatin1String(c.control) + ": " + shown));
            if (!control)
                continue;
            const QString family = QFontInfo(control->font()).family();
            const bool cjk = family == QLatin1String("MS PGothic") || family.contains(QLatin1String("CJK"));
            QVERIFY2(control->font().pointSize() == size && cjk == l.cjk, qPrintable(QLatin1String(c.control) + ' ' + family));
        }
        for (const QString &name : d.designedFont)
            QVERIFY2(w->findChild<QWidget *>(name)->font() == QApplication::font(), qPrintable(name));
        screenshot(w.get(), QString::fromLatin1(d.picture), l);
        if (auto *o = qobject_cast<FrmOption *>(w.get())) {
            // The browse button: the word (wider) on a Japanese or Chinese system in its own language, else
            // three dots as a picture, or "..." for a choice out of range; the rule's size, its own face.
            const bool word = l.browse == QLatin1String("word"), icon = l.browse == QLatin1String("icon");
            QCOMPARE(o->browseButton->text(), QString::fromUtf8(word ? "参照" : icon ? "" : "..."));
            QCOMPARE(o->browseButton->icon().isNull(), !icon);
            QCOMPARE(o->browseButton->width(), qRound((word ? 510.0 : 345.0) * o->browseButton->logicalDpiX() / 1440));
            QVERIFY(o->browseButton->font().pointSize() == size && o->browseButton->font().family() == QApplication::font().family());
            QTest::keyClick(o->optionTabs->tabBar(), Qt::Key_L);  // the service key shows the hidden groups
            screenshot(o, QStringLiteral("option-service"), l);
        }
    }
};

QTEST_MAIN(TestCaptionsDialogs)
#include "test_captions_dialogs.moc"
