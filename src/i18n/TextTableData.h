#pragma once

namespace i18n {

// One row of the text table: an id of 101-222 and its text in the three blocks.
struct TextRow {
    int id;
    const char16_t *english;
    const char16_t *japanese;
    const char16_t *chinese;
};

extern const TextRow kTextRows[];
extern const int kTextRowCount;

} // namespace i18n
