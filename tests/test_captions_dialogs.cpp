// Captions and fonts of the dialogs for English, Japanese, Chinese and other systems with either
// choice of language (and an out-of-range choice). With TELVARO_SCREENSHOT_DIR set, each window
// is also saved as a picture there.
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTreeView>
#include <pty.h>
#include <unistd.h>

#include "datafiles/SettingsFile.h"
#include "dialogs/FrmDriveList.h"
#include "dialogs/FrmHelp.h"
#include "dialogs/FrmMeasureSetting.h"
#include "dialogs/FrmOption.h"
#include "dialogs/FrmRS232CSetting.h"
#include "i18n/Texts.h"
#include "startup/Variable.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

namespace {

// Row size meaning "left as designed" (the application font's size; the test makes it 11 so that
// it differs from the rule's 9 and 10, except when it takes pictures of what a user sees).
constexpr int kDesignedSize = 0;
int designedSize() { return QApplication::font().pointSize(); }

struct Row {
    const char *name;
    QByteArray locale;
    qint16 choice;
    QString texts;    // which texts show: en, ja, zh, zhEn (English from the Chinese block)
    int size;         // point size of the listed controls (kDesignedSize = left as designed)
    bool cjkFace;     // listed controls get a face that shows Japanese and Chinese
    QString browse;   // icon, word or designed
    QString option2;  // the second language option
};

const QList<Row> &rows()
{
    static const QList<Row> list = {
        {"English system, own language", "en_US.UTF-8", 0, "en", 9, false, "icon", "Japanese"},
        {"English system, English", "en_US.UTF-8", 1, "en", 9, false, "icon", "Japanese"},
        {"Japanese system, Japanese", "ja_JP.UTF-8", 0, "ja", 9, true, "word", "Japanese"},
        {"Japanese system, English", "ja_JP.UTF-8", 1, "en", 9, true, "icon", "Japanese"},
        {"Japanese system, choice 2", "ja_JP.UTF-8", 2, "ja", 9, true, "designed", "Japanese"},
        {"Chinese system, Chinese", "zh_CN.UTF-8", 0, "zh", 10, true, "word", "汉语"},
        {"Chinese system, English", "zh_CN.UTF-8", 1, "zhEn", 9, true, "icon", "Chinese"},
        {"Chinese system, choice 2", "zh_CN.UTF-8", 2, "zh", kDesignedSize, true, "designed", "汉语"},
        {"German system, own language", "de_DE.UTF-8", 0, "en", 9, false, "icon", "Japanese"},
        {"German system, English", "de_DE.UTF-8", 1, "en", 9, false, "icon", "Japanese"},
    };
    return list;
}

void addRows()
{
    QTest::addColumn<int>("row");
    for (int i = 0; i < rows().size(); ++i)
        QTest::newRow(rows()[i].name) << i;
}

QString pick(const QString &texts, const QString &en, const QString &ja, const QString &zh)
{
    if (texts == QLatin1String("ja"))
        return ja;
    if (texts == QLatin1String("zh"))
        return zh;
    return en;
}

bool isCjkFace(const QFont &font)
{
    const QString family = QFontInfo(font).family();
    return family == QLatin1String("MS PGothic") || family.contains(QLatin1String("CJK"));
}

// The font rule on one listed control.
void checkRuleFont(QWidget *w, const Row &r)
{
    const QString what = w->objectName();
    const int size = r.size == kDesignedSize ? designedSize() : r.size;
    QVERIFY2(w->font().pointSize() == size,
             qPrintable(what + QStringLiteral(" size %1").arg(w->font().pointSize())));
    QVERIFY2(isCjkFace(w->font()) == r.cjkFace, qPrintable(what + QLatin1Char(' ') + QFontInfo(w->font()).family()));
}

// A control that keeps its designed font.
void checkDesignedFont(QWidget *w)
{
    QVERIFY2(w->font().pointSize() == designedSize(), qPrintable(w->objectName()));
    QCOMPARE(w->font().family(), QApplication::font().family());
}

void screenshot(QWidget *w, const QString &name, const Row &r)
{
    const QString dir = QString::fromLocal8Bit(qgetenv("TELVARO_SCREENSHOT_DIR"));
    if (dir.isEmpty() || r.choice != 0 || r.locale.startsWith("de") || r.locale.startsWith("zh"))
        return;
    w->show();
    w->adjustSize();
    QTest::qWait(500);
    const QString lang = r.locale.startsWith("ja") ? QStringLiteral("ja") : QStringLiteral("en");
    w->grab().save(QDir(dir).filePath(QStringLiteral("dialogs-%1-%2.png").arg(name, lang)));
}

struct Setup {
    explicit Setup(const Row &r) : folder(r.locale)
    {
        setLanguageState(r.locale, r.choice);
        qputenv("TELVARO_EXTRA_PORTS", "");
        // The settings a first start has, as the dialogs show them.
        settingsfile::SetComputerDefaults(Variable::Settings);
        settingsfile::SetComPortDefaults(Variable::Settings);
        settingsfile::SetMeasureDefaults(Variable::Settings, LoadResString(126));
        Variable::Settings.MeasureSampleValue = 600;
    }
    TestProgramFolder folder;
    ScriptedPrompts prompts;
};

} // namespace

