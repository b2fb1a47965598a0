#pragma once

// What the simulated meter measures and how it writes it on the line: plausible readings,
// the 7-character value fields, live records, page records and the fixed replies.
// Plain functions over strings; no thread, no device.

#include <random>
#include <string>
#include <vector>

namespace metersim {

// One logged page of the meter's memory.
struct Page {
    bool oa = false;                 // false: calculation page ("000"), true: %OA page ("001")
    int records = 10;                // number of data records
    std::string samplingTime = "10"; // seconds, as the M reply shows it
    std::string operation = "AVG";   // "AVG"/"INS" (calculation), "TMP"/"CO2" (%OA)
    std::string pressure = "1013";   // hPa, as the M reply shows it
    std::string date = "2026/11/30"; // yyyy/MM/dd (10 characters)
    std::string time = "09:15:00";   // HH:mm:ss (8 characters)
};

// Three pages: calculation AVG 10 s 20 records; %OA TMP 30 records; calculation INS 60 s 12 records.
std::vector<Page> defaultPages();

// One reading with the derived quantities, temperatures in the meter's unit (°C or °F).
struct Reading {
    double co = 0, co2 = 0, temp = 0, hum = 0, dewPoint = 0, wetBulb = 0, absHum = 0, humRatio = 0;
};

// Dew point (Magnus), wet bulb (Stull), absolute humidity (g/m3) and humidity ratio (g/kg) from
// temperature in °C, relative humidity in % and pressure in hPa. Temperatures of the result in °F
// when fahrenheit is set.
Reading deriveReading(double co, double co2, double tempC, double rh, double pressureHPa, bool fahrenheit);

// A value right-aligned in exactly 7 characters with the given decimals (clamped so it fits).
std::string field7(double value, int decimals);

// The four (standard) or eight (detailed) fields joined by ";", then CR LF: 33 or 65 characters.
std::string liveRecord(const Reading &r, bool detailed);
// A calculation page record: the four-digit record number, then the values, ";" between all
// fields, CR LF.
std::string calcPageRecord(int number, const Reading &r, bool detailed);
// A %OA page record: the four-digit record number, then percent outdoor air, return air, supply
// air and outdoor air separated by ";", CR LF.
std::string oaPageRecord(int number, double percentOa, double returnAir, double supplyAir, double outdoorAir);

// The data part of the U reply (after "AU" CR LF): nine unit fields and CR LF.
std::string unitsText(bool fahrenheit);
// The page header after "AT" CR LF: "yyyy/MM/dd HH:mm:ss" CR LF (21 characters).
std::string pageHeader(const Page &page);
// The M reply for page number n of the page: "AM", six characters, code, fields, CR LF.
std::string pageInfoReply(int n, const Page &page);

// The slowly drifting air of the room the simulated meter stands in. Deterministic per seed.
class Room {
public:
    explicit Room(unsigned seed, double pressureHPa = 1013, bool fahrenheit = false);
    // The next reading (one sampling step later).
    Reading next();

private:
    std::mt19937 m_rng;
    double m_pressure;
    bool m_fahrenheit;
    double m_co, m_co2, m_temp, m_hum;
};

// Page contents, generated once per page from the seed.
struct PageData {
    // Calculation page: one reading per record.
    std::vector<Reading> readings;
    // %OA page: per record percent outdoor air, return air, supply air, outdoor air.
    struct Oa {
        double percent, returnAir, supplyAir, outdoorAir;
    };
    std::vector<Oa> oa;
};
PageData makePageData(const Page &page, unsigned seed, int pageNumber, bool fahrenheit);
// What T streams after the header for this page in the given output selection.
std::vector<std::string> pageRecordTexts(const Page &page, const PageData &data, bool detailed);

} // namespace metersim
