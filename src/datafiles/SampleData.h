#pragma once

#include <QByteArray>
#include <QDate>
#include <QString>
#include <QVector>
#include <array>

// What the meter measures, in the order of the fields of its data record. A Standard record holds
// the first four, a Detailed one all eight.
enum class Quantity { CO, CO2, Temperature, Humidity, DewPoint, WetBulb, AbsHumidity, HumidityRatio };
inline constexpr int kQuantityCount = 8;
inline constexpr int kStandardQuantityCount = 4;
inline constexpr std::array<Quantity, kQuantityCount> kQuantities{
    Quantity::CO,       Quantity::CO2,     Quantity::Temperature, Quantity::Humidity,
    Quantity::DewPoint, Quantity::WetBulb, Quantity::AbsHumidity, Quantity::HumidityRatio};

// The series of a %OA page, in the order the CSV file writes them.
enum class OaSeries { ReturnAir, SupplyAir, OutdoorAir, PercentOutdoorAir };
inline constexpr int kOaSeriesCount = 4;

// The data the program holds: a live run, a calculation page or a %OA page, with what the file of
// those data needs besides the numbers (units, pressure, the mode and sampling time they were taken
// with). A plain value: the file writers take it as an argument; measure/Samples owns the one the
// windows show.
struct SampleData {
    enum class Origin { None, LiveRun, CalculationPage, OaPage };

    Origin origin = Origin::None;
    qint16 measureMode = 0;  // 0 Standard, 1 Detailed
    QString sampleTime;      // the sampling-time text a live run was measured with
    // The U reply's nine unit texts: one per quantity, then the ninth field.
    std::array<QString, kQuantityCount + 1> units;
    qint32 atmosPressure = 0;
    // The number of samples a live run was started for (0: not known, e.g. a recovered run).
    int plannedCount = 0;
    // Data read back from a CSV file: shown whole, never "unsaved". date is the file's date line
    // (invalid when it had none), modeText what its mode line held inside the brackets ("------"
    // for live data).
    bool fromFile = false;
    QDate date;
    QString modeText;

    // Per sample, index 0..count()-1. Times are fractions of a day counted from the midnight
    // before the first sample, so a run across midnight keeps growing.
    QVector<double> times;
    QVector<QByteArray> lines;  // the data line each live sample came in (CR LF included)
    std::array<QVector<double>, kQuantityCount> values;
    std::array<QVector<double>, kOaSeriesCount> oa;

    int count() const { return int(qMax(values[0].size(), oa[0].size())); }
    bool isOa() const { return origin == Origin::OaPage; }
    double value(Quantity q, int i) const { return values[size_t(q)].at(i); }
    const QString &unit(Quantity q) const { return units[size_t(q)]; }
    QString &unit(Quantity q) { return units[size_t(q)]; }

    // Room for n samples without reallocating.
    void reserve(int n);
    // One sample of a live run or a calculation page (a Standard record leaves the last four 0).
    void append(double time, const QByteArray &line, const std::array<double, kQuantityCount> &record);
    // One record of a %OA page, in OaSeries order.
    void appendOa(const std::array<double, kOaSeriesCount> &record);
    // No samples, nothing else changed.
    void clearSamples();
};