class TestCaptionsDialogs : public QObject {
    Q_OBJECT
private slots:
    void initTestCase();
    void measureSetting_data() { addRows(); }
    void measureSetting();
    void serialSetting_data() { addRows(); }
    void serialSetting();
    void option_data() { addRows(); }
    void option();
    void driveList_data() { addRows(); }
    void driveList();
    void help_data() { addRows(); }
    void help();
};

void TestCaptionsDialogs::initTestCase()
{
    if (!qEnvironmentVariableIsEmpty("TELVARO_SCREENSHOT_DIR"))
        return;
    QFont designed = QApplication::font();
    designed.setPointSize(11);
    QApplication::setFont(designed);
}

void TestCaptionsDialogs::measureSetting()
{
    QFETCH(int, row);
    const Row &r = rows()[row];
    Setup setup(r);
    FrmMeasureSetting w;
    const QString t = r.texts;
    QCOMPARE(w.windowTitle(), pick(t, "Measure Set", "計測設定", "测试设定"));
    QStringList items;
    for (int i = 0; i < w.Combo1->count(); ++i)
        items << w.Combo1->itemText(i);
    QCOMPARE(items, t == QLatin1String("ja")   ? QStringList({"１秒", "２秒", "５秒", "１０秒", "３０秒", "６０秒"})
                    : t == QLatin1String("zh") ? QStringList({"1秒", "2秒", "5秒", "10秒", "30秒", "60秒"})
                                               : QStringList({"1sec", "2sec", "5sec", "10sec", "30sec", "60sec"}));
    QCOMPARE(w.Frame1->title(), pick(t, "Mode", "モード選択", "方式选择"));
    QCOMPARE(w.Frame2->title(), pick(t, "Graph", "グラフ", "曲线"));
    QCOMPARE(w.Option1->text(), pick(t, "Standard Mode", "標準モード", "标准方式"));
    QCOMPARE(w.Option2->text(), pick(t, "Detailed Mode", "詳細モード", "详细方式"));
    QCOMPARE(w.Label1->text(), pick(t, "Number of Data:", "取り込みデータ数：", "数据数:"));
    QCOMPARE(w.Label2->text(), pick(t, "Sampling Time:", "サンプリング間隔：", "采样:"));
    QCOMPARE(w.Check1->text(), QStringLiteral("CO"));
    QCOMPARE(w.Check2->text(), QStringLiteral("CO2"));
    QCOMPARE(w.Check3->text(), pick(t, "Temperature", "温度", "温度"));
    QCOMPARE(w.Check4->text(), pick(t, "Relative Humidity", "相対湿度", "相对湿度"));
    QCOMPARE(w.Command1->text(), pick(t, "OK", "OK", "确定"));
    QCOMPARE(w.Command2->text(), pick(t, "Cancel", "キャンセル", "取消"));
    for (QWidget *c : std::initializer_list<QWidget *>{w.Combo1, w.Frame1, w.Frame2, w.Option1, w.Option2, w.Check1,
                                                       w.Check2, w.Check3, w.Check4, w.Command1, w.Command2, w.Label1,
                                                       w.Label2, w.Text1})
        checkRuleFont(c, r);
    screenshot(&w, QStringLiteral("measure"), r);
}

