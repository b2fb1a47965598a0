#pragma once

#include <QByteArray>
#include <QString>
#include <variant>

#include "datafiles/SampleData.h"

// Reading back the CSV data files the program writes (live and calculation files, Standard and
// Detailed, and %OA files), in UTF-8 or any of the code pages the files are written in. Plain code
// over bytes: the bytes are looked at once, in place, and reading stops at the first line that does
// not fit the layout.
namespace csvimport {

// The most samples a file may hold: the longest run the meter takes.
inline constexpr int kMaxSamples = 65500;

struct ImportError {
    int line = 0;    // 1-based number of the first line that does not fit
    QString reason;  // what did not fit, for the log and the tests (not translated)
};

// The header lines as they stood, so the same file can be written again.
struct FileHeader {
    QString dateText, timeText, samplingTimeText, pressureText;
    QString modeText;  // inside "CALCULATION(...)" or "%OA(...)"; csvexport::kNormalModeText for "NORMAL"
    int count = 0;
};

struct Imported {
    SampleData data;
    FileHeader header;
};

std::variant<Imported, ImportError> readDataFile(const QByteArray &bytes);
// The file mapped into memory rather than copied; a file that cannot be opened is line 0.
std::variant<Imported, ImportError> readDataFile(const QString &fileName);

} // namespace csvimport
