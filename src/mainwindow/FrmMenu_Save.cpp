#include <QDate>
#include <QPointer>

#include "datafiles/RunJournal.h"
#include "i18n/Texts.h"
#include "mainwindow/FrmMenu.h"
#include "mainwindow/Prompts.h"
#include "measure/LiveRun.h"
#include "measure/LiveTable.h"
#include "measure/Samples.h"

// Save As of the live data: the menu entry, the toolbar's Save button and every Yes to
// "Data is not saved. Do you save?" come here.
void FrmMenu::MenuSave_Click()
{
    // While a run is going on, more samples are still to come: a save then does not make the run
    // count as saved, or closing after the run would throw the rest away without asking.
    const bool runGoingOn = m_live->running();
    if (!m_samples->present()) {
        if (!runGoingOn)
            m_samples->setSaved(true);
        return;
    }
    QPointer<FrmMenu> self(this);
    const std::optional<QString> fileName =
        prompts::saveFileName(this, prompts::csvSaveRequest(m_settings.DefaultFolder));
    if (!fileName || !self)
        return;  // cancelled: nothing changes
    setCursor(Qt::WaitCursor);

    const bool written = live::writeRunFile(*fileName, m_samples->data(), QDate::currentDate());
    unsetCursor();
    if (!written) {
        prompts::message(this, LoadResString(167), LoadResString(168), prompts::Buttons::Ok, prompts::Icon::None);
        return;
    }
    rememberFile(*fileName);
    // Only a file written whole counts as saved; otherwise closing still offers to save.
    if (!(self && m_live->running())) {
        m_samples->setSaved(true);
        // The run is safe in its file: its journal is no longer needed.
        RunJournal::remove();
    }
}