void TestCaptionsDialogs::serialSetting()
{
    QFETCH(int, row);
    const Row &r = rows()[row];
    Setup setup(r);
    int master = -1, slave = -1;
    char name[256] = {};
    QCOMPARE(openpty(&master, &slave, name, nullptr, nullptr), 0);
    qputenv("TELVARO_EXTRA_PORTS", name);
    Variable::Settings.RsPort = QString::fromLocal8Bit(name);
    FrmRS232CSetting w;
    ::close(slave);
    ::close(master);
    QCOMPARE(w.Combo2->currentText(), QString::fromLocal8Bit(name));
    const QString t = r.texts;
    QCOMPARE(w.windowTitle(), pick(t, "RS232C", "通信設定", "通信设定"));
    QCOMPARE(w.Label1->text(), pick(t, "Connected channel", "接続チャンネル", "连接的通道"));
    QCOMPARE(w.Label2->text(), pick(t, "Port", "ポート番号", "接口号"));
    QCOMPARE(w.Label3->text(), pick(t, "Baud rate", "ボーレート", "波特率"));
    QCOMPARE(w.Label4->text(), pick(t, "Data Bit", "データビット", "数据位"));
    QCOMPARE(w.Label5->text(), pick(t, "Parity", "パリティ", "二进制"));
    QCOMPARE(w.Label6->text(), pick(t, "Stop Bit", "ストップビット", "停止位"));
    QCOMPARE(w.Label7->text(), pick(t, "Flow", "フロー制御", "流量控制"));
    QCOMPARE(w.Command1->text(), pick(t, "OK", "OK", "确定"));
    QCOMPARE(w.Command2->text(), pick(t, "Cancel", "キャンセル", "取消"));
    for (QWidget *c : std::initializer_list<QWidget *>{w.Label1, w.Label2, w.Label3, w.Label4, w.Label5, w.Label6,
                                                       w.Label7, w.Command1, w.Command2})
        checkRuleFont(c, r);
    for (QWidget *c : std::initializer_list<QWidget *>{w.Combo1, w.Combo2, w.Combo3, w.Combo4, w.Combo5, w.Combo6,
                                                       w.Combo7})
        checkDesignedFont(c);
    // The port-not-found message, if this machine has no free port, uses the texts of the row.
    for (const auto &m : setup.prompts.messages)
        QCOMPARE(m.text, pick(t, "RS232C Port not Found.", "RS232Cポートが搭載されていません。", "没有RS232C"));
    screenshot(&w, QStringLiteral("serial"), r);
}

