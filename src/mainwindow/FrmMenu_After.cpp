// The work after a measurement: File > Open..., Export Chart..., Report..., the files used last and
// View > Guideline Lines.
#include <QAction>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <cmath>

#include "datafiles/CsvExport.h"
#include "datafiles/CsvImport.h"
#include "datafiles/Remembered.h"
#include "dialogs/FrmReport.h"
#include "i18n/Language.h"
#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "mainwindow/GridControl.h"
#include "mainwindow/Prompts.h"
#include "mainwindow/SurveyReport.h"
#include "measure/LiveChart.h"
#include "measure/LiveTable.h"
#include "measure/Samples.h"
#include "serial/SerialLink.h"

namespace {
constexpr int kTextTitle = 101;
constexpr int kTextZoomOn = 179;
constexpr int kTextBusy = 203;
constexpr int kTextCannotWrite = 204;
} // namespace

void FrmMenu::buildAfterMenus()
{
    MenuOpen = new QAction(this);
    MenuOpen->setObjectName(QStringLiteral("MenuOpen"));
    MenuFile->insertAction(MenuSave, MenuOpen);
    connect(MenuOpen, &QAction::triggered, this, &FrmMenu::MenuOpen_Click);
    MenuExportChart = new QAction(this);
    MenuExportChart->setObjectName(QStringLiteral("MenuExportChart"));
    MenuReport = new QAction(this);
    MenuReport->setObjectName(QStringLiteral("MenuReport"));
    MenuFile->insertActions(MenuKei1, {MenuExportChart, MenuReport});
    connect(MenuExportChart, &QAction::triggered, this, &FrmMenu::MenuExportChart_Click);
    connect(MenuReport, &QAction::triggered, this, &FrmMenu::MenuReport_Click);
    // The files opened or saved last, between the separator and Exit.
    for (int i = 0; i < remembered::kRecentCount; ++i) {
        auto *action = new QAction(this);
        action->setObjectName(QStringLiteral("MenuRecent%1").arg(i + 1));
        MenuFile->insertAction(MenuExit, action);
        connect(action, &QAction::triggered, this, [this, action] {
            if (!refuseWhileBusy() && askUnsavedData() != UnsavedAnswer::Yes)
                openDataFile(action->data().toString());
        });
        recentFileActions << action;
    }
    MenuRecentSeparator = new QAction(this);
    MenuRecentSeparator->setSeparator(true);
    MenuFile->insertAction(MenuExit, MenuRecentSeparator);

    MenuView = menuBar()->addMenu(QString());
    MenuView->setObjectName(QStringLiteral("MenuView"));
    MenuGuidelines = MenuView->addAction(QString());
    MenuGuidelines->setObjectName(QStringLiteral("MenuGuidelines"));
    MenuGuidelines->setCheckable(true);  // off: the chart as it always was
    connect(MenuGuidelines, &QAction::triggered, this, &FrmMenu::MenuGuidelines_Click);
    showRecentFiles();
}

void SetCaptionsFrmMenuAfter(FrmMenu &w)
{
    w.MenuOpen->setText(LoadResString(197));
    w.MenuExportChart->setText(LoadResString(198));
    w.MenuReport->setText(LoadResString(199));
    w.MenuView->setTitle(LoadResString(200));
    w.MenuGuidelines->setText(LoadResString(201));
}

bool FrmMenu::refuseWhileBusy()
{
    // A run writes the held data and a transfer (which keeps this window disabled) replaces them.
    if (m_live->phase() == LiveRun::Phase::Idle && !m_link->busy() && isEnabled())
        return false;
    prompts::message(this, LoadResString(kTextBusy), LoadResString(kTextTitle), prompts::Buttons::Ok,
                     prompts::Icon::Exclamation);
    return true;
}

void FrmMenu::showRecentFiles()
{
    const QStringList files = remembered::recentFiles(m_programFolder);
    for (int i = 0; i < recentFileActions.size(); ++i) {
        QAction *action = recentFileActions.at(i);
        action->setVisible(i < files.size());
        if (i < files.size()) {
            action->setText(QStringLiteral("&%1 %2").arg(i + 1).arg(QFileInfo(files.at(i)).fileName()));
            action->setToolTip(files.at(i));
            action->setData(files.at(i));
        }
    }
    MenuRecentSeparator->setVisible(!files.isEmpty());
}

