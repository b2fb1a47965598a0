#include "startup/Variable.h"

namespace Variable {

void resizeLiveSeries(int n)
{
    const int size = qMax(0, n) + 1;
    for (QVector<double> *series : {&COData, &CO2Data, &TempData, &HumData, &DewPointData,
                                    &WetBulbData, &AbsHumData, &HumRatioData}) {
        series->fill(0.0, size);
        series->squeeze();
    }
}

void resizeOaSeries(int n)
{
    const int size = qMax(0, n) + 1;
    for (QVector<double> *series : {&ReturnAir, &SupplyAir, &OutdoorAir, &PercentOutdoorAir})
        series->fill(0.0, size);
}

void resetAll()
{
    Settings = SettingsRecord();
    SystemLanguage.clear();
    LanguageChoice = 0;
    ResIdBase = 0;
    ProgramFolder.clear();
    ProcessorInfo = ProcessorInfoRecord();
    DataPresent = 0;
    DataSaved = 0;
    for (QString *unit : {&UnitCO, &UnitCO2, &UnitTemp, &UnitHum, &UnitDewPoint, &UnitWetBulb,
                          &UnitAbsHum, &UnitHumRatio, &UnitField9})
        unit->clear();
    AtmosPressure = 0;
    for (QVector<double> *series : {&COData, &CO2Data, &TempData, &HumData, &DewPointData,
                                    &WetBulbData, &AbsHumData, &HumRatioData, &SampleTimes,
                                    &ReturnAir, &SupplyAir, &OutdoorAir, &PercentOutdoorAir})
        series->clear();
    RawReplies.clear();
    SampleIndex = 0;
    RequestIndex = 0;
    RunMeasureMode = -1;
    RunSampleTime.clear();
}

} // namespace Variable