void TestCaptionsDialogs::option()
{
    QFETCH(int, row);
    const Row &r = rows()[row];
    Setup setup(r);
    Variable::Settings.DefaultFolder = setup.folder.path();
    FrmOption w;
    const QString t = r.texts;
    const QString title = pick(t, "Option", "オプション設定", "选择设定");
    QCOMPARE(w.windowTitle(), title);
    QCOMPARE(w.SSTab1->tabText(0), title);
    QCOMPARE(w.Label1->text(), t == QLatin1String("zhEn") ? QStringLiteral("Save Folder of Data")
                                                           : pick(t, "Data storage folder", "データ保存フォルダ",
                                                                  "保存数据的文件夹"));
    QCOMPARE(w.Frame1->title(), pick(t, "Please choose language.", "Please choose language.", "请选择语言"));
    QCOMPARE(w.Frame2->title(), pick(t, "Mode(Debug/Run) change", "Debug/Run モード切替", "Debug/Run 方式转换"));
    QCOMPARE(w.Command1->text(), pick(t, "OK", "OK", "确定"));
    QCOMPARE(w.Command2->text(), pick(t, "Cancel", "キャンセル", "取消"));
    QCOMPARE(w.Option1->text(), pick(t, "English", "English", "英语"));
    QCOMPARE(w.Option2->text(), r.option2);
    QCOMPARE(w.Option3->text(), QStringLiteral("Run"));
    QCOMPARE(w.Option4->text(), QStringLiteral("Debug"));

    const int dpi = w.Command3->logicalDpiX();
    if (r.browse == QLatin1String("word")) {
        QCOMPARE(w.Command3->text(), pick(t, "...", "参照", "参照"));
        QVERIFY(w.Command3->icon().isNull());
        QCOMPARE(w.Command3->width(), qRound(510.0 * dpi / 1440));
    } else if (r.browse == QLatin1String("icon")) {
        QCOMPARE(w.Command3->text(), QString());
        QVERIFY(!w.Command3->icon().isNull());
        QCOMPARE(w.Command3->width(), qRound(345.0 * dpi / 1440));
    } else {
        QCOMPARE(w.Command3->text(), QStringLiteral("..."));
        QVERIFY(w.Command3->icon().isNull());
        QCOMPARE(w.Command3->width(), qRound(345.0 * dpi / 1440));
    }
    if (dpi == 96)
        QCOMPARE(w.Command3->width(), r.browse == QLatin1String("word") ? 34 : 23);

    for (QWidget *c : std::initializer_list<QWidget *>{w.Label1, w.Frame1, w.Frame2, w.Option1, w.Option2, w.Command1,
                                                       w.Command2, w.Text1, w.SSTab1})
        checkRuleFont(c, r);
    // The browse button gets the size but keeps its face; Run and Debug keep their font.
    QCOMPARE(w.Command3->font().pointSize(), r.size == kDesignedSize ? designedSize() : r.size);
    QCOMPARE(w.Command3->font().family(), QApplication::font().family());
    checkDesignedFont(w.Option3);
    checkDesignedFont(w.Option4);
    screenshot(&w, QStringLiteral("option"), r);
    // With the service key the hidden groups show.
    w.SSTab1->tabBar()->setFocus();
    QTest::keyClick(w.SSTab1->tabBar(), Qt::Key_L);
    screenshot(&w, QStringLiteral("option-service"), r);
}

void TestCaptionsDialogs::driveList()
{
    QFETCH(int, row);
    const Row &r = rows()[row];
    Setup setup(r);
    Variable::Settings.DefaultFolder = setup.folder.path();
    DriveListCaller = 1;
    FrmDriveList w;
    const QString t = r.texts;
    QCOMPARE(w.windowTitle(), pick(t, "Folder Setup", "フォルダ設定", "设定文件夹"));
    QCOMPARE(w.Command1->text(), pick(t, "OK", "OK", "确定"));
    QCOMPARE(w.Command2->text(), pick(t, "Cancel", "キャンセル", "取消"));
    for (QWidget *c : std::initializer_list<QWidget *>{w.Command1, w.Command2, w.Text1})
        checkRuleFont(c, r);
    checkDesignedFont(w.Drive1);
    checkDesignedFont(w.Dir1);
    screenshot(&w, QStringLiteral("folder"), r);
    DriveListCaller = 0;
}

void TestCaptionsDialogs::help()
{
    QFETCH(int, row);
    const Row &r = rows()[row];
    Setup setup(r);
    FrmHelp w;
    const QString t = r.texts;
    const QString title = pick(t, "Telvaro Monitor Software", "Telvaroモニターソフトウェア", "Telvaro监视软件");
    QCOMPARE(w.windowTitle(), title);
    QCOMPARE(w.lblTitle->text(), title);
    QCOMPARE(w.lblVersion->text(), QStringLiteral("Version 1.04"));
    QVERIFY(w.lblDescription->text().startsWith(QStringLiteral("\r\r")));
    QCOMPARE(w.lblDisclaimer->text(), QString());
    QCOMPARE(w.cmdOK->text(), pick(t, "OK", "OK", "确定"));
    QCOMPARE(w.cmdSysInfo->text(), pick(t, "System Info(&S)", "System Info(&S)", "系统信息(&S)"));
    for (QWidget *c : std::initializer_list<QWidget *>{w.lblTitle, w.lblVersion, w.lblDescription, w.lblDisclaimer,
                                                       w.cmdOK, w.cmdSysInfo})
        checkRuleFont(c, r);
    screenshot(&w, QStringLiteral("about"), r);
}

QTEST_MAIN(TestCaptionsDialogs)
#include "test_captions_dialogs.moc"