void FrmMenu::rememberFile(const QString &fileName)
{
    remembered::addRecentFile(m_programFolder, QFileInfo(fileName).absoluteFilePath());
    showRecentFiles();
}

survey::Guidelines FrmMenu::rememberedGuidelines() const
{
    survey::Guidelines g;
    const QString &f = m_programFolder;
    g.co2Max = remembered::value(f, QStringLiteral("co2Max"), g.co2Max);
    g.coMax = remembered::value(f, QStringLiteral("coMax"), g.coMax);
    g.tempMin = remembered::value(f, QStringLiteral("tempMin"), g.tempMin);
    g.tempMax = remembered::value(f, QStringLiteral("tempMax"), g.tempMax);
    g.humMin = remembered::value(f, QStringLiteral("humMin"), g.humMin);
    g.humMax = remembered::value(f, QStringLiteral("humMax"), g.humMax);
    return g;
}

void FrmMenu::rememberGuidelines(const survey::Guidelines &g)
{
    const QString &f = m_programFolder;
    remembered::setValue(f, QStringLiteral("co2Max"), g.co2Max);
    remembered::setValue(f, QStringLiteral("coMax"), g.coMax);
    remembered::setValue(f, QStringLiteral("tempMin"), g.tempMin);
    remembered::setValue(f, QStringLiteral("tempMax"), g.tempMax);
    remembered::setValue(f, QStringLiteral("humMin"), g.humMin);
    remembered::setValue(f, QStringLiteral("humMax"), g.humMax);
    if (MenuGuidelines->isChecked())
        chart->setGuidelineLines(g.co2Max, g.coMax);
}

// ---- File > Open ----

void FrmMenu::MenuOpen_Click()
{
    if (refuseWhileBusy())
        return;
    QPointer<FrmMenu> self(this);
    // Opening replaces the held data: unsaved live data are offered for saving first.
    if (askUnsavedData() == UnsavedAnswer::Yes || !self)
        return;
    prompts::SaveRequest request = prompts::csvSaveRequest(m_settings.DefaultFolder);
    request.overwritePrompt = false;
    const std::optional<QString> fileName = prompts::openFileName(this, request);
    if (fileName && self)
        openDataFile(*fileName);
}

bool FrmMenu::openDataFile(const QString &fileName)
{
    setCursor(Qt::WaitCursor);
    auto result = csvimport::readDataFile(fileName);
    unsetCursor();
    if (auto *error = std::get_if<csvimport::ImportError>(&result)) {
        prompts::message(this, LoadResString(202).arg(error->line), LoadResString(kTextTitle), prompts::Buttons::Ok,
                         prompts::Icon::Exclamation);
        return false;
    }
    m_samples->replace(std::move(std::get<csvimport::Imported>(result).data));
    // Held as a page that was read: nothing to save, nothing asked when leaving.
    m_samples->setPresent(false);
    m_samples->setSaved(true);
    rememberFile(fileName);
    return true;
}

