#include <QDate>
#include <QPointer>

#include "datafiles/CsvExport.h"
#include "datafiles/NumberText.h"
#include "datafiles/RunJournal.h"
#include "mainwindow/FrmMenu.h"
#include "mainwindow/Prompts.h"
#include "measure/LiveRun.h"
#include "startup/Variable.h"

// Save As of the live data: the menu entry, the toolbar's Save button and every Yes to
// "Data is not saved. Do you save?" come here.
void FrmMenu::MenuSave_Click()
{
    using namespace Variable;
    // While a run is going on, more samples are still to come: a save then does not make the run
    // count as saved, or closing after the run would throw the rest away without asking.
    const bool runGoingOn = m_live && m_live->running();
    if (DataPresent != 1) {
        if (!runGoingOn)
            DataSaved = 1;
        return;
    }
    QPointer<FrmMenu> self(this);
    const std::optional<QString> fileName = prompts::saveFileName(this, prompts::csvSaveRequest());
    if (!fileName)
        return;  // cancelled: nothing changes
    if (self)
        setCursor(Qt::WaitCursor);

    const qint32 count = SampleIndex - 1;
    const QString firstTime = SampleTimes.size() > 1 ? csvexport::timeOfDayText(SampleTimes.at(1))
                                                     : csvexport::timeOfDayText(0.0);
    const bool written = WriteMeasureCsv(*fileName, csvexport::dateText(QDate::currentDate()), firstTime,
                                         numtext::generalNumber(AtmosPressure), count,
                                         csvexport::samplingTimeText(RunMeasureMode >= 0 ? RunSampleTime
                                                                                         : Settings.MeasureSampleTime),
                                         csvexport::kNormalModeText,
                                         RunMeasureMode >= 0 ? RunMeasureMode : Settings.MeasureMode, self.data());
    if (self)
        unsetCursor();
    // Only a file written whole counts as saved; otherwise closing still offers to save.
    if (written && !(self && self->m_live && self->m_live->running())) {
        DataSaved = 1;
        // The run is safe in its file: its journal is no longer needed.
        RunJournal::remove();
    }
}
