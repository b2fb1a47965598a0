// Save As of the live run through the main window: every way in, cancel, failure, and the question on closing.
#include <QAction>
#include <QMessageBox>
#include <QDate>
#include <QPushButton>
#include <QtTest>

#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "measure/Samples.h"
#include "support/ScriptedPrompts.h"
#include "support/TestEnv.h"

namespace {

// What a finished debug run of three samples leaves behind (Standard Mode: the last four series empty).
void finishedDebugRun(FrmMenu &window, qint16 measureMode)
{
    SampleData d;
    d.origin = SampleData::Origin::LiveRun;
    d.measureMode = measureMode;
    d.sampleTime = measureMode ? LoadResString(128) : QStringLiteral("5sec");  // "5sec" in any language
    d.unit(Quantity::CO) = d.unit(Quantity::CO2) = QStringLiteral("ppm");
    d.unit(Quantity::Temperature) = d.unit(Quantity::DewPoint) = d.unit(Quantity::WetBulb) =
        QString(QChar(0xFF9F)) + 'C';
    d.unit(Quantity::Humidity) = "%RH";
    d.unit(Quantity::AbsHumidity) = "lb/ft3";
    d.unit(Quantity::HumidityRatio) = "g/kg";
    d.atmosPressure = 987;
    const std::array<double, 8> rows[3] = {{3, 412, 21, 38, 7, 14, 6, 9}, {5.5, 2999, -4, 49, 29, 0, 1.25, 29},
                                           {0, 0, 99, 1, 0.5, 30, 10, 0}};
    for (int i = 0; i < 3; ++i) {
        std::array<double, 8> row = rows[i];
        if (!measureMode)
            std::fill(row.begin() + 4, row.end(), 0.0);
        d.append((13 * 3600 + 5 * 60 + 9 + 5 * i) / 86400.0, {}, row);
    }
    window.samples().replace(d);
    window.samples().setPresent(true);
    window.samples().setSaved(false);
}

// The run (or none), the way in, the names given to each Save As ("-" cancels; "run one" is there before), each
// message with its answer (Ok, Yes, No), what "run one" holds at the end.
const struct Case { const char *name, *locale; int run; const char *way, *names, *messages, *expected;
} kCases[] = {{"menu", "en_US.UTF-8", 1, "menu", "run one", "", "menu_save_detailed.csv"},
              {"toolbar", "en_US.UTF-8", 1, "toolbar", "run one", "", "menu_save_detailed.csv"},
              {"Yes on closing", "en_US.UTF-8", 1, "close", "run one", "192Y", "menu_save_detailed.csv"},
              {"Yes before a transfer", "en_US.UTF-8", 1, "transfer", "run one", "192Y", "menu_save_detailed.csv"},
              {"Japanese, Standard", "ja_JP.UTF-8", 0, "menu", "run one", "", "menu_save_standard_ja.csv"},
              {"cancelled, then No on closing", "en_US.UTF-8", 1, "menu", "-", "192N", "oa_tmp_en.csv"},
              {"failed (folder gone), then Yes on closing", "en_US.UTF-8", 1, "menu", "gone/run one;run one",
               "167O 192Y", "menu_save_detailed.csv"},
              {"no run: nothing to ask", "en_US.UTF-8", -1, "menu", "", "", "oa_tmp_en.csv"}};
} // namespace

class TestCsvSave : public QObject {
    Q_OBJECT
private slots:
    void notSavedMustBeAnswered()
    {
        // The real question: Escape and the close box do not answer it, Yes and No do.
        TestProgramFolder folder;
        FrmMenu window;
        finishedDebugRun(window, 1);
        bool stillAsking = false;
        QTimer::singleShot(200, &window, [&stillAsking] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(box);
            QTest::keyClick(box, Qt::Key_Escape);
            box->close();
            stillAsking = box->isVisible();
            box->button(QMessageBox::No)->click();
        });
        QCOMPARE(window.askUnsavedData(), FrmMenu::UnsavedAnswer::No);
        QVERIFY(stillAsking);
    }
    void save_data()
    {
        QTest::addColumn<int>("row");
        for (int i = 0; i < int(std::size(kCases)); ++i)
            QTest::newRow(kCases[i].name) << i;
    }
    void save()
    {
        QFETCH(int, row);
        const Case &c = kCases[row];
        TestProgramFolder folder(c.locale);
        ScriptedPrompts prompts;
        QPointer<FrmMenu> window = new FrmMenu;
        window->setAttribute(Qt::WA_DeleteOnClose);
        window->Form_Load();
        window->show();
        const QString data = folder.filePath("data");
        QDir().mkpath(data);
        window->settings().DefaultFolder = data;
        if (c.run >= 0)
            finishedDebugRun(*window, qint16(c.run));
        // A name typed without ".csv" is used as typed; an existing file is replaced whole.
        QFile::copy(TELVARO_TEST_DATA "/csv/oa_tmp_en.csv", data + "/run one");
        const QStringList names = QString(c.names).split(';', Qt::SkipEmptyParts);
        for (const QString &name : names)
            prompts.queueSaveName(name == "-" ? std::nullopt : std::optional<QString>(data + '/' + name));
        QStringList asked, shown;
        for (const QString &m : QString(c.messages).split(' ', Qt::SkipEmptyParts)) {
            // "Data is not saved. Do you save?", else "Data File can not create or save."
            const bool question = m.startsWith("192");
            const QMap<QChar, prompts::Answer> answers{{'Y', prompts::Answer::Yes}, {'N', prompts::Answer::No}};
            prompts.queueAnswer(answers.value(m.back(), prompts::Answer::Ok));
            asked << QString("%1|%2|%3|%4")
                         .arg(LoadResString(m.chopped(1).toInt()), LoadResString(question ? 101 : 168))
                         .arg(int(question ? prompts::Buttons::YesNoOnly : prompts::Buttons::Ok))
                         .arg(int(question ? prompts::Icon::Critical : prompts::Icon::None));
        }

        const QString way = c.way;
        way == "close" ? void(window->close()) : way == "menu" ? window->MenuSave->trigger()
            : way == "toolbar" ? window->ToolbarSave->trigger() : window->transferButton->click();
        if (way != "close") {
            QCOMPARE(window->cursor().shape(), Qt::ArrowCursor);  // the hourglass is gone
            window->close();  // asks only while the data are not saved
        }
        QTRY_VERIFY(window.isNull());
        for (const auto &m : prompts.messages)
            shown << QString("%1|%2|%3|%4").arg(m.text, m.title).arg(int(m.buttons)).arg(int(m.icon));
        QCOMPARE(shown, asked);
        QCOMPARE(prompts.saveRequests.size(), names.size());
        for (const prompts::SaveRequest &request : prompts.saveRequests)
            QVERIFY(request.initialFolder == data && request.filterIndex == 1 && request.overwritePrompt);
        const QByteArray today = QDate::currentDate().toString("yyyy/MM/dd").toLatin1();  // a saved file's date line
        QCOMPARE(readTestFile(data + "/run one"),
                 readTestFile(TELVARO_TEST_DATA "/csv/" + QString(c.expected)).replace("@TODAY@", today));
        QCOMPARE(QDir(data).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden), QStringList{"run one"});
    }
};

QTEST_MAIN(TestCsvSave)
#include "test_csvsave.moc"
