// Text forms of stored values, as the export tool of the open-source readers
// prints them: integers in decimal, Currency with four decimals, dates as
// "MM/DD/YY HH:MM:SS", GUIDs in braces, Booleans as 1 or 0.
#pragma once
#include <cstdint>
#include <span>
#include <string>

#include "jet/table_def.h"

namespace jet {

// Appends the text of the fixed-size value `bytes` of column `col`. Types
// without a text form (and unknown types) are appended as raw bytes.
void AppendFixedText(const ColumnDef& col, std::span<const uint8_t> bytes, std::string& out);

// Parts of the above, exposed for tests and other writers of these forms.
void AppendDateText(double days, std::string& out);
// ISO 8601, "YYYY-MM-DD HH:MM:SS" ("-YYYY" before year 0); beyond about the
// year 9999 either way, the number of days.
void AppendIsoDateText(double days, std::string& out);
void AppendCurrencyText(int64_t tenThousandths, std::string& out);
void AppendNumericText(std::span<const uint8_t> bytes17, uint8_t scale, std::string& out);
void AppendGuidText(std::span<const uint8_t> bytes16, std::string& out);

}  // namespace jet