void FrmMenu::showFileData()
{
    const SampleData &data = m_samples->data();
    const int n = data.count();
    chart->resetForRun();
    zoomButton->setText(LoadResString(kTextZoomOn));
    const auto intervals = live::intervalsForSampleTime(data.sampleTime);
    const int stepSec = n >= 2 ? int(std::lround((data.times[1] - data.times[0]) * 86400.0)) : 1;
    chart->setTimeLabelStep(intervals ? intervals->labelStepSec : qMax(1, stepSec) * 10);
    if (data.isOa()) {
        // A %OA file: the percentage of outdoor air on the right scale; the table lists all four.
        chart->setTemperatureScale(true, QStringLiteral("[%OA]"));
        static const char *const kHeaders[] = {"Return_Air", "Supply_Air", "Outdoor_Air", "Percent_Outdoor_Air"};
        liveTable->setText(0, 1, LoadResString(155));
        for (int c = 0; c < 8; ++c)
            liveTable->setText(0, c + 2, c < 4 ? QString::fromLatin1(kHeaders[c]) : QString());
    } else {
        onUnitsKnown();
    }
    if (n > 0)
        chart->setFirstSampleWindow(data.times.at(0));
    const SettingsRecord &s = m_settings;
    const QVector<double> times = data.times.mid(0, n);
    if (data.isOa()) {
        chart->setPoints(3, times, data.oa[size_t(OaSeries::PercentOutdoorAir)]);
    } else {
        QVector<double> co = data.values[size_t(Quantity::CO)];
        for (double &v : co)
            v *= chart->coFactor();
        if (s.CO2Graph == 1)
            chart->setPoints(0, times, data.values[size_t(Quantity::CO2)]);
        if (s.COGraph == 1)
            chart->setPoints(1, times, co);
        if (s.TempGraph == 1)
            chart->setPoints(2, times, data.values[size_t(Quantity::Temperature)]);
        if (s.HumGraph == 1)
            chart->setPoints(3, times, data.values[size_t(Quantity::Humidity)]);
    }
    chart->setPanningEnabled(true);
    chart->redraw();
    liveTable->setTopRow(1);
}

// ---- File > Export Chart ----

void FrmMenu::MenuExportChart_Click()
{
    if (refuseWhileBusy())
        return;
    prompts::SaveRequest request;
    request.initialFolder = m_settings.DefaultFolder;
    request.filters = {QStringLiteral("PNG (*.png)"), QStringLiteral("SVG (*.svg)")};
    request.filterIndex = 0;
    QPointer<FrmMenu> self(this);
    const std::optional<QString> fileName = prompts::saveFileName(this, request);
    if (!fileName || !self)
        return;
    const bool svg = fileName->endsWith(QLatin1String(".svg"), Qt::CaseInsensitive);
    const bool written = svg ? report::exportChartSvg(chart, *fileName) : report::exportChartPng(chart, *fileName);
    if (!written)
        prompts::message(this, LoadResString(kTextCannotWrite), LoadResString(kTextTitle));
}

// ---- File > Report ----

void FrmMenu::MenuReport_Click()
{
    if (refuseWhileBusy())
        return;
    if (m_samples->count() == 0) {
        prompts::message(this, LoadResString(189), LoadResString(kTextTitle));
        return;
    }
    const bool celsius = csvexport::temperatureIsCelsius(m_samples->data().unit(Quantity::Temperature));
    auto *dialog = new FrmReport(rememberedGuidelines(), celsius);
    connect(dialog, &FrmReport::guidelinesAccepted, this, [this](const survey::Guidelines &g) {
        rememberGuidelines(g);
        prompts::SaveRequest request;
        request.initialFolder = m_settings.DefaultFolder;
        request.filters = {QStringLiteral("PDF (*.pdf)")};
        request.filterIndex = 0;
        QPointer<FrmMenu> self(this);
        const std::optional<QString> fileName = prompts::saveFileName(this, request);
        if (fileName && self)
            writeReport(*fileName, g);
    });
    showChildWindow(dialog);
}

bool FrmMenu::writeReport(const QString &fileName, const survey::Guidelines &guidelines)
{
    if (refuseWhileBusy())
        return false;
    setCursor(Qt::WaitCursor);
    const bool written = report::writeSurveyReport(fileName, m_samples->data(), guidelines, chart);
    unsetCursor();
    if (!written)
        prompts::message(this, LoadResString(kTextCannotWrite), LoadResString(kTextTitle));
    return written;
}

// ---- View > Guideline Lines ----

void FrmMenu::MenuGuidelines_Click(bool on)
{
    if (on && refuseWhileBusy()) {
        MenuGuidelines->setChecked(false);
        return;
    }
    const survey::Guidelines g = rememberedGuidelines();
    if (on)
        chart->setGuidelineLines(g.co2Max, g.coMax);
    else
        chart->setGuidelineLines(std::nullopt, std::nullopt);
}
