// Connection strings in the OLE DB form the program uses:
//   Provider=Microsoft.Jet.OLEDB.4.0;Data Source=PATH;Jet OLEDB:Database Password=P;...
// Segments are separated by ';'. A segment without '=' is ignored, keys
// ignore letter case and surrounding blanks, and a value may be put in
// double or single quotes (a doubled quote inside stands for one) when it
// holds a ';'.
#pragma once
#include <string>
#include <string_view>

#include "jet/database.h"

namespace jet {

inline constexpr std::string_view kJetProvider = "Microsoft.Jet.OLEDB.4.0";

struct ConnectionSettings {
    std::string provider;
    std::string dataSource;         // path of the database file (UTF-8)
    std::string databasePassword;   // "Jet OLEDB:Database Password"; empty when absent
};

// Fails (Syntax) for an unclosed quote or a missing Data Source, and
// (Unsupported) when the provider is not the Jet 4.0 one.
Result<ConnectionSettings> ParseConnectionString(std::string_view text);

// Quotes `value` for a connection string when it needs it (it holds ';' or
// starts with a quote or a blank); otherwise returns it unchanged.
std::string QuoteConnectionValue(std::string_view value);

}  // namespace jet
